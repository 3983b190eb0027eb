#pragma once

#include "archiveentry.h"
#include "operationresult.h"

class ExtractionTarget;
class OperationContext;

// Reads the ZIP archives libzip refuses although other readers here take them: an archive libzip
// finds inconsistent (a trailing comment cut short, entry counts or directory sizes that disagree, a
// malformed extra field), or entries compressed in a method libzip lacks (deflate64, implode, shrink,
// LZMA, XZ, PPMd ...). libarchive reads them in-process where it can (it lacks deflate64, implode,
// shrink and reduce), 7z otherwise; both go through the same extraction pipeline and its checks. An
// alternative that cannot read the archive either passes it to the next; when none can, libzip's own
// refusal stands. Used on the operation's thread.
class ZipAlternative
{
public:
    explicit ZipAlternative(OperationContext &context);

    // True when libzip's result is a refusal another reader may get past.
    bool applies(const OperationResult &libzipResult);

    // Each runs the alternatives in turn and returns the first result that is not "cannot read
    // this either"; extraction empties the target's staging before each attempt.
    OperationResult extract(ExtractionTarget &target, const OperationResult &libzipResult);
    OperationResult list(ArchiveEntryList *entries, const OperationResult &libzipResult);
    OperationResult test(const OperationResult &libzipResult);

private:
    OperationContext &context;
    // libarchive is skipped when an entry's method is one it lacks.
    bool libArchiveReadsMethods = true;
};
