#include "rar5encryptionscan.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace {

const QByteArray signature("Rar!\x1A\x07\x01\x00", 8);
constexpr quint64 headerEncryption = 4;
constexpr quint64 headerFile = 2;
constexpr quint64 headerEnd = 5;
constexpr quint64 hasExtraArea = 0x01;
constexpr quint64 hasDataArea = 0x02;
constexpr quint64 fileHasTime = 0x02;
constexpr quint64 fileHasCrc = 0x04;
constexpr quint64 recordEncryption = 0x01;
// RAR 5 limits a header to 2 MiB.
constexpr quint64 maxHeaderSize = 2 * 1024 * 1024;

// Reads RAR 5's variable-length integers (seven bits a byte, lowest first) out of a header.
class FieldReader
{
public:
    explicit FieldReader(const QByteArray &bytes) : bytes(bytes) {}

    bool number(quint64 *value)
    {
        *value = 0;
        for (int shift = 0; shift < 64 && position < bytes.size(); shift += 7) {
            const quint8 byte = quint8(bytes.at(position++));
            *value |= quint64(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }
    bool skip(quint64 count)
    {
        if (count > quint64(bytes.size() - position))
            return false;
        position += qsizetype(count);
        return true;
    }
    bool take(quint64 count, QByteArray *out)
    {
        if (count > quint64(bytes.size() - position))
            return false;
        *out = bytes.mid(position, qsizetype(count));
        position += qsizetype(count);
        return true;
    }
    qsizetype offset() const { return position; }

private:
    const QByteArray &bytes;
    qsizetype position = 0;
};

// True when the extra area of a file header holds an encryption record.
bool hasEncryptionRecord(const QByteArray &extra)
{
    FieldReader records(extra);
    quint64 size = 0;
    while (records.number(&size) && size > 0) {
        const qsizetype start = records.offset();
        quint64 type = 0;
        if (!records.number(&type))
            return false;
        if (type == recordEncryption)
            return true;
        if (!records.skip(size - quint64(records.offset() - start)))
            return false;
    }
    return false;
}

// Reads the archive through a small window: headers are a few bytes between long data areas, so
// most of the file is never read, and the few headers close together share one read.
class HeaderWindow
{
public:
    explicit HeaderWindow(QFile &file) : file(file) {}

    // The count bytes at position, or an empty array past the end.
    QByteArray bytes(qint64 position, qint64 count)
    {
        if (position < start || position + count > start + window.size()) {
            if (!file.seek(position))
                return QByteArray();
            window = file.read(std::max(count, windowSize));
            start = position;
        }
        if (position + count > start + window.size())
            return QByteArray();
        return window.mid(qsizetype(position - start), qsizetype(count));
    }

private:
    static constexpr qint64 windowSize = 16 * 1024;
    QFile &file;
    QByteArray window;
    qint64 start = 0;
};

} // namespace

Rar5EncryptionScan Rar5EncryptionScan::read(const QString &path)
{
    Rar5EncryptionScan scan;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return scan;
    HeaderWindow window(file);
    if (window.bytes(0, signature.size()) != signature)
        return scan;
    qint64 position = signature.size();
    for (;;) {
        // A header's checksum, its size in at most three bytes, the header, its data area. The
        // smallest header (the end) takes eight bytes, so seven are always there.
        const QByteArray prefix = window.bytes(position, 7);
        FieldReader sizeField(prefix);
        quint64 size = 0;
        if (!sizeField.skip(4) || !sizeField.number(&size) || size == 0 || size > maxHeaderSize)
            return scan;
        position += sizeField.offset();
        const QByteArray header = window.bytes(position, qint64(size));
        position += qint64(size);
        FieldReader fields(header);
        quint64 type = 0;
        quint64 flags = 0;
        quint64 extraSize = 0;
        quint64 dataSize = 0;
        if (quint64(header.size()) != size || !fields.number(&type) || !fields.number(&flags))
            return scan;
        if (type == headerEncryption) {
            scan.encryptedHeaders = true;
            return scan;
        }
        if (((flags & hasExtraArea) && !fields.number(&extraSize)) ||
            ((flags & hasDataArea) && !fields.number(&dataSize)) || extraSize > size)
            return scan;
        if (type == headerFile) {
            quint64 fileFlags = 0;
            quint64 ignored = 0;
            quint64 nameSize = 0;
            QByteArray name;
            if (!fields.number(&fileFlags) || !fields.number(&ignored) || !fields.number(&ignored) ||
                ((fileFlags & fileHasTime) && !fields.skip(4)) ||
                ((fileFlags & fileHasCrc) && !fields.skip(4)) || !fields.number(&ignored) ||
                !fields.number(&ignored) || !fields.number(&nameSize) || !fields.take(nameSize, &name))
                return scan;
            if (hasEncryptionRecord(header.right(qsizetype(extraSize))))
                scan.encryptedNames.insert(name);
        }
        if (type == headerEnd || dataSize > quint64(std::numeric_limits<qint64>::max() - position))
            return scan;
        position += qint64(dataSize);
    }
}
