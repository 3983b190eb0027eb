#pragma once

#include "archivebackend.h"

// ZIP through libzip, in-process: writing (parallel parts merged in order), reading (one handle per core),
// listing and testing. Archives and entries libzip refuses but other readers take go to ZipAlternative.
class ZipBackend : public ArchiveBackend
{
public:
    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;
};
