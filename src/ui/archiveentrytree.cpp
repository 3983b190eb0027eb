#include "archiveentrytree.h"

#include "extractiontarget.h"

#include <algorithm>

namespace {

bool isSeparator(QChar character)
{
    return character == QLatin1Char('/') || character == QLatin1Char('\\');
}

// True when extraction's name check would return the name unchanged: the usual case, found without
// making a new string.
bool isNormal(const QString &name)
{
    if (name.isEmpty() || isSeparator(name.back()) || (name.size() >= 2 && name.at(1) == QLatin1Char(':')))
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size()) {
            const QChar character = name.at(i);
            if (character == QLatin1Char('\\') || character.isNull())
                return false;
            if (character != QLatin1Char('/'))
                continue;
        }
        const QStringView component = QStringView(name).mid(start, i - start);
        if (component.isEmpty() || component == QLatin1String(".") || component == QLatin1String(".."))
            return false;
        start = i + 1;
    }
    return true;
}

// True for names such as "." or "./" that stand for the archive's top itself.
bool namesTop(const QString &name)
{
    for (const QChar character : name) {
        if (character != QLatin1Char('.') && !isSeparator(character))
            return false;
    }
    return !name.contains(QLatin1String(".."));
}

} // namespace

ArchiveEntryTree::ArchiveEntryTree()
{
    Node top;
    top.isFolder = true;
    nodes.append(top);
    folderIds.insert(QStringView(nodes.first().path), ArchiveEntryTree::top);
}

int ArchiveEntryTree::addNode(const QString &path, int parent, bool isFolder)
{
    const int id = int(nodes.size());
    Node node;
    node.path = path;
    node.nameStart = parent == top ? 0 : path.lastIndexOf(QLatin1Char('/')) + 1;
    node.parent = parent;
    node.isFolder = isFolder;
    nodes.append(node);
    nodes[parent].children.append(id);
    return id;
}

int ArchiveEntryTree::folderFor(QStringView path, const QString &within)
{
    const auto known = folderIds.constFind(path);
    if (known != folderIds.cend())
        return known.value();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const int parent = slash < 0 ? top : folderFor(path.left(slash), within);
    // The implied folder's path shares the characters of the name that implies it.
    const int id = addNode(within.left(path.size()), parent, true);
    nodes[id].nameStart = slash + 1;
    folderIds.insert(QStringView(nodes.at(id).path), id);
    return id;
}

void ArchiveEntryTree::setEntry(int id, const ArchiveEntry &entry)
{
    Node &node = nodes[id];
    node.isLink = entry.isLink;
    node.encrypted = entry.encrypted;
    node.size = entry.isFolder ? 0 : entry.size;
    node.compressedSize = entry.compressedSize;
    node.modified = entry.modified;
}

ArchiveEntryTree ArchiveEntryTree::build(const ArchiveEntryList &entries)
{
    ArchiveEntryTree tree;
    // Room for the folders names imply beyond those listed, so the nodes are not moved midway.
    tree.nodes.reserve(entries.size() + entries.size() / 8 + 1);
    tree.itemIds.reserve(entries.size());
    // Archives keep a folder's items together: most names share the previous one's parent.
    QStringView lastParentPath;
    int lastParent = top;
    for (const ArchiveEntry &entry : entries) {
        QString path = entry.name;
        if (!isNormal(path)) {
            if (entry.isFolder && namesTop(path))
                continue;
            QString checked;
            if (!ExtractionTarget::checkEntryName(path, &checked).succeeded()) {
                const int id = tree.addNode(path, top, entry.isFolder);
                tree.nodes[id].unsafe = true;
                tree.setEntry(id, entry);
                continue;
            }
            path = checked;
        }

        if (entry.isFolder) {
            const int id = tree.folderFor(path, path);
            tree.setEntry(id, entry);
            continue;
        }
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QStringView parentPath = QStringView(path).left(std::max<qsizetype>(0, slash));
        if (slash < 0) {
            lastParent = top;
            lastParentPath = QStringView();
        } else if (lastParent == top || parentPath != lastParentPath) {
            lastParent = tree.folderFor(parentPath, path);
            lastParentPath = QStringView(tree.nodes.at(lastParent).path);
        }
        // One lookup finds a repeated path or makes its slot: item ids start at 1. The key views
        // this string's characters, which the new node shares.
        int &slot = tree.itemIds[QStringView(path)];
        if (slot != 0) {
            tree.setEntry(slot, entry);
            continue;
        }
        slot = tree.addNode(path, lastParent, false);
        tree.setEntry(slot, entry);
    }

    for (qsizetype id = 1; id < tree.nodes.size(); ++id) {
        const Node &node = tree.nodes.at(id);
        Totals &totals = tree.nodes[node.parent].totals;
        if (node.isFolder) {
            ++totals.folders;
        } else {
            ++totals.files;
            totals.bytes += node.size;
        }
    }
    return tree;
}

int ArchiveEntryTree::folder(const QString &path) const
{
    QStringView key(path);
    while (key.endsWith(QLatin1Char('/')))
        key.chop(1);
    return folderIds.value(key, -1);
}

int ArchiveEntryTree::item(const QString &path) const
{
    return itemIds.value(QStringView(path), -1);
}
