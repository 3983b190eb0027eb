#include "zipentryreader.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "ziperror.h"

#include <memory>

namespace {

constexpr qint64 blockSize = 64 * 1024;

class Discarding : public StagedFile
{
public:
    OperationResult write(const char *, qint64) override { return OperationResult::success(); }
    OperationResult finish() override { return OperationResult::success(); }
    void discard() override {}
};

class Collecting : public StagedFile
{
public:
    Collecting(const QString &entry, qint64 maxSize, QByteArray *target)
        : entry(entry), maxSize(maxSize), target(target)
    {
        target->clear();
    }
    OperationResult write(const char *data, qint64 size) override
    {
        if (target->size() + size > maxSize)
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry);
        target->append(data, size);
        return OperationResult::success();
    }
    OperationResult finish() override { return OperationResult::success(); }
    void discard() override { target->clear(); }

private:
    QString entry;
    qint64 maxSize;
    QByteArray *target;
};

} // namespace

std::unique_ptr<StagedFile> DiscardedOutput::create()
{
    return std::make_unique<Discarding>();
}

std::unique_ptr<StagedFile> LinkTargetOutput::create(const QString &entry, qint64 maxSize, QByteArray *target)
{
    return std::make_unique<Collecting>(entry, maxSize, target);
}

ZipEntryReader::ZipEntryReader(OperationContext &context, zip_t *archive, const QByteArray &password)
    : context(context), archive(archive), passwordBytes(password)
{
}

OperationResult ZipEntryReader::checkSupported(const ZipCatalogueEntry &entry)
{
    if (!entry.hasData())
        return OperationResult::success();
    if (entry.isEncrypted() && !zip_encryption_method_supported(entry.encryption, 0))
        return OperationResult::entryFailure(ResultCode::UnsupportedEncryption, entry.name,
                                             ZipError::fromCode(ZIP_ER_ENCRNOTSUPP).text);
    if (!zip_compression_method_supported(zip_int32_t(entry.method), 0))
        return OperationResult::entryFailure(ResultCode::UnsupportedMethod, entry.name,
                                             QStringLiteral("method %1").arg(entry.method));
    return OperationResult::success();
}

OperationResult ZipEntryReader::copy(const ZipCatalogueEntry &entry, StagedFile *output,
                                     const std::function<bool()> &stop)
{
    const QString archivePath = context.request().archivePath;
    const OperationResult supported = checkSupported(entry);
    if (!supported.succeeded()) {
        output->discard();
        return supported;
    }
    zip_file_t *file = zip_fopen_index_encrypted(
        archive, entry.index, 0, passwordBytes.isEmpty() ? nullptr : passwordBytes.constData());
    if (!file) {
        output->discard();
        return ZipError::of(archive).entryFailure(entry.name, archivePath);
    }
    if (buffer.isEmpty())
        buffer.resize(blockSize);
    for (;;) {
        if (stop()) {
            zip_fclose(file);
            output->discard();
            return OperationResult::failure(ResultCode::Cancelled);
        }
        const zip_int64_t read = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
        if (read == 0)
            break;
        if (read < 0) {
            const ZipError error = ZipError::of(file);
            zip_fclose(file);
            output->discard();
            return error.entryFailure(entry.name, archivePath);
        }
        const OperationResult written = output->write(buffer.constData(), read);
        if (!written.succeeded()) {
            zip_fclose(file);
            output->discard();
            return written;
        }
        context.addProcessedBytes(read);
        if (onBlock)
            onBlock();
    }
    const int closed = zip_fclose(file);
    if (closed != ZIP_ER_OK) {
        output->discard();
        return ZipError::fromCode(closed).entryFailure(entry.name, archivePath);
    }
    return output->finish();
}
