#pragma once

#include "operationresult.h"
#include "zipcatalogue.h"

#include <QList>

class ExtractionTarget;
class OperationContext;

// Unpacks the archive into the target's staging: every selected name checked and every entry's
// method and encryption known readable before anything is read, folders made, the password settled
// on the first encrypted entry, links read and handed over as their exact bytes, files read by the
// parallel reader, and the staging finished. Entries whose names land on the same path are never
// written at the same time: only the last one in the archive is extracted, as it would have
// replaced the others. Used on the operation's thread.
class ZipExtraction
{
public:
    ZipExtraction(OperationContext &context, ExtractionTarget &target);
    OperationResult run();

private:
    OperationResult plan(const ZipCatalogue &catalogue);

    OperationContext &context;
    ExtractionTarget &target;
    QList<const ZipCatalogueEntry *> folders;
    // Files and links in index order, one per output path.
    QList<const ZipCatalogueEntry *> dataEntries;
};
