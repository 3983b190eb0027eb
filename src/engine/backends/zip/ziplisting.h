#pragma once

#include "archiveentry.h"
#include "operationresult.h"

class OperationContext;

// Lists every entry of the archive once from its central directory, with the folders its names only
// imply ("a/b/c.txt" implies "a" and "a/b"). Reads no data but the targets of links that are not
// encrypted (or that the request's password opens), writes nothing, needs no password: ZIP does not
// encrypt names. Used on the operation's thread.
class ZipListing
{
public:
    explicit ZipListing(OperationContext &context);
    OperationResult run(ArchiveEntryList *entries);

private:
    OperationContext &context;
};
