#include "tarbytes.h"

#include "deflatestream.h"

#include <QFile>

#include <cstring>

namespace {

constexpr int blockSize = 512;

void putField(QByteArray *header, int offset, int length, const QByteArray &value)
{
    std::memcpy(header->data() + offset, value.constData(),
                size_t(std::min<qsizetype>(length, value.size())));
}

void putOctal(QByteArray *header, int offset, int length, quint64 value)
{
    putField(header, offset, length, QByteArray::number(value, 8).rightJustified(length - 1, '0'));
}

QByteArray header(const QByteArray &name, char type, qint64 size, const QByteArray &linkTarget,
                  const TarBytes::Entry &entry)
{
    QByteArray block(blockSize, '\0');
    putField(&block, 0, 100, name);
    putOctal(&block, 100, 8, entry.mode);
    putOctal(&block, 108, 8, 0);
    putOctal(&block, 116, 8, 0);
    putOctal(&block, 124, 12, quint64(size));
    putOctal(&block, 136, 12, quint64(entry.modified));
    block[156] = type;
    putField(&block, 157, 100, linkTarget);
    putField(&block, 257, 8, QByteArray("ustar  ", 8));
    putField(&block, 265, 32, "root");
    putField(&block, 297, 32, "root");
    putOctal(&block, 329, 8, entry.deviceMajor);
    putOctal(&block, 337, 8, entry.deviceMinor);
    std::memset(block.data() + 148, ' ', 8);
    quint32 sum = 0;
    for (const char byte : std::as_const(block))
        sum += quint8(byte);
    putField(&block, 148, 8, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
    return block;
}

QByteArray padded(const QByteArray &data)
{
    QByteArray out = data;
    out.append(QByteArray((blockSize - data.size() % blockSize) % blockSize, '\0'));
    return out;
}

// A GNU long-name ('L') or long-link ('K') record for a value that does not fit in 100 bytes.
QByteArray longRecord(char type, const QByteArray &value, const TarBytes::Entry &entry)
{
    const QByteArray content = value + '\0';
    return header("././@LongLink", type, content.size(), QByteArray(), entry) + padded(content);
}

} // namespace

namespace TarBytes {

Entry file(const QByteArray &name, const QByteArray &data, quint32 mode)
{
    Entry entry;
    entry.name = name;
    entry.data = data;
    entry.mode = mode;
    return entry;
}

Entry folder(const QByteArray &name)
{
    Entry entry;
    entry.name = name;
    entry.type = '5';
    entry.mode = 0755;
    return entry;
}

Entry symlink(const QByteArray &name, const QByteArray &target)
{
    Entry entry;
    entry.name = name;
    entry.type = '2';
    entry.linkTarget = target;
    entry.mode = 0777;
    return entry;
}

Entry hardlink(const QByteArray &name, const QByteArray &target)
{
    Entry entry;
    entry.name = name;
    entry.type = '1';
    entry.linkTarget = target;
    return entry;
}

QByteArray build(const QList<Entry> &entries, bool endBlocks)
{
    QByteArray archive;
    for (const Entry &entry : entries) {
        if (entry.name.size() >= 100)
            archive += longRecord('L', entry.name, entry);
        if (entry.linkTarget.size() >= 100)
            archive += longRecord('K', entry.linkTarget, entry);
        const bool hasData = entry.type == '0';
        archive += header(entry.name.left(99), entry.type, hasData ? entry.data.size() : 0,
                          entry.linkTarget.left(99), entry);
        if (hasData)
            archive += padded(entry.data);
    }
    if (endBlocks)
        archive += QByteArray(2 * blockSize, '\0');
    return archive;
}

bool write(const QString &path, const QList<Entry> &entries, bool endBlocks)
{
    const QByteArray archive = build(entries, endBlocks);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size();
}

QByteArray gzip(const QByteArray &bytes)
{
    // A gzip header and trailer around a full-window deflate stream.
    return DeflateStream::compress(bytes, 16 + 15);
}

} // namespace TarBytes
