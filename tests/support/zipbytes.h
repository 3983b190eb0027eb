#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// ZIP archives written byte by byte, so a test controls every field that matters: the raw name,
// flags, extra fields, the host system and mode, sizes and checksums. Entries are stored
// (uncompressed) unless a method and ready-made compressed data are given.
namespace ZipBytes {

constexpr quint16 utf8Flag = 0x0800;
constexpr int hostMsDos = 0;
constexpr int hostUnix = 3;

struct Entry {
    QByteArray name;
    QByteArray data;
    quint16 flags = 0;
    QByteArray extra;
    // The "version made by" host system; Unix when a mode is given.
    int hostSystem = hostMsDos;
    // Unix mode bits for the external attributes (0: none).
    quint32 unixMode = 0;
    // Method and its compressed bytes (stored when 0: data is written as is).
    quint16 method = 0;
    QByteArray compressedData;
    bool wrongCrc = false;
    // Non-zero: the central directory claims this uncompressed size in a ZIP64 field.
    quint64 declaredSize = 0;
    quint16 dosDate = 0x5021; // 2020-01-01
};

// A file entry made on Unix with mode 0644, or a folder ("name/") with 0755, or a link.
Entry unixFile(const QByteArray &name, const QByteArray &data);
Entry unixFolder(const QByteArray &name);
Entry unixLink(const QByteArray &name, const QByteArray &target);

QByteArray build(const QList<Entry> &entries);
bool write(const QString &path, const QList<Entry> &entries);

quint32 crc32Of(const QByteArray &data);
// data as a raw deflate stream, as method 8 stores it.
QByteArray rawDeflate(const QByteArray &data);
// Info-ZIP Unicode Path extra field (0x7075) for a stored name whose CRC-32 is nameCrc.
QByteArray unicodePathField(const QString &name, quint32 nameCrc);

} // namespace ZipBytes
