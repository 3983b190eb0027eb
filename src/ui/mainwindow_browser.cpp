#include "mainwindow.h"

void MainWindow::setupTreeView() {}
void MainWindow::navigateToPath(const QString &) {}
void MainWindow::refreshCurrentView() {}
void MainWindow::updateSelectionInfo() {}
void MainWindow::updateFolderInfo() {}
QString MainWindow::formatFileSize(qint64) const { return QString(); }
void MainWindow::onDeleteSelected() {}
void MainWindow::onRefresh() {}
void MainWindow::onPathChanged() {}
void MainWindow::onUpButtonClicked() {}
void MainWindow::onDesktopButtonClicked() {}
void MainWindow::onSearchButtonClicked() {}
void MainWindow::onSearchTextChanged(QString) {}
