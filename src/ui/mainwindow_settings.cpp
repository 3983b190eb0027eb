#include "mainwindow.h"

#include <QEvent>

void MainWindow::loadSettings() {}
void MainWindow::saveSettings() {}
void MainWindow::setupMainMenu() {}
void MainWindow::initLanguage() {}
void MainWindow::loadLanguage(QString) {}
void MainWindow::updateMenuLanguage() {}
void MainWindow::on_resetButton_clicked() {}
void MainWindow::on_aboutButton_clicked() {}
void MainWindow::changeEvent(QEvent *event) { QMainWindow::changeEvent(event); }
