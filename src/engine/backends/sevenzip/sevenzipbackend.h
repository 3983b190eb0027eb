#pragma once

#include "archivebackend.h"

// 7z archives through the 7z program.
class SevenZipBackend : public ArchiveBackend
{
public:
    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;
};
