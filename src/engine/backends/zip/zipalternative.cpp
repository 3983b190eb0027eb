#include "zipalternative.h"

#include "extractiontarget.h"
#include "libarchivebackend.h"
#include "operationcontext.h"
#include "sevenzipbackend.h"
#include "ziparchive.h"
#include "zipcatalogue.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

// Methods libarchive's ZIP reader decompresses: stored, deflate, bzip2, LZMA, XZ, PPMd.
bool libArchiveReads(quint16 method)
{
    switch (method) {
    case 0:
    case 8:
    case 12:
    case 14:
    case 95:
    case 98:
        return true;
    default:
        return false;
    }
}

// The other reader could not make sense of the archive either (or is not installed): the next one
// may, and libzip's own refusal says more than the last reader's.
bool cannotRead(const OperationResult &result)
{
    switch (result.code) {
    case ResultCode::NotAnArchive:
    case ResultCode::EntryNameUnreadable:
    case ResultCode::EntryUnreadable:
    case ResultCode::DamagedEntry:
    case ResultCode::UnsupportedMethod:
    case ResultCode::ToolMissing:
    case ResultCode::ToolNotStarted:
    case ResultCode::ToolFailed:
        return true;
    default:
        return false;
    }
}

} // namespace

ZipAlternative::ZipAlternative(OperationContext &context) : context(context) {}

bool ZipAlternative::applies(const OperationResult &libzipResult)
{
    if (libzipResult.code == ResultCode::UnsupportedMethod) {
        ZipError error;
        const ZipArchive archive = ZipArchive::open(context.request().archivePath, ZIP_RDONLY, &error);
        ZipCatalogue catalogue;
        if (archive.isOpen() &&
            catalogue.read(archive.get(), context.request().legacyNameLanguage).succeeded()) {
            for (const ZipCatalogueEntry &entry : catalogue.entries()) {
                if (entry.hasData() && !libArchiveReads(entry.method))
                    libArchiveReadsMethods = false;
            }
        }
        return true;
    }
    if (libzipResult.code != ResultCode::NotAnArchive)
        return false;
    // Opened again only on this rare path, to learn libzip's own reason.
    ZipError error;
    const ZipArchive archive = ZipArchive::open(context.request().archivePath, ZIP_RDONLY, &error);
    return !archive.isOpen() && error.zipCode == ZIP_ER_INCONS;
}

namespace {

using Attempt = std::function<OperationResult(ArchiveBackend &backend)>;

OperationResult tryInTurn(OperationContext &context, bool withLibArchive, const OperationResult &libzipResult,
                          const Attempt &attempt)
{
    std::vector<std::unique_ptr<ArchiveBackend>> backends;
    if (withLibArchive)
        backends.push_back(std::make_unique<LibArchiveBackend>());
    backends.push_back(std::make_unique<SevenZipBackend>(QStringLiteral("zip")));
    for (const std::unique_ptr<ArchiveBackend> &backend : backends) {
        if (context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        const OperationResult result = attempt(*backend);
        if (!cannotRead(result))
            return result;
    }
    return libzipResult;
}

} // namespace

OperationResult ZipAlternative::extract(ExtractionTarget &target, const OperationResult &libzipResult)
{
    return tryInTurn(context, libArchiveReadsMethods, libzipResult, [&](ArchiveBackend &backend) {
        const OperationResult emptied = target.discardStaged();
        return emptied.succeeded() ? backend.extract(context, target) : emptied;
    });
}

OperationResult ZipAlternative::list(ArchiveEntryList *entries, const OperationResult &libzipResult)
{
    return tryInTurn(context, libArchiveReadsMethods, libzipResult,
                     [&](ArchiveBackend &backend) { return backend.list(context, entries); });
}

OperationResult ZipAlternative::test(const OperationResult &libzipResult)
{
    return tryInTurn(context, libArchiveReadsMethods, libzipResult,
                     [&](ArchiveBackend &backend) { return backend.test(context); });
}
