#pragma once

#include "archiveentrytree.h"
#include "filenameorder.h"

#include <QAbstractItemModel>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QSet>

#include <vector>

// The entries of an archive as the file list shows a folder: the same four columns (name, size,
// type, date modified) with the same texts, the same sorting (folders first by name and by size, as
// the file list does) and the same name search. The tree is built once; entering a folder is a
// matter of the view's root index (folderIndex), and each folder's rows are sorted and filtered the
// first time they are asked for, so a large archive costs only what is shown. GUI thread only.
class ArchiveEntryModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, SizeColumn, TypeColumn, DateColumn, ColumnCount };
    enum Role {
        // The entry's full path inside the archive: the name extraction takes.
        EntryPathRole = Qt::UserRole + 1,
        IsFolderRole,
        // Unpacked size in bytes (0 for folders).
        SizeRole,
    };

    // Rows picked in the view: how many, and the unpacked size of those that are not folders.
    struct SelectionTotals {
        int items = 0;
        qint64 bytes = 0;
    };

    explicit ArchiveEntryModel(QObject *parent = nullptr);
    ~ArchiveEntryModel() override;

    // Replaces everything shown (a model reset); the root path and the name filter start empty.
    void setTree(const ArchiveEntryTree &tree);
    void setEntries(const ArchiveEntryList &entries);
    const ArchiveEntryTree &tree() const { return entryTree; }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The index of the folder at path inside the archive: invalid for the top ("") and for a path
    // that names no folder (folderExists tells the two apart), and for a folder the name filter hides.
    QModelIndex folderIndex(const QString &path) const;
    bool folderExists(const QString &path) const;
    // The folder the view shows: it and the folders above it keep their rows whatever the name filter
    // says, so the view's root stays valid. Returns folderIndex(path); a path that names no folder
    // stands for the top.
    QModelIndex setRootPath(const QString &path);
    QString rootPath() const { return shownFolderPath; }

    // The search: only items whose name contains text, in any case (folders too; the root path's
    // folders stay). Empty shows everything. Rows come and go as a layout change.
    void setNameFilter(const QString &text);
    QString nameFilter() const { return filterText; }

    QString entryPath(const QModelIndex &index) const;
    bool isFolder(const QModelIndex &index) const;

    // The shown folder's totals for the status line: its direct items whatever the search shows, as
    // the file list counts a folder on disk.
    ArchiveEntryTree::Totals folderTotals(const QModelIndex &folder) const;
    // Totals of the rows given (any column; each row counted once).
    SelectionTotals selectionTotals(const QModelIndexList &rows) const;

    // Takes up the interface language's collation, file type names and date format; call after a
    // language switch (the sort order and texts of every folder follow).
    void updateLanguage();

private:
    struct FolderRows {
        QList<int> nodes;
        quint64 generation = 0;
    };
    struct FileType {
        QString name;
        QIcon icon;
    };

    int nodeOf(const QModelIndex &index) const;
    const FolderRows &rowsOf(int folder) const;
    // The row of a node in its folder under the current order and filter; -1 when hidden.
    int rowOf(int node) const;
    // True when node and every folder above it have rows.
    bool isReachable(int node) const;
    QModelIndex indexOf(int node, int column) const;
    bool passesFilter(int node) const;
    QList<int> sortedRows(const QList<int> &nodes) const;
    const FileType &fileType(int node) const;
    // Recomputes every folder's rows inside a layout change that keeps persistent indexes.
    template <typename Change> void relayout(Change change);

    ArchiveEntryTree entryTree;
    int sortColumn = NameColumn;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    QString filterText;
    QString shownFolderPath;
    QSet<int> shownFolderChain;
    FileNameOrder nameOrder;
    QFileIconProvider iconProvider;

    quint64 generation = 1;
    mutable std::vector<FolderRows> folderRows;
    mutable std::vector<int> rows;
    mutable QHash<QString, FileType> fileTypes;
};
