#include "ziparchivetest.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "ziparchive.h"
#include "zipcatalogue.h"
#include "zipentryreader.h"
#include "zipparallelreader.h"
#include "zippasswordprobe.h"
#include "zipquickcheck.h"

ZipArchiveTest::ZipArchiveTest(OperationContext &context) : context(context) {}

OperationResult ZipArchiveTest::run()
{
    switch (ZipQuickCheck(context).run()) {
    case ZipQuickCheck::Verdict::Intact:
        return OperationResult::success();
    case ZipQuickCheck::Verdict::Cancelled:
        return OperationResult::failure(ResultCode::Cancelled);
    case ZipQuickCheck::Verdict::Undecided:
        // Read again from the start, through libzip, which names what is wrong.
        context.setProcessedBytes(0);
        break;
    }

    const QString archivePath = context.request().archivePath;
    ZipError error;
    ZipArchive archive = ZipArchive::open(archivePath, ZIP_RDONLY, &error);
    if (!archive.isOpen())
        return error.openFailure(archivePath);
    ZipCatalogue catalogue;
    OperationResult result = catalogue.read(archive.get(), context.request().legacyNameLanguage);
    if (!result.succeeded())
        return result;

    QList<const ZipCatalogueEntry *> work;
    qint64 totalWeight = 0;
    for (const ZipCatalogueEntry &entry : catalogue.entries()) {
        if (!entry.hasData())
            continue;
        work.append(&entry);
        totalWeight += ZipParallelReader::weight(entry);
    }
    context.setTotalBytes(totalWeight);

    const ZipParallelReader::OutputFactory discard = [](const ZipCatalogueEntry &,
                                                        std::unique_ptr<StagedFile> *output) {
        *output = DiscardedOutput::create();
        return OperationResult::success();
    };
    QByteArray password = context.request().password.toUtf8();
    for (qsizetype position = 0; position < work.size(); ++position) {
        const ZipCatalogueEntry *probe = work.at(position);
        if (!probe->isEncrypted() || !ZipEntryReader::checkSupported(*probe).succeeded())
            continue;
        // The entries before the first encrypted one come first, so a failure among them is the
        // first one reported.
        result = ZipParallelReader(context, archive.get(), password).read(work.mid(0, position), discard);
        if (!result.succeeded())
            return result;
        context.setCurrentEntry(probe->name);
        result = ZipPasswordProbe(context, archive.get()).settle(*probe, discard, &password);
        if (!result.succeeded())
            return result;
        work.remove(0, position + 1);
        break;
    }
    return ZipParallelReader(context, archive.get(), password).read(work, discard);
}
