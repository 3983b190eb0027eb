#include "treecommit.h"

#include "keepbothname.h"
#include "legacynamedecoder.h"
#include "nofollow.h"
#include "operationcontext.h"

#include <QDateTime>
#include <QTimeZone>

#include <cerrno>
#include <fcntl.h>

namespace {

// How often the item being placed is named: building its text costs as much as its depth.
constexpr qint64 progressIntervalMs = 50;
// "keep both" gives up after this many taken names rather than trying forever.
constexpr int keepBothAttempts = 10000;
const QByteArray asideName = QByteArrayLiteral("aside");

bool cannotExchange(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

TreeCommit::TreeCommit(OperationContext &context, const Places &places)
    : context(context), places(places), staged(places.stagedRoot, false),
      destination(places.destinationRoot, true)
{
    Node root;
    nodes.push_back(root);
    nodePath.push_back(0);
}

OperationResult TreeCommit::run()
{
    if (!staged.isValid() || !destination.isValid())
        return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, places.destinationPath, errno);
    int error = 0;
    std::vector<Frame> frames(1);
    frames.back().names = NoFollow::listNames(staged.fd(), &error);
    if (error != 0)
        return OperationResult::systemFailure(ResultCode::ReadFailed, places.destinationPath, error);
    OperationResult result;
    while (result.succeeded() && !frames.empty()) {
        Frame &frame = frames.back();
        if (frame.next == frame.names.size()) {
            frames.pop_back();
            if (!frames.empty() && !ascendBoth())
                result =
                    OperationResult::systemFailure(ResultCode::CreateFailed, places.destinationPath, errno);
            continue;
        }
        const QByteArray name = frame.names.at(frame.next++);
        if (context.isCancelled()) {
            result = OperationResult::failure(ResultCode::Cancelled);
            break;
        }
        reportProgress(name);
        result = place(name, &frames);
    }
    if (!result.succeeded()) {
        rollBack();
        return result;
    }
    journal.clear();
    return result;
}

OperationResult TreeCommit::place(const QByteArray &name, std::vector<Frame> *frames)
{
    struct stat incoming;
    if (!NoFollow::status(staged.fd(), name, &incoming))
        return OperationResult::systemFailure(ResultCode::ReadFailed, pathText(name), errno);
    // Only an archive that guessed the random name could bring it; it must never reach our own folder.
    if (staged.depth() == 0 && name == places.privateName)
        return OperationResult::entryFailure(ResultCode::UnsafeEntry, entryText(name));
    struct stat existing;
    if (!NoFollow::status(destination.fd(), name, &existing)) {
        if (errno != ENOENT)
            return moveFailure(name, errno);
        const int error = NoFollow::move(staged.fd(), name, destination.fd(), name);
        if (error == 0) {
            journal.push_back({MoveKind::MovedIn, nodePath.back(), name, name});
            return OperationResult::success();
        }
        // Something took the name meanwhile: it is a clash like any other.
        if (error != EEXIST || !NoFollow::status(destination.fd(), name, &existing))
            return moveFailure(name, error);
    }
    if (S_ISDIR(incoming.st_mode) && S_ISDIR(existing.st_mode))
        return merge(name, incoming, frames);
    return resolveClash(name, incoming, existing);
}

OperationResult TreeCommit::merge(const QByteArray &name, const struct stat &incoming,
                                  std::vector<Frame> *frames)
{
    // The staged folder is emptied into the existing one and then discarded: open it up if the
    // archive made it read-only.
    if ((incoming.st_mode & S_IRWXU) != S_IRWXU)
        NoFollow::setMode(staged.fd(), name, (incoming.st_mode & 07777) | S_IRWXU);
    if (!descendBoth(name))
        return moveFailure(name, errno);
    Node node;
    node.parent = nodePath.back();
    node.depth = int(nodePath.size());
    node.name = name;
    struct stat existing;
    if (::fstat(destination.fd(), &existing) == 0) {
        node.times[0] = existing.st_atim;
        node.times[1] = existing.st_mtim;
    }
    nodes.push_back(node);
    nodePath.push_back(int(nodes.size()) - 1);
    int error = 0;
    Frame frame;
    frame.names = NoFollow::listNames(staged.fd(), &error);
    if (error != 0)
        return OperationResult::systemFailure(ResultCode::ReadFailed, pathText({}), error);
    frames->push_back(std::move(frame));
    return OperationResult::success();
}

OperationResult TreeCommit::resolveClash(const QByteArray &name, const struct stat &incoming,
                                         const struct stat &existing)
{
    ReplaceQuestion question;
    question.existingPath = pathText(name);
    question.existing = describe(existing);
    question.entry = entryText(name);
    question.incoming = describe(incoming);
    question.canReplace = !S_ISDIR(existing.st_mode) || NoFollow::isEmptyFolder(destination.fd(), name);
    context.setCurrentEntry(question.entry);
    ReplaceChoice choice = context.resolveReplace(question).choice;
    if (choice == ReplaceChoice::Replace && !question.canReplace)
        choice = ReplaceChoice::KeepBoth;
    switch (choice) {
    case ReplaceChoice::Replace:
        return replace(name);
    case ReplaceChoice::Skip:
        return OperationResult::success();
    case ReplaceChoice::KeepBoth:
        return keepBoth(name, S_ISDIR(incoming.st_mode));
    case ReplaceChoice::Cancel:
        break;
    }
    return context.replaceDeclined(question.existingPath);
}

OperationResult TreeCommit::replace(const QByteArray &name)
{
    // One atomic swap puts the old item into staging, where an undo finds it.
    int error = NoFollow::exchange(staged.fd(), name, destination.fd(), name);
    if (error == 0) {
        journal.push_back({MoveKind::Exchanged, nodePath.back(), name, name});
        return OperationResult::success();
    }
    if (!cannotExchange(error))
        return moveFailure(name, error);
    if (!openAside())
        return OperationResult::systemFailure(ResultCode::TemporaryFileFailed, places.destinationPath, errno);
    const QByteArray kept = QByteArray::number(++asideCount);
    if ((error = NoFollow::move(destination.fd(), name, aside.get(), kept)) != 0)
        return moveFailure(name, error);
    journal.push_back({MoveKind::MovedAside, nodePath.back(), name, kept});
    if ((error = NoFollow::move(staged.fd(), name, destination.fd(), name)) != 0)
        return moveFailure(name, error);
    journal.push_back({MoveKind::MovedIn, nodePath.back(), name, name});
    return OperationResult::success();
}

OperationResult TreeCommit::keepBoth(const QByteArray &name, bool isFolder)
{
    for (int number = 2; number < keepBothAttempts; ++number) {
        const QByteArray candidate = KeepBothName::candidate(name, number, isFolder);
        struct stat info;
        // A name the staged tree brings itself is left for that item.
        if (NoFollow::status(staged.fd(), candidate, &info))
            continue;
        const int error = NoFollow::move(staged.fd(), name, destination.fd(), candidate);
        if (error == 0) {
            journal.push_back({MoveKind::MovedIn, nodePath.back(), name, candidate});
            return OperationResult::success();
        }
        if (error != EEXIST)
            return moveFailure(candidate, error);
    }
    return OperationResult::pathFailure(ResultCode::DestinationExists, pathText(name));
}

bool TreeCommit::openAside()
{
    if (aside.isValid())
        return true;
    if (::mkdirat(places.privateFolder, asideName.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    aside = NoFollow::openFolder(places.privateFolder, asideName, true);
    return aside.isValid();
}

bool TreeCommit::descendBoth(const QByteArray &name)
{
    int error = staged.descend(name);
    if (error == 0 && (error = destination.descend(name)) != 0)
        staged.ascend();
    errno = error;
    return error == 0;
}

bool TreeCommit::ascendBoth()
{
    int error = staged.ascend();
    if (error == 0)
        error = destination.ascend();
    if (error == 0)
        nodePath.pop_back();
    errno = error;
    return error == 0;
}

bool TreeCommit::navigateTo(int node)
{
    // Up to the nearest ancestor the cursors stand in, then down along the node's own path.
    std::vector<int> down;
    int common = node;
    while (!(size_t(nodes.at(size_t(common)).depth) < nodePath.size() &&
             nodePath.at(size_t(nodes.at(size_t(common)).depth)) == common)) {
        down.push_back(common);
        common = nodes.at(size_t(common)).parent;
    }
    while (nodePath.size() > size_t(nodes.at(size_t(common)).depth) + 1) {
        if (!ascendBoth())
            return false;
    }
    for (auto step = down.rbegin(); step != down.rend(); ++step) {
        if (!descendBoth(nodes.at(size_t(*step)).name))
            return false;
        nodePath.push_back(*step);
    }
    return true;
}

void TreeCommit::undo(const Move &move)
{
    switch (move.kind) {
    case MoveKind::MovedIn:
        NoFollow::move(destination.fd(), move.other, staged.fd(), move.name);
        break;
    case MoveKind::Exchanged:
        NoFollow::exchange(staged.fd(), move.name, destination.fd(), move.name);
        break;
    case MoveKind::MovedAside:
        NoFollow::move(aside.get(), move.other, destination.fd(), move.name);
        break;
    }
}

void TreeCommit::rollBack()
{
    // Best effort to the end: an undo that fails must not keep the others from running.
    for (auto move = journal.rbegin(); move != journal.rend(); ++move) {
        if (navigateTo(move->node))
            undo(*move);
    }
    journal.clear();
    // Moving items in and out changed the times of the folders merged into.
    for (size_t node = nodes.size() - 1; node > 0; --node) {
        if (navigateTo(nodes.at(node).parent)) {
            ::utimensat(destination.fd(), nodes.at(node).name.constData(), nodes.at(node).times,
                        AT_SYMLINK_NOFOLLOW);
        }
    }
    nodes.resize(1);
    navigateTo(0);
}

void TreeCommit::reportProgress(const QByteArray &name)
{
    if (sinceProgress.isValid() && sinceProgress.elapsed() < progressIntervalMs)
        return;
    sinceProgress.start();
    context.setCurrentEntry(entryText(name));
    context.publish();
}

QByteArray TreeCommit::relativeRaw(const QByteArray &name) const
{
    QByteArray raw;
    for (int level = 1; level <= staged.depth(); ++level)
        raw += staged.nameAt(level) + '/';
    raw += name;
    if (raw.endsWith('/'))
        raw.chop(1);
    return raw;
}

QString TreeCommit::entryText(const QByteArray &name) const
{
    const QString relative = LegacyNameDecoder::decode(relativeRaw(name), {}, places.language);
    return places.entryPrefix.isEmpty() ? relative : places.entryPrefix + QLatin1Char('/') + relative;
}

QString TreeCommit::pathText(const QByteArray &name) const
{
    const QByteArray raw = relativeRaw(name);
    if (raw.isEmpty())
        return places.destinationPath;
    return places.destinationPath + QLatin1Char('/') + LegacyNameDecoder::decode(raw, {}, places.language);
}

ItemDescription TreeCommit::describe(const struct stat &info) const
{
    ItemDescription description;
    description.isFolder = S_ISDIR(info.st_mode);
    description.isLink = S_ISLNK(info.st_mode);
    description.size = S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
    description.modified = QDateTime::fromMSecsSinceEpoch(
        qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, QTimeZone::utc());
    return description;
}

OperationResult TreeCommit::moveFailure(const QByteArray &name, int error) const
{
    return OperationResult::systemFailure(ResultCode::CreateFailed, pathText(name), error);
}
