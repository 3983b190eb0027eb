#include "deeptree.h"

#include "foldercursor.h"
#include "nofollow.h"
#include "treeremover.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int openFolder(int dirFd, const char *name)
{
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

} // namespace

namespace DeepTree {

int build(const QString &root, const QByteArray &name, int depth)
{
    int current = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < depth && current >= 0; ++level) {
        const int next =
            ::mkdirat(current, name.constData(), 0755) == 0 ? openFolder(current, name.constData()) : -1;
        ::close(current);
        current = next;
    }
    return current;
}

int follow(const QString &root, const QByteArray &name, int *bottom)
{
    int current = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int levels = 0;
    for (int next = openFolder(current, name.constData()); next >= 0;
         next = openFolder(current, name.constData())) {
        ::close(current);
        current = next;
        ++levels;
    }
    *bottom = current;
    return levels;
}

bool walk(const QString &root, const Visitor &visit)
{
    const int rootFd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        return false;
    FolderCursor cursor(rootFd, false);
    ::close(rootFd);
    int error = 0;
    // Per level, the names still to visit: names only, so any depth fits.
    std::vector<QList<QByteArray>> pending{NoFollow::listNames(cursor.fd(), &error)};
    bool complete = error == 0;
    while (!pending.empty()) {
        if (pending.back().isEmpty()) {
            pending.pop_back();
            if (!pending.empty() && cursor.ascend() != 0)
                return false;
            continue;
        }
        const QByteArray name = pending.back().takeFirst();
        struct stat info;
        if (!NoFollow::status(cursor.fd(), name, &info)) {
            complete = false;
            continue;
        }
        QByteArray target;
        if (S_ISLNK(info.st_mode))
            target = NoFollow::readLink(cursor.fd(), name, &error);
        visit(cursor.depth(), name, info, target);
        if (S_ISDIR(info.st_mode) && cursor.descend(name) == 0) {
            pending.push_back(NoFollow::listNames(cursor.fd(), &error));
            complete = complete && error == 0;
        }
    }
    return complete;
}

bool remove(const QString &root)
{
    const QFileInfo info(root);
    const int parent = ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return false;
    const bool removed = TreeRemover::remove(parent, QFile::encodeName(info.fileName()));
    ::close(parent);
    return removed;
}

} // namespace DeepTree
