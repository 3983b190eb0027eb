#include "stagedselection.h"

#include "extractionselection.h"
#include "extractiontarget.h"
#include "foldercursor.h"
#include "legacynamedecoder.h"
#include "nofollow.h"

#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace {

struct Frame {
    QList<QByteArray> names;
    qsizetype next = 0;
    // The folder's archive name as stored, and its checked text form.
    QByteArray rawPath;
    QString entryPath;
    bool insideSelected = false;
    // A selected folder the walk entered to find selected names below it: it moves once left.
    bool moveWhenLeft = false;
    struct stat info {
    };
};

struct MadeFolder {
    QList<QByteArray> components;
    struct stat original;
};

class SelectionWalk
{
public:
    SelectionWalk(const ExtractionSelection &selection, int unpackedFd, int selectedFd,
                  LegacyNameLanguage language, const QString &displayRoot)
        : selection(selection), cursor(unpackedFd, false), selectedFd(selectedFd), language(language),
          displayRoot(displayRoot),
          commonDepth(selection.commonFolder().isEmpty()
                          ? 0
                          : int(selection.commonFolder().count(QLatin1Char('/'))) + 1)
    {
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
            Frame &frame = frames.back();
            if (frame.next == frame.names.size()) {
                const bool moveIt = frame.moveWhenLeft;
                frames.pop_back();
                if (frames.empty())
                    break;
                const QByteArray name = cursor.nameAt(cursor.depth());
                if ((error = cursor.ascend()) != 0)
                    return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
                if (moveIt) {
                    const OperationResult moved = moveSelected(name);
                    if (!moved.succeeded())
                        return moved;
                }
                continue;
            }
            const QByteArray name = frame.names.at(frame.next++);
            const OperationResult visited = visit(name);
            if (!visited.succeeded())
                return visited;
        }
        return applyFolderMetadata();
    }

private:
    OperationResult visit(const QByteArray &name)
    {
        const Frame &parent = frames.back();
        const QByteArray rawPath = parent.rawPath.isEmpty() ? name : parent.rawPath + '/' + name;
        QString entryPath;
        // A name no entry could have (it climbs out, say) is never selected; the check of the placed
        // tree deals with whatever it is.
        if (!ExtractionTarget::checkEntryName(LegacyNameDecoder::decode(rawPath, {}, language), &entryPath)
                 .succeeded())
            return OperationResult::success();
        QString placed;
        const bool selected = selection.place(entryPath, &placed);
        const bool movesHere = selected && !parent.insideSelected;
        struct stat info;
        if (!NoFollow::status(cursor.fd(), name, &info))
            return OperationResult::success();
        if (S_ISDIR(info.st_mode) && selection.holdsSelectedBelow(entryPath)) {
            if ((info.st_mode & S_IRWXU) != S_IRWXU)
                NoFollow::setMode(cursor.fd(), name, (info.st_mode & 07777) | S_IRWXU);
            int error = cursor.descend(name);
            if (error != 0)
                return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
            Frame child;
            child.names = NoFollow::listNames(cursor.fd(), &error);
            if (error != 0)
                return OperationResult::systemFailure(ResultCode::ReadFailed, displayRoot, error);
            child.rawPath = rawPath;
            child.entryPath = entryPath;
            child.insideSelected = parent.insideSelected || selected;
            child.moveWhenLeft = movesHere;
            child.info = info;
            frames.push_back(std::move(child));
            return OperationResult::success();
        }
        return movesHere ? moveSelected(name) : OperationResult::success();
    }

    // Moves name (in the cursor's folder) to the same place below the common folder in the selected
    // tree, making the folders between.
    OperationResult moveSelected(const QByteArray &name)
    {
        const int depth = cursor.depth();
        if (depth < commonDepth)
            return OperationResult::success();
        FileDescriptor parent(::fcntl(selectedFd, F_DUPFD_CLOEXEC, 0));
        QList<QByteArray> made;
        for (int level = commonDepth + 1; level <= depth; ++level) {
            const QByteArray &component = cursor.nameAt(level);
            made.append(component);
            if (::mkdirat(parent.get(), component.constData(), 0700) == 0)
                madeFolders.push_back({made, frames.at(size_t(level)).info});
            else if (errno != EEXIST)
                return OperationResult::systemFailure(ResultCode::CreateFailed, displayRoot, errno);
            parent = NoFollow::openFolder(parent.get(), component, true);
            if (!parent.isValid())
                return OperationResult::systemFailure(ResultCode::CreateFailed, displayRoot, errno);
        }
        const int error = NoFollow::move(cursor.fd(), name, parent.get(), name);
        if (error != 0)
            return OperationResult::systemFailure(ResultCode::CreateFailed, displayRoot, error);
        return OperationResult::success();
    }

    // Deepest first, after every move: moving into a folder changes its time.
    OperationResult applyFolderMetadata()
    {
        for (auto made = madeFolders.rbegin(); made != madeFolders.rend(); ++made) {
            FileDescriptor folder(::fcntl(selectedFd, F_DUPFD_CLOEXEC, 0));
            for (const QByteArray &component : std::as_const(made->components)) {
                folder = NoFollow::openFolder(folder.get(), component);
                if (!folder.isValid())
                    return OperationResult::systemFailure(ResultCode::WriteFailed, displayRoot, errno);
            }
            const timespec times[2] = {made->original.st_atim, made->original.st_mtim};
            if (::fchmod(folder.get(), made->original.st_mode & 0777) != 0 ||
                ::futimens(folder.get(), times) != 0)
                return OperationResult::systemFailure(ResultCode::WriteFailed, displayRoot, errno);
        }
        return OperationResult::success();
    }

    const ExtractionSelection &selection;
    FolderCursor cursor;
    int selectedFd;
    LegacyNameLanguage language;
    QString displayRoot;
    int commonDepth;
    std::vector<Frame> frames;
    std::vector<MadeFolder> madeFolders;
};

} // namespace

namespace StagedSelection {

OperationResult apply(const ExtractionSelection &selection, int unpackedFd, int selectedFd,
                      LegacyNameLanguage language, const QString &displayRoot)
{
    return SelectionWalk(selection, unpackedFd, selectedFd, language, displayRoot).run();
}

} // namespace StagedSelection
