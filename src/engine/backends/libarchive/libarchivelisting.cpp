#include "libarchivelisting.h"

#include "legacynamedecoder.h"
#include "libarchivereader.h"
#include "listingfolders.h"
#include "operationcontext.h"

#include <QHash>

namespace {

// As the listing shows names: "/"-separated, without a leading "./" or a trailing "/".
QString listedName(QString name)
{
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.startsWith(QLatin1String("./")))
        name.remove(0, 2);
    while (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return name == QLatin1String(".") ? QString() : name;
}

} // namespace

LibArchiveListing::LibArchiveListing(OperationContext &context) : context(context) {}

OperationResult LibArchiveListing::run(ArchiveEntryList *entries)
{
    entries->clear();
    LibArchiveReader reader(context);
    OperationResult result = reader.open();
    if (!result.succeeded())
        return result;

    const LegacyNameLanguage language = context.request().legacyNameLanguage;
    ListingFolders folders(entries);
    // Sizes of the files listed so far, for the hard links that repeat them.
    QHash<QString, qint64> fileSizes;
    for (;;) {
        LibArchiveEntry stored;
        bool atEnd = false;
        result = reader.next(&stored, &atEnd);
        if (!result.succeeded() || atEnd)
            return result;
        result = reader.skipData();
        if (!result.succeeded())
            return result;
        ArchiveEntry entry;
        entry.name = listedName(stored.name);
        if (entry.name.isEmpty() || stored.kind == LibArchiveEntry::Kind::Special)
            continue;
        entry.isFolder = stored.kind == LibArchiveEntry::Kind::Folder;
        entry.isLink = stored.kind == LibArchiveEntry::Kind::Link;
        entry.size = std::max<qint64>(0, stored.size);
        if (stored.kind == LibArchiveEntry::Kind::HardLink && entry.size == 0)
            entry.size = fileSizes.value(listedName(stored.hardLinkTarget));
        if (entry.isFolder || entry.isLink)
            entry.size = 0;
        else
            fileSizes.insert(entry.name, entry.size);
        if (stored.modified >= 0)
            entry.modified = QDateTime::fromSecsSinceEpoch(stored.modified);
        entry.encrypted = stored.encrypted;
        if (entry.isLink)
            entry.linkTarget = LegacyNameDecoder::decode(stored.linkTarget, {}, language);
        folders.add(entry);
    }
}
