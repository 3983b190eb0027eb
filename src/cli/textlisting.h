#pragma once

#include "archiveentry.h"

#include <QCoreApplication>
#include <QString>

// An archive's listing as a table for people: size, modification time and name per entry (folders
// end in "/", links show their target, encrypted entries are marked "*"), then the totals.
class TextListing
{
    Q_DECLARE_TR_FUNCTIONS(TextListing)

public:
    static QString table(const ArchiveEntryList &entries);
};
