// Languages end to end: start-up applies the stored language, the menu switches it for the form,
// the menu, the column heads, the drive-list name and later dialogs (with the toolkit's own
// button texts), an unknown code falls back to the source language, and the about dialog follows.
#include "aboutdialog.h"
#include "mainwindow.h"
#include "modaldialog.h"
#include "uitestsupport.h"

#include <QAbstractItemModel>
#include <QActionGroup>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>

namespace {

const QString organisation = QStringLiteral("Kelvane");

QString storedLanguage()
{
    return QSettings(organisation, organisation).value(QStringLiteral("language")).toString();
}

QMenu *mainMenuOf(QWidget *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("menuButton"))->menu();
}

// Entry texts in menu order, a separator as "-", the checked entry marked with "*".
QStringList menuEntries(QWidget *window)
{
    QStringList entries;
    for (const QAction *action : mainMenuOf(window)->actions()) {
        if (action->isSeparator())
            entries.append(QStringLiteral("-"));
        else
            entries.append(action->text() + (action->isChecked() ? QStringLiteral("*") : QString()));
    }
    return entries;
}

void triggerMenuEntry(QWidget *window, int position)
{
    mainMenuOf(window)->actions().at(position)->trigger();
    // Language-change events and the old menu's deferred deletion arrive through the loop.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString textOf(QWidget *window, const char *name)
{
    return window->findChild<QToolButton *>(QString::fromLatin1(name))->text();
}

QLineEdit *pathFieldOf(QWidget *window)
{
    return window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"));
}

QString columnHead(QWidget *window, int section)
{
    auto *tree = window->findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    return tree->model()->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
}

void showDriveList(QWidget *window)
{
    pathFieldOf(window)->setText(QStringLiteral("MyComputer"));
    QTest::keyClick(pathFieldOf(window), Qt::Key_Return);
}

// Stands in for the desktop's web browser.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    QStringList links;

public slots:
    void open(const QUrl &url) { links.append(url.toString()); }
};

enum MenuPosition {
    SimplifiedEntry = 0,
    TraditionalEntry = 1,
    EnglishEntry = 2,
    ResetEntry = 4,
    AboutEntry = 5
};

} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT

public:
    explicit TestLanguages(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init();
    void startUpAppliesStoredLanguage_data();
    void startUpAppliesStoredLanguage();
    void switchingChangesEveryText_data();
    void switchingChangesEveryText();
    void choosingTheCurrentLanguageDoesNothing();
    void unknownCodeFallsBackToSourceLanguage();
    void driveListNameFollowsLanguage();
    void statusLineKeepsItsFiguresAcrossSwitches();
    void columnTextsFollowTheLanguage_data();
    void columnTextsFollowTheLanguage();
    void menuIsRebuiltOnceAfterManySwitches();
    void choosingFromTheOpenMenuReplacesItSafely();
    void aboutDialogShowsEnglish();

private:
    QString desktopPath() const { return environment.desktopPath(); }

    const UiTestEnvironment &environment;
};

void TestLanguages::init()
{
    QSettings(organisation, organisation).clear();
    QVERIFY(QDir().mkpath(desktopPath()));
}

void TestLanguages::startUpAppliesStoredLanguage_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("menu");
    QTest::newRow("nothing stored") << QString() << QStringLiteral("Kelvane - 现代化压缩工具")
                                    << QStringList{"简体中文*", "繁體中文", "English",
                                                   "-",         "重置设置", "关于Kelvane"};
    QTest::newRow("English") << QStringLiteral("en_US") << QStringLiteral("Kelvane - Modern Compression Tool")
                             << QStringList{"简体中文", "繁體中文",       "English*",
                                            "-",        "Reset Settings", "About Kelvane"};
    QTest::newRow("Traditional Chinese")
        << QStringLiteral("zh_TW") << QStringLiteral("Kelvane - 現代化壓縮工具")
        << QStringList{"简体中文", "繁體中文*", "English", "-", "重設設定", "關於Kelvane"};
}

void TestLanguages::startUpAppliesStoredLanguage()
{
    QFETCH(QString, stored);
    QFETCH(QString, title);
    QFETCH(QStringList, menu);
    if (!stored.isEmpty())
        QSettings(organisation, organisation).setValue(QStringLiteral("language"), stored);

    MainWindow window;
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(menuEntries(&window), menu);
    QCOMPARE(storedLanguage(), stored.isEmpty() ? QStringLiteral("zh_CN") : stored);
    // The engine picks the legacy code page of archive names from the default locale.
    QCOMPARE(QLocale().name(), stored.isEmpty() ? QStringLiteral("zh_CN") : stored);
}

void TestLanguages::switchingChangesEveryText_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("formTexts");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QStringList>("columnHeads");
    QTest::addColumn<QString>("driveList");
    QTest::addColumn<QStringList>("resetQuestion");

    QTest::newRow("English") << int(EnglishEntry) << QStringLiteral("en_US")
                             << QStringList{"Kelvane - Modern Compression Tool",
                                            "Compress Selected",
                                            "Extract To",
                                            "Quick Extract",
                                            "Delete Selected",
                                            "Refresh",
                                            "Path..."}
                             << QStringList{"简体中文", "繁體中文",       "English*",
                                            "-",        "Reset Settings", "About Kelvane"}
                             << QStringList{"Name", "Size", "Type", "Date Modified"}
                             << QStringLiteral("My Computer")
                             << QStringList{"Reset Confirmation", "&Yes", "&No"};
    QTest::newRow("Traditional Chinese")
        << int(TraditionalEntry) << QStringLiteral("zh_TW") << QStringList{"Kelvane - 現代化壓縮工具",
                                                                           "壓縮選中",
                                                                           "解壓到",
                                                                           "一鍵解壓",
                                                                           "刪除選中",
                                                                           "重新整理",
                                                                           "路徑..."}
        << QStringList{"简体中文", "繁體中文*", "English", "-", "重設設定", "關於Kelvane"}
        << QStringList{"名稱", "大小", "類型", "修改日期"} << QStringLiteral("我的電腦")
        << QStringList{"重設確認", "是(&Y)", "否(&N)"};
}

void TestLanguages::switchingChangesEveryText()
{
    QFETCH(int, entry);
    QFETCH(QString, code);
    QFETCH(QStringList, formTexts);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, columnHeads);
    QFETCH(QString, driveList);
    QFETCH(QStringList, resetQuestion);

    MainWindow window;
    window.show();
    triggerMenuEntry(&window, entry);
    QCOMPARE(storedLanguage(), code);

    const QStringList shownFormTexts{window.windowTitle(),
                                     textOf(&window, "addButton"),
                                     textOf(&window, "extractToButton"),
                                     textOf(&window, "extractHereButton"),
                                     textOf(&window, "deleteButton"),
                                     textOf(&window, "refreshButton"),
                                     pathFieldOf(&window)->placeholderText()};
    QCOMPARE(shownFormTexts, formTexts);
    QCOMPARE(menuEntries(&window), menu);
    QStringList heads;
    for (int section = 0; section < 4; ++section)
        heads.append(columnHead(&window, section));
    QCOMPARE(heads, columnHeads);

    showDriveList(&window);
    QCOMPARE(pathFieldOf(&window)->text(), driveList);

    // A dialog opened later speaks the new language, down to the toolkit's own buttons.
    QStringList shownQuestion;
    auto answer = whenModalDialogOpens([&shownQuestion](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        shownQuestion = QStringList{box->windowTitle(), box->button(QMessageBox::Yes)->text(),
                                    box->button(QMessageBox::No)->text()};
        box->button(QMessageBox::No)->click();
    });
    triggerMenuEntry(&window, ResetEntry);
    QCOMPARE(shownQuestion, resetQuestion);

    // And back to the source texts.
    triggerMenuEntry(&window, SimplifiedEntry);
    QCOMPARE(storedLanguage(), QStringLiteral("zh_CN"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvane - 现代化压缩工具"));
    QCOMPARE(textOf(&window, "addButton"), QStringLiteral("压缩选中"));
    QCOMPARE(columnHead(&window, 0), QStringLiteral("名称"));
    QCOMPARE(menuEntries(&window),
             (QStringList{"简体中文*", "繁體中文", "English", "-", "重置设置", "关于Kelvane"}));
}

void TestLanguages::choosingTheCurrentLanguageDoesNothing()
{
    MainWindow window;
    triggerMenuEntry(&window, EnglishEntry);
    QSettings(organisation, organisation).setValue(QStringLiteral("language"), QStringLiteral("marker"));
    triggerMenuEntry(&window, EnglishEntry);
    QCOMPARE(storedLanguage(), QStringLiteral("marker"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvane - Modern Compression Tool"));
}

void TestLanguages::unknownCodeFallsBackToSourceLanguage()
{
    MainWindow window;
    triggerMenuEntry(&window, EnglishEntry);
    QTest::ignoreMessage(QtWarningMsg, "翻译文件未找到: :/translations/lang_fr_FR.qm");
    QVERIFY(QMetaObject::invokeMethod(&window, "loadLanguage", Q_ARG(QString, QStringLiteral("fr_FR"))));
    QCoreApplication::processEvents();
    QCOMPARE(storedLanguage(), QStringLiteral("zh_CN"));
    QCOMPARE(QLocale().name(), QStringLiteral("zh_CN"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvane - 现代化压缩工具"));
    QCOMPARE(menuEntries(&window),
             (QStringList{"简体中文*", "繁體中文", "English", "-", "重置设置", "关于Kelvane"}));
}

void TestLanguages::driveListNameFollowsLanguage()
{
    MainWindow window;
    window.show();
    showDriveList(&window);
    QCOMPARE(pathFieldOf(&window)->text(), QStringLiteral("我的电脑"));

    triggerMenuEntry(&window, EnglishEntry);
    QCOMPARE(pathFieldOf(&window)->text(), QStringLiteral("My Computer"));
    // Return on the name shown must keep the drive list instead of complaining.
    QTest::keyClick(pathFieldOf(&window), Qt::Key_Return);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(pathFieldOf(&window)->text(), QStringLiteral("My Computer"));

    // Away from the drive list, the field keeps the folder.
    pathFieldOf(&window)->setText(desktopPath());
    QTest::keyClick(pathFieldOf(&window), Qt::Key_Return);
    triggerMenuEntry(&window, TraditionalEntry);
    QCOMPARE(pathFieldOf(&window)->text(), desktopPath());
}

void TestLanguages::statusLineKeepsItsFiguresAcrossSwitches()
{
    QFile note(desktopPath() + QStringLiteral("/note.txt"));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.write("hello");
    note.close();

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tree = window.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    auto *model = qobject_cast<QFileSystemModel *>(tree->model());
    QTRY_VERIFY(model->index(note.fileName()).isValid());
    tree->selectionModel()->select(model->index(note.fileName()),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);

    const auto statusLine = [&window] {
        return QStringList{window.findChild<QLabel *>(QStringLiteral("selectedInfoLabel"))->text(),
                           window.findChild<QLabel *>(QStringLiteral("statusLabel"))->text()};
    };
    triggerMenuEntry(&window, EnglishEntry);
    QCOMPARE(statusLine(),
             (QStringList{"Selected: 1 items | Size: 5 bytes", "Folders: 0 | Files: 1 | Size: 5 bytes"}));
    triggerMenuEntry(&window, TraditionalEntry);
    QCOMPARE(statusLine(),
             (QStringList{"選中: 1 個項目 | 大小: 5 位元組", "資料夾: 0 | 檔案: 1 | 大小: 5 位元組"}));
    QVERIFY(note.remove());
}

void TestLanguages::columnTextsFollowTheLanguage_data()
{
    QTest::addColumn<bool>("switched");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("folderRow");
    QTest::addColumn<QStringList>("fileRow");
    QTest::addColumn<QString>("drive");

    const QString chineseDate = QStringLiteral("2026/12/10 08:54");
    const QStringList simplifiedFolder{"", "文件夹"};
    const QStringList simplifiedFile{"6 字节", "纯文本文档", chineseDate};
    const QStringList traditionalFolder{"", "資料夾"};
    const QStringList traditionalFile{"6 位元組", "純文字文件", chineseDate};
    const QStringList englishFolder{"", "Folder"};
    const QStringList englishFile{"6 bytes", "plain text document", "12/10/26 8:54 AM"};
    for (const bool switched : {false, true}) {
        const char *how = switched ? "switched" : "at start-up";
        if (!switched) {
            QTest::addRow("Simplified Chinese %s", how) << switched << int(SimplifiedEntry) << "zh_CN"
                                                        << simplifiedFolder << simplifiedFile << "驱动器";
        }
        QTest::addRow("Traditional Chinese %s", how) << switched << int(TraditionalEntry) << "zh_TW"
                                                     << traditionalFolder << traditionalFile << "磁碟機";
        QTest::addRow("English %s", how)
            << switched << int(EnglishEntry) << "en_US" << englishFolder << englishFile << "Drive";
    }
}

// Size, type and date of the list's rows are written in the interface language, with its locale's
// dates and the status line's units, whether the language applies at start-up or is chosen later.
void TestLanguages::columnTextsFollowTheLanguage()
{
    QFETCH(bool, switched);
    QFETCH(int, entry);
    QFETCH(QString, code);
    QFETCH(QStringList, folderRow);
    QFETCH(QStringList, fileRow);
    QFETCH(QString, drive);

    const QDateTime modified(QDate(2026, 12, 10), QTime(8, 54, 4));
    const QString folder = desktopPath() + QStringLiteral("/docs");
    QVERIFY(QDir().mkpath(folder));
    QFile note(desktopPath() + QStringLiteral("/note.txt"));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.write("hello\n");
    QVERIFY(note.flush());
    QVERIFY(note.setFileTime(modified, QFileDevice::FileModificationTime));
    note.close();
    if (!switched)
        QSettings(organisation, organisation).setValue(QStringLiteral("language"), code);

    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *tree = window.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    const QAbstractItemModel *model = tree->model();
    const auto rowTexts = [&](const QString &path) {
        const QModelIndex index = qobject_cast<const QFileSystemModel *>(model)->index(path);
        QStringList texts;
        for (int column = 1; column < 4; ++column)
            texts.append(index.siblingAtColumn(column).data().toString());
        return texts;
    };
    if (switched) {
        // The rows are listed, and their types known, in the source language first.
        QTRY_COMPARE(rowTexts(note.fileName()).value(1), QStringLiteral("纯文本文档"));
        triggerMenuEntry(&window, entry);
    }
    QTRY_COMPARE(rowTexts(note.fileName()), fileRow);
    QTRY_COMPARE(rowTexts(folder).mid(0, 2), folderRow);
    QCOMPARE(rowTexts(QStringLiteral("/")).value(1), drive);

    QVERIFY(note.remove());
    QVERIFY(QDir(folder).removeRecursively());
}

void TestLanguages::menuIsRebuiltOnceAfterManySwitches()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int entry : {EnglishEntry, TraditionalEntry, SimplifiedEntry, EnglishEntry, TraditionalEntry})
        triggerMenuEntry(&window, entry);
    QVERIFY(QMetaObject::invokeMethod(&window, "updateMenuLanguage"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(window.findChildren<QMenu *>().size(), 1);
    QCOMPARE(window.findChildren<QActionGroup *>().size(), 1);
    QCOMPARE(mainMenuOf(&window)->actions().at(TraditionalEntry)->actionGroup()->actions().size(), 3);

    // Opened through its button, by the mouse and by click(): each time exactly one menu opens,
    // and it holds the same six entries.
    auto *button = window.findChild<QPushButton *>(QStringLiteral("menuButton"));
    QList<QStringList> openings;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &poll, [&openings] {
        if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            QStringList shown;
            for (const QAction *action : popup->actions())
                shown.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            openings.append(shown);
            popup->close();
        }
    });
    poll.start(20);
    QTest::mouseClick(button, Qt::LeftButton);
    button->click();
    QTest::qWait(200);
    const QStringList expected{"简体中文", "繁體中文", "English", "-", "重設設定", "關於Kelvane"};
    QCOMPARE(openings, (QList<QStringList>{expected, expected}));
}

// A language chosen from the open menu replaces that menu while it still handles the key press;
// afterwards exactly one menu, in the new language, remains.
void TestLanguages::choosingFromTheOpenMenuReplacesItSafely()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPointer<QMenu> openedMenu;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            poll.stop();
            openedMenu = popup;
            popup->setActiveAction(popup->actions().at(EnglishEntry));
            QTest::keyClick(popup, Qt::Key_Return);
        }
    });
    poll.start(20);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("menuButton")), Qt::LeftButton);
    QTRY_VERIFY(!poll.isActive());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(openedMenu.isNull());
    QCOMPARE(storedLanguage(), QStringLiteral("en_US"));
    QCOMPARE(menuEntries(&window),
             (QStringList{"简体中文", "繁體中文", "English*", "-", "Reset Settings", "About Kelvane"}));
    QCOMPARE(window.findChildren<QMenu *>().size(), 1);
}

void TestLanguages::aboutDialogShowsEnglish()
{
    MainWindow window;
    window.show();
    triggerMenuEntry(&window, EnglishEntry);

    LinkRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");

    QStringList texts;
    bool stayedOpen = false;
    auto inspect = whenModalDialogOpens([&](QWidget *dialog) {
        auto *about = qobject_cast<AboutDialog *>(dialog);
        QVERIFY(about);
        texts = QStringList{about->windowTitle(),
                            about->findChild<QLabel *>(QStringLiteral("versionLabel"))->text(),
                            about->findChild<QLabel *>(QStringLiteral("descriptionLabel"))->text()};
        auto *website = about->findChild<QLabel *>(QStringLiteral("websiteLabel"));
        QVERIFY(website->text().contains(QStringLiteral(">Visit Official Website</a>")));
        QVERIFY(website->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
        about->findChild<QPushButton *>(QStringLiteral("aboutButton"))->click();
        emit website->linkActivated(QStringLiteral("https://kelvane.org/"));
        stayedOpen = about->isVisible();
        QTest::keyClick(about, Qt::Key_Escape);
    });
    triggerMenuEntry(&window, AboutEntry);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(texts,
             (QStringList{"About Kelvane", "Version: 1.0.0.01",
                          "Efficient compression and decompression tool. Supports multiple formats, quickly "
                          "processes large files. Clean interface without ads, making file management easy "
                          "and smooth!"}));
    QCOMPARE(recorder.links, QStringList{"https://kelvane.org/"});
    QVERIFY(stayedOpen);
    // Built for one opening only: nothing of it is left once it is closed.
    QCOMPARE(window.findChildren<AboutDialog *>().size(), 0);
}

KELVANE_UI_TEST_MAIN(TestLanguages)

#include "tst_languages.moc"
