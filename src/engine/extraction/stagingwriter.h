#pragma once

#include "extractiontarget.h"
#include "filedescriptor.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>

// Writes what an in-process reader hands over into the staging tree, by descriptors: every parent is
// made with mkdirat and entered with O_NOFOLLOW, every file created with O_EXCL. Links are only noted
// here and made by finish(), after every file, so nothing is ever written through one. Same-kind
// duplicates: the later entry wins; a file and a folder (or a link and a folder) on one path fail
// with UnsafeEntry naming the later entry.
//
// Threads: createFolder, createFile and addLink from any number of threads (entries on one path one
// after the other); finish() alone, after them.
class StagingWriter
{
public:
    // rootFd: the staging tree's root, kept open by the caller for this object's life. displayRoot:
    // the destination as the user named it, for the paths in results.
    StagingWriter(int rootFd, const QString &displayRoot);

    // entry: the archive name (for results); placed: its checked path below the root.
    OperationResult createFolder(const QString &entry, const QString &placed, const EntryMetadata &metadata);
    OperationResult createFile(const QString &entry, const QString &placed, const EntryMetadata &metadata,
                               std::unique_ptr<StagedFile> *file);
    OperationResult addLink(const QString &entry, const QString &placed, const QByteArray &target);

    // Whether a link or folder metadata still waits for finish().
    bool hasPendingWork() const;
    // The target of a link noted for placedPath ("/"-joined raw components) and not made yet.
    bool pendingLink(const QByteArray &placedPath, QByteArray *target) const;

    // Checks every noted link with staysInside(folder components, target) (UnsafeEntry naming the
    // first that leads out), makes them, then applies folder times and modes, deepest first.
    using LinkCheck = std::function<bool(const QList<QByteArray> &folder, const QByteArray &target)>;
    OperationResult finish(const LinkCheck &staysInside);

private:
    struct NotedLink {
        QString entry;
        QByteArray target;
        quint64 order = 0;
    };

    // Opens (making them as needed) the folders of components but the last.
    OperationResult openParent(const QString &entry, const QList<QByteArray> &components,
                               FileDescriptor *parent) const;
    QString displayPath(const QString &placed) const;

    int root;
    QString displayRoot;
    mutable QMutex mutex;
    QHash<QByteArray, NotedLink> links;
    QHash<QByteArray, EntryMetadata> folders;
    quint64 linksNoted = 0;
};
