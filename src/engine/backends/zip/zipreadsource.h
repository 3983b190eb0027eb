#pragma once

#include <QString>

#include <zip.h>

// A libzip source that reads an archive file through a window of its bytes. libzip seeks before
// every local header and every entry's data; through its own stdio source each of those is a
// system call (three per entry, 300,000 for an archive of 100,000 small entries), while here
// neighbouring entries come out of memory and the file is read in large positioned reads. Reads
// only; the file's size is taken when it is opened, so a file cut short meanwhile reads as cut
// short. One thread per source, as per handle.
namespace ZipReadSource {

// The source for path, or null with *error set as zip_open sets it (ZIP_ER_NOENT, ZIP_ER_OPEN).
zip_source_t *create(const QString &path, zip_error_t *error);

} // namespace ZipReadSource
