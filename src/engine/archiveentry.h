#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One item inside an archive, as a listing reports it. Plain value, safe to copy between threads.
struct ArchiveEntry {
    // Full path inside the archive, "/"-separated, without a trailing "/", decoded as extraction
    // decodes it.
    QString name;
    bool isFolder = false;
    bool isLink = false;
    // Unpacked size in bytes; 0 for folders and links.
    qint64 size = 0;
    // Packed size in bytes, -1 where the format does not say.
    qint64 compressedSize = -1;
    QDateTime modified;
    bool encrypted = false;
    // Where the link points, as stored; empty for anything but a link.
    QString linkTarget;
};

using ArchiveEntryList = QList<ArchiveEntry>;
