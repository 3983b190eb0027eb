#pragma once

#include "libarchivehardlinks.h"
#include "operationresult.h"

class ExtractionTarget;
class LibArchiveReader;
class OperationContext;

// Unpacks an archive through libarchive into the target's staging, in one streamed pass: each
// selected entry as the pipeline's folder, file (its data blocks written as libarchive hands them
// over) or link with the exact stored target; device nodes, FIFOs and sockets are never made; hard
// links become copies (see LibArchiveHardLinks), read in a second pass when there are any. Then the
// staging is finished. Used on the operation's thread.
class LibArchiveExtraction
{
public:
    LibArchiveExtraction(OperationContext &context, ExtractionTarget &target);
    OperationResult run();

private:
    OperationResult extractEntries(LibArchiveReader &reader);
    OperationResult writeFile(LibArchiveReader &reader, const LibArchiveEntry &entry);
    OperationResult copyHardLinks(const QByteArray &passphrase);

    OperationContext &context;
    ExtractionTarget &target;
    LibArchiveHardLinks hardLinks;
};
