#pragma once

#include "archivebackend.h"

// tar and tar compressed with gzip, bzip2 or xz through the external programs, and single compressed files (a .gz that holds no tar is unpacked into the file without the suffix).
class TarBackend : public ArchiveBackend
{
public:
    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;
};
