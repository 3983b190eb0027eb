#include "tarbackend.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "tarcreator.h"
#include "tarlisting.h"
#include "tarsource.h"
#include "tartools.h"
#include "toolcommands.h"
#include "toolpipeline.h"

#include <QFileInfo>

namespace {

const QString tarProgram = QStringLiteral("tar");

// Runs source → tar with arguments; each chunk tar prints on standard output goes to output.
OperationResult runTar(OperationContext &context, const TarSource &source, const QStringList &arguments,
                       const QProcessEnvironment &environment, const ToolPipeline::OutputHandler &output,
                       bool *tarFailed = nullptr)
{
    ToolPipeline pipeline(context);
    pipeline.setEnvironment(environment);
    source.feed(pipeline);
    const int tar = pipeline.append({tarProgram, arguments, QString()});
    pipeline.setOutputHandler(output);
    const OperationResult result = pipeline.run();
    if (tarFailed)
        *tarFailed = !pipeline.exitedNormally(tar) || pipeline.exitCode(tar) != 0;
    return result;
}

// EntryNotFound for the first selected name the archive did not hold.
OperationResult selectionFound(const ExtractionTarget &target)
{
    const QStringList unmatched = target.unmatchedSelection();
    if (!unmatched.isEmpty())
        return OperationResult::entryFailure(ResultCode::EntryNotFound, unmatched.first());
    return OperationResult::success();
}

} // namespace

OperationResult TarBackend::create(OperationContext &context)
{
    return TarCreator(context).create();
}

OperationResult TarBackend::decompressSingle(OperationContext &context, TarSource &source,
                                             const std::function<void(const QByteArray &)> &sink)
{
    ToolPipeline pipeline(context);
    pipeline.setEnvironment(TarTools::environment());
    source.feed(pipeline);
    pipeline.setOutputHandler([&](const QByteArray &chunk) { sink(chunk); });
    context.setCurrentEntry(source.innerFileName());
    return pipeline.run();
}

OperationResult TarBackend::extract(OperationContext &context, ExtractionTarget &target)
{
    TarSource source(context);
    const OperationResult inspected = source.inspect();
    if (!inspected.succeeded())
        return inspected;

    if (!source.holdsTar()) {
        const QString name = source.innerFileName();
        EntryMetadata metadata;
        metadata.modified = QFileInfo(context.request().archivePath).lastModified().toSecsSinceEpoch();
        std::unique_ptr<StagedFile> file;
        const OperationResult created = target.createFile(name, metadata, &file);
        if (!created.succeeded())
            return created;
        OperationResult written = OperationResult::success();
        const OperationResult decompressed = decompressSingle(context, source, [&](const QByteArray &chunk) {
            if (written.succeeded())
                written = file->write(chunk.constData(), chunk.size());
        });
        OperationResult outcome = !written.succeeded() ? written : decompressed;
        if (outcome.succeeded())
            outcome = file->finish();
        if (!outcome.succeeded()) {
            file->discard();
            return outcome;
        }
        const OperationResult staged = target.finishStaging();
        return staged.succeeded() ? selectionFound(target) : staged;
    }

    // tar names each member on a line as it reads it; the last complete line is the current entry.
    TarListing names(context.request().legacyNameLanguage);
    QByteArray pending;
    const OperationResult unpacked =
        runTar(context, source, ToolCommands::tarExtractArguments(target.stagingPath()),
               TarTools::environment(), [&](const QByteArray &chunk) {
                   pending.append(chunk);
                   const qsizetype end = pending.lastIndexOf('\n');
                   if (end < 0)
                       return;
                   const qsizetype start = pending.lastIndexOf('\n', end - 1) + 1;
                   const QString name =
                       names.extractedName(QByteArrayView(pending).sliced(start, end - start));
                   if (!name.isEmpty())
                       context.setCurrentEntry(name);
                   pending.remove(0, end + 1);
               });
    if (!unpacked.succeeded())
        return unpacked;
    const OperationResult adopted = target.adoptStagedTree();
    return adopted.succeeded() ? selectionFound(target) : adopted;
}

OperationResult TarBackend::list(OperationContext &context, ArchiveEntryList *entries)
{
    TarSource source(context);
    const OperationResult inspected = source.inspect();
    if (!inspected.succeeded())
        return inspected;

    if (!source.holdsTar()) {
        ArchiveEntry entry;
        entry.name = source.innerFileName();
        entry.modified = QFileInfo(context.request().archivePath).lastModified();
        entry.compressedSize = source.size();
        const OperationResult read = decompressSingle(
            context, source, [&entry](const QByteArray &chunk) { entry.size += chunk.size(); });
        if (!read.succeeded())
            return read;
        *entries = {entry};
        return OperationResult::success();
    }

    TarListing listing(context.request().legacyNameLanguage);
    const ToolPipeline::OutputHandler lines = [&listing](const QByteArray &chunk) { listing.feed(chunk); };
    OperationResult listed;
    if (source.isPlainTar()) {
        // tar reads the file itself and skips the members' data.
        ToolPipeline pipeline(context);
        pipeline.setEnvironment(TarTools::listingEnvironment());
        pipeline.append({tarProgram, ToolCommands::tarListArguments(source.path()), QString()});
        pipeline.setOutputHandler(lines);
        listed = pipeline.run();
    } else {
        listed = runTar(context, source, ToolCommands::tarListArguments(QStringLiteral("-")),
                        TarTools::listingEnvironment(), lines);
    }
    if (!listed.succeeded())
        return listed;
    listing.finish();
    *entries = listing.entries();
    return OperationResult::success();
}

OperationResult TarBackend::test(OperationContext &context)
{
    TarSource source(context);
    const OperationResult inspected = source.inspect();
    if (!inspected.succeeded())
        return inspected;
    if (!source.holdsTar())
        return decompressSingle(context, source, [](const QByteArray &) {});

    // Read through, so the decompressor checks every byte and tar every header and member length.
    TarListing listing(context.request().legacyNameLanguage);
    bool tarFailed = false;
    const OperationResult read = runTar(
        context, source, ToolCommands::tarListArguments(QStringLiteral("-")), TarTools::listingEnvironment(),
        [&listing](const QByteArray &chunk) { listing.feed(chunk); }, &tarFailed);
    listing.finish();
    // tar stopped inside the member it named last: that one is damaged, whichever program noticed.
    if (read.code == ResultCode::ToolFailed && tarFailed && !listing.lastName().isEmpty())
        return OperationResult::failure(ResultCode::DamagedEntry, listing.lastName(), read.path, read.detail);
    return read;
}
