#include "mainwindow.h"

#include <QMouseEvent>

void MainWindow::mousePressEvent(QMouseEvent *event) { QMainWindow::mousePressEvent(event); }
void MainWindow::mouseReleaseEvent(QMouseEvent *event) { QMainWindow::mouseReleaseEvent(event); }
void MainWindow::mouseMoveEvent(QMouseEvent *event) { QMainWindow::mouseMoveEvent(event); }
void MainWindow::onMinimizeButtonClicked() {}
void MainWindow::onCloseButtonClicked() {}
