#include "nofollow.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>

namespace {

bool notSupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

int renameNoReplace(int fromDir, const QByteArray &from, int toDir, const QByteArray &to)
{
    if (::renameat2(fromDir, from.constData(), toDir, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (!notSupported(errno))
        return errno;
    // Without RENAME_NOREPLACE the new name is claimed first, by a hard link for files and links or by
    // an empty folder of our own for folders, so nothing that appears there meanwhile is replaced.
    struct stat info;
    if (!NoFollow::status(fromDir, from, &info))
        return errno;
    if (S_ISDIR(info.st_mode)) {
        if (::mkdirat(toDir, to.constData(), 0700) != 0)
            return errno;
        if (::renameat(fromDir, from.constData(), toDir, to.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlinkat(toDir, to.constData(), AT_REMOVEDIR);
        return error;
    }
    if (::linkat(fromDir, from.constData(), toDir, to.constData(), 0) != 0)
        return errno;
    if (::unlinkat(fromDir, from.constData(), 0) != 0) {
        const int error = errno;
        ::unlinkat(toDir, to.constData(), 0);
        return error;
    }
    return 0;
}

// A folder that moves to another parent must be writable itself (its ".." entry changes); a read-only
// one is made writable for the move only. Returns the mode to restore, or 0 when nothing changed.
mode_t makeMovable(int dirFd, const QByteArray &name)
{
    struct stat info;
    if (!NoFollow::status(dirFd, name, &info) || !S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR))
        return 0;
    const mode_t original = info.st_mode & 07777;
    return NoFollow::setMode(dirFd, name, original | S_IWUSR) == 0 ? original : 0;
}

} // namespace

namespace NoFollow {

FileDescriptor openFolder(int dirFd, const QByteArray &name, bool traverseOnly)
{
    const int access = traverseOnly ? O_PATH : O_RDONLY;
    return FileDescriptor(::openat(dirFd, name.constData(), access | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool status(int dirFd, const QByteArray &name, struct stat *info)
{
    return ::fstatat(dirFd, name.constData(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

Kind kindOf(const struct stat &info)
{
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (S_ISLNK(info.st_mode))
        return Kind::Link;
    return Kind::Other;
}

QList<QByteArray> listNames(int folderFd, int *error)
{
    QList<QByteArray> names;
    *error = 0;
    // The stream takes over a descriptor of its own, so the caller's stays open and positioned.
    const int own = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *stream = own < 0 ? nullptr : ::fdopendir(own);
    if (!stream) {
        *error = errno;
        if (own >= 0)
            ::close(own);
        return names;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(stream)) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))))
            names.append(QByteArray(name));
        errno = 0;
    }
    *error = errno;
    ::closedir(stream);
    return names;
}

bool isEmptyFolder(int dirFd, const QByteArray &name)
{
    const FileDescriptor folder = openFolder(dirFd, name);
    if (!folder.isValid())
        return false;
    int error = 0;
    const QList<QByteArray> names = listNames(folder.get(), &error);
    return error == 0 && names.isEmpty();
}

QByteArray readLink(int dirFd, const QByteArray &name, int *error)
{
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlinkat(dirFd, name.constData(), target.data(), size_t(target.size()));
    *error = length < 0 ? errno : 0;
    target.truncate(length < 0 ? 0 : qsizetype(length));
    return target;
}

int setMode(int dirFd, const QByteArray &name, mode_t mode)
{
    return ::fchmodat(dirFd, name.constData(), mode, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int move(int fromDir, const QByteArray &from, int toDir, const QByteArray &to)
{
    int error = renameNoReplace(fromDir, from, toDir, to);
    if (error != EACCES)
        return error;
    const mode_t restore = makeMovable(fromDir, from);
    if (!restore)
        return error;
    error = renameNoReplace(fromDir, from, toDir, to);
    if (error == 0)
        setMode(toDir, to, restore);
    else
        setMode(fromDir, from, restore);
    return error;
}

int exchange(int firstDir, const QByteArray &first, int secondDir, const QByteArray &second)
{
    const auto swap = [&] {
        return ::renameat2(firstDir, first.constData(), secondDir, second.constData(), RENAME_EXCHANGE) == 0
                   ? 0
                   : errno;
    };
    int error = swap();
    if (error != EACCES)
        return error;
    const mode_t restoreFirst = makeMovable(firstDir, first);
    const mode_t restoreSecond = makeMovable(secondDir, second);
    if (!restoreFirst && !restoreSecond)
        return error;
    error = swap();
    // After a swap each item sits under the other's name.
    if (restoreFirst)
        setMode(error == 0 ? secondDir : firstDir, error == 0 ? second : first, restoreFirst);
    if (restoreSecond)
        setMode(error == 0 ? firstDir : secondDir, error == 0 ? first : second, restoreSecond);
    return error;
}

Kind lookup(int rootFd, const QList<QByteArray> &components, QByteArray *linkTarget)
{
    if (components.isEmpty())
        return Kind::Folder;
    FileDescriptor current;
    int dirFd = rootFd;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        FileDescriptor next = openFolder(dirFd, components.at(i), true);
        if (!next.isValid())
            return Kind::Missing;
        current = std::move(next);
        dirFd = current.get();
    }
    struct stat info;
    if (!status(dirFd, components.last(), &info))
        return Kind::Missing;
    const Kind kind = kindOf(info);
    if (kind == Kind::Link) {
        int error = 0;
        *linkTarget = readLink(dirFd, components.last(), &error);
        if (error != 0)
            return Kind::Missing;
    }
    return kind;
}

} // namespace NoFollow
