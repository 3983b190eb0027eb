#include "zipentrywriter.h"

#include "linktarget.h"
#include "ziperror.h"

#include <QFile>

#include <cstdlib>
#include <cstring>

namespace {

// Level 6 is the usual speed/size trade-off; libzip's default of 9 is markedly slower.
constexpr zip_uint32_t deflateLevel = 6;
// Opening an entry, deriving its AES key and writing its headers cost about as much as this many
// bytes of data, so progress does not stall on archives of many small files.
constexpr qint64 perEntryWeight = 16 * 1024;

} // namespace

ZipEntryWriter::ZipEntryWriter(zip_t *archive, const QByteArray &password)
    : archive(archive), password(password)
{
}

qint64 ZipEntryWriter::weight(const ZipInputItem &item)
{
    return item.size + perEntryWeight;
}

OperationResult ZipEntryWriter::archiveFailure() const
{
    const ZipError error = ZipError::of(archive);
    return OperationResult::failure(ResultCode::ArchiveNotWritten, QString(), QString(), error.text);
}

OperationResult ZipEntryWriter::createSource(const ZipInputItem &item, zip_source_t **source)
{
    zip_error_t error;
    zip_error_init(&error);
    if (item.kind == ZipInputItem::Kind::File) {
        *source = zip_source_file_create(QFile::encodeName(item.sourcePath).constData(), 0, -1, &error);
    } else {
        // A link stores its target as its data; libzip frees the copy with the source.
        const QByteArray target = LinkTarget::read(item.sourcePath);
        void *data = std::malloc(size_t(target.size()) + 1);
        if (data) {
            std::memcpy(data, target.constData(), size_t(target.size()));
            *source = zip_source_buffer_create(data, zip_uint64_t(target.size()), 1, &error);
            if (!*source)
                std::free(data);
        }
    }
    const ZipError failure = ZipError::from(&error);
    zip_error_fini(&error);
    if (*source)
        return OperationResult::success();
    return OperationResult::pathFailure(ResultCode::InputUnreadable, item.sourcePath, failure.text);
}

OperationResult ZipEntryWriter::add(const ZipInputItem &item, zip_uint64_t *index)
{
    zip_source_t *source = nullptr;
    if (item.kind != ZipInputItem::Kind::Folder) {
        const OperationResult created = createSource(item, &source);
        if (!created.succeeded())
            return created;
    }
    const OperationResult added = addNamed(item, source, index);
    if (!added.succeeded() || item.kind == ZipInputItem::Kind::Folder)
        return added;
    return setDataAttributes(*index);
}

OperationResult ZipEntryWriter::addPlaceholder(const ZipInputItem &item, zip_uint64_t *index)
{
    zip_source_t *source = nullptr;
    if (item.kind != ZipInputItem::Kind::Folder) {
        source = zip_source_buffer(archive, nullptr, 0, 0);
        if (!source)
            return archiveFailure();
    }
    return addNamed(item, source, index);
}

OperationResult ZipEntryWriter::addNamed(const ZipInputItem &item, zip_source_t *source, zip_uint64_t *index)
{
    const QByteArray name = item.name.toUtf8();
    zip_int64_t added = -1;
    if (item.kind == ZipInputItem::Kind::Folder) {
        added = zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8);
    } else {
        added = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (added < 0)
            zip_source_free(source);
    }
    if (added < 0) {
        if (zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_EXISTS)
            return OperationResult::pathFailure(ResultCode::DuplicateEntryName, item.sourcePath);
        return archiveFailure();
    }
    *index = zip_uint64_t(added);
    // Files take their time from the source; libzip would stamp the others with the current time.
    if (item.kind != ZipInputItem::Kind::File && item.modified >= 0 &&
        zip_file_set_mtime(archive, *index, time_t(item.modified), 0) != 0)
        return archiveFailure();
    if (zip_file_set_external_attributes(archive, *index, 0, ZIP_OPSYS_UNIX, zip_uint32_t(item.mode) << 16) !=
        0)
        return archiveFailure();
    return OperationResult::success();
}

OperationResult ZipEntryWriter::setDataAttributes(zip_uint64_t index)
{
    if (zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, deflateLevel) != 0)
        return archiveFailure();
    if (!password.isEmpty() &&
        zip_file_set_encryption(archive, index, ZIP_EM_AES_256, password.constData()) != 0)
        return archiveFailure();
    return OperationResult::success();
}

OperationResult ZipEntryWriter::fill(zip_uint64_t index, const ZipInputItem &item)
{
    zip_source_t *source = nullptr;
    const OperationResult created = createSource(item, &source);
    if (!created.succeeded())
        return created;
    if (zip_file_replace(archive, index, source, 0) != 0) {
        zip_source_free(source);
        return archiveFailure();
    }
    return setDataAttributes(index);
}

OperationResult ZipEntryWriter::copyFrom(zip_uint64_t index, zip_t *part, zip_uint64_t partIndex,
                                         const ZipInputItem &item)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(part, partIndex, ZIP_FL_ENC_RAW, &stat) != 0)
        return OperationResult::failure(ResultCode::TemporaryFileFailed, QString(), QString(),
                                        ZipError::of(part).text);
    const bool encrypted = (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    // libzip copies an encrypted entry only with its checksum, which AES leaves out of very small
    // entries; those few are compressed and encrypted again from their source.
    if (encrypted && !(stat.valid & ZIP_STAT_CRC))
        return fill(index, item);
    // The whole entry as stored: neither decrypted nor inflated, so it is copied as is.
    zip_source_t *source = zip_source_zip(archive, part, partIndex, encrypted ? ZIP_FL_ENCRYPTED : 0, 0, -1);
    if (!source)
        return OperationResult::failure(ResultCode::TemporaryFileFailed, QString(), QString(),
                                        ZipError::of(archive).text);
    if (zip_file_replace(archive, index, source, 0) != 0) {
        zip_source_free(source);
        return archiveFailure();
    }
    if (zip_set_file_compression(archive, index, zip_int32_t(stat.comp_method), 0) != 0)
        return archiveFailure();
    if (encrypted && zip_file_set_encryption(archive, index, stat.encryption_method, nullptr) != 0)
        return archiveFailure();
    return OperationResult::success();
}
