#include "ziperror.h"

#include <cerrno>

ZipError ZipError::fromCode(int zipCode)
{
    zip_error_t error;
    zip_error_init_with_code(&error, zipCode);
    ZipError value = from(&error);
    zip_error_fini(&error);
    return value;
}

ZipError ZipError::from(zip_error_t *error)
{
    ZipError value;
    value.zipCode = zip_error_code_zip(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS)
        value.systemCode = zip_error_code_system(error);
    if (value.zipCode != ZIP_ER_OK)
        value.text = QString::fromLocal8Bit(zip_error_strerror(error));
    return value;
}

bool ZipError::diskFull() const
{
    return systemCode == ENOSPC
#ifdef EDQUOT
           || systemCode == EDQUOT
#endif
        ;
}

OperationResult ZipError::openFailure(const QString &archivePath) const
{
    switch (zipCode) {
    case ZIP_ER_CANCELLED:
        return OperationResult::failure(ResultCode::Cancelled);
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
    case ZIP_ER_MEMORY:
        return OperationResult::pathFailure(ResultCode::ReadFailed, archivePath, text);
    default:
        // Not a ZIP archive, inconsistent, split over several disks, cut short.
        return OperationResult::pathFailure(ResultCode::NotAnArchive, archivePath, text);
    }
}

OperationResult ZipError::entryFailure(const QString &entry, const QString &archivePath) const
{
    ResultCode code = ResultCode::EntryUnreadable;
    switch (zipCode) {
    case ZIP_ER_CANCELLED:
        return OperationResult::failure(ResultCode::Cancelled);
    case ZIP_ER_NOPASSWD:
        code = ResultCode::PasswordNeeded;
        break;
    case ZIP_ER_WRONGPASSWD:
        code = ResultCode::WrongPassword;
        break;
    case ZIP_ER_COMPNOTSUPP:
        code = ResultCode::UnsupportedMethod;
        break;
    case ZIP_ER_ENCRNOTSUPP:
        code = ResultCode::UnsupportedEncryption;
        break;
    // The entry's own bytes are wrong: a checksum, the compressed stream, a local header that
    // contradicts the central directory, data cut short.
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
        code = ResultCode::DamagedEntry;
        break;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
        return OperationResult::failure(ResultCode::ReadFailed, entry, archivePath, text);
    default:
        break;
    }
    return OperationResult::failure(code, entry, QString(), text);
}

OperationResult ZipError::writeFailure(const QString &archivePath) const
{
    if (zipCode == ZIP_ER_CANCELLED)
        return OperationResult::failure(ResultCode::Cancelled);
    if (diskFull())
        return OperationResult::pathFailure(ResultCode::DiskFull, archivePath, text);
    const bool notCreated = zipCode == ZIP_ER_OPEN || zipCode == ZIP_ER_TMPOPEN || zipCode == ZIP_ER_EXISTS;
    return OperationResult::pathFailure(
        notCreated ? ResultCode::ArchiveNotCreated : ResultCode::ArchiveNotWritten, archivePath, text);
}
