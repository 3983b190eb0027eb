#pragma once

#include <QString>
#include <QStringList>

// File-system totals behind the status line, asked of the file system at the moment of the call
// (never the model's columns). Called on the GUI thread; large jobs share their file queries with
// threads started for the call (never the shared pool) and return when all are done.
class FileStatistics
{
public:
    struct FolderTotals {
        int folders = 0;
        int files = 0;
        qint64 bytes = 0;
    };

    // The folder's direct entries as QDir::entryInfoList(AllEntries | NoDotAndDotDot) lists them:
    // no hidden or system entries, links counted as what they point to, sizes of the files only.
    // A folder that cannot be read gives zeros.
    static FolderTotals countFolder(const QString &path);

    // The summed size of those names that are files (links followed); others add nothing. Names
    // are relative to the folder, except absolute ones (the folder may then be empty), as with
    // QDir::filePath.
    static qint64 totalFileSize(const QString &folder, const QStringList &names);
};
