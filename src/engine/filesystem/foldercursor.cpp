#include "foldercursor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

FolderCursor::FolderCursor(int rootFd, bool traverseOnly) : traverseOnly(traverseOnly)
{
    Level root;
    root.fd.reset(::openat(rootFd, ".", openFlags()));
    struct stat info;
    if (root.fd.isValid() && ::fstat(root.fd.get(), &info) == 0) {
        root.device = info.st_dev;
        root.inode = info.st_ino;
    }
    levels.push_back(std::move(root));
}

int FolderCursor::openFlags() const
{
    return (traverseOnly ? O_PATH : O_RDONLY) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
}

int FolderCursor::descend(const QByteArray &name)
{
    FileDescriptor child(::openat(fd(), name.constData(), openFlags()));
    struct stat info;
    if (!child.isValid() || ::fstat(child.get(), &info) != 0)
        return errno;
    levels.push_back({name, info.st_dev, info.st_ino, std::move(child)});
    if (levels.size() > openLevels + 1)
        levels.at(levels.size() - 1 - openLevels).fd.reset();
    return 0;
}

int FolderCursor::ascend()
{
    if (levels.size() < 2)
        return EINVAL;
    Level &parent = levels.at(levels.size() - 2);
    if (!parent.fd.isValid()) {
        FileDescriptor reopened(::openat(fd(), "..", openFlags()));
        struct stat info;
        if (!reopened.isValid() || ::fstat(reopened.get(), &info) != 0)
            return errno;
        if (info.st_dev != parent.device || info.st_ino != parent.inode)
            return ESTALE;
        parent.fd = std::move(reopened);
    }
    levels.pop_back();
    return 0;
}
