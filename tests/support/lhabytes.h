#pragma once

#include <QByteArray>
#include <QList>

// LHA archives written byte by byte: level 0 headers, entries stored (-lh0-) or folders (-lhd-),
// names with "\" between folders as MS-DOS makers wrote them. Debian has no free LHA writer.
namespace LhaBytes {

struct Entry {
    QByteArray name;
    QByteArray data;
    bool isFolder = false;
    qint64 modified = 1704067200; // 2024-01-01 UTC
};

Entry file(const QByteArray &name, const QByteArray &data);
Entry folder(const QByteArray &name);

QByteArray build(const QList<Entry> &entries);

} // namespace LhaBytes
