#include "mainwindow.h"
#include "ui_mainwindow.h"

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
#include <QMessageBox>
#include <QStandardPaths>

namespace {

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

QString MainWindow::desktopOrHomePath()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!desktop.isEmpty() && QFileInfo(desktop).isDir())
        return desktop;
    return QDir::homePath();
}

bool MainWindow::isDriveListName(const QString &path) const
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

void MainWindow::setupTreeView()
{
    fileSystemModel->setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    fileSystemModel->setRootPath(QString());
    ui->fileTreeView->setModel(fileSystemModel);

    if (QHeaderView *header = ui->fileTreeView->header()) {
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        header->setStyleSheet(QString::fromLatin1(headerStyleSheet));
        header->setMinimumSectionSize(20);
        header->setDefaultSectionSize(34);
        // The columns keep their set widths; the last one does not stretch to the edge.
        header->setStretchLastSection(false);
    }

    ui->fileTreeView->setRootIsDecorated(false);
    ui->fileTreeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui->fileTreeView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui->fileTreeView->setAlternatingRowColors(true);
    ui->fileTreeView->setStyleSheet(QString::fromLatin1(treeStyleSheet));
    ui->fileTreeView->setRootIndex(fileSystemModel->index(QString()));

    ui->fileTreeView->setColumnWidth(0, 300);
    ui->fileTreeView->setColumnWidth(1, 100);
    ui->fileTreeView->setColumnWidth(2, 100);
    ui->fileTreeView->setColumnWidth(3, 150);
    ui->fileTreeView->setHeaderHidden(false);
}

void MainWindow::navigateToPath(const QString &path)
{
    if (!fileSystemModel) {
        qWarning().noquote() << tr("文件系统模型为空");
        return;
    }
    if (ui->fileTreeView->model() != fileSystemModel)
        ui->fileTreeView->setModel(fileSystemModel);

    // The argument may be currentPath itself, so read it in full before overwriting the member.
    const QString target = path;
    if (isDriveListName(target)) {
        currentPath.clear();
        ui->pathLineEdit->setText(tr("我的电脑"));
        ui->fileTreeView->setRootIndex(fileSystemModel->index(QString()));
    } else if (QDir(target).exists()) {
        currentPath = QDir(target).absolutePath();
        ui->pathLineEdit->setText(currentPath);
        if (fileSystemModel->nameFilters().isEmpty()) {
            ui->fileTreeView->setRootIndex(fileSystemModel->index(currentPath));
        } else {
            // Under a name search a folder whose own name does not match has no row, hence no
            // index, in its parent; as the model's root path it is kept and listed. Setting the
            // same filters again then lets go of folders kept that way on earlier moves.
            ui->fileTreeView->setRootIndex(fileSystemModel->setRootPath(currentPath));
            fileSystemModel->setNameFilters(fileSystemModel->nameFilters());
        }
    } else {
        return;
    }
    updateFolderInfo();
    updateSelectionInfo();
}

void MainWindow::refreshCurrentView()
{
    const QString path = currentPath;
    fileSystemModel->setRootPath(path);
    ui->fileTreeView->setRootIndex(fileSystemModel->index(path));
    updateFolderInfo();
    updateSelectionInfo();
}

QModelIndexList MainWindow::selectedRowIndexes() const
{
    QModelIndexList rows;
    const QItemSelectionModel *selectionModel = ui->fileTreeView->selectionModel();
    if (!selectionModel)
        return rows;
    for (const QItemSelectionRange &range : selectionModel->selection()) {
        if (range.left() != 0)
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(fileSystemModel->index(row, 0, range.parent()));
    }
    return rows;
}

QList<MainWindow::SelectedNames> MainWindow::selectedNamesByFolder() const
{
    QList<SelectedNames> groups;
    const QItemSelectionModel *selectionModel = ui->fileTreeView->selectionModel();
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
            groups.append({parent.isValid() ? fileSystemModel->filePath(parent) : QString(), {}});
            seenRows.append(QBitArray(fileSystemModel->rowCount(parent)));
        }
        SelectedNames &names = groups[*group];
        QBitArray &seen = seenRows[*group];
        for (int row = range.top(); row <= range.bottom() && row < seen.size(); ++row) {
            if (seen.testBit(row))
                continue;
            seen.setBit(row);
            const QModelIndex index = fileSystemModel->index(row, 0, parent);
            names.names.append(parent.isValid() ? fileSystemModel->fileName(index)
                                                : fileSystemModel->filePath(index));
        }
    }
    return groups;
}

void MainWindow::updateSelectionInfo()
{
    showSelectionInfo(selectedNamesByFolder());
}

void MainWindow::showSelectionInfo(const QList<SelectedNames> &selection)
{
    int count = 0;
    qint64 totalBytes = 0;
    for (const SelectedNames &group : selection) {
        count += int(group.names.size());
        // Asked of the file system, not the model's size column, which may still be loading.
        totalBytes += FileStatistics::totalFileSize(group.folder, group.names);
    }
    ui->selectedInfoLabel->setText(
        tr("选中: %1 个项目 | 大小: %2").arg(count).arg(formatFileSize(totalBytes)));
}

void MainWindow::updateFolderInfo()
{
    if (currentPath.isEmpty()) {
        ui->statusLabel->setText(tr("我的电脑 - 选择驱动器"));
        return;
    }
    const FileStatistics::FolderTotals totals = FileStatistics::countFolder(currentPath);
    ui->statusLabel->setText(tr("文件夹: %1 | 文件: %2 | 大小: %3")
                                 .arg(totals.folders)
                                 .arg(totals.files)
                                 .arg(formatFileSize(totals.bytes)));
}

QString MainWindow::formatFileSize(qint64 size) const
{
    return DataSize::text(size);
}

void MainWindow::onDeleteSelected()
{
    const QItemSelectionModel *selectionModel = ui->fileTreeView->selectionModel();
    if (!selectionModel || !selectionModel->hasSelection()) {
        QMessageBox::warning(this, tr("警告"), tr("请选择要删除的文件或文件夹"));
        return;
    }
    if (QMessageBox::question(this, tr("确认删除"), tr("确定要删除选中的文件吗？此操作不可恢复。"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }

    // Collect the paths first: removing entries changes the model under the indexes.
    const QModelIndex shownRoot = ui->fileTreeView->rootIndex();
    QStringList paths;
    for (const QModelIndex &index : selectedRowIndexes()) {
        // A row outside the shown folder (the folder just entered, still selected) is never
        // deleted: it could be the shown folder itself or one of its ancestors.
        if (isBelow(index, shownRoot))
            paths.append(fileSystemModel->filePath(index));
    }

    // A failed removal (in use, no permission) is passed over; the refresh shows what is left.
    for (const QString &path : std::as_const(paths))
        removeEntry(path);
    refreshCurrentView();
}

void MainWindow::onRefresh()
{
    refreshCurrentView();
}

void MainWindow::onPathChanged()
{
    const QString text = ui->pathLineEdit->text();
    if (text == tr("我的电脑") || text == QLatin1String("MyComputer")) {
        navigateToPath(QString());
    } else if (QDir(text).exists()) {
        navigateToPath(text);
    } else {
        QMessageBox::warning(this, tr("错误"), tr("路径不存在"));
        ui->pathLineEdit->setText(currentPath);
    }
}

void MainWindow::onUpButtonClicked()
{
    if (currentPath.isEmpty())
        return;
    QDir dir(currentPath);
    if (dir.isRoot()) {
        navigateToPath(QString());
        return;
    }
    if (dir.cdUp())
        navigateToPath(dir.absolutePath());
}

void MainWindow::onDesktopButtonClicked()
{
    navigateToPath(desktopOrHomePath());
}

void MainWindow::onSearchButtonClicked()
{
    const QString text = ui->searchLineEdit->text().trimmed();
    if (text.isEmpty()) {
        refreshCurrentView();
        return;
    }
    // The shown folder's own name rarely matches; as the model's root path it keeps its node, so
    // the view does not lose its root when the filter hides that folder's row in its parent.
    if (!currentPath.isEmpty())
        ui->fileTreeView->setRootIndex(fileSystemModel->setRootPath(currentPath));
    fileSystemModel->setNameFilters({QLatin1Char('*') + text + QLatin1Char('*')});
    fileSystemModel->setNameFilterDisables(false);
}

void MainWindow::onSearchTextChanged(QString text)
{
    if (!text.isEmpty())
        return;
    fileSystemModel->setNameFilters({});
    refreshCurrentView();
}
