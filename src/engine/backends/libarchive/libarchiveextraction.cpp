#include "libarchiveextraction.h"

#include "extractiontarget.h"
#include "libarchivepasswordloop.h"
#include "libarchivereader.h"
#include "operationcontext.h"

#include <memory>
#include <vector>

namespace {

EntryMetadata metadataOf(const LibArchiveEntry &entry)
{
    EntryMetadata metadata;
    metadata.modified = entry.modified;
    metadata.permissions = entry.permissions;
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
    // "..", "a/.." and the like climb; the pipeline refuses them.
    return !name.contains(QLatin1String(".."));
}

} // namespace

LibArchiveExtraction::LibArchiveExtraction(OperationContext &context, ExtractionTarget &target)
    : context(context), target(target)
{
}

OperationResult LibArchiveExtraction::run()
{
    LibArchivePasswordLoop passwords(context);
    OperationResult result =
        passwords.run([this](LibArchiveReader &reader) { return extractEntries(reader); });
    if (!result.succeeded())
        return result;
    const QStringList unmatched = target.unmatchedSelection();
    if (!unmatched.isEmpty())
        return OperationResult::entryFailure(ResultCode::EntryNotFound, unmatched.first());
    result = copyHardLinks(passwords.passphrase());
    if (!result.succeeded())
        return result;
    return target.finishStaging();
}

OperationResult LibArchiveExtraction::extractEntries(LibArchiveReader &reader)
{
    // A pass that ended on a password starts over with nothing remembered.
    hardLinks = LibArchiveHardLinks();
    for (qint64 index = 0;; ++index) {
        if (context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        LibArchiveEntry entry;
        bool atEnd = false;
        OperationResult result = reader.next(&entry, &atEnd);
        if (!result.succeeded() || atEnd)
            return result;
        const bool destinationItself =
            entry.kind == LibArchiveEntry::Kind::Folder && namesDestination(entry.name);
        const bool selected = entry.kind != LibArchiveEntry::Kind::Special && !destinationItself &&
                              target.isSelected(entry.name);
        std::optional<QByteArray> sameLink;
        result = hardLinks.note(index, entry, selected, metadataOf(entry), &sameLink);
        if (!result.succeeded())
            return result;
        if (!selected)
            continue;

        switch (entry.kind) {
        case LibArchiveEntry::Kind::Folder:
            result = target.createFolder(entry.name, metadataOf(entry));
            break;
        case LibArchiveEntry::Kind::Link:
            result = target.addLink(entry.name, entry.linkTarget);
            break;
        case LibArchiveEntry::Kind::HardLink:
            if (sameLink)
                result = target.addLink(entry.name, *sameLink);
            else if (entry.size > 0)
                result = writeFile(reader, entry);
            break;
        case LibArchiveEntry::Kind::File:
            result = writeFile(reader, entry);
            break;
        case LibArchiveEntry::Kind::Special:
            break;
        }
        if (!result.succeeded())
            return result;
    }
}

OperationResult LibArchiveExtraction::writeFile(LibArchiveReader &reader, const LibArchiveEntry &entry)
{
    std::unique_ptr<StagedFile> file;
    OperationResult result = target.createFile(entry.name, metadataOf(entry), &file);
    if (!result.succeeded() || !file)
        return result;
    result = reader.readData([&file](const char *data, qint64 size) { return file->write(data, size); });
    if (!result.succeeded()) {
        file->discard();
        return result;
    }
    return file->finish();
}

OperationResult LibArchiveExtraction::copyHardLinks(const QByteArray &passphrase)
{
    QMap<qint64, QList<LibArchiveHardLinks::Copy>> copies = hardLinks.copiesBySource();
    if (copies.isEmpty())
        return OperationResult::success();
    LibArchiveReader reader(context);
    OperationResult result = reader.open(passphrase);
    for (qint64 index = 0; result.succeeded() && !copies.isEmpty(); ++index) {
        if (context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        LibArchiveEntry entry;
        bool atEnd = false;
        result = reader.next(&entry, &atEnd);
        if (!result.succeeded())
            return result;
        // The archive changed between the passes.
        if (atEnd)
            return OperationResult::pathFailure(ResultCode::NotAnArchive, context.request().archivePath);
        const QList<LibArchiveHardLinks::Copy> wanted = copies.take(index);
        if (wanted.isEmpty())
            continue;
        std::vector<std::unique_ptr<StagedFile>> files;
        for (const LibArchiveHardLinks::Copy &copy : wanted) {
            std::unique_ptr<StagedFile> file;
            result = target.createFile(copy.entryName, copy.metadata, &file);
            if (!result.succeeded())
                break;
            if (file)
                files.push_back(std::move(file));
        }
        if (result.succeeded())
            result = reader.readData([&files](const char *data, qint64 size) {
                for (const std::unique_ptr<StagedFile> &file : files) {
                    const OperationResult written = file->write(data, size);
                    if (!written.succeeded())
                        return written;
                }
                return OperationResult::success();
            });
        for (const std::unique_ptr<StagedFile> &file : files) {
            if (!result.succeeded())
                file->discard();
            else
                result = file->finish();
        }
    }
    return result;
}
