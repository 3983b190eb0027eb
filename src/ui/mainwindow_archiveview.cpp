#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "archivebrowser.h"
#include "archivecommands.h"
#include "archiveentrytree.h"
#include "archiveformat.h"
#include "archiveoperationrunner.h"
#include "browsedarchive.h"
#include "filebrowser.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

bool MainWindow::openArchive(const QString &archivePath)
{
    if (operationRunner->isRunning()) {
        QMessageBox::warning(this, tr("错误"), tr("另一个操作正在进行，请等它结束后再打开压缩文件"),
                             QMessageBox::Ok);
        return false;
    }
    return openArchiveAt(archivePath, QString());
}

bool MainWindow::openArchiveAt(const QString &archivePath, const QString &folderInside)
{
    if (operationRunner->isRunning())
        return false;
    const QString path = QFileInfo(archivePath).absoluteFilePath();
    // Listed again (a refresh, a typed path inside it): with the password it took before.
    const QString knownPassword = archiveBrowser->isOpen() && archiveBrowser->archivePath() == path
                                      ? archiveBrowser->password()
                                      : QString();
    const PlannedOperation listing = archiveCommands->planListing(path, knownPassword);
    setActionButtonsEnabled(false);
    ArchiveEntryList entries;
    const std::optional<OperationResult> result =
        operationRunner->runToEnd(listing.request, listing.title, listing.headline, &entries);
    setActionButtonsEnabled(true);
    // No result: the window is closing and took the operation's end.
    if (!result)
        return false;
    if (!result->succeeded()) {
        archiveCommands->reportListingFailure(*result, path);
        onFileSelectionChanged();
        return false;
    }
    // A search of the folder shown ends with it, as on any other move.
    if (!archiveBrowser->isOpen() && !ui->searchLineEdit->text().isEmpty())
        ui->searchLineEdit->clear();
    archiveBrowser->open(path, ArchiveEntryTree::build(entries), folderInside);
    archiveBrowser->rememberPassword(knownPassword);
    archiveBrowser->rememberPassword(operationRunner->passwordGiven());
    onFileSelectionChanged();
    return true;
}

void MainWindow::leaveArchive()
{
    archiveBrowser->leave();
}

bool MainWindow::goToTypedArchivePath(const QString &text)
{
    QString archivePath;
    QString folderInside;
    if (!BrowsedArchive::splitPath(text, &archivePath, &folderInside))
        return false;
    const bool sameArchive = archiveBrowser->isOpen() &&
                             QFileInfo(archivePath).absoluteFilePath() == archiveBrowser->archivePath();
    if (!sameArchive) {
        // A path that cannot be opened gives the field back to what the list shows.
        if (!openArchiveAt(archivePath, folderInside)) {
            if (archiveBrowser->isOpen())
                archiveBrowser->enterFolder(archiveBrowser->folder());
            else if (!browser->currentFolder().isEmpty())
                ui->pathLineEdit->setText(browser->currentFolder());
        }
        return true;
    }
    if (!archiveBrowser->enterFolder(folderInside)) {
        QMessageBox::warning(this, tr("错误"), tr("压缩文件中没有这个文件夹: %1").arg(folderInside));
        archiveBrowser->enterFolder(archiveBrowser->folder());
    }
    return true;
}

void MainWindow::openEntry(const QModelIndex &index)
{
    if (operationRunner->isRunning())
        return;
    if (!openedEntriesFolder)
        openedEntriesFolder =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kelvane-opened-XXXXXX"));
    // A folder of its own for each opening: an entry opened before may still be in use.
    QTemporaryDir folder(
        openedEntriesFolder->isValid() ? openedEntriesFolder->filePath(QStringLiteral("XXXXXX")) : QString());
    if (!openedEntriesFolder->isValid() || !folder.isValid()) {
        QMessageBox::warning(this, tr("错误"), tr("无法创建临时目录"), QMessageBox::Ok);
        return;
    }
    folder.setAutoRemove(false);
    const QString entry = archiveBrowser->entryPath(index);
    const PlannedOperation preview = archiveCommands->planEntryPreview(
        archiveBrowser->archivePath(), entry, folder.path(), archiveBrowser->password());
    setActionButtonsEnabled(false);
    const std::optional<OperationResult> result =
        operationRunner->runToEnd(preview.request, preview.title, preview.headline);
    setActionButtonsEnabled(true);
    onFileSelectionChanged();
    if (!result)
        return;
    if (!result->succeeded()) {
        if (!result->cancelled())
            archiveCommands->reportOutcome(*result);
        return;
    }
    archiveBrowser->rememberPassword(operationRunner->passwordGiven());
    // The entry is placed relative to the folder holding it: its own name, right in the folder.
    const QString extracted = QDir(folder.path()).filePath(entry.section(QLatin1Char('/'), -1));
    QDesktopServices::openUrl(QUrl::fromLocalFile(extracted));
}

QString MainWindow::selectedArchivePath() const
{
    // The row last picked, not the whole selection: this runs on every selection change, and a
    // Ctrl+A over a large folder pays for every row read.
    const QModelIndex current = ui->fileTreeView->currentIndex();
    if (!current.isValid() || !ui->fileTreeView->selectionModel()->isSelected(current) ||
        current.model() != static_cast<const QAbstractItemModel *>(fileSystemModel))
        return QString();
    const QString path = fileSystemModel->filePath(current);
    return QFileInfo(path).isFile() && FormatRegistry::canExtract(path) ? path : QString();
}

void MainWindow::openSelected()
{
    if (archiveBrowser->isOpen()) {
        const QModelIndexList rows = archiveBrowser->selectedRows();
        if (rows.size() == 1)
            onItemDoubleClicked(rows.first());
        return;
    }
    const QString archivePath = selectedArchivePath();
    if (!archivePath.isEmpty())
        openArchive(archivePath);
}

void MainWindow::testSelected()
{
    const bool inside = archiveBrowser->isOpen();
    const QString archivePath = inside ? archiveBrowser->archivePath() : selectedArchivePath();
    if (archivePath.isEmpty() || operationRunner->isRunning())
        return;
    testedArchivePath = archivePath;
    startOperation(archiveCommands->planTest(archivePath, inside ? archiveBrowser->password() : QString()));
}

void MainWindow::setupFileListMenu()
{
    const auto addEntry = [this](const char *name, void (MainWindow::*slot)()) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    openAction = addEntry("openAction", &MainWindow::openSelected);
    extractToAction = addEntry("extractToAction", &MainWindow::onExtractTo);
    quickExtractAction = addEntry("quickExtractAction", &MainWindow::onExtractHere);
    testAction = addEntry("testAction", &MainWindow::testSelected);
    compressAction = addEntry("compressAction", &MainWindow::onAddToArchive);
    deleteAction = addEntry("deleteAction", &MainWindow::onDeleteSelected);

    // Ctrl+O anywhere in the window; the menu only shows the key.
    openAction->setShortcut(QKeySequence::Open);
    openAction->setShortcutContext(Qt::WindowShortcut);
    addAction(openAction);

    // Open follows the current row, which keys move after the selection has been reported.
    for (QItemSelectionModel *selection :
         {ui->fileTreeView->selectionModel(), archiveBrowser->selectionModel()})
        connect(selection, &QItemSelectionModel::currentChanged, this, &MainWindow::updateFileListActions);

    ui->fileTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->fileTreeView, &QWidget::customContextMenuRequested, this, &MainWindow::showFileListMenu);
    retranslateFileListMenu();
    updateFileListActions();
}

void MainWindow::retranslateFileListMenu()
{
    if (!openAction)
        return;
    openAction->setText(tr("打开"));
    extractToAction->setText(tr("解压到..."));
    quickExtractAction->setText(tr("一键解压"));
    testAction->setText(tr("测试压缩文件"));
    compressAction->setText(tr("压缩选中..."));
    deleteAction->setText(tr("删除"));
}

void MainWindow::updateFileListActions()
{
    if (!openAction)
        return;
    const bool idle = !operationRunner->isRunning();
    const bool inside = archiveBrowser->isOpen();
    const bool openable =
        inside ? archiveBrowser->selectedRows().size() == 1 : !selectedArchivePath().isEmpty();
    openAction->setEnabled(idle && openable);
    testAction->setEnabled(idle && (inside || openable));
    // The rest do what the buttons do, and only when they can.
    extractToAction->setEnabled(idle && ui->extractToButton->isEnabled());
    quickExtractAction->setEnabled(idle && ui->extractHereButton->isEnabled());
    compressAction->setEnabled(idle && !inside && ui->addButton->isEnabled());
    deleteAction->setEnabled(idle && !inside && ui->deleteButton->isEnabled());
}

void MainWindow::showFileListMenu(const QPoint &position)
{
    QTreeView *view = ui->fileTreeView;
    updateFileListActions();
    // The menu key asks for the menu away from any row: it opens at the current row instead.
    QPoint at = position;
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && view->selectionModel()->isSelected(current) &&
        view->indexAt(position).row() != current.row()) {
        const QRect row = view->visualRect(current);
        if (row.isValid())
            at = QPoint(row.left() + 20, row.center().y());
    }
    // Made for each showing and gone once closed: the window keeps only its actions.
    auto *menu = new QMenu(view);
    menu->setObjectName(QStringLiteral("fileListMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({openAction});
    menu->addSeparator();
    menu->addActions({extractToAction, quickExtractAction, testAction});
    menu->addSeparator();
    menu->addActions({compressAction, deleteAction});
    menu->popup(view->viewport()->mapToGlobal(at));
}
