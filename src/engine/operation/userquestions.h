#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// Questions an operation asks its user mid-way, and their answers. Plain values.

struct PasswordQuestion {
    QString archivePath;
    // The encrypted entry that needs it; empty when the archive's names themselves are encrypted.
    QString entry;
    // True when the password tried last did not open the archive.
    bool previousWasWrong = false;
};

struct PasswordAnswer {
    // False when the user cancelled: the operation then ends as cancelled.
    bool given = false;
    QString password;
};

// Describes one side of a clash: what exists, or what the archive brings.
struct ItemDescription {
    bool isFolder = false;
    bool isLink = false;
    qint64 size = 0;
    QDateTime modified;
};

struct ReplaceQuestion {
    // The existing item in the destination.
    QString existingPath;
    ItemDescription existing;
    // The archive's entry that would take its place.
    QString entry;
    ItemDescription incoming;
    // False when replacing would delete a folder's contents: then only Skip, KeepBoth and Cancel.
    bool canReplace = true;
};

enum class ReplaceChoice { Replace, Skip, KeepBoth, Cancel };

struct ReplaceAnswer {
    ReplaceChoice choice = ReplaceChoice::Cancel;
    // Use the same choice for every later clash of this operation (never asked again).
    bool applyToAll = false;
};

Q_DECLARE_METATYPE(PasswordQuestion)
Q_DECLARE_METATYPE(ReplaceQuestion)
