#include "deeptree.h"

#include "treeremover.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
