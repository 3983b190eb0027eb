#include "zipextraction.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "ziparchive.h"
#include "zipentryreader.h"
#include "zipparallelreader.h"
#include "zippasswordprobe.h"

#include <QHash>

namespace {

// Link targets are short paths; anything longer is not a link we would restore.
constexpr qint64 maxLinkTargetSize = 4096;

EntryMetadata metadataOf(const ZipCatalogueEntry &entry)
{
    EntryMetadata metadata;
    metadata.modified = entry.modified;
    metadata.permissions = entry.unixMode & 07777;
    return metadata;
}

// A folder entry such as "./" names the destination itself, which belongs to the user: its mode and
// time are not the archive's to set.
bool namesDestination(const QString &name)
{
    for (const QChar character : name) {
        if (character != QLatin1Char('.') && character != QLatin1Char('/') && character != QLatin1Char('\\'))
            return false;
    }
    // "..", "a/.." and the like climb; checkEntryName refuses them.
    return !name.contains(QLatin1String(".."));
}

} // namespace

ZipExtraction::ZipExtraction(OperationContext &context, ExtractionTarget &target)
    : context(context), target(target)
{
}

OperationResult ZipExtraction::plan(const ZipCatalogue &catalogue)
{
    QHash<QString, qsizetype> lastForPath;
    QList<const ZipCatalogueEntry *> candidates;
    QStringList paths;
    for (const ZipCatalogueEntry &entry : catalogue.entries()) {
        if (!target.isSelected(entry.name))
            continue;
        if (entry.kind == ZipCatalogueEntry::Kind::Folder && namesDestination(entry.name))
            continue;
        QString relativePath;
        const OperationResult checked = ExtractionTarget::checkEntryName(entry.name, &relativePath);
        if (!checked.succeeded())
            return checked;
        if (entry.kind == ZipCatalogueEntry::Kind::Folder) {
            folders.append(&entry);
            continue;
        }
        lastForPath.insert(relativePath, candidates.size());
        candidates.append(&entry);
        paths.append(relativePath);
    }
    const QStringList unmatched = target.unmatchedSelection();
    if (!unmatched.isEmpty())
        return OperationResult::entryFailure(ResultCode::EntryNotFound, unmatched.first());

    for (qsizetype position = 0; position < candidates.size(); ++position) {
        if (lastForPath.value(paths.at(position)) != position)
            continue;
        const ZipCatalogueEntry &entry = *candidates.at(position);
        const OperationResult supported = ZipEntryReader::checkSupported(entry);
        if (!supported.succeeded())
            return supported;
        if (entry.kind == ZipCatalogueEntry::Kind::Link && entry.size > maxLinkTargetSize)
            return OperationResult::entryFailure(ResultCode::UnsafeEntry, entry.name);
        dataEntries.append(&entry);
    }
    return OperationResult::success();
}

OperationResult ZipExtraction::run()
{
    const QString archivePath = context.request().archivePath;
    ZipError error;
    ZipArchive archive = ZipArchive::open(archivePath, ZIP_RDONLY, &error);
    if (!archive.isOpen())
        return error.openFailure(archivePath);
    ZipCatalogue catalogue;
    OperationResult result = catalogue.read(archive.get(), context.request().legacyNameLanguage);
    if (!result.succeeded())
        return result;
    result = plan(catalogue);
    if (!result.succeeded())
        return result;

    qint64 totalWeight = 0;
    for (const ZipCatalogueEntry *entry : std::as_const(dataEntries))
        totalWeight += ZipParallelReader::weight(*entry);
    context.setTotalBytes(totalWeight);

    for (const ZipCatalogueEntry *folder : std::as_const(folders)) {
        context.setCurrentEntry(folder->name);
        result = target.createFolder(folder->name, metadataOf(*folder));
        if (!result.succeeded())
            return result;
    }

    QByteArray linkTarget;
    const ZipParallelReader::OutputFactory fileOutput = [this](const ZipCatalogueEntry &entry,
                                                               std::unique_ptr<StagedFile> *output) {
        return target.createFile(entry.name, metadataOf(entry), output);
    };
    const ZipParallelReader::OutputFactory linkOutput = [&linkTarget](const ZipCatalogueEntry &entry,
                                                                      std::unique_ptr<StagedFile> *output) {
        *output = LinkTargetOutput::create(entry.name, maxLinkTargetSize, &linkTarget);
        return OperationResult::success();
    };
    const auto isLink = [](const ZipCatalogueEntry *entry) {
        return entry->kind == ZipCatalogueEntry::Kind::Link;
    };

    QByteArray password = context.request().password.toUtf8();
    QList<const ZipCatalogueEntry *> remaining = dataEntries;
    for (qsizetype position = 0; position < remaining.size(); ++position) {
        const ZipCatalogueEntry *probe = remaining.at(position);
        if (!probe->isEncrypted())
            continue;
        context.setCurrentEntry(probe->name);
        result = ZipPasswordProbe(context, archive.get())
                     .settle(*probe, isLink(probe) ? linkOutput : fileOutput, &password);
        if (!result.succeeded())
            return result;
        if (isLink(probe)) {
            result = target.addLink(probe->name, linkTarget);
            if (!result.succeeded())
                return result;
        }
        remaining.removeAt(position);
        break;
    }

    // Links are small and few: read here, made by the target after every file.
    ZipEntryReader reader(context, archive.get(), password);
    const auto cancelled = [this] { return context.isCancelled(); };
    QList<const ZipCatalogueEntry *> files;
    for (const ZipCatalogueEntry *entry : std::as_const(remaining)) {
        if (!isLink(entry)) {
            files.append(entry);
            continue;
        }
        context.setCurrentEntry(entry->name);
        std::unique_ptr<StagedFile> output;
        linkOutput(*entry, &output);
        result = reader.copy(*entry, output.get(), cancelled);
        if (result.succeeded())
            result = target.addLink(entry->name, linkTarget);
        if (!result.succeeded())
            return result;
        context.addProcessedBytes(ZipParallelReader::weight(*entry) - entry->size);
    }

    result = ZipParallelReader(context, archive.get(), password).read(files, fileOutput);
    if (!result.succeeded())
        return result;
    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    return target.finishStaging();
}
