#include "archivebackend.h"

#include "libarchivebackend.h"
#include "sevenzipbackend.h"
#include "tarbackend.h"
#include "zipbackend.h"

std::unique_ptr<ArchiveBackend> createBackend(ArchiveFormat format)
{
    switch (FormatRegistry::info(format).backend) {
    case BackendKind::Zip:
        return std::make_unique<ZipBackend>();
    case BackendKind::TarPipeline:
        return std::make_unique<TarBackend>();
    case BackendKind::SevenZip:
        return std::make_unique<SevenZipBackend>();
    case BackendKind::LibArchive:
        return std::make_unique<LibArchiveBackend>();
    case BackendKind::None:
        break;
    }
    return nullptr;
}
