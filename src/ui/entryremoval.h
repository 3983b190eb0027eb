#pragma once

#include <QFileInfo>
#include <QString>

// How the file browser removes one selected entry. Kept apart from the window so the refusal of
// file-system roots can be checked without ever attempting to remove one.
enum class RemovalKind {
    Refused, // a file-system root (a drive, or "/"): never emptied
    Link,    // a symbolic link, junction or shortcut: the link itself goes, never its target
    Folder,  // a real folder: removed with its whole content
    File,
};

RemovalKind removalKindOf(const QFileInfo &entry);

// Removes the entry as removalKindOf says; false when it was refused or (partly) failed.
bool removeEntry(const QString &path);
