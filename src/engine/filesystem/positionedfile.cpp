#include "positionedfile.h"

#include <QDateTime>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

PositionedFile::~PositionedFile()
{
#ifdef Q_OS_UNIX
    if (descriptor >= 0)
        ::close(descriptor);
#endif
}

bool PositionedFile::open(const QString &path, int *errorNumber)
{
#ifdef Q_OS_UNIX
    descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0) {
        *errorNumber = errno;
        return false;
    }
    fileSize = status.st_size;
    modified = status.st_mtime;
    return true;
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *errorNumber = file.exists() ? EACCES : ENOENT;
        return false;
    }
    fileSize = file.size();
    modified = file.fileTime(QFileDevice::FileModificationTime).toSecsSinceEpoch();
    return true;
#endif
}

qint64 PositionedFile::read(char *data, qint64 length, qint64 offset)
{
    qint64 done = 0;
    while (done < length) {
#ifdef Q_OS_UNIX
        const ssize_t got = ::pread(descriptor, data + done, size_t(length - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
#else
        const qint64 got = file.seek(offset + done) ? file.read(data + done, length - done) : -1;
        if (got < 0)
            errno = EIO;
#endif
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}
