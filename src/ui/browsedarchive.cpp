#include "browsedarchive.h"

#include "archiveentrymodel.h"
#include "archiveformat.h"

#include <QDir>
#include <QFileInfo>

BrowsedArchive::BrowsedArchive(ArchiveEntryModel *model) : model(model) {}

void BrowsedArchive::open(const QString &archivePath, const ArchiveEntryTree &tree)
{
    path = archivePath;
    insideFolder.clear();
    model->setTree(tree);
}

void BrowsedArchive::close()
{
    path.clear();
    insideFolder.clear();
    model->setTree(ArchiveEntryTree());
}

QString BrowsedArchive::pathText() const
{
    return insideFolder.isEmpty() ? path : path + QLatin1Char('/') + insideFolder;
}

QModelIndex BrowsedArchive::rootIndex() const
{
    return model->folderIndex(insideFolder);
}

QString BrowsedArchive::holdingFolder() const
{
    return QFileInfo(path).absolutePath();
}

bool BrowsedArchive::enterFolder(const QString &folderPath)
{
    if (!model->folderExists(folderPath))
        return false;
    model->setRootPath(folderPath);
    insideFolder = model->rootPath();
    return true;
}

bool BrowsedArchive::enter(const QModelIndex &index)
{
    if (!index.isValid() || !model->isFolder(index))
        return false;
    return enterFolder(model->entryPath(index));
}

bool BrowsedArchive::up()
{
    if (insideFolder.isEmpty())
        return false;
    const qsizetype slash = insideFolder.lastIndexOf(QLatin1Char('/'));
    return enterFolder(slash < 0 ? QString() : insideFolder.left(slash));
}

QStringList BrowsedArchive::entryNames(const QModelIndexList &selectedRows) const
{
    QStringList names;
    if (selectedRows.isEmpty()) {
        const QModelIndex root = rootIndex();
        const int count = model->rowCount(root);
        names.reserve(count);
        for (int row = 0; row < count; ++row)
            names.append(model->entryPath(model->index(row, 0, root)));
        return names;
    }
    QSet<QString> seen;
    for (const QModelIndex &row : selectedRows) {
        const QString name = model->entryPath(row);
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        names.append(name);
    }
    return names;
}

bool BrowsedArchive::splitPath(const QString &text, QString *archivePath, QString *folderInside)
{
    const QString typed = QDir::fromNativeSeparators(text);
    qsizetype end = typed.indexOf(QLatin1Char('/'), 1);
    for (;;) {
        const QString candidate = end < 0 ? typed : typed.left(end);
        const QFileInfo info(candidate);
        if (info.isDir()) {
            if (end < 0)
                return false;
            end = typed.indexOf(QLatin1Char('/'), end + 1);
            continue;
        }
        if (!info.isFile() || !FormatRegistry::canExtract(candidate))
            return false;
        QString inside = end < 0 ? QString() : typed.mid(end + 1);
        while (inside.endsWith(QLatin1Char('/')))
            inside.chop(1);
        *archivePath = candidate;
        *folderInside = inside;
        return true;
    }
}
