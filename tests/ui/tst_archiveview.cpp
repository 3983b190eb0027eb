#include "archiveentrymodel.h"
#include "compressionhandler.h"
#include "datasize.h"
#include "mainwindow.h"
#include "modaldialogdriver.h"
#include "testtree.h"
#include "toolrun.h"
#include "uitestenvironment.h"
#include "zipbytes.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QThreadPool>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

using Driver = ModalDialogDriver;

const QString successBox = QStringLiteral("box|成功|操作完成成功");

// The sample archive's files; "empty/" is a folder with nothing in it.
const TestTree::Tree sampleTree = {
    {QStringLiteral("docs/readme.txt"), "read me\n"},
    {QStringLiteral("docs/说明.txt"), QStringLiteral("中文内容\n").toUtf8()},
    {QStringLiteral("docs/img/a.png"), QByteArray(3000, 'a')},
    {QStringLiteral("docs/img/b.png"), QByteArray(5000, 'b')},
    {QStringLiteral("empty/"), QByteArray()},
    {QStringLiteral("top.txt"), QByteArray(1500, 't')},
};

QString folderFigures(int folders, int files, qint64 bytes)
{
    return QStringLiteral("文件夹: %1 | 文件: %2 | 大小: %3")
        .arg(folders)
        .arg(files)
        .arg(DataSize::text(bytes));
}

// A ZIP of the tree's files and folders, names flagged as UTF-8, as an archiver on Unix writes it.
bool writeZip(const QString &path, const TestTree::Tree &files)
{
    QList<ZipBytes::Entry> entries;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        ZipBytes::Entry entry = it.key().endsWith(QLatin1Char('/'))
                                    ? ZipBytes::unixFolder(it.key().toUtf8())
                                    : ZipBytes::unixFile(it.key().toUtf8(), it.value());
        entry.flags |= ZipBytes::utf8Flag;
        entries.append(entry);
    }
    return ZipBytes::write(path, entries);
}

QString selectionFigures(int items, qint64 bytes)
{
    return QStringLiteral("选中: %1 个项目 | 大小: %2").arg(items).arg(DataSize::text(bytes));
}

} // namespace

class TestArchiveView : public QObject
{
    Q_OBJECT

public:
    explicit TestArchiveView(const UiTestEnvironment &environment) : environment(environment) {}

public slots:
    // Stands in for the desktop's default application of local files.
    void recordOpenedUrl(const QUrl &url)
    {
        openedUrls.append(url);
        openedContents.append(TestTree::snapshot(QFileInfo(url.toLocalFile()).path())
                                  .value(QFileInfo(url.toLocalFile()).fileName()));
    }

private slots:
    void init();
    void cleanup();

    void openEnterUpAndOut_data();
    void openEnterUpAndOut();
    void sortingAndSearchInside();
    void typedPathOpensFolderInside();
    void unreadableArchiveIsReported();
    void extractSelection_data();
    void extractSelection();
    void extractToFromTheMenu();
    void doubleClickOpensEntry_data();
    void doubleClickOpensEntry();
    void testShowsOutcome_data();
    void testShowsOutcome();
    void menuFollowsWhereTheListIs();
    void ctrlOOpensSelectedArchive();
    void keysAndRefreshInside();
    void encryptedNamesAskOnce();
    void openWhileBusyIsRefused();
    void languageSwitchInside();

private:
    QTreeView *tree() const { return window->findChild<QTreeView *>(QStringLiteral("fileTreeView")); }
    QLineEdit *pathField() const { return window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit")); }
    QLabel *label(const char *name) const { return window->findChild<QLabel *>(QLatin1String(name)); }
    QAbstractButton *button(const char *name) const
    {
        return window->findChild<QAbstractButton *>(QLatin1String(name));
    }
    QAction *action(const char *name) const { return window->findChild<QAction *>(QLatin1String(name)); }
    ArchiveEntryModel *entryModel() const { return qobject_cast<ArchiveEntryModel *>(tree()->model()); }
    QFileSystemModel *fileModel() const { return qobject_cast<QFileSystemModel *>(tree()->model()); }

    // The names the view shows, in its order.
    QStringList shownNames() const;
    QModelIndex shownRow(const QString &name) const;
    void selectShown(const QStringList &names);
    void doubleClickShown(const QString &name);
    // Types the folder into the path field and waits until the file list shows it.
    void showFolder(const QString &path);
    QString makeZip(const QString &name, const TestTree::Tree &files);
    void waitForIdle();

    const UiTestEnvironment &environment;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<MainWindow> window;
    QList<QUrl> openedUrls;
    QList<QByteArray> openedContents;
};

void TestArchiveView::init()
{
    QSettings(QStringLiteral("Kelvane"), QStringLiteral("Kelvane")).clear();
    work = std::make_unique<QTemporaryDir>(environment.workPath() + QStringLiteral("/XXXXXX"));
    QVERIFY(work->isValid());
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestArchiveView::cleanup()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    window.reset();
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
    work.reset();
}

QStringList TestArchiveView::shownNames() const
{
    QStringList names;
    const QModelIndex root = tree()->rootIndex();
    for (int row = 0; row < tree()->model()->rowCount(root); ++row)
        names.append(tree()->model()->index(row, 0, root).data().toString());
    return names;
}

QModelIndex TestArchiveView::shownRow(const QString &name) const
{
    const QModelIndex root = tree()->rootIndex();
    for (int row = 0; row < tree()->model()->rowCount(root); ++row) {
        const QModelIndex index = tree()->model()->index(row, 0, root);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

void TestArchiveView::selectShown(const QStringList &names)
{
    QItemSelectionModel *selection = tree()->selectionModel();
    selection->clearSelection();
    for (const QString &name : names) {
        const QModelIndex index = shownRow(name);
        QVERIFY2(index.isValid(), qPrintable(name));
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

void TestArchiveView::doubleClickShown(const QString &name)
{
    QTRY_VERIFY2(shownRow(name).isValid(), qPrintable(name));
    const QPersistentModelIndex row(shownRow(name));
    tree()->scrollTo(row);
    QSignalSpy doubleClicks(tree(), &QAbstractItemView::doubleClicked);
    const QPoint centre = tree()->visualRect(row).center();
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(doubleClicks.size(), 1);
}

void TestArchiveView::showFolder(const QString &path)
{
    pathField()->setText(path);
    QTest::keyClick(pathField(), Qt::Key_Return);
    QTRY_VERIFY(fileModel());
    QTRY_COMPARE(fileModel()->filePath(tree()->rootIndex()), path);
    QTRY_COMPARE(fileModel()->rowCount(tree()->rootIndex()),
                 QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

QString TestArchiveView::makeZip(const QString &name, const TestTree::Tree &files)
{
    const QString path = work->filePath(name);
    return writeZip(path, files) ? path : QString();
}

void TestArchiveView::waitForIdle()
{
    QTRY_VERIFY(button("upButton")->isEnabled());
    QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
}

void TestArchiveView::openEnterUpAndOut_data()
{
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    // Archives written by the independent tools from the sample tree in "input"; the ZIP byte by byte.
    QTest::newRow("zip") << "sample.zip" << QString() << QStringList();
    QTest::newRow("tar.gz") << "sample.tar.gz"
                            << "tar" << QStringList{"-czf", "../sample.tar.gz", "docs", "empty", "top.txt"};
    QTest::newRow("7z") << "sample.7z"
                        << "7z" << QStringList{"a", "-bd", "../sample.7z", "docs", "empty", "top.txt"};
}

// The archive shows as a folder: its path in the path field, its top's items and their figures in
// the status line; folders are entered by double-click, Up goes up inside and then out to the
// folder holding the archive, where the file list shows that folder again.
void TestArchiveView::openEnterUpAndOut()
{
    QFETCH(QString, archiveName);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    QString archive;
    if (program.isEmpty()) {
        archive = makeZip(archiveName, sampleTree);
    } else {
        const QString input = work->filePath(QStringLiteral("input"));
        QVERIFY(TestTree::build(input, sampleTree));
        const ToolRun made = ToolRun::run(program, arguments, input);
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));
        archive = work->filePath(archiveName);
    }
    QVERIFY(QFileInfo::exists(archive));
    showFolder(work->path());

    QVERIFY(window->openArchive(archive));
    QVERIFY(entryModel());
    QCOMPARE(pathField()->text(), archive);
    QCOMPARE(shownNames(), (QStringList{"docs", "empty", "top.txt"}));
    QCOMPARE(label("statusLabel")->text(), folderFigures(2, 1, 1500));
    QCOMPARE(label("selectedInfoLabel")->text(), selectionFigures(0, 0));

    doubleClickShown(QStringLiteral("docs"));
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
    QCOMPARE(shownNames(), (QStringList{"img", "说明.txt", "readme.txt"}));
    QCOMPARE(label("statusLabel")->text(), folderFigures(1, 2, 8 + 13));
    selectShown({QStringLiteral("img"), QStringLiteral("说明.txt")});
    QCOMPARE(label("selectedInfoLabel")->text(), selectionFigures(2, 13));

    doubleClickShown(QStringLiteral("img"));
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs/img"));
    QCOMPARE(label("statusLabel")->text(), folderFigures(0, 2, 8000));
    QCOMPARE(label("selectedInfoLabel")->text(), selectionFigures(0, 0));

    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QCOMPARE(pathField()->text(), archive);
    QCOMPARE(shownNames(), (QStringList{"docs", "empty", "top.txt"}));
    doubleClickShown(QStringLiteral("empty"));
    QCOMPARE(shownNames(), QStringList());
    QCOMPARE(label("statusLabel")->text(), folderFigures(0, 0, 0));
    QTest::mouseClick(button("upButton"), Qt::LeftButton);

    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QVERIFY(fileModel());
    QCOMPARE(pathField()->text(), work->path());
    QTRY_COMPARE(fileModel()->filePath(tree()->rootIndex()), work->path());
    QTRY_VERIFY(shownRow(archiveName).isValid());
    // The file list's selection is its own again: the window hears it.
    selectShown({archiveName});
    QCOMPARE(label("selectedInfoLabel")->text(), selectionFigures(1, QFileInfo(archive).size()));
    QVERIFY(button("extractHereButton")->isEnabled());
}

// Sorting by a column head (in the interface language's collation, which puts Chinese names before
// Latin ones) and the name search work inside as they do outside; the search ends with its text.
void TestArchiveView::sortingAndSearchInside()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    // The order chosen outside holds inside: by size, largest first (folders, without a size, last).
    tree()->sortByColumn(ArchiveEntryModel::SizeColumn, Qt::DescendingOrder);
    QVERIFY(window->openArchive(archive));
    doubleClickShown(QStringLiteral("docs"));
    QCOMPARE(shownNames(), (QStringList{"说明.txt", "readme.txt", "img"}));

    tree()->sortByColumn(ArchiveEntryModel::NameColumn, Qt::DescendingOrder);
    QCOMPARE(shownNames(), (QStringList{"readme.txt", "说明.txt", "img"}));
    tree()->sortByColumn(ArchiveEntryModel::NameColumn, Qt::AscendingOrder);
    QCOMPARE(shownNames(), (QStringList{"img", "说明.txt", "readme.txt"}));

    auto *search = window->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"));
    search->setText(QStringLiteral("READ"));
    QTest::mouseClick(button("searchButton"), Qt::LeftButton);
    QCOMPARE(shownNames(), QStringList{"readme.txt"});
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
    search->clear();
    QCOMPARE(shownNames(), (QStringList{"img", "说明.txt", "readme.txt"}));

    // Leaving the archive leaves its search behind.
    search->setText(QStringLiteral("png"));
    QTest::mouseClick(button("searchButton"), Qt::LeftButton);
    QCOMPARE(shownNames(), QStringList());
    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QVERIFY(fileModel());
    QCOMPARE(search->text(), QString());
    QTRY_VERIFY(shownRow(QStringLiteral("sample.zip")).isValid());
}

// The path field takes an archive's path with a folder inside it, as it shows them.
void TestArchiveView::typedPathOpensFolderInside()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    pathField()->setText(archive + QStringLiteral("/docs/img"));
    QTest::keyClick(pathField(), Qt::Key_Return);
    QVERIFY(entryModel());
    QCOMPARE(shownNames(), (QStringList{"a.png", "b.png"}));
    pathField()->setText(archive + QStringLiteral("/docs"));
    QTest::keyClick(pathField(), Qt::Key_Return);
    QCOMPARE(shownNames(), (QStringList{"img", "说明.txt", "readme.txt"}));

    // A folder on disk leaves the archive.
    pathField()->setText(work->path());
    QTest::keyClick(pathField(), Qt::Key_Return);
    QVERIFY(fileModel());
    QTRY_COMPARE(fileModel()->filePath(tree()->rootIndex()), work->path());
}

// A file that cannot be listed says why and leaves the file list as it was.
void TestArchiveView::unreadableArchiveIsReported()
{
    const QString broken = work->filePath(QStringLiteral("broken.zip"));
    QVERIFY(TestTree::build(work->path(), {{QStringLiteral("broken.zip"), "not an archive at all"}}));
    showFolder(work->path());

    // One driver for both boxes: a second one alive beside it would race it for the second box.
    Driver answers;
    answers.then(Driver::press(QMessageBox::Ok)).then(Driver::press(QMessageBox::Ok));
    QVERIFY(!window->openArchive(broken));
    QTRY_COMPARE(answers.seen.size(), 1);
    QVERIFY2(answers.seen.first().startsWith(QStringLiteral("box|错误|无法打开压缩文件 'broken.zip': ")),
             qPrintable(answers.seen.first()));
    QVERIFY(fileModel());
    QCOMPARE(pathField()->text(), work->path());
    QVERIFY(button("upButton")->isEnabled());

    // Typed into the path field: the same box, and the field shows the folder again.
    pathField()->setText(broken + QStringLiteral("/inside"));
    QTest::keyClick(pathField(), Qt::Key_Return);
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen.size(), 2);
    QVERIFY(answers.seen.last().startsWith(QStringLiteral("box|错误|无法打开压缩文件 'broken.zip': ")));
    QCOMPARE(pathField()->text(), work->path());
}

void TestArchiveView::extractSelection_data()
{
    QTest::addColumn<QString>("folderInside");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<TestTree::Tree>("expected");

    QTest::newRow("one file") << "docs" << QStringList{"readme.txt"}
                              << TestTree::Tree{{"readme.txt", "read me\n"}};
    QTest::newRow("a folder and a file")
        << "docs" << QStringList{"img", "说明.txt"}
        << TestTree::Tree{{"img/", QByteArray()},
                          {"img/a.png", QByteArray(3000, 'a')},
                          {"img/b.png", QByteArray(5000, 'b')},
                          {"说明.txt", QStringLiteral("中文内容\n").toUtf8()}};
    QTest::newRow("nothing selected: the whole folder")
        << "docs/img" << QStringList{}
        << TestTree::Tree{{"a.png", QByteArray(3000, 'a')}, {"b.png", QByteArray(5000, 'b')}};
    QTest::newRow("an empty folder") << "" << QStringList{"empty"}
                                     << TestTree::Tree{{"empty/", QByteArray()}};
}

// Quick Extract inside an archive writes the selected entries (all of the shown folder when none
// is) into the folder that holds the archive, relative to the folder shown.
void TestArchiveView::extractSelection()
{
    QFETCH(QString, folderInside);
    QFETCH(QStringList, selected);
    QFETCH(TestTree::Tree, expected);

    const QString holder = work->filePath(QStringLiteral("holder"));
    QVERIFY(QDir().mkpath(holder));
    QVERIFY(writeZip(holder + QStringLiteral("/sample.zip"), sampleTree));
    QVERIFY(window->openArchive(holder + QStringLiteral("/sample.zip")));
    if (!folderInside.isEmpty()) {
        pathField()->setText(holder + QStringLiteral("/sample.zip/") + folderInside);
        QTest::keyClick(pathField(), Qt::Key_Return);
        QCOMPARE(pathField()->text(), holder + QStringLiteral("/sample.zip/") + folderInside);
    }
    selectShown(selected);
    QVERIFY(button("extractHereButton")->isEnabled());

    Driver answers;
    answers.then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen, QStringList{successBox});
    waitForIdle();

    TestTree::Tree written = TestTree::snapshot(holder);
    written.remove(QStringLiteral("sample.zip"));
    QCOMPARE(written, expected);
    // Still inside, where the user was, with the archive's commands.
    QVERIFY(entryModel());
    QVERIFY(!button("deleteButton")->isEnabled());
    QVERIFY(!button("addButton")->isEnabled());
}

// Extract To from the row menu asks for a folder and asks before replacing a file already there.
void TestArchiveView::extractToFromTheMenu()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    const QString destination = work->filePath(QStringLiteral("out"));
    QVERIFY(TestTree::build(destination, {{QStringLiteral("readme.txt"), "the user's own\n"}}));
    QVERIFY(window->openArchive(archive));
    doubleClickShown(QStringLiteral("docs"));
    selectShown({QStringLiteral("readme.txt"), QStringLiteral("说明.txt")});

    Driver answers;
    answers.then(Driver::chooseFile(destination))
        .then(Driver::answerReplace(ReplaceChoice::Replace))
        .then(Driver::press(QMessageBox::Ok));
    // Through the window system, which turns a right click into a request for the menu.
    const QPoint onRow = tree()->visualRect(shownRow(QStringLiteral("readme.txt"))).center();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                      tree()->viewport()->mapTo(window.get(), onRow));
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu->actions().contains(action("extractToAction")));
    QCOMPARE(tree()->selectionModel()->selectedRows().size(), 2);
    menu->close();
    action("extractToAction")->trigger();
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen.size(), 3);
    QVERIFY2(answers.seen.at(1).startsWith(QStringLiteral("replace|")), qPrintable(answers.seen.at(1)));
    QCOMPARE(answers.seen.at(2), successBox);
    waitForIdle();
    QCOMPARE(
        TestTree::snapshot(destination),
        (TestTree::Tree{{"readme.txt", "read me\n"}, {"说明.txt", QStringLiteral("中文内容\n").toUtf8()}}));
}

void TestArchiveView::doubleClickOpensEntry_data()
{
    QTest::addColumn<QString>("password");

    QTest::newRow("plain") << QString();
    QTest::newRow("encrypted: the password is asked") << QStringLiteral("secret");
}

// A double-clicked file inside is extracted alone into a private temporary folder and handed to
// the desktop's default application from there; nothing is written beside the archive.
void TestArchiveView::doubleClickOpensEntry()
{
    QFETCH(QString, password);

    const QString input = work->filePath(QStringLiteral("input"));
    QVERIFY(TestTree::build(input, {{QStringLiteral("docs/readme.txt"), "read me\n"},
                                    {QStringLiteral("docs/other.txt"), "other\n"}}));
    const QString holder = work->filePath(QStringLiteral("holder"));
    QVERIFY(QDir().mkpath(holder));
    const QString archive = holder + QStringLiteral("/sample.zip");
    CompressionHandler handler;
    QVERIFY2(
        handler.compressFiles(QStringLiteral("ZIP"), {input + QStringLiteral("/docs")}, archive, password),
        qPrintable(handler.lastError()));

    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
    openedUrls.clear();
    openedContents.clear();
    QVERIFY(window->openArchive(archive));
    doubleClickShown(QStringLiteral("docs"));

    Driver answers;
    if (!password.isEmpty())
        answers.then(Driver::enterPassword(password));
    doubleClickShown(QStringLiteral("readme.txt"));
    QTRY_COMPARE(openedUrls.size(), 1);
    QVERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen.size(), password.isEmpty() ? 0 : 1);

    const QString opened = openedUrls.first().toLocalFile();
    QCOMPARE(QFileInfo(opened).fileName(), QStringLiteral("readme.txt"));
    QVERIFY2(opened.startsWith(environment.temporaryPath() + QLatin1Char('/')), qPrintable(opened));
    QCOMPARE(openedContents.first(), QByteArray("read me\n"));
    // Only that entry was taken out.
    QCOMPARE(QDir(QFileInfo(opened).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"readme.txt"});
    QCOMPARE(QDir(holder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"sample.zip"});
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));

    // A password given once serves the next entry of the same archive.
    doubleClickShown(QStringLiteral("other.txt"));
    QTRY_COMPARE(openedUrls.size(), 2);
    QCOMPARE(openedContents.last(), QByteArray("other\n"));
    QCOMPARE(answers.seen.size(), password.isEmpty() ? 0 : 1);

    // The window's private folder goes with it.
    window.reset();
    QVERIFY(!QFileInfo::exists(opened));
}

void TestArchiveView::testShowsOutcome_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<bool>("fromInside");

    QTest::newRow("intact, from the file list") << false << false;
    QTest::newRow("damaged, from the file list") << true << false;
    QTest::newRow("damaged, from inside") << true << true;
}

// Test reads the whole archive and shows a box: intact, or the first damaged entry and why.
void TestArchiveView::testShowsOutcome()
{
    QFETCH(bool, damaged);
    QFETCH(bool, fromInside);

    ZipBytes::Entry bad = ZipBytes::unixFile("docs/bad.txt", "this text was changed\n");
    bad.wrongCrc = damaged;
    QVERIFY(ZipBytes::write(
        work->filePath(QStringLiteral("checked.zip")),
        {ZipBytes::unixFile("docs/good.txt", "fine\n"), bad, ZipBytes::unixFile("last.txt", "after\n")}));
    showFolder(work->path());
    if (fromInside)
        QVERIFY(window->openArchive(work->filePath(QStringLiteral("checked.zip"))));
    else
        selectShown({QStringLiteral("checked.zip")});
    QVERIFY(action("testAction")->isEnabled());

    // Behind the box the window's commands are already those of where the list is.
    bool deleteEnabledUnderBox = false;
    Driver answers;
    answers.then([&](QWidget *box) {
        deleteEnabledUnderBox = button("deleteButton")->isEnabled();
        Driver::press(QMessageBox::Ok)(box);
    });
    action("testAction")->trigger();
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen.size(), 1);
    const QString box = answers.seen.first();
    if (damaged) {
        QVERIFY2(box.startsWith(QStringLiteral(
                     "box|测试压缩文件|'checked.zip' 已损坏。\n第一个出错的文件: docs/bad.txt\n原因: ")),
                 qPrintable(box));
    } else {
        QCOMPARE(box, QStringLiteral("box|测试压缩文件|'checked.zip' 完好，没有发现错误。"));
    }
    waitForIdle();
    QCOMPARE(QDir(work->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"checked.zip"});
    QCOMPARE(entryModel() != nullptr, fromInside);
    if (fromInside)
        QVERIFY(!deleteEnabledUnderBox);
}

// The row menu offers what can be done where the list is: outside, opening and testing archives
// and the buttons' commands; inside, extraction, testing and opening one row, never compressing or
// deleting. Right click and the menu key show it.
void TestArchiveView::menuFollowsWhereTheListIs()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    QVERIFY(TestTree::build(work->path(), {{QStringLiteral("notes.txt"), "notes\n"}}));
    showFolder(work->path());

    const auto enabled = [this] {
        QStringList names;
        for (const char *name : {"openAction", "extractToAction", "quickExtractAction", "testAction",
                                 "compressAction", "deleteAction"}) {
            if (action(name)->isEnabled())
                names.append(QLatin1String(name));
        }
        return names;
    };

    selectShown({QStringLiteral("sample.zip")});
    QCOMPARE(enabled(), (QStringList{"openAction", "extractToAction", "quickExtractAction", "testAction",
                                     "compressAction", "deleteAction"}));
    selectShown({QStringLiteral("notes.txt")});
    QCOMPARE(enabled(), (QStringList{"compressAction", "deleteAction"}));

    // The menu key: the window system asks for the menu from the keyboard, away from the rows.
    const QPoint awayFromRows(5, tree()->viewport()->height() - 5);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, awayFromRows,
                              tree()->viewport()->mapToGlobal(awayFromRows));
    QApplication::sendEvent(tree()->viewport(), &menuKey);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    QCOMPARE(QApplication::activePopupWidget()->objectName(), QStringLiteral("fileListMenu"));
    QApplication::activePopupWidget()->close();

    QVERIFY(window->openArchive(archive));
    QCOMPARE(enabled(), (QStringList{"extractToAction", "quickExtractAction", "testAction"}));
    selectShown({QStringLiteral("top.txt")});
    QCOMPARE(enabled(), (QStringList{"openAction", "extractToAction", "quickExtractAction", "testAction"}));
    selectShown({QStringLiteral("top.txt"), QStringLiteral("docs")});
    QCOMPARE(enabled(), (QStringList{"extractToAction", "quickExtractAction", "testAction"}));
    QVERIFY(!button("addButton")->isEnabled());
    QVERIFY(!button("deleteButton")->isEnabled());

    // Delete does nothing inside, even when asked for by key.
    tree()->setFocus();
    Driver answers;
    QTest::keyClick(tree(), Qt::Key_Delete);
    QTest::qWait(100);
    QCOMPARE(answers.seen, QStringList());
    QVERIFY(QFileInfo::exists(archive));

    // Open on a folder row enters it.
    selectShown({QStringLiteral("docs")});
    action("openAction")->trigger();
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
}

// Ctrl+O opens the selected archive.
void TestArchiveView::ctrlOOpensSelectedArchive()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    showFolder(work->path());
    selectShown({QStringLiteral("sample.zip")});
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_O, Qt::ControlModifier);
    QTRY_VERIFY(entryModel());
    QCOMPARE(pathField()->text(), archive);
    QCOMPARE(shownNames(), (QStringList{"docs", "empty", "top.txt"}));
}

// Return enters the current folder row and Backspace goes up, inside as outside; F5 lists the
// archive again, as it is on disk now, staying in the folder shown.
void TestArchiveView::keysAndRefreshInside()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    QVERIFY(window->openArchive(archive));
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    tree()->setFocus();
    selectShown({QStringLiteral("docs")});
    QTest::keyClick(tree(), Qt::Key_Return);
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));

    TestTree::Tree changed = sampleTree;
    changed.insert(QStringLiteral("docs/added later.txt"), "new\n");
    QVERIFY(QFile::remove(archive));
    QCOMPARE(makeZip(QStringLiteral("sample.zip"), changed), archive);
    QTest::keyClick(tree(), Qt::Key_F5);
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
    QVERIFY(shownRow(QStringLiteral("added later.txt")).isValid());
    QCOMPARE(label("statusLabel")->text(), folderFigures(1, 3, 8 + 13 + 4));

    QTest::keyClick(tree(), Qt::Key_Backspace);
    QCOMPARE(pathField()->text(), archive);
    QTest::keyClick(tree(), Qt::Key_Backspace);
    QVERIFY(fileModel());
    QCOMPARE(pathField()->text(), work->path());
}

// A language switch inside an archive keeps the archive shown and says the figures in the new
// language.
void TestArchiveView::languageSwitchInside()
{
    const QString archive = makeZip(QStringLiteral("sample.zip"), sampleTree);
    QVERIFY(window->openArchive(archive));
    doubleClickShown(QStringLiteral("docs"));
    QVERIFY(QMetaObject::invokeMethod(window.get(), "loadLanguage", Q_ARG(QString, QStringLiteral("en_US"))));
    QCoreApplication::processEvents();
    QVERIFY(entryModel());
    QCOMPARE(pathField()->text(), archive + QStringLiteral("/docs"));
    QCOMPARE(label("statusLabel")->text(),
             QStringLiteral("Folders: 1 | Files: 2 | Size: %1").arg(DataSize::text(8 + 13)));
    QCOMPARE(action("testAction")->text(), QStringLiteral("Test Archive"));
    QVERIFY(QMetaObject::invokeMethod(window.get(), "loadLanguage", Q_ARG(QString, QStringLiteral("zh_CN"))));
    QCoreApplication::processEvents();
    QCOMPARE(label("statusLabel")->text(), folderFigures(1, 2, 8 + 13));
}

// An archive whose names are encrypted asks for the password when it is opened; what is taken out
// of it afterwards uses that password without asking again. A wrong one is asked again first.
void TestArchiveView::encryptedNamesAskOnce()
{
    const QString input = work->filePath(QStringLiteral("input"));
    QVERIFY(TestTree::build(input, {{QStringLiteral("secret/plan.txt"), "the plan\n"}}));
    const QString holder = work->filePath(QStringLiteral("holder"));
    QVERIFY(QDir().mkpath(holder));
    const QString archive = holder + QStringLiteral("/hidden.7z");
    const ToolRun made =
        ToolRun::run(QStringLiteral("7z"), {"a", "-bd", "-mhe=on", "-psesame", archive, "secret"}, input);
    QVERIFY2(made.exitCode == 0, qPrintable(made.output));

    // One driver throughout: a second one alive beside it would race it for the result box.
    Driver answers;
    answers.then(Driver::enterPassword(QStringLiteral("wrong")))
        .then(Driver::enterPassword(QStringLiteral("sesame")))
        .then(Driver::press(QMessageBox::Ok));
    QVERIFY(window->openArchive(archive));
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(shownNames(), QStringList{"secret"});

    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QCOMPARE(answers.seen.size(), 3);
    QCOMPARE(answers.seen.last(), successBox);
    waitForIdle();
    QCOMPARE(TestTree::readFile(holder + QStringLiteral("/secret/plan.txt")), QByteArray("the plan\n"));
}

// While another operation runs (here an extraction waiting for its replace question) opening an
// archive is refused with a box, and the running operation goes on undisturbed.
void TestArchiveView::openWhileBusyIsRefused()
{
    QVERIFY(TestTree::build(work->path(), {{QStringLiteral("clash.txt"), "the user's own\n"}}));
    QVERIFY(ZipBytes::write(work->filePath(QStringLiteral("held.zip")),
                            {ZipBytes::unixFile("clash.txt", "the archive's\n")}));
    const QString other = makeZip(QStringLiteral("other.zip"), sampleTree);
    showFolder(work->path());
    selectShown({QStringLiteral("held.zip")});

    bool openedWhileBusy = true;
    Driver answers;
    answers
        .then([&](QWidget *question) {
            openedWhileBusy = window->openArchive(other);
            Driver::answerReplace(ReplaceChoice::Skip)(question);
        })
        .then(Driver::press(QMessageBox::Ok))
        .then(Driver::press(QMessageBox::Ok));
    QTest::mouseClick(button("extractHereButton"), Qt::LeftButton);
    QTRY_VERIFY2(answers.finished(), qPrintable(answers.state()));
    QVERIFY(!openedWhileBusy);
    QCOMPARE(answers.seen.size(), 3);
    QVERIFY2(answers.seen.at(1).startsWith(QStringLiteral("box|错误|另一个操作正在进行")),
             qPrintable(answers.seen.at(1)));
    QCOMPARE(answers.seen.at(2), successBox);
    waitForIdle();
    QVERIFY(fileModel());
    QCOMPARE(TestTree::readFile(work->filePath(QStringLiteral("clash.txt"))), QByteArray("the user's own\n"));
}

KELVANE_UI_TEST_MAIN(TestArchiveView)

#include "tst_archiveview.moc"
