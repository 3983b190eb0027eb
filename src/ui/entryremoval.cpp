#include "entryremoval.h"

#include <QDir>
#include <QFile>

RemovalKind removalKindOf(const QFileInfo &entry)
{
    // Links first: isDir() and isRoot() follow them, which would send removal to the target.
    if (entry.isSymLink() || entry.isJunction())
        return RemovalKind::Link;
    if (entry.isRoot())
        return RemovalKind::Refused;
    if (entry.isDir())
        return RemovalKind::Folder;
    return RemovalKind::File;
}

bool removeEntry(const QString &path)
{
    switch (removalKindOf(QFileInfo(path))) {
    case RemovalKind::Refused:
        return false;
    case RemovalKind::Link:
        // A link to a folder on Windows is a directory entry that only rmdir takes away.
        return QFile::remove(path) || QDir().rmdir(path);
    case RemovalKind::Folder:
        // removeRecursively removes links found inside without following them.
        return QDir(path).removeRecursively();
    case RemovalKind::File:
        return QFile::remove(path);
    }
    return false;
}
