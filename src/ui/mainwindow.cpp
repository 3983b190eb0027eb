#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "compressionhandler.h"
#include "myfilesystemmodel.h"

#include <QColor>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QItemSelectionModel>
#include <QTranslator>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), compressionHandler(new CompressionHandler(this)),
      fileSystemModel(nullptr), currentPath(desktopOrHomePath()), dragging(false), dragStartPosition(0, 0),
      windowStartPosition(0, 0), appTranslator(new QTranslator(this)), qtTranslator(new QTranslator(this))
{
    ui->setupUi(this);

    // The light theme styles the window's own widgets: set on the panel rather than the
    // application, it leaves the toolkit's dialogs (files, folders, passwords, message boxes) in the
    // toolkit's style, where its paddings and heights would clip their editors. The window's own
    // popups and dialogs have their parent inside the panel and so take the theme.
    QFile theme(QStringLiteral(":/qss/default.css"));
    if (theme.open(QIODevice::ReadOnly | QIODevice::Text))
        ui->centralwidget->setStyleSheet(QString::fromUtf8(theme.readAll()));

    setFixedSize(800, 640);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);

    // The central widget keeps a 10-pixel margin round the panel; the shadow fills that band.
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(20.0);
    shadow->setColor(QColor(0, 0, 0, 80));
    shadow->setOffset(0, 0);
    ui->centralwidget->setGraphicsEffect(shadow);

    fileSystemModel = new MyFileSystemModel(this);
    ui->fileTreeView->setModel(fileSystemModel);

    setMenuBar(nullptr);

    // The language comes first: the model describes each file in the default locale's language
    // when it first lists it.
    initLanguage();
    setupTreeView();
    setupConnections();
    setupKeyboardShortcuts();
    navigateToPath(currentPath);
    updateFolderInfo();
    loadSettings();
    setupMainMenu();
}

MainWindow::~MainWindow()
{
    // A running task uses the handler, which dies with the window.
    cancelAndWaitForOperation();
    saveSettings();
    delete ui;
}

void MainWindow::setupConnections()
{
    if (QItemSelectionModel *selectionModel = ui->fileTreeView->selectionModel()) {
        connect(selectionModel, &QItemSelectionModel::selectionChanged, this,
                &MainWindow::onFileSelectionChanged);
    } else {
        qWarning().noquote() << tr("选择模型为空，连接失败");
    }
    connect(ui->minButton, &QAbstractButton::clicked, this, &MainWindow::onMinimizeButtonClicked);
    connect(ui->closeButton, &QAbstractButton::clicked, this, &MainWindow::onCloseButtonClicked);
    connect(compressionHandler, &CompressionHandler::progressChanged, this,
            &MainWindow::onCompressionProgress);
    connect(compressionHandler, &CompressionHandler::operationCompleted, this,
            &MainWindow::onCompressionCompleted);
    connect(compressionHandler, &CompressionHandler::currentFileChanged, this,
            &MainWindow::onCurrentFileChanged);
    connect(ui->addButton, &QAbstractButton::clicked, this, &MainWindow::onAddToArchive);
    connect(ui->extractToButton, &QAbstractButton::clicked, this, &MainWindow::onExtractTo);
    connect(ui->extractHereButton, &QAbstractButton::clicked, this, &MainWindow::onExtractHere);
    connect(ui->deleteButton, &QAbstractButton::clicked, this, &MainWindow::onDeleteSelected);
    connect(ui->refreshButton, &QAbstractButton::clicked, this, &MainWindow::onRefresh);
    connect(ui->pathLineEdit, &QLineEdit::returnPressed, this, &MainWindow::onPathChanged);
    connect(ui->upButton, &QAbstractButton::clicked, this, &MainWindow::onUpButtonClicked);
    connect(ui->desktopButton, &QAbstractButton::clicked, this, &MainWindow::onDesktopButtonClicked);
    connect(ui->searchButton, &QAbstractButton::clicked, this, &MainWindow::onSearchButtonClicked);
    connect(ui->searchLineEdit, &QLineEdit::textChanged, this, &MainWindow::onSearchTextChanged);
    connect(ui->fileTreeView, &QAbstractItemView::doubleClicked, this, &MainWindow::onItemDoubleClicked);
}
