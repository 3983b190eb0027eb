#include "mainwindow.h"
#include "uitestsupport.h"

#include <QApplication>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>

namespace {

void writeFile(const QString &path, qint64 size)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    if (size > 0 && size <= 4096) {
        QCOMPARE(file.write(QByteArray(int(size), 'x')), size);
    } else {
        // Large sizes as sparse files: the folder statistics only read the length.
        QVERIFY(file.resize(size));
    }
}

} // namespace

class TestFileBrowser : public QObject
{
    Q_OBJECT

public:
    explicit TestFileBrowser(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init();
    void cleanup();

    void startsOnDesktopFolder();
    void homeFolderStandsInForMissingDesktop();
    void treeViewSetup();
    void headerHeightFollowsItsText_data();
    void headerHeightFollowsItsText();
    void pathField_data();
    void pathField();
    void missingPathInDriveListEmptiesField();
    void rootFolderIsAFolder();
    void upButton();
    void desktopButton();
    void refreshButton();
    void refreshInDriveList();

    void searchFiltersByName();
    void searchWithBlanksOnlyChangesNothing();
    void searchStaysInForceAcrossFolders();
    void searchInDriveListHidesNoDrive();

    void folderStatus();
    void selectionStatus();
    void enteredFolderRowStaysCounted();
    void sizeTexts_data();
    void sizeTexts();

    void deleteWithNothingSelectedWarns();
    void deleteAnsweredNoKeepsEverything();
    void deleteAnsweredYesRemovesFilesAndFolders();
    void deleteRemovesLinkNotTargetContent();
    void deleteFolderKeepsContentOfLinkedFolders();
    void deleteSkipsRowsOutsideShownFolder();
    void deletePassesOverWhatCannotGo();

private:
    QLineEdit *pathEdit() const { return window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit")); }
    QLineEdit *searchField() const
    {
        return window->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"));
    }
    QTreeView *view() const { return window->findChild<QTreeView *>(QStringLiteral("fileTreeView")); }
    QFileSystemModel *model() const { return qobject_cast<QFileSystemModel *>(view()->model()); }
    QString statusText() const { return window->findChild<QLabel *>(QStringLiteral("statusLabel"))->text(); }
    QString selectionText() const
    {
        return window->findChild<QLabel *>(QStringLiteral("selectedInfoLabel"))->text();
    }
    void click(const char *button) const
    {
        QTest::mouseClick(window->findChild<QToolButton *>(QLatin1String(button)), Qt::LeftButton);
    }
    void typePath(const QString &text) const
    {
        pathEdit()->setText(text);
        QTest::keyClick(pathEdit(), Qt::Key_Return);
    }
    bool showsDriveList() const
    {
        return !view()->rootIndex().isValid() && pathEdit()->text() == QStringLiteral("我的电脑") &&
               statusText() == QStringLiteral("我的电脑 - 选择驱动器");
    }
    bool shows(const QString &folder) const
    {
        return view()->rootIndex().isValid() && model()->filePath(view()->rootIndex()) == folder &&
               pathEdit()->text() == folder;
    }
    void select(const QStringList &paths) const
    {
        for (const QString &path : paths) {
            const QModelIndex index = model()->index(path);
            QVERIFY2(index.isValid(), qPrintable(path));
            view()->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    int visibleRows() const { return model()->rowCount(view()->rootIndex()); }

    const UiTestEnvironment &environment;
    MainWindow *window = nullptr;
    QTemporaryDir *work = nullptr;
};

void TestFileBrowser::init()
{
    // Each case starts as a first run: what the previous window saved at exit must not move it.
    QSettings(QStringLiteral("Kelvane"), QStringLiteral("Kelvane")).clear();
    work = new QTemporaryDir;
    QVERIFY(work->isValid());
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestFileBrowser::cleanup()
{
    delete window;
    window = nullptr;
    delete work;
    work = nullptr;
    QDir(environment.desktopPath()).removeRecursively();
    QDir().mkpath(environment.desktopPath());
}

void TestFileBrowser::startsOnDesktopFolder()
{
    QVERIFY(shows(environment.desktopPath()));
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 0 | 大小: 0 字节"));
    QCOMPARE(selectionText(), QStringLiteral("选中: 0 个项目 | 大小: 0 字节"));
}

void TestFileBrowser::homeFolderStandsInForMissingDesktop()
{
    delete window;
    QVERIFY(QDir(environment.desktopPath()).removeRecursively());
    window = new MainWindow;

    // Start-up and the desktop button both fall back to the home folder.
    QVERIFY(shows(environment.homePath()));
    typePath(work->path());
    QVERIFY(shows(work->path()));
    click("desktopButton");
    QVERIFY(shows(environment.homePath()));

    // Once the desktop folder exists, the button goes there.
    QVERIFY(QDir().mkpath(environment.desktopPath()));
    click("desktopButton");
    QVERIFY(shows(environment.desktopPath()));
}

void TestFileBrowser::treeViewSetup()
{
    QTreeView *tree = view();
    QCOMPARE(tree->model()->metaObject()->className(), "MyFileSystemModel");
    QCOMPARE(model()->filter(), QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QVERIFY(!tree->rootIsDecorated());
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(tree->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(tree->alternatingRowColors());
    QVERIFY(!tree->isHeaderHidden());
    QVERIFY(tree->isSortingEnabled());
    QCOMPARE(tree->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(tree->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(tree->header()->minimumSectionSize(), 20);
    QCOMPARE(tree->header()->defaultAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QVERIFY(tree->header()->styleSheet().contains(QStringLiteral("rgba(240, 240, 240, 100)")));
    QVERIFY(tree->styleSheet().contains(QStringLiteral("#00b688")));
    QCOMPARE(tree->columnWidth(0), 300);
    QCOMPARE(tree->columnWidth(1), 100);
    QCOMPARE(tree->columnWidth(2), 100);
    // In the shown window too: the last column does not stretch to the edge.
    QCOMPARE(tree->columnWidth(3), 150);
    QVERIFY(!tree->header()->stretchLastSection());
    QCOMPARE(model()->nameFilters(), QStringList());
    QVERIFY(model()->isReadOnly());
}

void TestFileBrowser::headerHeightFollowsItsText_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("small") << 7;
    QTest::newRow("default") << 0;
    QTest::newRow("large") << 20;
}

// The head row is as tall as its bold text (or the model's icon placeholder of the first head)
// and a little padding: no empty band above the first row, where a click would sort the list.
void TestFileBrowser::headerHeightFollowsItsText()
{
    QFETCH(int, pointSize);

    const QFont desktopFont = QApplication::font();
    QFont font = desktopFont;
    if (pointSize > 0)
        font.setPointSize(pointSize);
    QApplication::setFont(font);
    MainWindow sized;
    sized.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sized));
    QApplication::setFont(desktopFont);

    auto *tree = sized.findChild<QTreeView *>(QStringLiteral("fileTreeView"));
    QHeaderView *header = tree->header();
    // The heads' own texts, whose Chinese glyphs may come from a taller fallback font.
    font.setBold(true);
    int textHeight = 0;
    for (int section = 0; section < header->count(); ++section) {
        const QString head = tree->model()->headerData(section, Qt::Horizontal).toString();
        textHeight = std::max(textHeight, QFontMetrics(font).size(0, head).height());
    }
    const int contentHeight = std::max(textHeight, header->style()->pixelMetric(QStyle::PM_SmallIconSize));
    QVERIFY2(
        header->height() >= textHeight && header->height() <= contentHeight + 18,
        qPrintable(QStringLiteral("header %1 px for text of %2 px").arg(header->height()).arg(textHeight)));
    // The first row starts right under it.
    QCOMPARE(tree->viewport()->geometry().top(), header->geometry().bottom() + 1);
}

void TestFileBrowser::pathField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedFolder"); // empty: the drive list
    QTest::addColumn<bool>("warns");

    QTest::newRow("MyComputer") << "MyComputer"
                                << "" << false;
    QTest::newRow("translated name") << "我的电脑"
                                     << "" << false;
    QTest::newRow("empty") << ""
                           << "" << false;
    QTest::newRow("other case is a path") << "mycomputer"
                                          << "{start}" << true;
    QTest::newRow("missing folder") << "{work}/missing"
                                    << "{start}" << true;
    QTest::newRow("a file") << "{work}/file.txt"
                            << "{start}" << true;
    QTest::newRow("folder") << "{work}/sub"
                            << "{work}/sub" << false;
    QTest::newRow("trailing separator") << "{work}/sub/"
                                        << "{work}/sub" << false;
    QTest::newRow("dot segments") << "{work}/sub/../sub/./inner"
                                  << "{work}/sub/inner" << false;
    QTest::newRow("relative") << "sub/inner"
                              << "{work}/sub/inner" << false;
#ifdef Q_OS_WIN
    QTest::newRow("slash") << "/"
                           << "" << false;
#else
    QTest::newRow("slash is the root folder") << "/"
                                              << "/" << false;
#endif
}

void TestFileBrowser::pathField()
{
    QFETCH(QString, typed);
    QFETCH(QString, expectedFolder);
    QFETCH(bool, warns);

    QVERIFY(QDir(work->path()).mkpath(QStringLiteral("sub/inner")));
    writeFile(work->filePath(QStringLiteral("file.txt")), 10);
    const QString start = environment.desktopPath();
    QVERIFY(QDir::setCurrent(work->path()));
    typed.replace(QLatin1String("{work}"), work->path());
    expectedFolder.replace(QLatin1String("{work}"), work->path()).replace(QLatin1String("{start}"), start);

    MessageBoxAnswerer answer(QMessageBox::Ok);
    typePath(typed);
    QCOMPARE(answer.answered(), warns);
    if (warns) {
        QCOMPARE(answer.title, QStringLiteral("错误"));
        QCOMPARE(answer.text, QStringLiteral("路径不存在"));
    }
    if (expectedFolder.isEmpty())
        QVERIFY(showsDriveList());
    else
        QVERIFY2(shows(expectedFolder), qPrintable(pathEdit()->text()));
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
}

void TestFileBrowser::missingPathInDriveListEmptiesField()
{
    typePath(QStringLiteral("MyComputer"));
    QVERIFY(showsDriveList());
    MessageBoxAnswerer answer(QMessageBox::Ok);
    typePath(work->filePath(QStringLiteral("missing")));
    QVERIFY(answer.answered());
    QCOMPARE(pathEdit()->text(), QString());
    QVERIFY(!view()->rootIndex().isValid());
}

void TestFileBrowser::rootFolderIsAFolder()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no single root folder");
#else
    typePath(QStringLiteral("/"));
    QVERIFY(shows(QStringLiteral("/")));
    const QFileInfoList rootEntries =
        QDir(QStringLiteral("/")).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort);
    const auto folders = std::count_if(rootEntries.cbegin(), rootEntries.cend(),
                                       [](const QFileInfo &entry) { return entry.isDir(); });
    QVERIFY(statusText().startsWith(
        QStringLiteral("文件夹: %1 | 文件: %2 | 大小: ").arg(folders).arg(rootEntries.size() - folders)));

    // The only drive of the drive list is "/", and entering it shows the root folder.
    typePath(QStringLiteral("MyComputer"));
    QVERIFY(showsDriveList());
    QTRY_COMPARE(model()->rowCount(QModelIndex()), 1);
    QCOMPARE(model()->filePath(model()->index(0, 0)), QStringLiteral("/"));
#endif
}

void TestFileBrowser::upButton()
{
    const QString inner = work->filePath(QStringLiteral("a/b"));
    QVERIFY(QDir().mkpath(inner));
    typePath(inner);
    click("upButton");
    QVERIFY(shows(work->filePath(QStringLiteral("a"))));
    click("upButton");
    QVERIFY(shows(work->path()));

    // From a folder just below the root to the root, from the root to the drive list, and no further.
    const QString belowRoot = QLatin1Char('/') + work->path().section(QLatin1Char('/'), 1, 1);
    typePath(belowRoot);
    QVERIFY(shows(belowRoot));
    click("upButton");
    QVERIFY(shows(QDir::rootPath()));
    click("upButton");
    QVERIFY(showsDriveList());
    click("upButton");
    QVERIFY(showsDriveList());
}

void TestFileBrowser::desktopButton()
{
    typePath(QStringLiteral("MyComputer"));
    QVERIFY(showsDriveList());
    click("desktopButton");
    QVERIFY(shows(environment.desktopPath()));
}

void TestFileBrowser::refreshButton()
{
    writeFile(work->filePath(QStringLiteral("one")), 10);
    typePath(work->path());
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 10 字节"));

    writeFile(work->filePath(QStringLiteral("two")), 20);
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(statusText(),
             QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 10 字节")); // nothing cached is re-read by itself
    click("refreshButton");
    QCOMPARE(statusText(), QStringLiteral("文件夹: 1 | 文件: 2 | 大小: 30 字节"));
    QCOMPARE(model()->rootPath(), work->path());
    QVERIFY(shows(work->path()));
    QTRY_COMPARE(visibleRows(), 3);
}

void TestFileBrowser::refreshInDriveList()
{
    typePath(QStringLiteral("MyComputer"));
    click("refreshButton");
    QVERIFY(showsDriveList());
    QCOMPARE(model()->rootPath(), QString());
}

void TestFileBrowser::searchFiltersByName()
{
    for (const char *name : {"Report.txt", "annual_REPORT.pdf", "notes.txt", "zreport"})
        writeFile(work->filePath(QLatin1String(name)), 1);
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("reports")));
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("misc")));
    typePath(work->path());
    click("refreshButton");
    QTRY_COMPARE(visibleRows(), 6);

    // Typing alone filters nothing.
    searchField()->setText(QStringLiteral("  report "));
    QCOMPARE(model()->nameFilters(), QStringList());
    QTest::qWait(50);
    QCOMPARE(visibleRows(), 6);

    click("searchButton");
    QCOMPARE(model()->nameFilters(), QStringList{QStringLiteral("*report*")});
    QVERIFY(!model()->nameFilterDisables());
    QTRY_COMPARE(visibleRows(), 4); // names in any case, folders included
    // The folder status still counts every entry.
    QCOMPARE(statusText(), QStringLiteral("文件夹: 2 | 文件: 4 | 大小: 4 字节"));

    // Emptying the field lists everything again at once and recomputes the status.
    writeFile(work->filePath(QStringLiteral("late.txt")), 5);
    searchField()->clear();
    QCOMPARE(model()->nameFilters(), QStringList());
    QCOMPARE(statusText(), QStringLiteral("文件夹: 2 | 文件: 5 | 大小: 9 字节"));
    QTRY_COMPARE(visibleRows(), 7);
}

void TestFileBrowser::searchWithBlanksOnlyChangesNothing()
{
    typePath(work->path());
    searchField()->setText(QStringLiteral("abc"));
    click("searchButton");
    QCOMPARE(model()->nameFilters(), QStringList{QStringLiteral("*abc*")});

    writeFile(work->filePath(QStringLiteral("new")), 3);
    searchField()->setText(QStringLiteral("   "));
    click("searchButton");
    QCOMPARE(model()->nameFilters(), QStringList{QStringLiteral("*abc*")});
    // ...but the view was refreshed.
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 3 字节"));
}

void TestFileBrowser::searchStaysInForceAcrossFolders()
{
    const QString sub = work->filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkpath(sub));
    writeFile(sub + QStringLiteral("/x_match.txt"), 1);
    writeFile(sub + QStringLiteral("/other.txt"), 1);
    writeFile(work->filePath(QStringLiteral("match_top")), 1);
    typePath(work->path());
    searchField()->setText(QStringLiteral("match"));
    click("searchButton");
    // The shown folder's own name does not match; it stays shown, and "sub" is hidden.
    QTRY_COMPARE(visibleRows(), 1);
    QTest::qWait(100);
    QVERIFY(shows(work->path()));
    QCOMPARE(model()->data(model()->index(0, 0, view()->rootIndex())).toString(),
             QStringLiteral("match_top"));

    // "sub" itself fails the search, yet entering it shows its matching entries.
    typePath(sub);
    QVERIFY(shows(sub));
    QTRY_COMPARE(visibleRows(), 1);
    QCOMPARE(model()->data(model()->index(0, 0, view()->rootIndex())).toString(),
             QStringLiteral("x_match.txt"));
    QCOMPARE(searchField()->text(), QStringLiteral("match"));
    click("upButton");
    QVERIFY(shows(work->path()));
    QTRY_COMPARE(visibleRows(), 1);
}

void TestFileBrowser::searchInDriveListHidesNoDrive()
{
    typePath(QStringLiteral("MyComputer"));
    QTRY_VERIFY(visibleRows() > 0);
    const int drives = visibleRows();
    searchField()->setText(QStringLiteral("no-drive-has-this-name"));
    click("searchButton");
    QTest::qWait(50);
    QCOMPARE(visibleRows(), drives);
}

void TestFileBrowser::folderStatus()
{
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("sub")));
    writeFile(work->filePath(QStringLiteral("a")), 100);
    writeFile(work->filePath(QStringLiteral("b")), 200);
    writeFile(work->filePath(QStringLiteral(".hidden")), 50);
    typePath(work->path());
    QCOMPARE(statusText(), QStringLiteral("文件夹: 1 | 文件: 2 | 大小: 300 字节"));
    QTRY_COMPARE(visibleRows(), 3); // hidden entries are not listed by default

    typePath(QStringLiteral("MyComputer"));
    QCOMPARE(statusText(), QStringLiteral("我的电脑 - 选择驱动器"));
}

void TestFileBrowser::selectionStatus()
{
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("sub")));
    writeFile(work->filePath(QStringLiteral("sub/inside")), 4000);
    writeFile(work->filePath(QStringLiteral("a")), 100);
    writeFile(work->filePath(QStringLiteral("b")), 200);
    typePath(work->path());
    QTRY_COMPARE(visibleRows(), 3);

    click("refreshButton");
    QCOMPARE(selectionText(), QStringLiteral("选中: 0 个项目 | 大小: 0 字节"));

    // A folder counts as an item and adds no size: there is no recursive folder size.
    select({work->filePath(QStringLiteral("sub")), work->filePath(QStringLiteral("a")),
            work->filePath(QStringLiteral("b"))});
    click("refreshButton");
    QCOMPARE(selectionText(), QStringLiteral("选中: 3 个项目 | 大小: 300 字节"));

    view()->selectAll();
    click("refreshButton");
    QCOMPARE(selectionText(), QStringLiteral("选中: 3 个项目 | 大小: 300 字节"));

    // Overlapping ranges count each row once.
    view()->clearSelection();
    const QModelIndex shown = view()->rootIndex();
    const int lastColumn = model()->columnCount(shown) - 1;
    QItemSelection overlapping;
    overlapping.append(
        QItemSelectionRange(model()->index(0, 0, shown), model()->index(1, lastColumn, shown)));
    overlapping.append(
        QItemSelectionRange(model()->index(1, 0, shown), model()->index(2, lastColumn, shown)));
    view()->selectionModel()->select(overlapping, QItemSelectionModel::Select);
    QCOMPARE(selectionText(), QStringLiteral("选中: 3 个项目 | 大小: 300 字节"));

    // A row of an expanded folder counts under its own folder.
    const QModelIndex subIndex = model()->index(work->filePath(QStringLiteral("sub")));
    view()->expand(subIndex);
    QTRY_COMPARE(model()->rowCount(subIndex), 1);
    select({work->filePath(QStringLiteral("sub/inside"))});
    QCOMPARE(selectionText(), QStringLiteral("选中: 4 个项目 | 大小: 4.20 KB"));
}

void TestFileBrowser::enteredFolderRowStaysCounted()
{
    const QString sub = work->filePath(QStringLiteral("sub"));
    QVERIFY(QDir().mkpath(sub));
    writeFile(sub + QStringLiteral("/f"), 7);
    typePath(work->path());
    select({sub});
    typePath(sub);
    QCOMPARE(selectionText(), QStringLiteral("选中: 1 个项目 | 大小: 0 字节"));
}

void TestFileBrowser::sizeTexts_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << qint64(0) << "0 字节";
    QTest::newRow("1023") << qint64(1023) << "1023 字节";
    QTest::newRow("1024") << qint64(1024) << "1.00 KB";
    QTest::newRow("1536") << qint64(1536) << "1.50 KB";
    QTest::newRow("1048575") << qint64(1048575) << "1024.00 KB";
    QTest::newRow("1048576") << qint64(1048576) << "1.00 MB";
    QTest::newRow("1073741823") << qint64(1073741823) << "1024.00 MB";
    QTest::newRow("1 GiB") << qint64(1073741824) << "1.00 GB";
    QTest::newRow("1.5 GiB") << qint64(1610612736) << "1.50 GB";
    QTest::newRow("5 TiB stays in GB") << qint64(5) * 1024 * 1024 * 1024 * 1024 << "5120.00 GB";
}

void TestFileBrowser::sizeTexts()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);

    const QString file = work->filePath(QStringLiteral("sized"));
    writeFile(file, size);
    typePath(work->path());
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: %1").arg(text));
    // The list writes sizes as the status line does.
    QTRY_COMPARE(model()->index(file).siblingAtColumn(1).data().toString(), text);
    select({file});
    click("refreshButton");
    QCOMPARE(selectionText(), QStringLiteral("选中: 1 个项目 | 大小: %1").arg(text));
}

void TestFileBrowser::deleteWithNothingSelectedWarns()
{
    writeFile(work->filePath(QStringLiteral("keep")), 1);
    typePath(work->path());
    MessageBoxAnswerer answer(QMessageBox::Ok);
    click("deleteButton");
    QVERIFY(answer.answered());
    QCOMPARE(answer.title, QStringLiteral("警告"));
    QCOMPARE(answer.text, QStringLiteral("请选择要删除的文件或文件夹"));
    QVERIFY(QFile::exists(work->filePath(QStringLiteral("keep"))));
}

void TestFileBrowser::deleteAnsweredNoKeepsEverything()
{
    writeFile(work->filePath(QStringLiteral("keep")), 1);
    typePath(work->path());
    select({work->filePath(QStringLiteral("keep"))});

    writeFile(work->filePath(QStringLiteral("late")), 1);
    MessageBoxAnswerer answer(QMessageBox::No);
    click("deleteButton");
    QVERIFY(answer.answered());
    QCOMPARE(answer.title, QStringLiteral("确认删除"));
    QCOMPARE(answer.text, QStringLiteral("确定要删除选中的文件吗？此操作不可恢复。"));
    QVERIFY(QFile::exists(work->filePath(QStringLiteral("keep"))));
    // Not refreshed either: the status still describes the folder before "late" appeared.
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 1 字节"));
}

void TestFileBrowser::deleteAnsweredYesRemovesFilesAndFolders()
{
    const QString folder = work->filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/deep/deeper")));
    writeFile(folder + QStringLiteral("/deep/deeper/f"), 10);
    writeFile(work->filePath(QStringLiteral("one")), 10);
    writeFile(work->filePath(QStringLiteral("two")), 20);
    writeFile(work->filePath(QStringLiteral("stays")), 30);
    typePath(work->path());
    select({folder, work->filePath(QStringLiteral("one")), work->filePath(QStringLiteral("two"))});

    MessageBoxAnswerer answer(QMessageBox::Yes);
    click("deleteButton");
    QVERIFY(answer.answered());
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("one"))));
    QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("two"))));
    QVERIFY(QFileInfo::exists(work->filePath(QStringLiteral("stays"))));
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 30 字节"));
    QTRY_COMPARE(visibleRows(), 1);
}

void TestFileBrowser::deleteRemovesLinkNotTargetContent()
{
    QTemporaryDir outside;
    writeFile(outside.filePath(QStringLiteral("precious")), 10);
    const QString link = work->filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(outside.path(), link));
    typePath(work->path());
    select({link});

    MessageBoxAnswerer answer(QMessageBox::Yes);
    click("deleteButton");
    QVERIFY(answer.answered());
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(QFile::exists(outside.filePath(QStringLiteral("precious"))));
}

void TestFileBrowser::deleteFolderKeepsContentOfLinkedFolders()
{
    QTemporaryDir outside;
    writeFile(outside.filePath(QStringLiteral("precious")), 10);
    const QString folder = work->filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::link(outside.path(), folder + QStringLiteral("/link")));
    typePath(work->path());
    select({folder});

    MessageBoxAnswerer answer(QMessageBox::Yes);
    click("deleteButton");
    QVERIFY(answer.answered());
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(QFile::exists(outside.filePath(QStringLiteral("precious"))));
}

void TestFileBrowser::deleteSkipsRowsOutsideShownFolder()
{
    // The folder's row stays selected after entering it; deleting must not take the shown folder.
    const QString entered = work->filePath(QStringLiteral("entered"));
    QVERIFY(QDir().mkpath(entered));
    writeFile(entered + QStringLiteral("/goes"), 1);
    writeFile(entered + QStringLiteral("/stays"), 1);
    writeFile(work->filePath(QStringLiteral("sibling")), 1);
    typePath(work->path());
    select({entered, work->filePath(QStringLiteral("sibling"))});
    typePath(entered);
    QTRY_COMPARE(visibleRows(), 2);
    select({entered + QStringLiteral("/goes")});

    MessageBoxAnswerer answer(QMessageBox::Yes);
    click("deleteButton");
    QVERIFY(answer.answered());
    QVERIFY(!QFileInfo::exists(entered + QStringLiteral("/goes")));
    QVERIFY(QFileInfo::exists(entered + QStringLiteral("/stays")));
    QVERIFY(QFileInfo::exists(work->filePath(QStringLiteral("sibling"))));
    QVERIFY(shows(entered));
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 1 字节"));
}

void TestFileBrowser::deletePassesOverWhatCannotGo()
{
    // An immutable file resists deletion even for root; the other entries still go, silently.
    const QString stuck = work->filePath(QStringLiteral("stuck"));
    writeFile(stuck, 1);
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), stuck}) != 0)
        QSKIP("chattr +i is not available on this file system");
    const QString goes = work->filePath(QStringLiteral("goes"));
    writeFile(goes, 1);
    typePath(work->path());
    select({stuck, goes});

    MessageBoxAnswerer answer(QMessageBox::Yes);
    click("deleteButton");
    QVERIFY(answer.answered());
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), stuck});
    QVERIFY(QFileInfo::exists(stuck));
    QVERIFY(!QFileInfo::exists(goes));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(statusText(), QStringLiteral("文件夹: 0 | 文件: 1 | 大小: 1 字节"));
}

KELVANE_UI_TEST_MAIN(TestFileBrowser)
#include "tst_filebrowser.moc"
