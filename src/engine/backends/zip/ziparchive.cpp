#include "ziparchive.h"

#include "zipreadsource.h"

#include <QFile>

#include <utility>

ZipArchive::~ZipArchive()
{
    if (handle)
        zip_discard(handle);
}

ZipArchive::ZipArchive(ZipArchive &&other) noexcept : handle(std::exchange(other.handle, nullptr)) {}

ZipArchive &ZipArchive::operator=(ZipArchive &&other) noexcept
{
    if (this != &other) {
        if (handle)
            zip_discard(handle);
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

ZipArchive ZipArchive::open(const QString &path, int flags, ZipError *error)
{
    ZipArchive archive;
    if (flags == ZIP_RDONLY) {
        zip_error_t failure;
        zip_error_init(&failure);
        zip_source_t *source = ZipReadSource::create(path, &failure);
        if (source) {
            archive.handle = zip_open_from_source(source, ZIP_RDONLY, &failure);
            // The archive owns the source only once it is open.
            if (!archive.handle)
                zip_source_free(source);
        }
        if (!archive.handle)
            *error = ZipError::from(&failure);
        zip_error_fini(&failure);
        return archive;
    }
    int code = ZIP_ER_OK;
    archive.handle = zip_open(QFile::encodeName(path).constData(), flags, &code);
    if (!archive.handle)
        *error = ZipError::fromCode(code);
    return archive;
}

bool ZipArchive::close()
{
    if (zip_close(handle) != 0)
        return false;
    handle = nullptr;
    return true;
}
