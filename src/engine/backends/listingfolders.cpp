#include "listingfolders.h"

namespace {

// Folders implied by longer paths than any file system holds are not listed: for a hostile name
// of thousands of levels they would add up to the square of its length.
constexpr qsizetype maxImpliedFolderLength = 4096;

bool isPlainComponent(QStringView folder)
{
    const QStringView last = folder.mid(folder.lastIndexOf(QLatin1Char('/')) + 1);
    return !last.isEmpty() && last != QLatin1String(".") && last != QLatin1String("..");
}

} // namespace

ListingFolders::ListingFolders(ArchiveEntryList *entries) : entries(entries) {}

void ListingFolders::add(const ArchiveEntry &entry)
{
    addParentsOf(entry.name);
    const auto found = rows.constFind(entry.name);
    if (found == rows.cend()) {
        rows.insert(entry.name, entries->size());
        entries->append(entry);
    } else {
        (*entries)[found.value()] = entry;
    }
}

void ListingFolders::addParentsOf(const QString &name)
{
    // Deepest first until a known folder: every known folder's parents are known too.
    qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    while (slash > 0) {
        if (slash <= maxImpliedFolderLength) {
            const QString folder = name.left(slash);
            if (rows.contains(folder))
                return;
            if (isPlainComponent(folder)) {
                ArchiveEntry implied;
                implied.name = folder;
                implied.isFolder = true;
                rows.insert(folder, entries->size());
                entries->append(implied);
            }
        }
        slash = name.lastIndexOf(QLatin1Char('/'), slash - 1);
    }
}
