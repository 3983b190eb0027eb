#include "mainwindow.h"

void MainWindow::setActionButtonsEnabled(bool) {}
void MainWindow::showProgressDialog(const QString &, const QString &) {}
void MainWindow::onAddToArchive() {}
void MainWindow::onExtractTo() {}
void MainWindow::onExtractHere() {}
void MainWindow::onFileSelectionChanged() {}
void MainWindow::onCompressionProgress(int) {}
void MainWindow::onCompressionCompleted(bool) {}
void MainWindow::onCurrentFileChanged(QString) {}
void MainWindow::onItemDoubleClicked(QModelIndex) {}
