#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "archivebrowser.h"
#include "archivecommands.h"
#include "archiveoperationrunner.h"
#include "browserwidgets.h"
#include "compressionhandler.h"
#include "filebrowser.h"
#include "menuentry.h"
#include "myfilesystemmodel.h"

#include <QColor>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTranslator>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), resetEntry(new MenuEntry(QStringLiteral("resetButton"), this)),
      aboutEntry(new MenuEntry(QStringLiteral("aboutButton"), this)), ui(new Ui::MainWindow),
      compressionHandler(new CompressionHandler(this)), fileSystemModel(nullptr),
      currentPath(FileBrowser::desktopOrHomePath()), dragging(false), dragStartPosition(0, 0),
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
    const BrowserWidgets browserWidgets{ui->fileTreeView, ui->pathLineEdit, ui->searchLineEdit,
                                        ui->selectedInfoLabel, ui->statusLabel};
    browser = new FileBrowser(fileSystemModel, browserWidgets, this, this);
    archiveCommands = new ArchiveCommands(this, this);
    operationRunner = new ArchiveOperationRunner(this, ui->centralwidget, this);
    archiveBrowser = new ArchiveBrowser(browserWidgets, this);
    connect(browser, &FileBrowser::folderChanged, this, [this](const QString &path) { currentPath = path; });
    connect(operationRunner, &ArchiveOperationRunner::percentChanged, this,
            &MainWindow::onCompressionProgress);
    connect(operationRunner, &ArchiveOperationRunner::currentEntryChanged, this,
            &MainWindow::onCurrentFileChanged);
    connect(operationRunner, &ArchiveOperationRunner::finished, this, &MainWindow::onCompressionCompleted);

    setMenuBar(nullptr);

    // The language comes first: the model describes each file in the default locale's language
    // when it first lists it. The folder is listed once, by loadSettings.
    initLanguage();
    setupTreeView();
    setupConnections();
    setupKeyboardShortcuts();
    setupFileListMenu();
    loadSettings();
    setupMainMenu();
}

MainWindow::~MainWindow()
{
    // A running job may still write into folders the user sees; it ends before the window does.
    operationRunner->cancelAndWait();
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
    connect(archiveBrowser->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::onFileSelectionChanged);
    connect(ui->minButton, &QAbstractButton::clicked, this, &MainWindow::onMinimizeButtonClicked);
    connect(ui->closeButton, &QAbstractButton::clicked, this, &MainWindow::onCloseButtonClicked);
    // The facade serves other callers; the window's own operations report through the runner below.
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
