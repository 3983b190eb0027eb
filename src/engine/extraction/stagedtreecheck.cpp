#include "stagedtreecheck.h"

#include "foldercursor.h"
#include "legacynamedecoder.h"
#include "nofollow.h"
#include "operationcontext.h"
#include "stagedlinkcheck.h"

#include <QHash>
#include <QList>
#include <QPair>

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace {

constexpr mode_t specialBits = S_ISUID | S_ISGID | S_ISVTX;

struct Frame {
    QList<QByteArray> names;
    qsizetype next = 0;
    struct stat info {
    };
    // Something inside was removed: the folder's time is put back when it is left.
    bool changed = false;
    // The mode to put back when the walk had to open the folder up (0: none).
    mode_t restoreMode = 0;
};

// The names of one multiply linked file found so far.
struct LinkCount {
    nlink_t found = 0;
    nlink_t links = 0;
    QString entry;
};

class TreeCheck
{
public:
    // Without links, the walk only counts the names of multiply linked files (see checkHardLinks).
    TreeCheck(OperationContext &context, int rootFd, const StagedLinkCheck *links, const QString &entryPrefix,
              const QString &displayRoot)
        : context(context), cursor(rootFd, false), links(links), entryPrefix(entryPrefix),
          displayRoot(displayRoot)
    {
    }

    // The first file counted with fewer names than links, or success.
    OperationResult fileLinkedOutside() const
    {
        for (const LinkCount &count : linkCounts) {
            if (count.found < count.links)
                return OperationResult::entryFailure(ResultCode::UnsafeEntry, count.entry);
        }
        return OperationResult::success();
    }

    OperationResult run()
    {
        if (!cursor.isValid())
            return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, displayRoot, errno);
        int error = 0;
        frames.push_back({});
        frames.back().names = NoFollow::listNames(cursor.fd(), &error);
        if (error != 0)
            return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
        while (!frames.empty()) {
            if (context.isCancelled())
                return OperationResult::failure(ResultCode::Cancelled);
            Frame &frame = frames.back();
            if (frame.next < frame.names.size()) {
                const QByteArray name = frame.names.at(frame.next++);
                const OperationResult checked = check(name);
                if (!checked.succeeded())
                    return checked;
                continue;
            }
            if (frames.size() == 1)
                break;
            leave(frame);
            frames.pop_back();
            if ((error = cursor.ascend()) != 0)
                return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
        }
        return OperationResult::success();
    }

private:
    OperationResult check(const QByteArray &name)
    {
        struct stat info;
        if (!NoFollow::status(cursor.fd(), name, &info))
            return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, errno);
        if (!links) {
            if (S_ISREG(info.st_mode) && info.st_nlink > 1) {
                LinkCount &count = linkCounts[qMakePair(quint64(info.st_dev), quint64(info.st_ino))];
                if (count.found++ == 0) {
                    count.links = info.st_nlink;
                    count.entry = entryName(name);
                }
            }
            return S_ISDIR(info.st_mode) ? enter(name, info) : OperationResult::success();
        }
        if (S_ISLNK(info.st_mode)) {
            int error = 0;
            const QByteArray target = NoFollow::readLink(cursor.fd(), name, &error);
            if (error != 0)
                return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
            if (!links->staysInside(folderComponents(), target))
                return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryName(name));
            return OperationResult::success();
        }
        if (S_ISREG(info.st_mode)) {
            if ((info.st_mode & specialBits) &&
                NoFollow::setMode(cursor.fd(), name, info.st_mode & 0777) != 0)
                return OperationResult::systemFailure(ResultCode::WriteFailed, displayRoot, errno);
            return OperationResult::success();
        }
        if (!S_ISDIR(info.st_mode)) {
            // Devices, FIFOs and sockets are never extracted, whoever runs the program.
            if (::unlinkat(cursor.fd(), name.constData(), 0) != 0)
                return OperationResult::systemFailure(ResultCode::WriteFailed, displayRoot, errno);
            frames.back().changed = true;
            return OperationResult::success();
        }
        return enter(name, info);
    }

    OperationResult enter(const QByteArray &name, const struct stat &info)
    {
        const mode_t kept = info.st_mode & 0777;
        mode_t restore = 0;
        if (info.st_mode & specialBits || (kept & S_IRWXU) != S_IRWXU) {
            // Opened up to look inside and to remove what must go; given its own mode back on leaving.
            restore = kept;
            if (NoFollow::setMode(cursor.fd(), name, kept | S_IRWXU) != 0)
                return OperationResult::systemFailure(ResultCode::WriteFailed, displayRoot, errno);
        }
        int error = cursor.descend(name);
        if (error != 0)
            return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
        Frame child;
        child.names = NoFollow::listNames(cursor.fd(), &error);
        if (error != 0)
            return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
        child.info = info;
        child.restoreMode = restore;
        frames.push_back(std::move(child));
        return OperationResult::success();
    }

    void leave(const Frame &frame)
    {
        if (frame.changed) {
            const timespec times[2] = {frame.info.st_atim, frame.info.st_mtim};
            ::futimens(cursor.fd(), times);
        }
        if (frame.restoreMode)
            ::fchmod(cursor.fd(), frame.restoreMode);
    }

    QList<QByteArray> folderComponents() const
    {
        QList<QByteArray> components;
        components.reserve(cursor.depth());
        for (int level = 1; level <= cursor.depth(); ++level)
            components.append(cursor.nameAt(level));
        return components;
    }

    QString entryName(const QByteArray &name) const
    {
        QByteArray raw;
        // The census walks the private folder, where the first level is the staged tree's own folder.
        for (int level = links ? 1 : 2; level <= cursor.depth(); ++level)
            raw += cursor.nameAt(level) + '/';
        raw += name;
        const QString decoded = LegacyNameDecoder::decode(raw, {}, context.request().legacyNameLanguage);
        return entryPrefix.isEmpty() ? decoded : entryPrefix + QLatin1Char('/') + decoded;
    }

    OperationContext &context;
    FolderCursor cursor;
    const StagedLinkCheck *links;
    QString entryPrefix;
    QString displayRoot;
    std::vector<Frame> frames;
    QHash<QPair<quint64, quint64>, LinkCount> linkCounts;
};

} // namespace

namespace StagedTreeCheck {

OperationResult run(OperationContext &context, int rootFd, const StagedLinkCheck &links,
                    const QString &entryPrefix, const QString &displayRoot)
{
    return TreeCheck(context, rootFd, &links, entryPrefix, displayRoot).run();
}

OperationResult checkHardLinks(OperationContext &context, int privateFd, const QString &displayRoot)
{
    TreeCheck census(context, privateFd, nullptr, QString(), displayRoot);
    const OperationResult result = census.run();
    return result.succeeded() ? census.fileLinkedOutside() : result;
}

} // namespace StagedTreeCheck
