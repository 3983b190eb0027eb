#include "zipbackend.h"

#include "ziparchivetest.h"
#include "zipcreator.h"
#include "zipextraction.h"
#include "ziplisting.h"

OperationResult ZipBackend::create(OperationContext &context)
{
    return ZipCreator(context).create();
}

OperationResult ZipBackend::extract(OperationContext &context, ExtractionTarget &target)
{
    return ZipExtraction(context, target).run();
}

OperationResult ZipBackend::list(OperationContext &context, ArchiveEntryList *entries)
{
    return ZipListing(context).run(entries);
}

OperationResult ZipBackend::test(OperationContext &context)
{
    return ZipArchiveTest(context).run();
}
