#include "tarbackend.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "tarcreator.h"
#include "tarlisting.h"
#include "tarsource.h"
#include "tartools.h"
#include "toolcommands.h"
#include "toolpipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include "filedescriptor.h"
#include "treeremover.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

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

// The selected names for tar's -T, each ended by a NUL, as tar compares them with the stored names;
// false (nothing to give tar) without a selection or with a name no entry can have.
bool writeNamesForTar(const QStringList &entryNames, QTemporaryFile *file)
{
    if (entryNames.isEmpty())
        return false;
    QByteArray list;
    for (const QString &name : entryNames) {
        QString normalised;
        if (!ExtractionTarget::checkEntryName(name, &normalised).succeeded())
            return false;
        list += QFile::encodeName(normalised) + '\0';
    }
    return file->open() && file->write(list) == list.size() && file->flush();
}

// Removes everything a run left in folder, the folder itself kept: nothing of a failed run may count
// as unpacked by the next. Never follows a link; on POSIX by descriptors, whatever the names' bytes,
// read-only folders included.
bool emptyFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    const FileDescriptor folderFd(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folderFd.isValid())
        return false;
    const int listingFd = ::dup(folderFd.get());
    DIR *listing = listingFd < 0 ? nullptr : ::fdopendir(listingFd);
    if (!listing) {
        if (listingFd >= 0)
            ::close(listingFd);
        return false;
    }
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(listing);
    bool emptied = true;
    for (const QByteArray &name : std::as_const(names))
        emptied = TreeRemover::remove(folderFd.get(), name) && emptied;
    return emptied;
#else
    bool emptied = true;
    const QDir dir(folder);
    for (const QFileInfo &item :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (item.isDir() && !item.isSymLink())
            emptied = QDir(item.filePath()).removeRecursively() && emptied;
        else
            emptied = QFile::remove(item.filePath()) && emptied;
    }
    return emptied;
#endif
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
    const auto unpack = [&](const QStringList &arguments) {
        pending.clear();
        return runTar(context, source, arguments, TarTools::environment(), [&](const QByteArray &chunk) {
            pending.append(chunk);
            const qsizetype end = pending.lastIndexOf('\n');
            if (end < 0)
                return;
            const qsizetype start = pending.lastIndexOf('\n', end - 1) + 1;
            const QString name = names.extractedName(QByteArrayView(pending).sliced(start, end - start));
            if (!name.isEmpty())
                context.setCurrentEntry(name);
            pending.remove(0, end + 1);
        });
    };

    const QString staging = target.stagingPath();
    // Given the selected names, tar writes only those entries. A name it does not find as given
    // (stored as "./name", or in a legacy encoding the listing decoded) fails that run; the whole
    // archive is then unpacked and the pipeline keeps the selected part.
    bool selectionUnpacked = false;
    QTemporaryFile selectedNames(QDir::tempPath() + QStringLiteral("/kelvane-names-XXXXXX"));
    if (writeNamesForTar(context.request().entryNames, &selectedNames)) {
        const OperationResult selective =
            unpack(ToolCommands::tarExtractArguments(staging) +
                   QStringList{QStringLiteral("--null"), QStringLiteral("--verbatim-files-from"),
                               QStringLiteral("-T"), selectedNames.fileName()});
        selectionUnpacked = selective.succeeded();
        if (!selectionUnpacked && (context.isCancelled() || !emptyFolder(staging)))
            return selective;
    }
    if (!selectionUnpacked) {
        const OperationResult unpacked = unpack(ToolCommands::tarExtractArguments(staging));
        if (!unpacked.succeeded())
            return unpacked;
    }
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
