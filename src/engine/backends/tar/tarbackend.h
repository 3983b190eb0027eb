#pragma once

#include "archivebackend.h"

class TarSource;

// tar, and tar compressed with gzip, bzip2, xz or zstd, through the external programs; and single
// compressed files (.gz, .bz2, .xz, .zst): one that holds a tar archive is read as one, any other is
// unpacked into the one file named without the suffix.
class TarBackend : public ArchiveBackend
{
public:
    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;

private:
    // Decompresses a single compressed file; its bytes go to sink, which may stop the pipeline.
    static OperationResult decompressSingle(OperationContext &context, TarSource &source,
                                            const std::function<void(const QByteArray &)> &sink);
};
