#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMouseEvent>

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QMainWindow::mousePressEvent(event);
        return;
    }
    // Presses reach the window only where no child takes them, so anywhere on the header band
    // that is not a button or a field moves the window.
    const QPoint inHeader = ui->headerFrame->mapFrom(this, event->position().toPoint());
    if (ui->headerFrame->rect().contains(inHeader)) {
        dragging = true;
        dragStartPosition = event->globalPosition().toPoint();
        windowStartPosition = frameGeometry().topLeft();
        event->accept();
        return;
    }
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragStartPosition + windowStartPosition);
        event->accept();
        return;
    }
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragging) {
        dragging = false;
        event->accept();
        return;
    }
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::onMinimizeButtonClicked()
{
    showMinimized();
}

void MainWindow::onCloseButtonClicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("确认退出"), tr("确定要退出 Kelvane 吗？"), QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        QCoreApplication::quit();
}
