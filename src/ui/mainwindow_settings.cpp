#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTranslator>

namespace {

const QString settingsOrganisation = QStringLiteral("Kelvane");
const QString settingsApplication = QStringLiteral("Kelvane");
const QString sourceLanguage = QStringLiteral("zh_CN");

const QRect defaultWindowGeometry(100, 100, 800, 640);
const QList<int> defaultColumnWidths{300, 100, 100, 150};
constexpr int columnCount = 4;
constexpr QDir::Filters listingFilter = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot;

} // namespace

void MainWindow::loadSettings()
{
    QSettings settings(settingsOrganisation, settingsApplication);

    // A rectangle left on a screen that is gone would put the window out of reach.
    const QRect storedGeometry =
        settings.value(QStringLiteral("window/geometry"), defaultWindowGeometry).toRect();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool reachable = screen && screen->availableGeometry().intersects(storedGeometry);
    setGeometry(reachable ? storedGeometry : defaultWindowGeometry);

    navigateToPath(settings.value(QStringLiteral("navigation/lastPath"), desktopOrHomePath()).toString());

    const bool showHidden = settings.value(QStringLiteral("view/showHiddenFiles"), false).toBool();
    fileSystemModel->setFilter(showHidden ? listingFilter | QDir::Hidden : listingFilter);

    const QVariantList widths = settings.value(QStringLiteral("view/columnWidths")).toList();
    if (widths.size() >= columnCount) {
        for (int column = 0; column < columnCount; ++column)
            ui->fileTreeView->setColumnWidth(column, widths.at(column).toInt());
    }

    // Values another program or an older file may have left fall back to the name column, ascending.
    int sortColumn = settings.value(QStringLiteral("view/sortColumn"), 0).toInt();
    if (sortColumn < 0 || sortColumn >= columnCount)
        sortColumn = 0;
    const Qt::SortOrder sortOrder = settings.value(QStringLiteral("view/sortOrder"), 0).toInt() == 1
                                        ? Qt::DescendingOrder
                                        : Qt::AscendingOrder;
    ui->fileTreeView->sortByColumn(sortColumn, sortOrder);

    qDebug().noquote() << tr("设置加载成功");
}

void MainWindow::saveSettings()
{
    QSettings settings(settingsOrganisation, settingsApplication);
    settings.setValue(QStringLiteral("window/geometry"), geometry());
    settings.setValue(QStringLiteral("navigation/lastPath"), currentPath);
    settings.setValue(QStringLiteral("view/showHiddenFiles"),
                      fileSystemModel->filter().testFlag(QDir::Hidden));

    QVariantList widths;
    for (int column = 0; column < columnCount; ++column)
        widths.append(ui->fileTreeView->columnWidth(column));
    settings.setValue(QStringLiteral("view/columnWidths"), widths);

    const QHeaderView *header = ui->fileTreeView->header();
    settings.setValue(QStringLiteral("view/sortColumn"), header->sortIndicatorSection());
    settings.setValue(QStringLiteral("view/sortOrder"), static_cast<int>(header->sortIndicatorOrder()));

    settings.sync();
    if (settings.status() != QSettings::NoError)
        qWarning().noquote() << tr("保存设置失败:") << settings.status();
    else
        qDebug().noquote() << tr("设置保存成功");
}

void MainWindow::on_resetButton_clicked()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, tr("重置确认"), tr("确定要将所有设置重置为默认状态吗？此操作无法撤销。"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    {
        QSettings settings(settingsOrganisation, settingsApplication);
        settings.clear();
        settings.sync();
    }

    loadLanguage(sourceLanguage);
    navigateToPath(desktopOrHomePath());
    ui->searchLineEdit->clear();
    fileSystemModel->setNameFilters({});
    fileSystemModel->setFilter(listingFilter);
    for (int column = 0; column < columnCount; ++column)
        ui->fileTreeView->setColumnWidth(column, defaultColumnWidths.at(column));
    ui->fileTreeView->sortByColumn(0, Qt::AscendingOrder);
    ui->fileTreeView->clearSelection();
    updateFolderInfo();
    updateSelectionInfo();

    QMessageBox::information(this, tr("重置完成"), tr("所有设置已重置为默认状态。程序将重新启动以应用更改。"),
                             QMessageBox::Ok, QMessageBox::NoButton);
    restartApplication();
}

void MainWindow::restartApplication()
{
    // The new instance must find what this one leaves behind (the window position above all)
    // rather than race the save that the destructor does on the way out.
    saveSettings();
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 QCoreApplication::arguments().mid(1), QDir::currentPath())) {
        qWarning().noquote() << tr("重新启动程序失败");
        return;
    }
    QCoreApplication::quit();
}

void MainWindow::initLanguage()
{
    QString language;
    {
        QSettings settings(settingsOrganisation, settingsApplication);
        language = settings.value(QStringLiteral("language"), sourceLanguage).toString();
    }
    loadLanguage(language);
}

void MainWindow::loadLanguage(QString language)
{
    if (language == currentLanguage)
        return;
    currentLanguage = language;
    {
        QSettings settings(settingsOrganisation, settingsApplication);
        settings.setValue(QStringLiteral("language"), language);
    }

    QCoreApplication::removeTranslator(appTranslator);
    QCoreApplication::removeTranslator(qtTranslator);

    if (qtTranslator->load(QStringLiteral("qt_") + language,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);

    const QString cataloguePath = QStringLiteral(":/translations/lang_%1.qm").arg(language);
    bool loaded = false;
    if (!QFile::exists(cataloguePath)) {
        qWarning().noquote() << tr("翻译文件未找到:") << cataloguePath;
    } else if (appTranslator->load(cataloguePath)) {
        QCoreApplication::installTranslator(appTranslator);
        loaded = true;
    } else {
        qWarning().noquote() << tr("加载翻译文件失败:") << cataloguePath;
    }
    // The source language needs no catalogue: its texts are the program's own.
    if (!loaded && language != sourceLanguage) {
        loadLanguage(sourceLanguage);
        return;
    }

    // The engine reads the interface language from the default locale, to decode legacy archive
    // names in the code page users of that language write.
    QLocale::setDefault(QLocale(language));
    // The model keeps each file's type as the MIME database wrote it in the language of the moment,
    // and rewrites them on a language change, an event the application sends to widgets only.
    if (fileSystemModel) {
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(fileSystemModel, &languageChange);
    }
    retranslateWindow();
}

void MainWindow::retranslateWindow()
{
    ui->retranslateUi(this);
    setupMainMenu();
    // The form puts back its initial status texts, but the folder and the selection are unchanged.
    updateFolderInfo();
    updateSelectionInfo();
    // Otherwise the field keeps the old language's name, which Return would then reject.
    if (currentPath.isEmpty())
        ui->pathLineEdit->setText(tr("我的电脑"));
}

void MainWindow::updateMenuLanguage()
{
    setupMainMenu();
}

void MainWindow::setupMainMenu()
{
    // The rebuild may run from inside one of the old menu's own entries, so the old menu, its
    // entries and their group go only once control is back in the event loop.
    if (QMenu *oldMenu = ui->menuButton->menu()) {
        ui->menuButton->setMenu(nullptr);
        for (QAction *action : oldMenu->actions()) {
            if (QActionGroup *group = action->actionGroup())
                group->deleteLater();
            action->deleteLater();
        }
        oldMenu->deleteLater();
    }

    // A child of the panel, so the window's theme reaches it.
    auto *menu = new QMenu(ui->menuButton);
    auto *languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);

    const QList<std::pair<QString, QString>> languages{
        {QStringLiteral("zh_CN"), tr("简体中文")},
        {QStringLiteral("zh_TW"), tr("繁體中文")},
        {QStringLiteral("en_US"), tr("English")},
    };
    for (const auto &[code, name] : languages) {
        auto *action = new QAction(name, this);
        action->setCheckable(true);
        action->setChecked(code == currentLanguage);
        languageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, code = code] { loadLanguage(code); });
        menu->addAction(action);
    }

    menu->addSeparator();
    menu->addAction(tr("重置设置"), this, &MainWindow::on_resetButton_clicked);
    menu->addAction(tr("关于Kelvane"), this, &MainWindow::on_aboutButton_clicked);

    // The button opens an attached menu itself, below its bottom-left corner, for the mouse, the
    // keyboard and click() alike; opening it again on `clicked` would show it a second time
    // whenever the click is not a mouse press, so nothing else stays bound to that signal.
    ui->menuButton->setMenu(menu);
    ui->menuButton->setStyleSheet(QStringLiteral("QPushButton::menu-indicator { image: none; }"));
    disconnect(ui->menuButton, &QPushButton::clicked, nullptr, nullptr);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslateWindow();
    QMainWindow::changeEvent(event);
}

void MainWindow::on_aboutButton_clicked()
{
    // A child of the panel, so the window's theme reaches it.
    AboutDialog dialog(ui->centralwidget);
    dialog.exec();
}
