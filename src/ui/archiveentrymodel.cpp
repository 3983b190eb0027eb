#include "archiveentrymodel.h"

#include "datasize.h"
#include "myfilesystemmodel.h"

#include <QLocale>
#include <QMimeDatabase>

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

// File types are looked up by what follows the first dot of a name ("tar.gz", "txt"), which the
// names of one archive share; a name without one is looked up whole.
QString typeKey(QStringView name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
    if (dot < 0 || dot == name.size() - 1)
        return name.toString().toLower();
    return QLatin1String("x.") + name.mid(dot + 1).toString().toLower();
}

qint64 sortableTime(const QDateTime &time)
{
    return time.isValid() ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

ArchiveEntryModel::ArchiveEntryModel(QObject *parent) : QAbstractItemModel(parent)
{
    setTree(ArchiveEntryTree());
}

ArchiveEntryModel::~ArchiveEntryModel() = default;

void ArchiveEntryModel::setTree(const ArchiveEntryTree &tree)
{
    beginResetModel();
    entryTree = tree;
    filterText.clear();
    shownFolderPath.clear();
    shownFolderChain = {ArchiveEntryTree::top};
    ++generation;
    folderRows.assign(size_t(entryTree.size()), FolderRows());
    rows.assign(size_t(entryTree.size()), -1);
    endResetModel();
}

void ArchiveEntryModel::setEntries(const ArchiveEntryList &entries)
{
    setTree(ArchiveEntryTree::build(entries));
}

int ArchiveEntryModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? int(index.internalId()) : ArchiveEntryTree::top;
}

bool ArchiveEntryModel::passesFilter(int node) const
{
    return filterText.isEmpty() || shownFolderChain.contains(node) ||
           entryTree.node(node).name().contains(filterText, Qt::CaseInsensitive);
}

const ArchiveEntryModel::FileType &ArchiveEntryModel::fileType(int node) const
{
    const QStringView name = entryTree.node(node).name();
    const QString key = typeKey(name);
    auto found = fileTypes.find(key);
    if (found == fileTypes.end()) {
        static const QMimeDatabase database;
        const QMimeType mime = database.mimeTypeForFile(key, QMimeDatabase::MatchExtension);
        FileType type;
        type.name = mime.comment().isEmpty() ? mime.name() : mime.comment();
        const QIcon generic =
            QIcon::fromTheme(mime.genericIconName(), iconProvider.icon(QFileIconProvider::File));
        type.icon = QIcon::fromTheme(mime.iconName(), generic);
        found = fileTypes.insert(key, type);
    }
    return found.value();
}

// The file list's order: by name and by size folders come first, by type and by date they do not;
// ties go by name; descending is the ascending order reversed.
QList<int> ArchiveEntryModel::sortedRows(const QList<int> &nodes) const
{
    QList<QStringView> names;
    names.reserve(nodes.size());
    for (const int node : nodes)
        names.append(entryTree.node(node).name());
    const QList<int> nameRank = nameOrder.ranks(names);

    // Sort keys per position, so the comparisons below touch nothing but integers.
    QList<qint64> primary(nodes.size(), 0);
    const auto folderFirst = [&](qsizetype i) { return entryTree.node(nodes.at(i)).isFolder ? 0 : 1; };
    switch (sortColumn) {
    case SizeColumn:
        for (qsizetype i = 0; i < nodes.size(); ++i)
            primary[i] = entryTree.node(nodes.at(i)).size;
        break;
    case TypeColumn: {
        QStringList typeNames;
        for (const int node : nodes)
            typeNames.append(entryTree.node(node).isFolder ? MyFileSystemModel::folderType()
                                                           : fileType(node).name);
        QStringList distinct = typeNames;
        distinct.removeDuplicates();
        std::sort(distinct.begin(), distinct.end(),
                  [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
        QHash<QString, int> typeRank;
        for (qsizetype i = 0; i < distinct.size(); ++i)
            typeRank.insert(distinct.at(i),
                            i > 0 && QString::localeAwareCompare(distinct.at(i - 1), distinct.at(i)) == 0
                                ? typeRank.value(distinct.at(i - 1))
                                : int(i));
        for (qsizetype i = 0; i < nodes.size(); ++i)
            primary[i] = typeRank.value(typeNames.at(i));
        break;
    }
    case DateColumn:
        for (qsizetype i = 0; i < nodes.size(); ++i)
            primary[i] = sortableTime(entryTree.node(nodes.at(i)).modified);
        break;
    default:
        break;
    }
    const bool foldersFirst = sortColumn == NameColumn || sortColumn == SizeColumn;

    QList<int> order(nodes.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (foldersFirst && folderFirst(a) != folderFirst(b))
            return folderFirst(a) < folderFirst(b);
        if (primary.at(a) != primary.at(b))
            return primary.at(a) < primary.at(b);
        if (nameRank.at(a) != nameRank.at(b))
            return nameRank.at(a) < nameRank.at(b);
        // Names the collator holds equal keep the archive's order, so every sort gives one answer.
        return a < b;
    });
    if (sortOrder == Qt::DescendingOrder)
        std::reverse(order.begin(), order.end());
    QList<int> sorted;
    sorted.reserve(order.size());
    for (const int position : std::as_const(order))
        sorted.append(nodes.at(position));
    return sorted;
}

const ArchiveEntryModel::FolderRows &ArchiveEntryModel::rowsOf(int folder) const
{
    FolderRows &shown = folderRows[size_t(folder)];
    if (shown.generation == generation)
        return shown;
    const ArchiveEntryTree::Node &node = entryTree.node(folder);
    QList<int> kept;
    kept.reserve(node.children.size());
    for (const int child : node.children) {
        rows[size_t(child)] = -1;
        if (passesFilter(child))
            kept.append(child);
    }
    shown.nodes = sortedRows(kept);
    for (qsizetype row = 0; row < shown.nodes.size(); ++row)
        rows[size_t(shown.nodes.at(row))] = int(row);
    shown.generation = generation;
    return shown;
}

int ArchiveEntryModel::rowOf(int node) const
{
    if (node == ArchiveEntryTree::top)
        return -1;
    rowsOf(entryTree.node(node).parent);
    return rows[size_t(node)];
}

bool ArchiveEntryModel::isReachable(int node) const
{
    for (; node != ArchiveEntryTree::top; node = entryTree.node(node).parent) {
        if (rowOf(node) < 0)
            return false;
    }
    return true;
}

QModelIndex ArchiveEntryModel::indexOf(int node, int column) const
{
    if (node == ArchiveEntryTree::top || !isReachable(node))
        return QModelIndex();
    return createIndex(rowOf(node), column, quintptr(node));
}

QModelIndex ArchiveEntryModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0 || (parent.isValid() && parent.column() != 0))
        return QModelIndex();
    const int folder = nodeOf(parent);
    if (!entryTree.node(folder).isFolder)
        return QModelIndex();
    const FolderRows &shown = rowsOf(folder);
    if (row >= shown.nodes.size())
        return QModelIndex();
    return createIndex(row, column, quintptr(shown.nodes.at(row)));
}

QModelIndex ArchiveEntryModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    return indexOf(entryTree.node(nodeOf(child)).parent, NameColumn);
}

int ArchiveEntryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    const int folder = nodeOf(parent);
    if (!entryTree.node(folder).isFolder)
        return 0;
    return int(rowsOf(folder).nodes.size());
}

int ArchiveEntryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() && parent.column() != 0 ? 0 : ColumnCount;
}

bool ArchiveEntryModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return false;
    return entryTree.node(nodeOf(parent)).isFolder;
}

Qt::ItemFlags ArchiveEntryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags itemFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!entryTree.node(nodeOf(index)).isFolder)
        itemFlags |= Qt::ItemNeverHasChildren;
    return itemFlags;
}

QVariant ArchiveEntryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int id = nodeOf(index);
    const ArchiveEntryTree::Node &node = entryTree.node(id);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return node.name().toString();
        case SizeColumn:
            return node.isFolder ? QString() : DataSize::text(node.size);
        case TypeColumn:
            return node.isFolder ? MyFileSystemModel::folderType() : fileType(id).name;
        case DateColumn:
            // The file list shows local time, whatever zone the listing gave.
            return node.modified.isValid()
                       ? MyFileSystemModel::modifiedText(node.modified.toLocalTime(), QLocale())
                       : QString();
        default:
            return QVariant();
        }
    case Qt::DecorationRole:
        if (index.column() != NameColumn)
            return QVariant();
        return node.isFolder ? iconProvider.icon(QFileIconProvider::Folder) : fileType(id).icon;
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant(Qt::AlignTrailing | Qt::AlignVCenter);
        return QVariant();
    case EntryPathRole:
        return node.path;
    case IsFolderRole:
        return node.isFolder;
    case SizeRole:
        return node.size;
    default:
        return QVariant();
    }
}

QVariant ArchiveEntryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole &&
        !MyFileSystemModel::columnTitle(section).isEmpty())
        return MyFileSystemModel::columnTitle(section);
    return QAbstractItemModel::headerData(section, orientation, role);
}

template <typename Change> void ArchiveEntryModel::relayout(Change change)
{
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<std::pair<int, int>> kept;
    kept.reserve(before.size());
    for (const QModelIndex &index : before)
        kept.append({nodeOf(index), index.column()});
    change();
    ++generation;
    QModelIndexList after;
    after.reserve(kept.size());
    for (const auto &[node, column] : std::as_const(kept))
        after.append(indexOf(node, column));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void ArchiveEntryModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount || (column == sortColumn && order == sortOrder))
        return;
    relayout([&] {
        sortColumn = column;
        sortOrder = order;
    });
}

void ArchiveEntryModel::setNameFilter(const QString &text)
{
    if (text == filterText)
        return;
    relayout([&] { filterText = text; });
}

QModelIndex ArchiveEntryModel::setRootPath(const QString &path)
{
    int folder = entryTree.folder(path);
    if (folder < 0)
        folder = ArchiveEntryTree::top;
    QSet<int> chain;
    for (int node = folder; node >= 0; node = entryTree.node(node).parent)
        chain.insert(node);
    shownFolderPath = entryTree.node(folder).path;
    if (chain != shownFolderChain) {
        // Without a search every folder has its row anyway; only a search must let go of the old
        // chain and keep the new one.
        if (filterText.isEmpty())
            shownFolderChain = chain;
        else
            relayout([&] { shownFolderChain = chain; });
    }
    return indexOf(folder, NameColumn);
}

QModelIndex ArchiveEntryModel::folderIndex(const QString &path) const
{
    const int folder = entryTree.folder(path);
    return folder < 0 ? QModelIndex() : indexOf(folder, NameColumn);
}

bool ArchiveEntryModel::folderExists(const QString &path) const
{
    return entryTree.folder(path) >= 0;
}

QString ArchiveEntryModel::entryPath(const QModelIndex &index) const
{
    return index.isValid() ? entryTree.node(nodeOf(index)).path : QString();
}

bool ArchiveEntryModel::isFolder(const QModelIndex &index) const
{
    return entryTree.node(nodeOf(index)).isFolder;
}

ArchiveEntryTree::Totals ArchiveEntryModel::folderTotals(const QModelIndex &folder) const
{
    return entryTree.node(nodeOf(folder)).totals;
}

ArchiveEntryModel::SelectionTotals ArchiveEntryModel::selectionTotals(const QModelIndexList &rows) const
{
    SelectionTotals totals;
    QSet<int> counted;
    counted.reserve(rows.size());
    for (const QModelIndex &row : rows) {
        const int node = nodeOf(row);
        if (!row.isValid() || counted.contains(node))
            continue;
        counted.insert(node);
        ++totals.items;
        if (!entryTree.node(node).isFolder)
            totals.bytes += entryTree.node(node).size;
    }
    return totals;
}

void ArchiveEntryModel::updateLanguage()
{
    relayout([&] {
        nameOrder = FileNameOrder(QLocale());
        fileTypes.clear();
    });
    // The layout change has every shown row read again; the heads are not part of it.
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}
