#pragma once

#include "operationrequest.h"
#include "operationresult.h"

#include <QList>
#include <QString>

#include <zip.h>

// One entry of the central directory, as the readers need it.
struct ZipCatalogueEntry {
    enum class Kind { File, Folder, Link };

    zip_uint64_t index = 0;
    // Decoded as stored, "/" or "\" separated; a folder's name may end with a separator.
    QString name;
    Kind kind = Kind::File;
    // Sizes as the directory declares them, capped so sums of them cannot overflow.
    qint64 size = 0;
    qint64 compressedSize = 0;
    // Seconds since the epoch; -1 when unknown.
    qint64 modified = -1;
    // Unix type and permission bits when the maker was a Unix system; 0 otherwise.
    quint32 unixMode = 0;
    quint16 encryption = ZIP_EM_NONE;
    quint16 method = ZIP_CM_STORE;

    bool isEncrypted() const { return encryption != ZIP_EM_NONE; }
    bool hasData() const { return kind != Kind::Folder || compressedSize > 0; }
};

// The central directory of an open archive, read once: every entry's name decoded (UTF-8 when marked
// or valid, otherwise the legacy code page the evidence makes most plausible), its kind, sizes,
// time, mode and encryption. Reads no entry's data. Used on one thread.
class ZipCatalogue
{
public:
    // EntryNameUnreadable when libzip cannot give an entry's name.
    OperationResult read(zip_t *archive, LegacyNameLanguage language);
    const QList<ZipCatalogueEntry> &entries() const { return catalogue; }

private:
    QList<ZipCatalogueEntry> catalogue;
};
