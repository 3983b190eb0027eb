#include "rarbytes.h"

#include "zipbytes.h"

#include <QDateTime>
#include <QFile>

namespace {

constexpr quint32 typeFile = 0100000;
constexpr quint32 typeFolder = 0040000;
constexpr quint32 typeLink = 0120000;

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

quint32 unixMode(const RarBytes::Entry &entry)
{
    switch (entry.kind) {
    case RarBytes::Kind::Folder:
        return typeFolder | entry.mode;
    case RarBytes::Kind::Link:
        return typeLink | 0777;
    default:
        return typeFile | entry.mode;
    }
}

quint32 dataCrc(const RarBytes::Entry &entry)
{
    return ZipBytes::crc32Of(entry.data);
}

// What an entry's data area holds: encrypted data never matches the checksum of the plain data.
QByteArray storedData(const RarBytes::Entry &entry)
{
    QByteArray data = entry.data;
    if (entry.encrypted) {
        for (char &byte : data)
            byte = char(byte ^ 0x5A);
    }
    return data;
}

// --- RAR 4 ---

constexpr quint8 rar4MainHeader = 0x73;
constexpr quint8 rar4FileHeader = 0x74;
constexpr quint8 rar4EndHeader = 0x7B;
constexpr quint16 rar4LongBlock = 0x8000;
constexpr quint16 rar4Password = 0x0004;
constexpr quint16 rar4Unicode = 0x0200;
constexpr quint16 rar4Folder = 0x00E0;
constexpr quint16 rar4HeadersEncrypted = 0x0080;
constexpr quint8 rar4HostUnix = 3;
constexpr quint8 rar4Stored = 0x30;

// A block: its CRC-32 cut to 16 bits over everything after the checksum itself.
QByteArray rar4Block(quint8 type, quint16 flags, const QByteArray &fields)
{
    QByteArray body;
    body.append(char(type));
    appendLe16(&body, flags);
    appendLe16(&body, quint32(2 + body.size() + 2 + fields.size()));
    body.append(fields);
    QByteArray block;
    appendLe16(&block, ZipBytes::crc32Of(body) & 0xFFFF);
    return block + body;
}

quint32 dosTime(qint64 seconds)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QDate date = time.date();
    const QTime clock = time.time();
    return quint32(clock.second() / 2) | quint32(clock.minute()) << 5 | quint32(clock.hour()) << 11 |
           quint32(date.day()) << 16 | quint32(date.month()) << 21 | quint32(date.year() - 1980) << 25;
}

bool isAscii(const QByteArray &bytes)
{
    for (const char byte : bytes) {
        if (byte & 0x80)
            return false;
    }
    return true;
}

// RAR's Unicode name: an ASCII stand-in, a NUL, then the UTF-16 units, each written whole (two
// bytes, low first) under flag bytes that say so four units at a time.
QByteArray rar4UnicodeName(const QByteArray &utf8)
{
    const QString name = QString::fromUtf8(utf8);
    QByteArray field;
    for (const QChar character : name)
        field.append(character.unicode() < 0x80 ? char(character.unicode()) : '_');
    field.append('\0');
    field.append('\0'); // the high byte the one-byte forms would use
    for (qsizetype start = 0; start < name.size(); start += 4) {
        const qsizetype count = std::min<qsizetype>(4, name.size() - start);
        quint8 flags = 0;
        for (qsizetype slot = 0; slot < count; ++slot)
            flags |= quint8(2 << (6 - 2 * slot));
        field.append(char(flags));
        for (qsizetype slot = 0; slot < count; ++slot)
            appendLe16(&field, name.at(start + slot).unicode());
    }
    return field;
}

QByteArray rar4Entry(const RarBytes::Entry &entry)
{
    const bool folder = entry.kind == RarBytes::Kind::Folder;
    const QByteArray data = folder ? QByteArray() : storedData(entry);
    quint16 flags = rar4LongBlock;
    QByteArray name = entry.name;
    if (!entry.rawName && !isAscii(name)) {
        name = rar4UnicodeName(entry.name);
        flags |= rar4Unicode;
    }
    if (folder)
        flags |= rar4Folder;
    if (entry.encrypted)
        flags |= rar4Password;

    QByteArray fields;
    appendLe32(&fields, quint32(data.size()));
    appendLe32(&fields, quint32(data.size()));
    fields.append(char(rar4HostUnix));
    appendLe32(&fields, folder ? 0 : dataCrc(entry));
    appendLe32(&fields, dosTime(entry.modified));
    fields.append(char(29));
    fields.append(char(rar4Stored));
    appendLe16(&fields, quint32(name.size()));
    appendLe32(&fields, unixMode(entry));
    fields.append(name);
    return rar4Block(rar4FileHeader, flags, fields) + data;
}

// --- RAR 5 ---

constexpr quint64 rar5Main = 1;
constexpr quint64 rar5File = 2;
constexpr quint64 rar5Encryption = 4;
constexpr quint64 rar5End = 5;
constexpr quint64 rar5HasExtra = 0x01;
constexpr quint64 rar5HasData = 0x02;
constexpr quint64 rar5FileIsFolder = 0x01;
constexpr quint64 rar5FileHasTime = 0x02;
constexpr quint64 rar5FileHasCrc = 0x04;
constexpr quint64 rar5HostUnix = 1;
constexpr quint64 rar5ExtraEncryption = 0x01;
constexpr quint64 rar5ExtraRedirection = 0x05;
constexpr quint64 rar5RedirectUnixLink = 1;
constexpr quint64 rar5RedirectHardLink = 4;

// Variable-length integer: seven bits a byte, lowest first, the top bit saying more follow.
QByteArray vint(quint64 value)
{
    QByteArray bytes;
    do {
        quint8 byte = value & 0x7F;
        value >>= 7;
        if (value)
            byte |= 0x80;
        bytes.append(char(byte));
    } while (value);
    return bytes;
}

// A header: CRC-32 of its size field and body, the size, the body (type, flags, the optional extra
// and data sizes, the fields, the extra area).
QByteArray rar5Header(quint64 type, quint64 flags, const QByteArray &fields, const QByteArray &extra = {},
                      qint64 dataSize = -1)
{
    QByteArray body =
        vint(type) + vint(flags | (extra.isEmpty() ? 0 : rar5HasExtra) | (dataSize >= 0 ? rar5HasData : 0));
    if (!extra.isEmpty())
        body += vint(quint64(extra.size()));
    if (dataSize >= 0)
        body += vint(quint64(dataSize));
    body += fields + extra;
    const QByteArray sized = vint(quint64(body.size())) + body;
    QByteArray header;
    appendLe32(&header, ZipBytes::crc32Of(sized));
    return header + sized;
}

QByteArray rar5Record(quint64 type, const QByteArray &data)
{
    const QByteArray typed = vint(type) + data;
    return vint(quint64(typed.size())) + typed;
}

QByteArray rar5Entry(const RarBytes::Entry &entry)
{
    const bool folder = entry.kind == RarBytes::Kind::Folder;
    const bool redirected = entry.kind == RarBytes::Kind::Link || entry.kind == RarBytes::Kind::HardLink;
    const QByteArray data = folder || redirected ? QByteArray() : storedData(entry);

    QByteArray extra;
    if (redirected) {
        const quint64 kind = entry.kind == RarBytes::Kind::Link ? rar5RedirectUnixLink : rar5RedirectHardLink;
        extra += rar5Record(rar5ExtraRedirection,
                            vint(kind) + vint(0) + vint(quint64(entry.data.size())) + entry.data);
    }
    if (entry.encrypted) {
        // Version 0 (AES-256), a password check value, KDF count, salt, IV, check value.
        extra += rar5Record(rar5ExtraEncryption, vint(0) + vint(0x01) + char(15) + QByteArray(16, 's') +
                                                     QByteArray(16, 'i') + QByteArray(12, 'c'));
    }

    QByteArray fields = vint(rar5FileHasTime | (folder ? rar5FileIsFolder : rar5FileHasCrc));
    fields += vint(quint64(data.size()));
    fields += vint(unixMode(entry));
    appendLe32(&fields, quint32(entry.modified));
    if (!folder)
        appendLe32(&fields, dataCrc(entry));
    fields += vint(0); // stored, format version 0
    fields += vint(rar5HostUnix);
    fields += vint(quint64(entry.name.size())) + entry.name;
    return rar5Header(rar5File, 0, fields, extra, data.size()) + data;
}

} // namespace

namespace RarBytes {

Entry file(const QByteArray &name, const QByteArray &data)
{
    Entry entry;
    entry.name = name;
    entry.data = data;
    return entry;
}

Entry folder(const QByteArray &name)
{
    Entry entry;
    entry.name = name;
    entry.kind = Kind::Folder;
    entry.mode = 0755;
    return entry;
}

Entry symlink(const QByteArray &name, const QByteArray &target)
{
    Entry entry;
    entry.name = name;
    entry.kind = Kind::Link;
    entry.data = target;
    entry.mode = 0777;
    return entry;
}

Entry hardlink(const QByteArray &name, const QByteArray &target)
{
    Entry entry;
    entry.name = name;
    entry.kind = Kind::HardLink;
    entry.data = target;
    return entry;
}

QByteArray rar4(const QList<Entry> &entries, bool encryptedHeaders)
{
    QByteArray archive("Rar!\x1A\x07\x00", 7);
    archive += rar4Block(rar4MainHeader, encryptedHeaders ? rar4HeadersEncrypted : 0, QByteArray(6, '\0'));
    for (const Entry &entry : entries)
        archive += rar4Entry(entry);
    archive += rar4Block(rar4EndHeader, 0x4000, {});
    return archive;
}

QByteArray rar5(const QList<Entry> &entries, bool encryptedHeaders)
{
    QByteArray archive("Rar!\x1A\x07\x01\x00", 8);
    if (encryptedHeaders) {
        // Version 0, a password check value, KDF count, salt, check value.
        archive += rar5Header(rar5Encryption, 0,
                              vint(0) + vint(0x01) + char(15) + QByteArray(16, 's') + QByteArray(12, 'c'));
    }
    archive += rar5Header(rar5Main, 0, vint(0));
    for (const Entry &entry : entries)
        archive += rar5Entry(entry);
    archive += rar5Header(rar5End, 0, vint(0));
    return archive;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace RarBytes
