#pragma once

#include "operationresult.h"
#include "zipinputwalker.h"

#include <QByteArray>

#include <zip.h>

// Adds entries to one open archive with their time, Unix mode, method (deflate level 6) and, when a
// password is given, WinZip AES-256 for every entry but folders. libzip reads the data only when the
// archive is closed. Not thread-safe; one thread per archive.
class ZipEntryWriter
{
public:
    ZipEntryWriter(zip_t *archive, const QByteArray &password);

    // Adds the item with its data. On success *index holds the entry's index. Fails with
    // InputUnreadable (the source cannot be read), DuplicateEntryName or ArchiveNotWritten.
    OperationResult add(const ZipInputItem &item, zip_uint64_t *index);
    // Adds the item's name and attributes with no data yet, to be filled by copyFrom or reencrypt.
    OperationResult addPlaceholder(const ZipInputItem &item, zip_uint64_t *index);
    // Fills entry index with entry partIndex of part (written from item) exactly as stored there:
    // compressed and encrypted data copied unchanged.
    OperationResult copyFrom(zip_uint64_t index, zip_t *part, zip_uint64_t partIndex,
                             const ZipInputItem &item);
    // Fills entry index with the item's data, compressed and encrypted here.
    OperationResult fill(zip_uint64_t index, const ZipInputItem &item);

    // The weight an item has in progress: its size plus the fixed cost of an entry.
    static qint64 weight(const ZipInputItem &item);

private:
    OperationResult addNamed(const ZipInputItem &item, zip_source_t *source, zip_uint64_t *index);
    OperationResult createSource(const ZipInputItem &item, zip_source_t **source);
    OperationResult setDataAttributes(zip_uint64_t index);
    OperationResult archiveFailure() const;

    zip_t *archive;
    QByteArray password;
};
