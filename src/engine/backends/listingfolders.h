#pragma once

#include "archiveentry.h"

#include <QHash>
#include <QString>

// Builds a listing in which every name appears once: the folders an archive implies by its entries'
// paths are added as they first appear, an explicit folder entry takes the place of the implied one,
// and a later entry of a name listed before takes the earlier one's place, as extraction keeps the
// later one. Names are "/"-separated without a trailing "/". Not thread-safe; one per listing.
class ListingFolders
{
public:
    explicit ListingFolders(ArchiveEntryList *entries);

    // Appends entry, after the folders above it that are not listed yet. A name listed before
    // (implied or explicit) is updated in place instead of listed twice.
    void add(const ArchiveEntry &entry);

private:
    void addParentsOf(const QString &name);

    ArchiveEntryList *entries;
    // Name -> its row in entries.
    QHash<QString, qsizetype> rows;
};
