#include "stagingwriter.h"

#include "descriptorstagedfile.h"
#include "nofollow.h"

#include <QMutexLocker>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QList<QByteArray> componentsOf(const QString &placed)
{
    return placed.toUtf8().split('/');
}

bool isKindClash(int error)
{
    return error == ENOTDIR || error == ELOOP || error == EEXIST;
}

} // namespace

StagingWriter::StagingWriter(int rootFd, const QString &displayRoot) : root(rootFd), displayRoot(displayRoot)
{
}

QString StagingWriter::displayPath(const QString &placed) const
{
    return displayRoot + QLatin1Char('/') + placed;
}

OperationResult StagingWriter::openParent(const QString &entry, const QList<QByteArray> &components,
                                          FileDescriptor *parent) const
{
    FileDescriptor current;
    int dirFd = root;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        const QByteArray &name = components.at(i);
        // Another thread may make the same folder at the same moment: EEXIST is fine, what counts is
        // that a real folder is there when it is opened without following links.
        if (::mkdirat(dirFd, name.constData(), 0777) != 0 && errno != EEXIST)
            return OperationResult::systemFailure(ResultCode::CreateFailed, displayRoot, errno);
        FileDescriptor next = NoFollow::openFolder(dirFd, name, true);
        if (!next.isValid()) {
            if (isKindClash(errno))
                return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
            return OperationResult::systemFailure(ResultCode::CreateFailed, displayRoot, errno);
        }
        current = std::move(next);
        dirFd = current.get();
    }
    *parent = current.isValid() ? std::move(current) : FileDescriptor(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    return OperationResult::success();
}

OperationResult StagingWriter::createFolder(const QString &entry, const QString &placed,
                                            const EntryMetadata &metadata)
{
    const QList<QByteArray> components = componentsOf(placed);
    const QByteArray key = placed.toUtf8();
    {
        QMutexLocker locker(&mutex);
        if (links.contains(key))
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
    }
    FileDescriptor parent;
    OperationResult result = openParent(entry, components, &parent);
    if (!result.succeeded())
        return result;
    if (::mkdirat(parent.get(), components.last().constData(), 0777) != 0) {
        const int error = errno;
        struct stat info;
        if (error != EEXIST)
            return OperationResult::systemFailure(ResultCode::CreateFailed, displayPath(placed), error);
        if (!NoFollow::status(parent.get(), components.last(), &info) || !S_ISDIR(info.st_mode))
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
    }
    if (metadata.modified >= 0 || metadata.permissions != 0) {
        QMutexLocker locker(&mutex);
        folders.insert(key, metadata);
    }
    return OperationResult::success();
}

OperationResult StagingWriter::createFile(const QString &entry, const QString &placed,
                                          const EntryMetadata &metadata, std::unique_ptr<StagedFile> *file)
{
    const QList<QByteArray> components = componentsOf(placed);
    const QByteArray &name = components.last();
    FileDescriptor parent;
    OperationResult result = openParent(entry, components, &parent);
    if (!result.succeeded())
        return result;
    {
        // The later entry wins over a link noted earlier on the same path.
        QMutexLocker locker(&mutex);
        links.remove(placed.toUtf8());
    }
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    FileDescriptor created(::openat(parent.get(), name.constData(), flags, 0666));
    if (!created.isValid() && errno == EEXIST) {
        // An earlier entry of this archive wrote the same path: the later one replaces it. A folder
        // there is a clash of kinds, never emptied.
        struct stat info;
        if (NoFollow::status(parent.get(), name, &info) && S_ISDIR(info.st_mode))
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
        ::unlinkat(parent.get(), name.constData(), 0);
        created.reset(::openat(parent.get(), name.constData(), flags, 0666));
    }
    if (!created.isValid())
        return OperationResult::systemFailure(ResultCode::CreateFailed, displayPath(placed), errno);
    *file = std::make_unique<DescriptorStagedFile>(std::move(created), std::move(parent), name,
                                                   displayPath(placed), metadata);
    return OperationResult::success();
}

OperationResult StagingWriter::addLink(const QString &entry, const QString &placed, const QByteArray &target)
{
    if (target.isEmpty() || target.contains('\0') || target.startsWith('/'))
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
    const QList<QByteArray> components = componentsOf(placed);
    FileDescriptor parent;
    OperationResult result = openParent(entry, components, &parent);
    if (!result.succeeded())
        return result;
    struct stat info;
    if (NoFollow::status(parent.get(), components.last(), &info)) {
        if (S_ISDIR(info.st_mode))
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
        // The later entry wins over a file written earlier on the same path.
        ::unlinkat(parent.get(), components.last().constData(), 0);
    }
    QMutexLocker locker(&mutex);
    links.insert(placed.toUtf8(), {entry, target, ++linksNoted});
    return OperationResult::success();
}

bool StagingWriter::hasPendingWork() const
{
    QMutexLocker locker(&mutex);
    return !links.isEmpty() || !folders.isEmpty();
}

bool StagingWriter::pendingLink(const QByteArray &placedPath, QByteArray *target) const
{
    QMutexLocker locker(&mutex);
    const auto found = links.constFind(placedPath);
    if (found == links.constEnd())
        return false;
    *target = found->target;
    return true;
}

OperationResult StagingWriter::finish(const LinkCheck &staysInside)
{
    QList<QByteArray> linkPaths;
    {
        QMutexLocker locker(&mutex);
        linkPaths = links.keys();
    }
    // In the archive's order, so a refusal names the same entry every time.
    std::sort(linkPaths.begin(), linkPaths.end(),
              [this](const QByteArray &a, const QByteArray &b) { return links[a].order < links[b].order; });
    for (const QByteArray &path : std::as_const(linkPaths)) {
        QList<QByteArray> folder = path.split('/');
        folder.removeLast();
        const NotedLink &link = links[path];
        if (!staysInside(folder, link.target))
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, link.entry);
    }
    for (const QByteArray &path : std::as_const(linkPaths)) {
        const NotedLink link = links.take(path);
        const QList<QByteArray> components = path.split('/');
        FileDescriptor parent;
        OperationResult result = openParent(link.entry, components, &parent);
        if (!result.succeeded())
            return result;
        if (::symlinkat(link.target.constData(), parent.get(), components.last().constData()) != 0) {
            if (errno == EEXIST)
                return OperationResult::entryFailure(ResultCode::UnsafeEntry, link.entry);
            return OperationResult::systemFailure(ResultCode::CreateFailed,
                                                  displayPath(QString::fromUtf8(path)), errno);
        }
    }

    // Deepest first: a folder made read-only must not stop the work on the folders inside it, and
    // nothing written below a folder afterwards changes its time again.
    QList<QByteArray> folderPaths = folders.keys();
    std::sort(folderPaths.begin(), folderPaths.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.count('/') > b.count('/'); });
    for (const QByteArray &path : std::as_const(folderPaths)) {
        const EntryMetadata metadata = folders.take(path);
        const QList<QByteArray> components = path.split('/');
        FileDescriptor parent;
        OperationResult result = openParent(QString::fromUtf8(path), components, &parent);
        if (!result.succeeded())
            return result;
        const FileDescriptor folder = NoFollow::openFolder(parent.get(), components.last());
        const QString shown = displayPath(QString::fromUtf8(path));
        if (!folder.isValid())
            return OperationResult::systemFailure(ResultCode::WriteFailed, shown, errno);
        if (metadata.permissions != 0 && ::fchmod(folder.get(), metadata.permissions & 0777) != 0)
            return OperationResult::systemFailure(ResultCode::WriteFailed, shown, errno);
        if (metadata.modified >= 0) {
            const timespec when{time_t(metadata.modified), 0};
            const timespec times[2] = {when, when};
            if (::futimens(folder.get(), times) != 0)
                return OperationResult::systemFailure(ResultCode::WriteFailed, shown, errno);
        }
    }
    return OperationResult::success();
}
