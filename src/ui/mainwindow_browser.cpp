#include "mainwindow.h"

#include "archivebrowser.h"
#include "datasize.h"
#include "filebrowser.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QMessageBox>

void MainWindow::setupTreeView()
{
    browser->setupView();
}

void MainWindow::navigateToPath(const QString &path)
{
    if (archiveBrowser->isOpen()) {
        leaveArchive();
        // A folder that cannot be shown leaves the file list where it was before the archive.
        if (!browser->navigateTo(path))
            browser->refresh();
        onFileSelectionChanged();
        return;
    }
    browser->navigateTo(path);
}

bool MainWindow::showFolder(const QString &folderPath, const QString &selectedPath)
{
    if (!browser->navigateTo(folderPath))
        return false;
    if (!selectedPath.isEmpty())
        browser->select(selectedPath);
    return true;
}

void MainWindow::refreshCurrentView()
{
    // An opened archive is listed again: it may have changed on disk.
    if (archiveBrowser->isOpen())
        openArchiveAt(archiveBrowser->archivePath(), archiveBrowser->folder());
    else
        browser->refresh();
}

void MainWindow::updateSelectionInfo()
{
    if (archiveBrowser->isOpen())
        archiveBrowser->showSelectionInfo();
    else
        browser->showSelectionInfo();
}

void MainWindow::updateFolderInfo()
{
    if (archiveBrowser->isOpen())
        archiveBrowser->showFolderInfo();
    else
        browser->updateFolderInfo();
}

QString MainWindow::formatFileSize(qint64 size) const
{
    return DataSize::text(size);
}

void MainWindow::onDeleteSelected()
{
    if (archiveBrowser->isOpen())
        return;
    browser->deleteSelected();
}

void MainWindow::onRefresh()
{
    refreshCurrentView();
}

void MainWindow::onPathChanged()
{
    const QString text = ui->pathLineEdit->text();
    if (goToTypedArchivePath(text))
        return;
    if (archiveBrowser->isOpen()) {
        if (!FileBrowser::isDriveListName(text) && !QDir(text).exists()) {
            QMessageBox::warning(this, tr("错误"), tr("路径不存在"));
            archiveBrowser->enterFolder(archiveBrowser->folder());
            return;
        }
        leaveArchive();
        onFileSelectionChanged();
    }
    browser->goToTypedPath();
}

void MainWindow::onUpButtonClicked()
{
    if (archiveBrowser->isOpen()) {
        // From the archive's top Up leads back to the folder that holds it.
        if (!archiveBrowser->up())
            navigateToPath(archiveBrowser->holdingFolder());
        return;
    }
    browser->goUp();
}

void MainWindow::onDesktopButtonClicked()
{
    navigateToPath(FileBrowser::desktopOrHomePath());
}

void MainWindow::onSearchButtonClicked()
{
    if (archiveBrowser->isOpen())
        archiveBrowser->search();
    else
        browser->search();
}

void MainWindow::onSearchTextChanged(QString text)
{
    if (archiveBrowser->isOpen())
        archiveBrowser->searchTextChanged(text);
    else
        browser->searchTextChanged(text);
}
