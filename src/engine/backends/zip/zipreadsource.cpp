#include "zipreadsource.h"

#include "positionedfile.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

// Large enough for hundreds of small entries, small enough to cost nothing per handle.
constexpr qint64 windowSize = 256 * 1024;

struct Source {
    PositionedFile file;
    zip_error_t error;
    qint64 position = 0;
    QByteArray window;
    qint64 windowStart = 0;
    qint64 windowLength = 0;

    Source() { zip_error_init(&error); }
    ~Source() { zip_error_fini(&error); }

    zip_int64_t fail(int zipCode)
    {
        zip_error_set(&error, zipCode, errno);
        return -1;
    }

    zip_int64_t read(char *data, qint64 length)
    {
        length = std::min(length, std::max<qint64>(0, file.size() - position));
        if (length == 0)
            return 0;
        if (position < windowStart || position + length > windowStart + windowLength) {
            // Large reads of an entry's data go straight to libzip's buffer.
            if (length >= windowSize) {
                const qint64 got = file.read(data, length, position);
                if (got < 0)
                    return fail(ZIP_ER_READ);
                position += got;
                return got;
            }
            if (window.isEmpty())
                window.resize(windowSize);
            windowLength = 0;
            const qint64 got = file.read(window.data(), windowSize, position);
            if (got < 0)
                return fail(ZIP_ER_READ);
            windowStart = position;
            windowLength = got;
        }
        const qint64 available = std::min(length, windowStart + windowLength - position);
        std::memcpy(data, window.constData() + (position - windowStart), size_t(available));
        position += available;
        return available;
    }
};

zip_int64_t callback(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto *source = static_cast<Source *>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source->position = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return source->read(static_cast<char *>(data), qint64(std::min<zip_uint64_t>(length, INT64_MAX)));
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto *status = static_cast<zip_stat_t *>(data);
        zip_stat_init(status);
        status->size = zip_uint64_t(source->file.size());
        status->mtime = source->file.modificationTime();
        status->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
        delete source;
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t position = zip_source_seek_compute_offset(
            zip_uint64_t(source->position), zip_uint64_t(source->file.size()), data, length, &source->error);
        if (position < 0)
            return -1;
        source->position = position;
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return source->position;
    // An empty file is not an archive, as libzip's own file source says.
    case ZIP_SOURCE_ACCEPT_EMPTY:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
                                              ZIP_SOURCE_ACCEPT_EMPTY, -1);
    default:
        zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

namespace ZipReadSource {

zip_source_t *create(const QString &path, zip_error_t *error)
{
    auto source = std::make_unique<Source>();
    int errorNumber = 0;
    if (!source->file.open(path, &errorNumber)) {
        zip_error_set(error, errorNumber == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN,
                      errorNumber == ENOENT ? 0 : errorNumber);
        return nullptr;
    }
    zip_source_t *created = zip_source_function_create(callback, source.get(), error);
    if (created)
        source.release();
    return created;
}

} // namespace ZipReadSource
