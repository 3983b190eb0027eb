#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "archivebrowser.h"
#include "archivecommands.h"
#include "archiveformat.h"
#include "archiveoperationrunner.h"
#include "filebrowser.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QShortcut>
#include <QUrl>

#include <algorithm>
#include <utility>

void MainWindow::setActionButtonsEnabled(bool enabled)
{
    ui->fileTreeView->setEnabled(enabled);
    ui->upButton->setEnabled(enabled);
    ui->desktopButton->setEnabled(enabled);
    ui->searchButton->setEnabled(enabled);
    ui->refreshButton->setEnabled(enabled);
    ui->addButton->setEnabled(enabled);
    ui->extractToButton->setEnabled(enabled);
    ui->extractHereButton->setEnabled(enabled);
    ui->deleteButton->setEnabled(enabled);
}

void MainWindow::showProgressDialog(const QString &title, const QString &label)
{
    operationRunner->showProgressDialog(title, label);
}

void MainWindow::startOperation(const std::optional<PlannedOperation> &operation)
{
    if (!operation || operationRunner->isRunning())
        return;
    setActionButtonsEnabled(false);
    showProgressDialog(operation->title, operation->headline);
    operationRunner->start(operation->request);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (operationRunner->isRunning()) {
        const QMessageBox::StandardButton answer =
            QMessageBox::question(this, tr("确认退出"), tr("压缩或解压操作仍在进行。要取消该操作并退出吗？"),
                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
        endOperationForClose();
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::closeWithoutAsking()
{
    endOperationForClose();
    close();
}

void MainWindow::endOperationForClose()
{
    operationRunner->cancelAndWait();
    setActionButtonsEnabled(true);
}

void MainWindow::onCompressionProgress(int value)
{
    operationRunner->showPercent(value);
}

void MainWindow::onCurrentFileChanged(QString filename)
{
    operationRunner->showCurrentEntry(filename);
}

void MainWindow::onCompressionCompleted(bool success)
{
    Q_UNUSED(success)
    // Only the window's own operations leave a result here; other callers of the facade do not.
    const std::optional<OperationResult> result = operationRunner->takeResult();
    if (!result)
        return;
    setActionButtonsEnabled(true);
    // An opened archive is not changed by what runs on it: its commands are set again, before the
    // box, which would otherwise show Delete and Compress unlocked behind it.
    const bool insideArchive = archiveBrowser->isOpen();
    if (insideArchive) {
        onFileSelectionChanged();
        if (result->succeeded())
            archiveBrowser->rememberPassword(operationRunner->passwordGiven());
    }
    const QString testedArchive = std::exchange(testedArchivePath, QString());
    if (testedArchive.isEmpty())
        archiveCommands->reportOutcome(*result);
    else
        archiveCommands->reportTestOutcome(*result, testedArchive);
    if (!insideArchive && (result->succeeded() || result->cancelled()))
        refreshCurrentView();
}

void MainWindow::onFileSelectionChanged()
{
    if (archiveBrowser->isOpen()) {
        archiveBrowser->showSelectionInfo();
        if (operationRunner->isRunning())
            return;
        // Inside an archive everything can be extracted (all of the folder when nothing is
        // selected); the archive itself is not changed.
        ui->addButton->setEnabled(false);
        ui->deleteButton->setEnabled(false);
        ui->extractToButton->setEnabled(true);
        ui->extractHereButton->setEnabled(true);
        updateFileListActions();
        return;
    }
    const bool hasSelection = browser->hasSelection();
    // Read once for both the status line and the buttons: a Ctrl+A over a large folder pays for
    // every row it reads.
    const QList<FileBrowser::SelectedNames> selection = browser->showSelectionInfo();
    // A selection change during an operation (navigation through the path field) must not unlock.
    if (operationRunner->isRunning())
        return;

    ui->addButton->setEnabled(hasSelection);
    ui->deleteButton->setEnabled(hasSelection);
    const bool archiveSelected =
        std::any_of(selection.cbegin(), selection.cend(), [](const FileBrowser::SelectedNames &group) {
            return ArchiveCommands::offersExtraction(group.names);
        });
    ui->extractToButton->setEnabled(archiveSelected);
    ui->extractHereButton->setEnabled(archiveSelected);
    updateFileListActions();
}

void MainWindow::onAddToArchive()
{
    if (archiveBrowser->isOpen())
        return;
    startOperation(archiveCommands->planCompression(browser->selectedPaths(), currentPath));
}

void MainWindow::onExtractTo()
{
    if (archiveBrowser->isOpen()) {
        startOperation(archiveCommands->planExtractEntriesTo(
            archiveBrowser->archivePath(), archiveBrowser->selectedEntryNames(),
            archiveBrowser->holdingFolder(), archiveBrowser->password()));
        return;
    }
    startOperation(archiveCommands->planExtractTo(browser->firstSelectedPath(), currentPath));
}

void MainWindow::onExtractHere()
{
    // Inside an archive "here" is the folder that holds it.
    if (archiveBrowser->isOpen()) {
        startOperation(archiveCommands->planExtractEntriesHere(
            archiveBrowser->archivePath(), archiveBrowser->selectedEntryNames(),
            archiveBrowser->holdingFolder(), archiveBrowser->password()));
        return;
    }
    startOperation(archiveCommands->planExtractHere(browser->firstSelectedPath(), currentPath));
}

void MainWindow::onItemDoubleClicked(QModelIndex index)
{
    if (!index.isValid())
        return;
    if (archiveBrowser->isOpen()) {
        if (!archiveBrowser->enter(index))
            openEntry(index);
        return;
    }
    const QString path = fileSystemModel->filePath(index);
    const QFileInfo info(path);
    if (info.isDir() || info.isRoot() || info.isBundle()) {
        navigateToPath(path);
        return;
    }
    if (!info.isFile())
        return;
    if (!FormatRegistry::canExtract(path)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    startOperation(archiveCommands->planOpen(path, currentPath));
}

void MainWindow::setupKeyboardShortcuts()
{
    // Keys click the buttons, so a locked button locks its key as well.
    const auto bindKey = [this](const QKeySequence &key, QAbstractButton *button) {
        connect(new QShortcut(key, this), &QShortcut::activated, button, &QAbstractButton::click);
    };
    bindKey(QKeySequence(Qt::Key_Delete), ui->deleteButton);
    bindKey(QKeySequence(Qt::Key_F5), ui->refreshButton);
    bindKey(QKeySequence(Qt::Key_Backspace), ui->upButton);
    bindKey(QKeySequence(Qt::ALT | Qt::Key_Up), ui->upButton);

    // Return on the current row of the tree opens it as a double-click would.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *openShortcut = new QShortcut(QKeySequence(key), ui->fileTreeView);
        openShortcut->setContext(Qt::WidgetShortcut);
        connect(openShortcut, &QShortcut::activated, this, [this] {
            const QModelIndex current = ui->fileTreeView->currentIndex();
            if (ui->fileTreeView->selectionModel()->isSelected(current))
                onItemDoubleClicked(current);
        });
    }
}
