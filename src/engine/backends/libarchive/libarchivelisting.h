#pragma once

#include "archiveentry.h"
#include "operationresult.h"

class OperationContext;

// Lists an archive through libarchive: every entry once, folders implied by paths included, hard
// links as the files they repeat, device nodes, FIFOs and sockets left out as extraction leaves
// them out. Reads headers only. Used on the operation's thread.
class LibArchiveListing
{
public:
    explicit LibArchiveListing(OperationContext &context);
    OperationResult run(ArchiveEntryList *entries);

private:
    OperationContext &context;
};
