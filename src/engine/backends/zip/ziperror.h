#pragma once

#include "operationresult.h"

#include <QString>

#include <zip.h>

// A libzip error as a value: libzip's code, the system's (errno) where there is one, and libzip's own
// text for both (zip_error_strerror), which results carry as their detail. Plain value.
struct ZipError {
    int zipCode = ZIP_ER_OK;
    int systemCode = 0;
    QString text;

    static ZipError fromCode(int zipCode);
    static ZipError from(zip_error_t *error);
    static ZipError of(zip_t *archive) { return from(zip_get_error(archive)); }
    static ZipError of(zip_file_t *file) { return from(zip_file_get_error(file)); }
    static ZipError ofSource(zip_source_t *source) { return from(zip_source_error(source)); }

    bool isSet() const { return zipCode != ZIP_ER_OK; }
    // The disk (or the user's quota) ran out of space.
    bool diskFull() const;

    // Opening an archive to read it failed.
    OperationResult openFailure(const QString &archivePath) const;
    // Opening or reading one entry failed.
    OperationResult entryFailure(const QString &entry, const QString &archivePath) const;
    // Writing archivePath (or a part of it beside it) failed.
    OperationResult writeFailure(const QString &archivePath) const;
};
