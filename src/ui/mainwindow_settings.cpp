#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutdialog.h"
#include "archivebrowser.h"
#include "archivecommands.h"
#include "filebrowser.h"
#include "interfacecatalogue.h"
#include "menuentry.h"
#include "windowsettings.h"

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
#include <QTranslator>

namespace {

// The languages the menu offers, each named in its own language.
const QStringList menuLanguages{QStringLiteral("zh_CN"), QStringLiteral("zh_TW"), QStringLiteral("en_US")};

} // namespace

void MainWindow::loadSettings()
{
    const WindowState state = WindowSettings::load(FileBrowser::desktopOrHomePath());

    // A rectangle left on a screen that is gone would put the window out of reach.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool reachable = screen && screen->availableGeometry().intersects(state.geometry);
    setGeometry(reachable ? state.geometry : WindowSettings::defaultGeometry);

    // Everything that changes what the model lists comes before the folder is shown, so the folder is
    // listed once.
    browser->setShowsHiddenFiles(state.showHiddenFiles);
    for (int column = 0; column < WindowSettings::columnCount; ++column)
        ui->fileTreeView->setColumnWidth(column, state.columnWidths.at(column));
    ui->fileTreeView->sortByColumn(state.sortColumn, state.sortOrder);
    if (!browser->navigateTo(state.lastPath))
        navigateToPath(FileBrowser::desktopOrHomePath());

    qDebug().noquote() << tr("设置加载成功");
}

void MainWindow::saveSettings()
{
    WindowState state;
    state.geometry = geometry();
    state.lastPath = currentPath;
    state.showHiddenFiles = browser->showsHiddenFiles();
    for (int column = 0; column < WindowSettings::columnCount; ++column)
        state.columnWidths.append(ui->fileTreeView->columnWidth(column));
    const QHeaderView *header = ui->fileTreeView->header();
    state.sortColumn = header->sortIndicatorSection();
    state.sortOrder = header->sortIndicatorOrder();

    const QSettings::Status status = WindowSettings::save(state);
    if (status != QSettings::NoError)
        qWarning().noquote() << tr("保存设置失败:") << status;
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

    WindowSettings::clear();
    loadLanguage(InterfaceCatalogue::sourceLanguage);
    browser->resetView();
    navigateToPath(FileBrowser::desktopOrHomePath());
    for (int column = 0; column < WindowSettings::columnCount; ++column)
        ui->fileTreeView->setColumnWidth(column, WindowSettings::defaultColumnWidths.at(column));
    ui->fileTreeView->sortByColumn(0, Qt::AscendingOrder);
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
    loadLanguage(WindowSettings::language());
}

void MainWindow::loadLanguage(QString language)
{
    if (language == currentLanguage)
        return;
    currentLanguage = language;
    WindowSettings::saveLanguage(language);

    QCoreApplication::removeTranslator(appTranslator);
    QCoreApplication::removeTranslator(qtTranslator);

    if (qtTranslator->load(QStringLiteral("qt_") + language,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);

    const QString cataloguePath = InterfaceCatalogue::cataloguePath(language);
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
    if (!loaded && language != InterfaceCatalogue::sourceLanguage) {
        loadLanguage(InterfaceCatalogue::sourceLanguage);
        return;
    }

    // The list's dates follow the default locale; archive names in legacy code pages are read as
    // users of the language write them, which the window passes on in each operation's request.
    QLocale::setDefault(QLocale(language));
    archiveCommands->setInterfaceLanguage(language);
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
    updateMenuLanguage();
    // The form puts back its initial status texts; the folder and the selection are unchanged.
    browser->retranslate();
    archiveBrowser->retranslate();
    retranslateFileListMenu();
}

void MainWindow::updateMenuLanguage()
{
    QMenu *menu = ui->menuButton->menu();
    if (!menu)
        return;
    for (QAction *action : menu->actions()) {
        const QString code = action->data().toString();
        if (code == QLatin1String("zh_CN"))
            action->setText(tr("简体中文"));
        else if (code == QLatin1String("zh_TW"))
            action->setText(tr("繁體中文"));
        else if (code == QLatin1String("en_US"))
            action->setText(tr("English"));
        if (!code.isEmpty())
            action->setChecked(code == currentLanguage);
    }
    resetEntry->setText(tr("重置设置"));
    aboutEntry->setText(tr("关于Kelvane"));
}

void MainWindow::setupMainMenu()
{
    // Built once; a language change only renames its entries.
    if (ui->menuButton->menu()) {
        updateMenuLanguage();
        return;
    }

    // A child of the panel, so the window's theme reaches it.
    auto *menu = new QMenu(ui->menuButton);
    auto *languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);
    for (const QString &code : menuLanguages) {
        auto *action = new QAction(this);
        action->setData(code);
        action->setCheckable(true);
        languageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, code] { loadLanguage(code); });
        menu->addAction(action);
    }
    menu->addSeparator();
    menu->addAction(resetEntry);
    menu->addAction(aboutEntry);

    // The button opens an attached menu itself, below its bottom-left corner, for the mouse, the
    // keyboard and click() alike; opening it again on `clicked` would show it a second time
    // whenever the click is not a mouse press, so nothing else stays bound to that signal.
    ui->menuButton->setMenu(menu);
    ui->menuButton->setStyleSheet(QStringLiteral("QPushButton::menu-indicator { image: none; }"));
    disconnect(ui->menuButton, &QPushButton::clicked, nullptr, nullptr);
    updateMenuLanguage();
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
