#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// cpio archives in the "newc" layout written byte by byte, so a test can store any name, mode (device
// nodes, FIFOs, set-id bits) or link target (NUL bytes included: cpio keeps a target as the link's
// data) for the libarchive route.
namespace CpioBytes {

struct Entry {
    QByteArray name;
    // Type and permission bits, as st_mode holds them.
    quint32 mode = 0100644;
    // A file's content or a link's target.
    QByteArray data;
    qint64 modified = 1704067200; // 2024-01-01
};

Entry file(const QByteArray &name, const QByteArray &data, quint32 permissions = 0644);
Entry folder(const QByteArray &name);
Entry symlink(const QByteArray &name, const QByteArray &target);

QByteArray build(const QList<Entry> &entries);
bool write(const QString &path, const QList<Entry> &entries);

} // namespace CpioBytes
