#include "treeremover.h"

#include "foldercursor.h"
#include "nofollow.h"

#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace {

// Our own folders may be read-only or closed to us; we own them, so we may open them up.
bool enter(FolderCursor &cursor, const QByteArray &name)
{
    struct stat info;
    if (NoFollow::status(cursor.fd(), name, &info) && S_ISDIR(info.st_mode) &&
        (info.st_mode & S_IRWXU) != S_IRWXU)
        NoFollow::setMode(cursor.fd(), name, (info.st_mode & 07777) | S_IRWXU);
    return cursor.descend(name) == 0;
}

// Removes everything but folders from the current folder and returns the folders' names.
QList<QByteArray> removeAllButFolders(const FolderCursor &cursor, bool *complete)
{
    int error = 0;
    const QList<QByteArray> names = NoFollow::listNames(cursor.fd(), &error);
    if (error != 0)
        *complete = false;
    QList<QByteArray> folders;
    for (const QByteArray &name : names) {
        struct stat info;
        if (!NoFollow::status(cursor.fd(), name, &info))
            continue;
        if (S_ISDIR(info.st_mode))
            folders.append(name);
        else if (::unlinkat(cursor.fd(), name.constData(), 0) != 0)
            *complete = false;
    }
    return folders;
}

} // namespace

namespace TreeRemover {

bool remove(int dirFd, const QByteArray &name)
{
    struct stat info;
    if (!NoFollow::status(dirFd, name, &info))
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return ::unlinkat(dirFd, name.constData(), 0) == 0 || errno == ENOENT;

    FolderCursor cursor(dirFd, false);
    if (!cursor.isValid() || !enter(cursor, name))
        return false;
    bool complete = true;
    // Per level below the start, the folders still to remove: names only, so any depth fits.
    std::vector<QList<QByteArray>> pending;
    pending.push_back(removeAllButFolders(cursor, &complete));
    while (!pending.empty()) {
        QList<QByteArray> &folders = pending.back();
        if (!folders.isEmpty()) {
            const QByteArray child = folders.takeLast();
            if (enter(cursor, child))
                pending.push_back(removeAllButFolders(cursor, &complete));
            else
                complete = false;
            continue;
        }
        pending.pop_back();
        const QByteArray emptied = cursor.nameAt(cursor.depth());
        if (cursor.ascend() != 0)
            return false;
        if (::unlinkat(cursor.fd(), emptied.constData(), AT_REMOVEDIR) != 0)
            complete = false;
    }
    return complete;
}

} // namespace TreeRemover
