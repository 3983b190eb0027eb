#include "lhabytes.h"

#include <QDateTime>

namespace {

void appendLe16(QByteArray *out, quint32 value)
{
    out->append(char(value & 0xFF));
    out->append(char((value >> 8) & 0xFF));
}

void appendLe32(QByteArray *out, quint32 value)
{
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

// CRC-16 as LHA computes it (polynomial 0xA001, reflected, starting at 0).
quint16 crc16(const QByteArray &data)
{
    quint16 crc = 0;
    for (const char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

// MS-DOS date and time: the time in the low half, the date in the high half.
quint32 dosTime(qint64 seconds)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QDate date = time.date();
    const QTime clock = time.time();
    const quint32 dosClock =
        quint32(clock.second() / 2) | quint32(clock.minute()) << 5 | quint32(clock.hour()) << 11;
    const quint32 dosDate =
        quint32(date.day()) | quint32(date.month()) << 5 | quint32(date.year() - 1980) << 9;
    return dosClock | dosDate << 16;
}

} // namespace

namespace LhaBytes {

Entry file(const QByteArray &name, const QByteArray &data)
{
    return {name, data, false};
}

Entry folder(const QByteArray &name)
{
    return {name, QByteArray(), true};
}

QByteArray build(const QList<Entry> &entries)
{
    QByteArray archive;
    for (const Entry &entry : entries) {
        QByteArray name = entry.name;
        name.replace('/', '\\');
        // From the method on: what the size byte counts and the checksum byte sums.
        QByteArray header(entry.isFolder ? "-lhd-" : "-lh0-");
        appendLe32(&header, quint32(entry.data.size()));
        appendLe32(&header, quint32(entry.data.size()));
        appendLe32(&header, dosTime(entry.modified));
        header.append(char(entry.isFolder ? 0x10 : 0x20));
        header.append(char(0)); // level 0
        header.append(char(name.size()));
        header.append(name);
        appendLe16(&header, crc16(entry.data));
        quint8 sum = 0;
        for (const char byte : header)
            sum = quint8(sum + quint8(byte));
        archive.append(char(header.size()));
        archive.append(char(sum));
        archive.append(header);
        archive.append(entry.data);
    }
    archive.append('\0');
    return archive;
}

} // namespace LhaBytes
