#include "libarchivebackend.h"

#include "libarchiveextraction.h"
#include "libarchivelisting.h"
#include "libarchivepasswordloop.h"
#include "libarchivereader.h"
#include "operationcontext.h"

OperationResult LibArchiveBackend::create(OperationContext &context)
{
    return OperationResult::failure(ResultCode::UnsupportedFormat, {}, {}, context.request().formatName);
}

OperationResult LibArchiveBackend::extract(OperationContext &context, ExtractionTarget &target)
{
    return LibArchiveExtraction(context, target).run();
}

OperationResult LibArchiveBackend::list(OperationContext &context, ArchiveEntryList *entries)
{
    return LibArchiveListing(context).run(entries);
}

OperationResult LibArchiveBackend::test(OperationContext &context)
{
    // Every entry's data read to its end, so libarchive checks what the format lets it check.
    const LibArchiveReader::Sink discard = [](const char *, qint64) { return OperationResult::success(); };
    return LibArchivePasswordLoop(context).run([&context, &discard](LibArchiveReader &reader) {
        for (;;) {
            if (context.isCancelled())
                return OperationResult::failure(ResultCode::Cancelled);
            LibArchiveEntry entry;
            bool atEnd = false;
            OperationResult result = reader.next(&entry, &atEnd);
            if (!result.succeeded() || atEnd)
                return result;
            const bool hasData = entry.kind == LibArchiveEntry::Kind::File ||
                                 (entry.kind == LibArchiveEntry::Kind::HardLink && entry.size > 0);
            result = hasData ? reader.readData(discard) : reader.skipData();
            if (!result.succeeded())
                return result;
        }
    });
}
