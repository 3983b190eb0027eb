#include "mainwindow.h"

#include "datasize.h"
#include "filebrowser.h"

void MainWindow::setupTreeView()
{
    browser->setupView();
}

void MainWindow::navigateToPath(const QString &path)
{
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
    browser->refresh();
}

void MainWindow::updateSelectionInfo()
{
    browser->showSelectionInfo();
}

void MainWindow::updateFolderInfo()
{
    browser->updateFolderInfo();
}

QString MainWindow::formatFileSize(qint64 size) const
{
    return DataSize::text(size);
}

void MainWindow::onDeleteSelected()
{
    browser->deleteSelected();
}

void MainWindow::onRefresh()
{
    refreshCurrentView();
}

void MainWindow::onPathChanged()
{
    browser->goToTypedPath();
}

void MainWindow::onUpButtonClicked()
{
    browser->goUp();
}

void MainWindow::onDesktopButtonClicked()
{
    navigateToPath(FileBrowser::desktopOrHomePath());
}

void MainWindow::onSearchButtonClicked()
{
    browser->search();
}

void MainWindow::onSearchTextChanged(QString text)
{
    browser->searchTextChanged(text);
}
