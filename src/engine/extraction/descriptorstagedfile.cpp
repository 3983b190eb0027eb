#include "descriptorstagedfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

DescriptorStagedFile::DescriptorStagedFile(FileDescriptor file, FileDescriptor folder, const QByteArray &name,
                                           const QString &path, const EntryMetadata &metadata)
    : file(std::move(file)), folder(std::move(folder)), name(name), path(path), metadata(metadata)
{
}

DescriptorStagedFile::~DescriptorStagedFile()
{
    // A reader that gave up half-way must not leave a truncated file to be placed.
    if (!done)
        discard();
}

OperationResult DescriptorStagedFile::write(const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(file.get(), data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return OperationResult::systemFailure(ResultCode::WriteFailed, path, errno);
        }
        data += written;
        size -= written;
    }
    return OperationResult::success();
}

OperationResult DescriptorStagedFile::finish()
{
    done = true;
    if (metadata.permissions != 0 && ::fchmod(file.get(), metadata.permissions & 0777) != 0)
        return OperationResult::systemFailure(ResultCode::WriteFailed, path, errno);
    if (metadata.modified >= 0) {
        const timespec when{time_t(metadata.modified), 0};
        const timespec times[2] = {when, when};
        if (::futimens(file.get(), times) != 0)
            return OperationResult::systemFailure(ResultCode::WriteFailed, path, errno);
    }
    const int error = file.close();
    if (error != 0)
        return OperationResult::systemFailure(ResultCode::WriteFailed, path, error);
    return OperationResult::success();
}

void DescriptorStagedFile::discard()
{
    done = true;
    if (!file.isValid())
        return;
    file.reset();
    ::unlinkat(folder.get(), name.constData(), 0);
}
