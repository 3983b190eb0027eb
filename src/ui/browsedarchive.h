#pragma once

#include "archiveentrytree.h"

#include <QModelIndex>
#include <QString>
#include <QStringList>

class ArchiveEntryModel;

// The archive the file list shows as if it were a folder: which archive, the folder inside it, the
// text of the path field, where Up leads, and which entries a selection stands for. It moves the
// model's root path; the window shows rootIndex() as the view's root. GUI thread; the model must
// outlive it.
class BrowsedArchive
{
public:
    explicit BrowsedArchive(ArchiveEntryModel *model);

    // Shows the archive's entries (its listing, as a tree) from its top.
    void open(const QString &archivePath, const ArchiveEntryTree &tree);
    // Forgets the archive and empties the model.
    void close();
    bool isOpen() const { return !path.isEmpty(); }

    QString archivePath() const { return path; }
    // The folder shown, as a path inside the archive ("" at its top).
    QString folder() const { return insideFolder; }
    // What the path field shows: the archive's path, then the folder inside it.
    QString pathText() const;
    // The shown folder's index in the model: the view's root index.
    QModelIndex rootIndex() const;
    // The folder holding the archive: where Up leads from the archive's top.
    QString holdingFolder() const;

    // Shows the folder at a path inside the archive; false, changing nothing, when there is none.
    bool enterFolder(const QString &folderPath);
    // Shows a folder row; false for other rows.
    bool enter(const QModelIndex &index);
    // One folder up inside the archive. False at the top, changing nothing: Up then leaves the
    // archive for holdingFolder().
    bool up();

    // The entries to extract for the rows selected (any column, each row once, in the order given);
    // with no row selected every row of the shown folder, as the search leaves them.
    QStringList entryNames(const QModelIndexList &selectedRows) const;

    // Splits a typed path such as "/data/a.zip/docs/img" into an existing archive file the engine
    // can open and the folder inside it ("docs/img"); false when no leading part is such a file.
    static bool splitPath(const QString &text, QString *archivePath, QString *folderInside);

private:
    ArchiveEntryModel *model;
    QString path;
    QString insideFolder;
};
