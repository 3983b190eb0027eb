#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// tar archives written byte by byte (ustar headers, GNU long names when a name or target does not
// fit), so a test can store any name, link, device or mode, and leave out the closing blocks.
namespace TarBytes {

struct Entry {
    QByteArray name;
    // '0' file, '5' folder, '2' symbolic link, '1' hard link, '3' character device, '4' block device,
    // '6' FIFO.
    char type = '0';
    QByteArray data;
    QByteArray linkTarget;
    quint32 mode = 0644;
    qint64 modified = 1704067200; // 2024-01-01
    quint32 deviceMajor = 0;
    quint32 deviceMinor = 0;
};

Entry file(const QByteArray &name, const QByteArray &data, quint32 mode = 0644);
Entry folder(const QByteArray &name);
Entry symlink(const QByteArray &name, const QByteArray &target);
Entry hardlink(const QByteArray &name, const QByteArray &target);

// endBlocks: the two zero blocks tar writes at the end (some writers leave them out).
QByteArray build(const QList<Entry> &entries, bool endBlocks = true);
bool write(const QString &path, const QList<Entry> &entries, bool endBlocks = true);
// bytes in the gzip format, as a .tar.gz holds a tar.
QByteArray gzip(const QByteArray &bytes);

} // namespace TarBytes
