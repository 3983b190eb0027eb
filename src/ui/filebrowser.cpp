#include "filebrowser.h"

#include "datasize.h"
#include "entryremoval.h"
#include "filestatistics.h"

#include <QBitArray>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTreeView>

namespace {

constexpr QDir::Filters listingFilter = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;

const char *const headerStyleSheet = R"(
/* The head row blends into the panel: no background of its own, no borders. Its height is the
   text's plus the padding, so no band above the first row sorts the list when clicked. */
QHeaderView {
    background-color: transparent;
    border: none;
}
/* Column heads: bold, left aligned, text pushed down a little. */
QHeaderView::section {
    background-color: transparent;
    padding: 6px 5px 4px 5px;
    border: 1px solid transparent;
    text-align: left;
    font-weight: bold;
    color: #333333;
    margin: 0px;
}
/* A faint shade shows which head a click will sort by. */
QHeaderView::section:hover {
    background-color: rgba(240, 240, 240, 100);
}
)";

const char *const treeStyleSheet = R"(
QTreeView {
    alternate-background-color: #f8f9fa;
    selection-background-color: #e3f2fd;
    selection-color: #000000;
    border: none;
}
QTreeView::item:selected {
    background-color: #00b688;
    color: #000000;
}
QTreeView::item:selected:active {
    color:#ffffff;
    background-color: #00b688;
}
QTreeView::item:selected:!active {
    background-color: #e3f2fd;
}
QTreeView::item:hover {
    background-color: #f5f5f5;
}
)";

// True when index lies below root in the model's tree (root itself excluded).
bool isBelow(const QModelIndex &index, const QModelIndex &root)
{
    for (QModelIndex parent = index.parent();; parent = parent.parent()) {
        if (parent == root)
            return true;
        if (!parent.isValid())
            return false;
    }
}

} // namespace

FileBrowser::FileBrowser(QFileSystemModel *model, const BrowserWidgets &widgets, QWidget *dialogParent,
                         QObject *parent)
    : QObject(parent), model(model), widgets(widgets), dialogParent(dialogParent)
{
}

QString FileBrowser::desktopOrHomePath()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

bool FileBrowser::isDriveListName(const QString &path)
{
    if (path == QLatin1String("MyComputer") || path == tr("我的电脑"))
        return true;
#ifdef Q_OS_WIN
    // Windows has no single root: "/" only names the drive list there.
    if (path == QLatin1String("/"))
        return true;
#endif
    return path == QLatin1String("::{") || path.isEmpty();
}

void FileBrowser::setupView()
{
    QTreeView *view = widgets.view;
    model->setFilter(listingFilter);
    model->setRootPath(QString());
    view->setModel(model);

    if (QHeaderView *header = view->header()) {
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        header->setStyleSheet(QString::fromLatin1(headerStyleSheet));
        header->setMinimumSectionSize(20);
        header->setDefaultSectionSize(34);
        // The columns keep their set widths; the last one does not stretch to the edge.
        header->setStretchLastSection(false);
    }

    view->setRootIsDecorated(false);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAlternatingRowColors(true);
    view->setStyleSheet(QString::fromLatin1(treeStyleSheet));
    view->setRootIndex(model->index(QString()));

    view->setColumnWidth(0, 300);
    view->setColumnWidth(1, 100);
    view->setColumnWidth(2, 100);
    view->setColumnWidth(3, 150);
    view->setHeaderHidden(false);
}

void FileBrowser::setFolder(const QString &path)
{
    folder = path;
    shown = true;
    emit folderChanged(folder);
}

bool FileBrowser::navigateTo(const QString &path)
{
    QTreeView *view = widgets.view;
    // The argument may be the folder shown itself, so read it in full before overwriting it.
    const QString target = path;
    if (isDriveListName(target)) {
        setFolder(QString());
        widgets.pathField->setText(tr("我的电脑"));
        view->setRootIndex(model->index(QString()));
    } else if (QDir(target).exists()) {
        setFolder(QDir(target).absolutePath());
        widgets.pathField->setText(folder);
        if (model->nameFilters().isEmpty()) {
            view->setRootIndex(model->index(folder));
        } else {
            // Under a name search a folder whose own name does not match has no row, hence no
            // index, in its parent; as the model's root path it is kept and listed. Setting the
            // same filters again then lets go of folders kept that way on earlier moves.
            view->setRootIndex(model->setRootPath(folder));
            model->setNameFilters(model->nameFilters());
        }
    } else {
        return false;
    }
    updateFolderInfo();
    showSelectionInfo();
    return true;
}

void FileBrowser::select(const QString &path)
{
    QTreeView *view = widgets.view;
    const QModelIndex index = model->index(path);
    if (!index.isValid() || index.parent() != view->rootIndex())
        return;
    view->setCurrentIndex(index);
    view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}

void FileBrowser::refresh()
{
    const QString path = folder;
    model->setRootPath(path);
    widgets.view->setRootIndex(model->index(path));
    updateFolderInfo();
    showSelectionInfo();
}

void FileBrowser::goUp()
{
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    if (dir.isRoot()) {
        navigateTo(QString());
        return;
    }
    if (dir.cdUp())
        navigateTo(dir.absolutePath());
}

void FileBrowser::goToTypedPath()
{
    const QString text = widgets.pathField->text();
    if (text == tr("我的电脑") || text == QLatin1String("MyComputer")) {
        navigateTo(QString());
    } else if (QDir(text).exists()) {
        navigateTo(text);
    } else {
        QMessageBox::warning(dialogParent, tr("错误"), tr("路径不存在"));
        widgets.pathField->setText(folder);
    }
}

void FileBrowser::search()
{
    const QString text = widgets.searchField->text().trimmed();
    if (text.isEmpty()) {
        refresh();
        return;
    }
    // The shown folder's own name rarely matches; as the model's root path it keeps its node, so
    // the view does not lose its root when the filter hides that folder's row in its parent.
    if (!folder.isEmpty())
        widgets.view->setRootIndex(model->setRootPath(folder));
    model->setNameFilters({QLatin1Char('*') + text + QLatin1Char('*')});
    model->setNameFilterDisables(false);
}

void FileBrowser::searchTextChanged(const QString &text)
{
    if (!text.isEmpty())
        return;
    model->setNameFilters({});
    refresh();
}

void FileBrowser::resetView()
{
    widgets.searchField->clear();
    model->setNameFilters({});
    model->setFilter(listingFilter);
    widgets.view->clearSelection();
}

void FileBrowser::setShowsHiddenFiles(bool shown)
{
    model->setFilter(shown ? listingFilter | QDir::Hidden : listingFilter);
}

bool FileBrowser::showsHiddenFiles() const
{
    return model->filter().testFlag(QDir::Hidden);
}

bool FileBrowser::hasSelection() const
{
    const QItemSelectionModel *selectionModel = widgets.view->selectionModel();
    return selectionModel && selectionModel->hasSelection();
}

QStringList FileBrowser::selectedPaths() const
{
    QStringList paths;
    for (const QModelIndex &index : selectedRowIndexes())
        paths.append(model->filePath(index));
    return paths;
}

QString FileBrowser::firstSelectedPath() const
{
    const QModelIndexList rows = selectedRowIndexes();
    return rows.isEmpty() ? QString() : model->filePath(rows.first());
}

QModelIndexList FileBrowser::selectedRowIndexes() const
{
    // Read from the selection ranges, so a whole-folder selection costs one index per row rather
    // than one per cell.
    QModelIndexList rows;
    const QItemSelectionModel *selectionModel = widgets.view->selectionModel();
    if (!selectionModel)
        return rows;
    for (const QItemSelectionRange &range : selectionModel->selection()) {
        if (range.left() != 0)
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(model->index(row, 0, range.parent()));
    }
    return rows;
}

QList<FileBrowser::SelectedNames> FileBrowser::selectedNamesByFolder() const
{
    QList<SelectedNames> groups;
    const QItemSelectionModel *selectionModel = widgets.view->selectionModel();
    if (!selectionModel)
        return groups;
    QHash<QModelIndex, qsizetype> groupOfParent;
    // Ranges of one selection may overlap; a row is counted once.
    QList<QBitArray> seenRows;
    for (const QItemSelectionRange &range : selectionModel->selection()) {
        if (range.left() != 0)
            continue;
        const QModelIndex parent = range.parent();
        auto group = groupOfParent.constFind(parent);
        if (group == groupOfParent.cend()) {
            group = groupOfParent.insert(parent, groups.size());
            groups.append({parent.isValid() ? model->filePath(parent) : QString(), {}});
            seenRows.append(QBitArray(model->rowCount(parent)));
        }
        SelectedNames &names = groups[*group];
        QBitArray &seen = seenRows[*group];
        for (int row = range.top(); row <= range.bottom() && row < seen.size(); ++row) {
            if (seen.testBit(row))
                continue;
            seen.setBit(row);
            const QModelIndex index = model->index(row, 0, parent);
            names.names.append(parent.isValid() ? model->fileName(index) : model->filePath(index));
        }
    }
    return groups;
}

QList<FileBrowser::SelectedNames> FileBrowser::showSelectionInfo()
{
    const QList<SelectedNames> selection = selectedNamesByFolder();
    selectedCount = 0;
    selectedBytes = 0;
    for (const SelectedNames &group : selection) {
        selectedCount += int(group.names.size());
        // Asked of the file system, not the model's size column, which may still be loading.
        selectedBytes += FileStatistics::totalFileSize(group.folder, group.names);
    }
    showSelectionFigures();
    return selection;
}

void FileBrowser::updateFolderInfo()
{
    if (!folder.isEmpty())
        folderTotals = FileStatistics::countFolder(folder);
    showFolderFigures();
}

void FileBrowser::showSelectionFigures()
{
    widgets.selectionLabel->setText(selectionFiguresText(selectedCount, selectedBytes));
}

QString FileBrowser::selectionFiguresText(int items, qint64 bytes)
{
    return tr("选中: %1 个项目 | 大小: %2").arg(items).arg(DataSize::text(bytes));
}

QString FileBrowser::folderFiguresText(int folders, int files, qint64 bytes)
{
    return tr("文件夹: %1 | 文件: %2 | 大小: %3").arg(folders).arg(files).arg(DataSize::text(bytes));
}

void FileBrowser::showFolderFigures()
{
    if (folder.isEmpty()) {
        widgets.folderLabel->setText(tr("我的电脑 - 选择驱动器"));
        return;
    }
    widgets.folderLabel->setText(
        folderFiguresText(folderTotals.folders, folderTotals.files, folderTotals.bytes));
}

void FileBrowser::retranslate()
{
    if (!shown)
        return;
    // Only the words change: the figures are those last counted.
    showFolderFigures();
    showSelectionFigures();
    // Otherwise the field keeps the old language's name, which Return would then reject.
    if (folder.isEmpty())
        widgets.pathField->setText(tr("我的电脑"));
}

void FileBrowser::deleteSelected()
{
    if (!hasSelection()) {
        QMessageBox::warning(dialogParent, tr("警告"), tr("请选择要删除的文件或文件夹"));
        return;
    }
    if (QMessageBox::question(dialogParent, tr("确认删除"), tr("确定要删除选中的文件吗？此操作不可恢复。"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }

    // Collect the paths first: removing entries changes the model under the indexes.
    const QModelIndex shownRoot = widgets.view->rootIndex();
    QStringList paths;
    for (const QModelIndex &index : selectedRowIndexes()) {
        // A row outside the shown folder (the folder just entered, still selected) is never
        // deleted: it could be the shown folder itself or one of its ancestors.
        if (isBelow(index, shownRoot))
            paths.append(model->filePath(index));
    }

    // A failed removal (in use, no permission) is passed over; the refresh shows what is left.
    for (const QString &path : std::as_const(paths))
        removeEntry(path);
    refresh();
}
