#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compressionhandler.h"

#include <QFileSystemModel>
#include <QTranslator>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), compressionHandler(new CompressionHandler(this)),
      fileSystemModel(new QFileSystemModel(this)), dragging(false), appTranslator(new QTranslator(this)),
      qtTranslator(new QTranslator(this))
{
    ui->setupUi(this);
    setupConnections();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setupConnections() {}
