#include "readposition.h"

#include <QByteArray>
#include <QFile>

namespace ReadPosition {

qint64 of(qint64 pid, int fd)
{
    if (!isAvailable() || pid <= 0)
        return -1;
    QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
    if (!info.open(QIODevice::ReadOnly))
        return -1;
    // The first line reads "pos:" followed by blanks and the offset.
    const QByteArray line = info.readLine(256);
    static constexpr QByteArrayView label("pos:");
    if (!line.startsWith(label))
        return -1;
    bool ok = false;
    const qint64 position = line.mid(label.size()).trimmed().toLongLong(&ok);
    return ok ? position : -1;
}

} // namespace ReadPosition
