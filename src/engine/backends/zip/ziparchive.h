#pragma once

#include "ziperror.h"

#include <QString>

#include <zip.h>

// Owns one libzip handle. Until close() succeeds nothing is written: the destructor discards the
// handle, so every early return leaves a file already at the path as it was. Not thread-safe; one
// thread per handle.
class ZipArchive
{
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(ZipArchive &&other) noexcept;
    ZipArchive &operator=(ZipArchive &&other) noexcept;
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // flags as zip_open takes them (ZIP_RDONLY, ZIP_CREATE | ZIP_TRUNCATE, ...).
    static ZipArchive open(const QString &path, int flags, ZipError *error);

    bool isOpen() const { return handle != nullptr; }
    zip_t *get() const { return handle; }
    ZipError error() const { return ZipError::of(handle); }

    // Writes the archive and frees the handle; on failure the handle stays for error() and discard.
    bool close();

private:
    zip_t *handle = nullptr;
};
