#include "zipbackend.h"

#include "zipalternative.h"
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
    const OperationResult result = ZipExtraction(context, target).run();
    ZipAlternative alternative(context);
    return alternative.applies(result) ? alternative.extract(target, result) : result;
}

OperationResult ZipBackend::list(OperationContext &context, ArchiveEntryList *entries)
{
    const OperationResult result = ZipListing(context).run(entries);
    ZipAlternative alternative(context);
    return alternative.applies(result) ? alternative.list(entries, result) : result;
}

OperationResult ZipBackend::test(OperationContext &context)
{
    const OperationResult result = ZipArchiveTest(context).run();
    ZipAlternative alternative(context);
    return alternative.applies(result) ? alternative.test(result) : result;
}
