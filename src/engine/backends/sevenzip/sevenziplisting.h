#pragma once

#include "archiveentry.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Reads the technical listing of "7z l -slt -ba", run with TZ=UTC so times are read as UTC. Pure
// functions, safe on any thread.
//
// 7z prints each entry as "Key = value" lines ended by an empty line, names with "/" between folders
// and every other byte as stored, except a line break in a name, which it prints as "_". A printed
// "_" may therefore stand for either; SevenZipNameResolver finds out which.
namespace SevenZipListing {

// One entry as 7z printed it.
struct Record {
    QString printedName;
    ArchiveEntry entry;
    // The solid block holding the entry's data; -1 for entries without data.
    qint64 block = -1;
    // Packed size as printed: 7z gives a block's packed size on its first entry only; -1 when empty.
    qint64 packedSize = -1;
    // Every line but the name's, to tell apart entries whose printed names are the same.
    QByteArray details;
};

QList<Record> parse(const QByteArray &output);

// The listing a caller sees: every entry once (a name listed twice keeps its last record, as
// extraction leaves it), folders added where only their contents are stored, and a packed size only
// where it belongs to the entry alone: an entry sharing its solid block with others has none of its
// own (-1), since 7z reports the whole block's on the first of them.
ArchiveEntryList entries(const QList<Record> &records);

} // namespace SevenZipListing
