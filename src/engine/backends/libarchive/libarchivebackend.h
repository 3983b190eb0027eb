#pragma once

#include "archivebackend.h"

// Read-only formats through libarchive, in-process: RAR 4 and 5, ISO 9660, cpio, ar and Debian
// packages, cab, lha, xar, and tar under the compressors the tar programs here do not run. create()
// refuses with UnsupportedFormat.
class LibArchiveBackend : public ArchiveBackend
{
public:
    OperationResult create(OperationContext &context) override;
    OperationResult extract(OperationContext &context, ExtractionTarget &target) override;
    OperationResult list(OperationContext &context, ArchiveEntryList *entries) override;
    OperationResult test(OperationContext &context) override;
};
