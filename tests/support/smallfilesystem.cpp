#include "smallfilesystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

SmallFileSystem::SmallFileSystem(const QString &path, const char *size) : mountPoint(path)
{
    QDir().mkpath(path);
    const QByteArray options = QByteArray("size=") + size;
    if (::mount("kelvane-test", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) == 0)
        mounted = true;
    else
        failure = QString::fromLocal8Bit(std::strerror(errno));
}

SmallFileSystem::~SmallFileSystem()
{
    if (mounted)
        ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
}
