#pragma once

#include "archiveentry.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

// An archive's flat listing as folders and their items, built once. Every folder appears once, also
// where the archive only implies it ("a/b.txt" implies "a"); names are normalised as extraction
// normalises them ("a//./b" is "a/b"), and an entry listed twice on one path keeps the later one, as
// extraction does. A name extraction refuses (absolute, climbing above the top) stays a top-level
// item under its raw name, so the user sees it. A plain value: build it on any thread, use it on one.
class ArchiveEntryTree
{
public:
    // What the status line shows for a folder: its direct items, and the unpacked size of those that
    // are not folders.
    struct Totals {
        int folders = 0;
        int files = 0;
        qint64 bytes = 0;
    };

    struct Node {
        // The full path inside the archive ("" for the top); the name passed to extraction.
        QString path;
        // Where the last component starts in path.
        qsizetype nameStart = 0;
        int parent = -1;
        bool isFolder = false;
        bool isLink = false;
        bool encrypted = false;
        // Refused by extraction's name checks; kept at the top under its raw name.
        bool unsafe = false;
        qint64 size = 0;
        qint64 compressedSize = -1;
        QDateTime modified;
        // A folder's items, folders and others, in archive order, and their totals.
        QList<int> children;
        Totals totals;

        QStringView name() const { return QStringView(path).mid(nameStart); }
    };

    ArchiveEntryTree();
    static ArchiveEntryTree build(const ArchiveEntryList &entries);

    static constexpr int top = 0;
    qsizetype size() const { return nodes.size(); }
    const Node &node(int id) const { return nodes.at(id); }
    // The folder with this path ("" for the top, a trailing "/" allowed); -1 when none.
    int folder(const QString &path) const;
    // The non-folder item with this path; -1 when none.
    int item(const QString &path) const;
    // Everything below the top: folders and other items.
    qsizetype entryCount() const { return nodes.size() - 1; }

private:
    int addNode(const QString &path, int parent, bool isFolder);
    // The folder at path (the path of an existing node's parent part), made with its parents when
    // the archive only implies it.
    int folderFor(QStringView path, const QString &within);
    void setEntry(int id, const ArchiveEntry &entry);

    QList<Node> nodes;
    // Keys view the nodes' paths: their characters live as long as the strings, whichever copy of
    // the tree holds them, and are never changed.
    QHash<QStringView, int> folderIds;
    QHash<QStringView, int> itemIds;
};
