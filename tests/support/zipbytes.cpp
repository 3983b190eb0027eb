#include "zipbytes.h"

#include "deflatestream.h"

#include <QFile>

#include <zlib.h>

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

void appendLe64(QByteArray *out, quint64 value)
{
    appendLe32(out, quint32(value & 0xFFFFFFFF));
    appendLe32(out, quint32(value >> 32));
}

} // namespace

namespace ZipBytes {

Entry unixFile(const QByteArray &name, const QByteArray &data)
{
    Entry entry;
    entry.name = name;
    entry.data = data;
    entry.hostSystem = hostUnix;
    entry.unixMode = 0100644;
    return entry;
}

Entry unixFolder(const QByteArray &name)
{
    Entry entry;
    entry.name = name.endsWith('/') ? name : name + '/';
    entry.hostSystem = hostUnix;
    entry.unixMode = 040755;
    return entry;
}

Entry unixLink(const QByteArray &name, const QByteArray &target)
{
    Entry entry;
    entry.name = name;
    entry.data = target;
    entry.hostSystem = hostUnix;
    entry.unixMode = 0120777;
    return entry;
}

QByteArray rawDeflate(const QByteArray &data)
{
    return DeflateStream::compress(data, -15);
}

quint32 crc32Of(const QByteArray &data)
{
    return quint32(crc32(0L, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

QByteArray unicodePathField(const QString &name, quint32 nameCrc)
{
    const QByteArray utf8 = name.toUtf8();
    QByteArray field;
    appendLe16(&field, 0x7075);
    appendLe16(&field, quint32(5 + utf8.size()));
    field.append(char(1));
    appendLe32(&field, nameCrc);
    field.append(utf8);
    return field;
}

QByteArray build(const QList<Entry> &entries)
{
    QByteArray archive;
    QByteArray central;
    for (const Entry &entry : entries) {
        const quint32 crc = crc32Of(entry.data) ^ (entry.wrongCrc ? 0x5A5A5A5Au : 0u);
        const QByteArray &stored = entry.method == 0 ? entry.data : entry.compressedData;
        const quint32 offset = quint32(archive.size());
        appendLe32(&archive, 0x04034b50);
        appendLe16(&archive, 20);
        appendLe16(&archive, entry.flags);
        appendLe16(&archive, entry.method);
        appendLe16(&archive, 0); // time
        appendLe16(&archive, entry.dosDate);
        appendLe32(&archive, crc);
        appendLe32(&archive, quint32(stored.size()));
        appendLe32(&archive, quint32(entry.data.size()));
        appendLe16(&archive, quint32(entry.name.size()));
        appendLe16(&archive, quint32(entry.extra.size()));
        archive.append(entry.name).append(entry.extra).append(stored);

        QByteArray centralExtra = entry.extra;
        if (entry.declaredSize) {
            appendLe16(&centralExtra, 0x0001);
            appendLe16(&centralExtra, 8);
            appendLe64(&centralExtra, entry.declaredSize);
        }
        const int host = entry.unixMode ? hostUnix : entry.hostSystem;
        appendLe32(&central, 0x02014b50);
        appendLe16(&central, quint32(host) << 8 | 20);
        appendLe16(&central, 20);
        appendLe16(&central, entry.flags);
        appendLe16(&central, entry.method);
        appendLe16(&central, 0);
        appendLe16(&central, entry.dosDate);
        appendLe32(&central, crc);
        appendLe32(&central, quint32(stored.size()));
        appendLe32(&central, entry.declaredSize ? 0xFFFFFFFFu : quint32(entry.data.size()));
        appendLe16(&central, quint32(entry.name.size()));
        appendLe16(&central, quint32(centralExtra.size()));
        appendLe16(&central, 0); // comment
        appendLe16(&central, 0); // disk
        appendLe16(&central, 0); // internal attributes
        appendLe32(&central, entry.unixMode << 16);
        appendLe32(&central, offset);
        central.append(entry.name).append(centralExtra);
    }
    const quint32 centralOffset = quint32(archive.size());
    archive.append(central);
    appendLe32(&archive, 0x06054b50);
    appendLe16(&archive, 0);
    appendLe16(&archive, 0);
    appendLe16(&archive, quint32(entries.size()));
    appendLe16(&archive, quint32(entries.size()));
    appendLe32(&archive, quint32(central.size()));
    appendLe32(&archive, centralOffset);
    appendLe16(&archive, 0);
    return archive;
}

bool write(const QString &path, const QList<Entry> &entries)
{
    const QByteArray archive = build(entries);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size();
}

} // namespace ZipBytes
