#pragma once

#include "archiveentry.h"
#include "archiveformat.h"
#include "operationresult.h"

#include <memory>

class ExtractionTarget;
class OperationContext;

// The code for one family of formats. Every call runs on the operation's thread, reads the request
// from the context, reports progress and the current entry there, polls its cancel flag, and ends with
// a result; nothing is thrown and nothing translated. One backend object serves one operation.
class ArchiveBackend
{
public:
    virtual ~ArchiveBackend() = default;

    // Writes request().archivePath from request().inputs. An existing file at that path stays as it
    // was unless the new archive is complete.
    virtual OperationResult create(OperationContext &context) = 0;
    // Unpacks into the target's staging (the job commits it afterwards), honouring
    // request().entryNames through the target's selection.
    virtual OperationResult extract(OperationContext &context, ExtractionTarget &target) = 0;
    // Every entry once, folders included even where the archive stores them only implicitly.
    virtual OperationResult list(OperationContext &context, ArchiveEntryList *entries) = 0;
    // Reads every entry completely (checksums, decryption) and writes nothing.
    virtual OperationResult test(OperationContext &context) = 0;
};

// The backend that handles format (never null for a format the registry can extract or create).
std::unique_ptr<ArchiveBackend> createBackend(ArchiveFormat format);
