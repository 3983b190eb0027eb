#pragma once

#include "archiveentry.h"
#include "archiveformat.h"

#include <QByteArray>
#include <QString>

// An archive's listing as one JSON document for scripts:
//   {"archive": path, "format": "zip", "entries": [{"name", "type": "file"|"folder"|"link", "size",
//    "compressedSize" (null when unknown), "modified" (UTC, ISO 8601, null when unknown),
//    "encrypted", "linkTarget" (links only)}]}
class JsonListing
{
public:
    static QByteArray document(const QString &archivePath, ArchiveFormat format,
                               const ArchiveEntryList &entries);
};
