#pragma once

#include "operationresult.h"
#include "ziparchive.h"
#include "zipinputwalker.h"

class OperationContext;
class ZipCloseMonitor;

// Writes request().archivePath from request().inputs: the inputs walked, then the entries compressed
// in line or, when there is enough data, in parallel parts merged in order. An existing file at the
// path stays as it was unless the new archive is complete. Used on the operation's thread.
class ZipCreator
{
public:
    explicit ZipCreator(OperationContext &context);
    OperationResult create();

private:
    // Closes the archive under the monitor; on failure discards it (before the monitor goes).
    OperationResult close(ZipArchive &archive, ZipCloseMonitor &monitor, const QList<ZipInputItem> &items);

    OperationContext &context;
};
