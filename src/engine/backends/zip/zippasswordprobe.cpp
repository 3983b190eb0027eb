#include "zippasswordprobe.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "zipentryreader.h"

ZipPasswordProbe::ZipPasswordProbe(OperationContext &context, zip_t *archive)
    : context(context), archive(archive)
{
}

OperationResult ZipPasswordProbe::settle(const ZipCatalogueEntry &entry,
                                         const ZipParallelReader::OutputFactory &open, QByteArray *password)
{
    QString candidate = context.request().password;
    bool refused = false;
    const auto cancelled = [this] { return context.isCancelled(); };
    ZipEntryReader reader(context, archive, QByteArray());
    reader.setBlockHandler([this] { context.publish(); });
    for (;;) {
        if (candidate.isEmpty()) {
            const OperationResult asked = context.nextPassword(entry.name, refused, &candidate);
            if (!asked.succeeded())
                return asked;
            // An empty answer opens nothing; it is asked for again like a missing one.
            refused = false;
            continue;
        }
        std::unique_ptr<StagedFile> output;
        OperationResult result = open(entry, &output);
        if (!result.succeeded())
            return result;
        const qint64 processedBefore = context.processedBytes();
        reader.setPassword(candidate.toUtf8());
        result = reader.copy(entry, output.get(), cancelled);
        if (result.succeeded()) {
            *password = candidate.toUtf8();
            context.addProcessedBytes(ZipParallelReader::weight(entry) - entry.size);
            return result;
        }
        const bool passwordRefused =
            result.code == ResultCode::WrongPassword ||
            (result.code == ResultCode::DamagedEntry && entry.encryption == ZIP_EM_TRAD_PKWARE);
        if (!passwordRefused)
            return result;
        // The bytes of a refused try were not extracted.
        context.setProcessedBytes(processedBefore);
        const OperationResult asked = context.nextPassword(entry.name, true, &candidate);
        if (!asked.succeeded())
            return asked;
        refused = true;
    }
}
