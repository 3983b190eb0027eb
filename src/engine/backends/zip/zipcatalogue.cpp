#include "zipcatalogue.h"

#include "legacynamedecoder.h"

#include <algorithm>

namespace {

// A stored size only weighs progress and bounds a link target, and a hostile archive may declare any
// 64-bit value: capped, sums of sizes can neither overflow nor turn negative.
constexpr zip_uint64_t maxDeclaredSize = zip_uint64_t(1) << 40;

constexpr quint32 unixTypeMask = 0170000;
constexpr quint32 unixFolder = 0040000;
constexpr quint32 unixSymbolicLink = 0120000;

} // namespace

OperationResult ZipCatalogue::read(zip_t *archive, LegacyNameLanguage language)
{
    const zip_int64_t count = std::max<zip_int64_t>(0, zip_get_num_entries(archive, 0));
    catalogue.clear();
    catalogue.reserve(qsizetype(count));
    for (zip_uint64_t index = 0; index < zip_uint64_t(count); ++index) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, index, ZIP_FL_ENC_RAW, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
            return OperationResult::failure(ResultCode::EntryNameUnreadable);
        zip_uint8_t host = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive, index, 0, &host, &attributes) != 0)
            host = 0xFF;

        ZipCatalogueEntry entry;
        entry.index = index;
        // libzip hands back the stored bytes themselves under strict decoding only when they are
        // ASCII, flagged as UTF-8, or come from a Unicode path field whose checksum matches.
        const char *strictName = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
        LegacyNameDecoder::NameEvidence evidence;
        evidence.markedUtf8 = strictName == stat.name;
        evidence.hostSystem = host == 0xFF ? -1 : int(host);
        const QByteArray raw = QByteArray::fromRawData(stat.name, qsizetype(qstrlen(stat.name)));
        entry.name =
            evidence.markedUtf8 ? QString::fromUtf8(raw) : LegacyNameDecoder::decode(raw, evidence, language);

        entry.unixMode = host == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
        const bool namedAsFolder =
            entry.name.endsWith(QLatin1Char('/')) || entry.name.endsWith(QLatin1Char('\\'));
        if (namedAsFolder)
            entry.kind = ZipCatalogueEntry::Kind::Folder;
        else if ((entry.unixMode & unixTypeMask) == unixSymbolicLink)
            entry.kind = ZipCatalogueEntry::Kind::Link;
        else if ((entry.unixMode & unixTypeMask) == unixFolder && stat.size == 0)
            entry.kind = ZipCatalogueEntry::Kind::Folder;
        if (stat.valid & ZIP_STAT_SIZE)
            entry.size = qint64(std::min(stat.size, maxDeclaredSize));
        if (stat.valid & ZIP_STAT_COMP_SIZE)
            entry.compressedSize = qint64(std::min(stat.comp_size, maxDeclaredSize));
        if (stat.valid & ZIP_STAT_MTIME)
            entry.modified = qint64(stat.mtime);
        if (stat.valid & ZIP_STAT_ENCRYPTION_METHOD)
            entry.encryption = stat.encryption_method;
        if (stat.valid & ZIP_STAT_COMP_METHOD)
            entry.method = stat.comp_method;
        catalogue.append(entry);
    }
    return OperationResult::success();
}
