#include "linktarget.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <limits.h>
#include <unistd.h>
#endif

namespace LinkTarget {

QByteArray read(const QString &path)
{
#ifdef Q_OS_UNIX
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length =
        ::readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return length < 0 ? QByteArray() : target.left(length);
#else
    // Windows reports the target resolved to an absolute path; that is the best it offers.
    return QFile::encodeName(QFileInfo(path).symLinkTarget());
#endif
}

} // namespace LinkTarget
