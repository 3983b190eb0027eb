#include "ziplisting.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "ziparchive.h"
#include "zipcatalogue.h"
#include "zipentryreader.h"

#include <QHash>

namespace {

constexpr qint64 maxLinkTargetSize = 4096;
// Folders implied by longer paths than any file system holds are not listed: for a hostile name
// of thousands of levels they would add up to the square of its length.
constexpr qsizetype maxImpliedFolderLength = 4096;

QString listedName(const ZipCatalogueEntry &entry)
{
    QString name = entry.name;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return name;
}

bool isPlainComponent(QStringView folder)
{
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    const QStringView last = folder.mid(slash + 1);
    return !last.isEmpty() && last != QLatin1String(".") && last != QLatin1String("..");
}

class FolderIndex
{
public:
    explicit FolderIndex(ArchiveEntryList *entries) : entries(entries) {}

    // Adds the folders above name that are not listed yet, deepest first until one is known: every
    // known name's parents are known too.
    void addParentsOf(const QString &name)
    {
        qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
        // Archives keep a folder's entries together: most names share the previous one's parent.
        const QStringView parent = QStringView(name).left(std::max<qsizetype>(0, slash));
        if (slash > 0 && parent == QStringView(lastParent))
            return;
        if (slash > 0)
            lastParent = parent.toString();
        while (slash > 0) {
            if (slash <= maxImpliedFolderLength) {
                const QString folder = name.left(slash);
                if (known.contains(folder))
                    return;
                if (isPlainComponent(folder)) {
                    known.insert(folder, entries->size());
                    ArchiveEntry implied;
                    implied.name = folder;
                    implied.isFolder = true;
                    implied.compressedSize = 0;
                    entries->append(implied);
                }
            }
            slash = name.lastIndexOf(QLatin1Char('/'), slash - 1);
        }
    }

    // A file or link listed once: a later entry of the same name takes the earlier one's place, as
    // extraction keeps the later one, and so does a file or link on a folder's name.
    void addItem(const ArchiveEntry &item)
    {
        const auto found = known.constFind(item.name);
        if (found == known.cend()) {
            known.insert(item.name, entries->size());
            entries->append(item);
            return;
        }
        explicitFolders.remove(item.name);
        (*entries)[found.value()] = item;
    }

    // An explicit folder entry takes the place of the implied one; a repeated one is dropped.
    bool addFolder(const ArchiveEntry &folder)
    {
        const auto found = known.constFind(folder.name);
        if (found == known.cend()) {
            known.insert(folder.name, entries->size());
            entries->append(folder);
            explicitFolders.insert(folder.name);
            return true;
        }
        if (explicitFolders.contains(folder.name))
            return false;
        explicitFolders.insert(folder.name);
        (*entries)[found.value()] = folder;
        return true;
    }

private:
    ArchiveEntryList *entries;
    QHash<QString, qsizetype> known;
    QString lastParent;
    QSet<QString> explicitFolders;
};

} // namespace

ZipListing::ZipListing(OperationContext &context) : context(context) {}

OperationResult ZipListing::run(ArchiveEntryList *entries)
{
    const QString archivePath = context.request().archivePath;
    ZipError error;
    ZipArchive archive = ZipArchive::open(archivePath, ZIP_RDONLY, &error);
    if (!archive.isOpen())
        return error.openFailure(archivePath);
    ZipCatalogue catalogue;
    const OperationResult read = catalogue.read(archive.get(), context.request().legacyNameLanguage);
    if (!read.succeeded())
        return read;

    ZipEntryReader reader(context, archive.get(), context.request().password.toUtf8());
    const auto cancelled = [this] { return context.isCancelled(); };
    const bool havePassword = !context.request().password.isEmpty();
    entries->clear();
    entries->reserve(catalogue.entries().size());
    FolderIndex folders(entries);
    for (const ZipCatalogueEntry &stored : catalogue.entries()) {
        if (context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        ArchiveEntry entry;
        entry.name = listedName(stored);
        if (entry.name.isEmpty())
            continue;
        entry.isFolder = stored.kind == ZipCatalogueEntry::Kind::Folder;
        entry.isLink = stored.kind == ZipCatalogueEntry::Kind::Link;
        entry.size = entry.isFolder || entry.isLink ? 0 : stored.size;
        entry.compressedSize = stored.compressedSize;
        if (stored.modified >= 0)
            // In UTC: the same moment, without the time zone lookups local time costs per entry.
            entry.modified = QDateTime::fromSecsSinceEpoch(stored.modified, Qt::UTC);
        entry.encrypted = stored.isEncrypted();
        if (entry.isLink && stored.size <= maxLinkTargetSize && (!entry.encrypted || havePassword)) {
            QByteArray target;
            const auto output = LinkTargetOutput::create(stored.name, maxLinkTargetSize, &target);
            // A link whose target cannot be read is still listed, without its target.
            if (reader.copy(stored, output.get(), cancelled).succeeded())
                entry.linkTarget = QString::fromUtf8(target);
        }
        folders.addParentsOf(entry.name);
        if (entry.isFolder)
            folders.addFolder(entry);
        else
            folders.addItem(entry);
    }
    return OperationResult::success();
}
