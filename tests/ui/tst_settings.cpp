// The settings store: what start-up restores, what the window leaves behind at exit, and the
// reset with both answers. Each case runs against a private, freshly emptied configuration folder.
#include "mainwindow.h"
#include "modaldialog.h"
#include "uitestsupport.h"

#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRect>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

const QString organisation = QStringLiteral("Kelvane");
const QRect defaultGeometry(100, 100, 800, 640);
const QVariantList defaultWidths{300, 100, 100, 150};
const QString resetChildArgument = QStringLiteral("--reset-child");
const char restartedVariable[] = "KELVANE_TEST_RESTARTED_INSTANCE";

void storeValue(const QString &key, const QVariant &value)
{
    QSettings store(organisation, organisation);
    store.setValue(key, value);
    store.sync();
}

QVariant storedValue(const QString &key)
{
    QSettings store(organisation, organisation);
    return store.value(key);
}

QTreeView *treeOf(QWidget *window)
{
    return window->findChild<QTreeView *>(QStringLiteral("fileTreeView"));
}

QFileSystemModel *modelOf(QWidget *window)
{
    return qobject_cast<QFileSystemModel *>(treeOf(window)->model());
}

QString pathFieldOf(QWidget *window)
{
    return window->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"))->text();
}

QVariantList columnWidthsOf(QWidget *window)
{
    QVariantList widths;
    for (int column = 0; column < 4; ++column)
        widths.append(treeOf(window)->columnWidth(column));
    return widths;
}

QStringList namesListedIn(QWidget *window)
{
    QFileSystemModel *model = modelOf(window);
    const QModelIndex root = treeOf(window)->rootIndex();
    QStringList names;
    for (int row = 0; row < model->rowCount(root); ++row)
        names.append(model->fileName(model->index(row, 0, root)));
    return names;
}

QVariantList toIntList(const QVariant &value)
{
    QVariantList numbers;
    for (const QVariant &entry : value.toList())
        numbers.append(entry.toInt());
    return numbers;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

public:
    explicit TestSettings(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init();
    void emptyStoreGivesDefaults();
    void windowPosition_data();
    void windowPosition();
    void lastFolder_data();
    void lastFolder();
    void lastFolderFallsBackToHomeWithoutDesktop();
    void hiddenFiles_data();
    void hiddenFiles();
    void columnWidths_data();
    void columnWidths();
    void sortOrder_data();
    void sortOrder();
    void failedSaveIsReported();
    void resetAnsweredNoChangesNothing();
    void resetAnsweredYesRestoresDefaultsAndRestarts();

private:
    QString desktopPath() const { return environment.desktopPath(); }

    const UiTestEnvironment &environment;
    QTemporaryDir workspace;
};

void TestSettings::init()
{
    QVERIFY(workspace.isValid());
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QFile::remove(configFolder + QStringLiteral("/Kelvane"));
    QDir(configFolder + QStringLiteral("/Kelvane")).removeRecursively();
    QSettings(organisation, organisation).clear();
    QVERIFY(QDir().mkpath(desktopPath()));
}

void TestSettings::emptyStoreGivesDefaults()
{
    QTest::ignoreMessage(QtDebugMsg, "设置加载成功");
    MainWindow window;
    QCOMPARE(window.geometry(), defaultGeometry);
    QCOMPARE(pathFieldOf(&window), desktopPath());
    QCOMPARE(modelOf(&window)->filter(), QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QCOMPARE(columnWidthsOf(&window), defaultWidths);
    QCOMPARE(treeOf(&window)->header()->sortIndicatorSection(), 0);
    QCOMPARE(treeOf(&window)->header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TestSettings::windowPosition_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("on screen") << QVariant(QRect(150, 120, 800, 640)) << QRect(150, 120, 800, 640);
    QTest::newRow("overlapping the edge")
        << QVariant(QRect(-700, -500, 800, 640)) << QRect(-700, -500, 800, 640);
    QTest::newRow("off screen") << QVariant(QRect(5000, 5000, 800, 640)) << defaultGeometry;
    QTest::newRow("other size") << QVariant(QRect(150, 120, 400, 300)) << QRect(150, 120, 800, 640);
    QTest::newRow("not a rectangle") << QVariant(QStringLiteral("garbage")) << defaultGeometry;
}

void TestSettings::windowPosition()
{
    QFETCH(QVariant, stored);
    QFETCH(QRect, expected);
    storeValue(QStringLiteral("window/geometry"), stored);
    {
        MainWindow window;
        QCOMPARE(window.geometry(), expected);
    }
    QCOMPARE(storedValue(QStringLiteral("window/geometry")).toRect(), expected);
}

void TestSettings::lastFolder_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expectedField");
    QTest::addColumn<QString>("expectedStored");

    const QString folder = workspace.filePath(QStringLiteral("projects"));
    QDir().mkpath(folder);
    QTest::newRow("absent") << QVariant() << desktopPath() << desktopPath();
    QTest::newRow("existing folder") << QVariant(folder) << folder << folder;
    QTest::newRow("drive list") << QVariant(QString()) << QStringLiteral("我的电脑") << QString();
    QTest::newRow("deleted folder") << QVariant(workspace.filePath(QStringLiteral("gone"))) << desktopPath()
                                    << desktopPath();
}

void TestSettings::lastFolder()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expectedField);
    QFETCH(QString, expectedStored);
    if (stored.isValid())
        storeValue(QStringLiteral("navigation/lastPath"), stored);
    {
        MainWindow window;
        QCOMPARE(pathFieldOf(&window), expectedField);
    }
    const QVariant saved = storedValue(QStringLiteral("navigation/lastPath"));
    QVERIFY(saved.isValid());
    QCOMPARE(saved.toString(), expectedStored);
}

void TestSettings::lastFolderFallsBackToHomeWithoutDesktop()
{
    QVERIFY(QDir(desktopPath()).removeRecursively());
    {
        MainWindow window;
        QCOMPARE(pathFieldOf(&window), QDir::homePath());
    }
    QCOMPARE(storedValue(QStringLiteral("navigation/lastPath")).toString(), QDir::homePath());
}

void TestSettings::hiddenFiles_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("listed");
    QTest::newRow("absent") << QVariant() << false;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("true") << QVariant(true) << true;
}

void TestSettings::hiddenFiles()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, listed);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &name : {QStringLiteral("visible.txt"), QStringLiteral(".hidden.txt")}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral(".hiddenfolder"))));
    storeValue(QStringLiteral("navigation/lastPath"), folder.path());
    if (stored.isValid())
        storeValue(QStringLiteral("view/showHiddenFiles"), stored);
    {
        MainWindow window;
        QCOMPARE(modelOf(&window)->filter().testFlag(QDir::Hidden), listed);
        // The model reads folders on its own worker; wait for the visible entry, then look.
        modelOf(&window)->setRootPath(folder.path());
        QTRY_VERIFY(namesListedIn(&window).contains(QStringLiteral("visible.txt")));
        QTRY_COMPARE(namesListedIn(&window).contains(QStringLiteral(".hidden.txt")), listed);
        QCOMPARE(namesListedIn(&window).contains(QStringLiteral(".hiddenfolder")), listed);
        QVERIFY(!namesListedIn(&window).contains(QStringLiteral(".")));
        QVERIFY(!namesListedIn(&window).contains(QStringLiteral("..")));
    }
    QCOMPARE(storedValue(QStringLiteral("view/showHiddenFiles")).toBool(), listed);
}

void TestSettings::columnWidths_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("absent") << QVariant() << defaultWidths;
    QTest::newRow("three entries") << QVariant(QVariantList{210, 90, 80}) << defaultWidths;
    QTest::newRow("four entries") << QVariant(QVariantList{210, 90, 80, 170})
                                  << QVariantList{210, 90, 80, 170};
    QTest::newRow("five entries") << QVariant(QVariantList{220, 110, 95, 160, 999})
                                  << QVariantList{220, 110, 95, 160};
}

void TestSettings::columnWidths()
{
    QFETCH(QVariant, stored);
    QFETCH(QVariantList, expected);
    if (stored.isValid())
        storeValue(QStringLiteral("view/columnWidths"), stored);
    {
        MainWindow window;
        QCOMPARE(columnWidthsOf(&window), expected);
    }
    QCOMPARE(toIntList(storedValue(QStringLiteral("view/columnWidths"))), expected);
}

void TestSettings::sortOrder_data()
{
    QTest::addColumn<QVariant>("column");
    QTest::addColumn<QVariant>("order");
    QTest::addColumn<int>("expectedColumn");
    QTest::addColumn<Qt::SortOrder>("expectedOrder");
    QTest::newRow("absent") << QVariant() << QVariant() << 0 << Qt::AscendingOrder;
    QTest::newRow("size descending") << QVariant(1) << QVariant(1) << 1 << Qt::DescendingOrder;
    QTest::newRow("date ascending") << QVariant(3) << QVariant(0) << 3 << Qt::AscendingOrder;
    QTest::newRow("column out of range") << QVariant(9) << QVariant(1) << 0 << Qt::DescendingOrder;
    QTest::newRow("order out of range") << QVariant(2) << QVariant(7) << 2 << Qt::AscendingOrder;
}

void TestSettings::sortOrder()
{
    QFETCH(QVariant, column);
    QFETCH(QVariant, order);
    QFETCH(int, expectedColumn);
    QFETCH(Qt::SortOrder, expectedOrder);
    if (column.isValid())
        storeValue(QStringLiteral("view/sortColumn"), column);
    if (order.isValid())
        storeValue(QStringLiteral("view/sortOrder"), order);
    {
        MainWindow window;
        QCOMPARE(treeOf(&window)->header()->sortIndicatorSection(), expectedColumn);
        QCOMPARE(treeOf(&window)->header()->sortIndicatorOrder(), expectedOrder);
    }
    QCOMPARE(storedValue(QStringLiteral("view/sortColumn")).toInt(), expectedColumn);
    QCOMPARE(storedValue(QStringLiteral("view/sortOrder")).toInt(), static_cast<int>(expectedOrder));
}

void TestSettings::failedSaveIsReported()
{
    auto window = std::make_unique<MainWindow>();
    // A plain file where the store's folder belongs makes the write fail even for root.
    const QString storeFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Kelvane");
    QDir(storeFolder).removeRecursively();
    QFile blocker(storeFolder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QTest::ignoreMessage(QtWarningMsg, "保存设置失败: QSettings::AccessError");
    window.reset();
    QVERIFY(QFileInfo(storeFolder).isFile());
}

void TestSettings::resetAnsweredNoChangesNothing()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    storeValue(QStringLiteral("navigation/lastPath"), folder.path());
    storeValue(QStringLiteral("view/showHiddenFiles"), true);
    storeValue(QStringLiteral("view/columnWidths"), QVariantList{210, 90, 80, 170});
    storeValue(QStringLiteral("language"), QStringLiteral("en_US"));

    MainWindow window;
    const QStringList keysBefore = QSettings(organisation, organisation).allKeys();
    QString question;
    auto answer = whenModalDialogOpens([&question](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        question = box->windowTitle();
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(QMetaObject::invokeMethod(&window, "on_resetButton_clicked"));
    QCOMPARE(question, QStringLiteral("Reset Confirmation"));

    QCOMPARE(QSettings(organisation, organisation).allKeys(), keysBefore);
    QCOMPARE(storedValue(QStringLiteral("language")).toString(), QStringLiteral("en_US"));
    QCOMPARE(pathFieldOf(&window), folder.path());
    QVERIFY(modelOf(&window)->filter().testFlag(QDir::Hidden));
    QCOMPARE(columnWidthsOf(&window), (QVariantList{210, 90, 80, 170}));
    QCOMPARE(window.windowTitle(), QStringLiteral("Kelvane - Modern Compression Tool"));
}

// A confirmed reset ends with a restart, so it runs in a child process whose restarted instance
// reports back through files. The child answers Yes, then Ok, and writes what it saw.
void TestSettings::resetAnsweredYesRestoresDefaultsAndRestarts()
{
    QTemporaryDir childHome;
    QVERIFY(childHome.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), childHome.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), childHome.filePath(QStringLiteral(".config")));
    environment.remove(QString::fromLatin1(restartedVariable));

    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {resetChildArgument, childHome.path()});
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);

    QSettings report(childHome.filePath(QStringLiteral("report.ini")), QSettings::IniFormat);
    QCOMPARE(report.value(QStringLiteral("question")).toString(), QStringLiteral("Reset Confirmation"));
    QCOMPARE(report.value(QStringLiteral("completionTitle")).toString(), QStringLiteral("重置完成"));
    QCOMPARE(report.value(QStringLiteral("completionText")).toString(),
             QStringLiteral("所有设置已重置为默认状态。程序将重新启动以应用更改。"));
    // Only the language, written by the switch back to the source language, may be stored
    // while the completion message is up.
    QCOMPARE(report.value(QStringLiteral("keysDuringMessage")).toStringList(), QStringList{"language"});
    QCOMPARE(report.value(QStringLiteral("pathField")).toString(),
             childHome.filePath(QStringLiteral("Desktop")));
    QCOMPARE(report.value(QStringLiteral("searchField")).toString(), QString());
    QCOMPARE(report.value(QStringLiteral("nameFilters")).toStringList(), QStringList());
    QCOMPARE(report.value(QStringLiteral("showsHidden")).toBool(), false);
    QCOMPARE(toIntList(report.value(QStringLiteral("columnWidths"))), defaultWidths);
    QCOMPARE(report.value(QStringLiteral("sortColumn")).toInt(), 0);
    QCOMPARE(report.value(QStringLiteral("sortOrder")).toInt(), 0);
    QCOMPARE(report.value(QStringLiteral("selectedRows")).toInt(), 0);
    QCOMPARE(report.value(QStringLiteral("windowTitle")).toString(),
             QStringLiteral("Kelvane - 现代化压缩工具"));
    QCOMPARE(report.value(QStringLiteral("geometry")).toRect(), QRect(150, 120, 800, 640));

    // The new instance starts from what the old one left: defaults, at the old position.
    const QString restartedReport = childHome.filePath(QStringLiteral("restarted.ini"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(restartedReport), 60000);
    QSettings restarted(restartedReport, QSettings::IniFormat);
    QTRY_VERIFY_WITH_TIMEOUT((restarted.sync(), restarted.value(QStringLiteral("complete")).toBool()), 10000);
    QCOMPARE(restarted.value(QStringLiteral("arguments")).toStringList(),
             (QStringList{resetChildArgument, childHome.path()}));
    QCOMPARE(restarted.value(QStringLiteral("language")).toString(), QStringLiteral("zh_CN"));
    QCOMPARE(restarted.value(QStringLiteral("lastPath")).toString(),
             childHome.filePath(QStringLiteral("Desktop")));
    QCOMPARE(restarted.value(QStringLiteral("showHiddenFiles")).toBool(), false);
    QCOMPARE(restarted.value(QStringLiteral("geometry")).toRect(), QRect(150, 120, 800, 640));
}

namespace {

// The restarted instance only records the arguments it got and the store it found.
int reportRestartedInstance(int argc, char *argv[], const QString &home)
{
    QCoreApplication app(argc, argv);
    QSettings store(organisation, organisation);
    QSettings report(home + QStringLiteral("/restarted.ini"), QSettings::IniFormat);
    report.setValue(QStringLiteral("arguments"), QCoreApplication::arguments().mid(1));
    report.setValue(QStringLiteral("language"), store.value(QStringLiteral("language")));
    report.setValue(QStringLiteral("lastPath"), store.value(QStringLiteral("navigation/lastPath")));
    report.setValue(QStringLiteral("showHiddenFiles"), store.value(QStringLiteral("view/showHiddenFiles")));
    report.setValue(QStringLiteral("geometry"), store.value(QStringLiteral("window/geometry")));
    report.setValue(QStringLiteral("complete"), true);
    report.sync();
    return report.status() == QSettings::NoError ? 0 : 1;
}

int runConfirmedReset(int argc, char *argv[], const QString &home)
{
    qputenv(restartedVariable, "1");
    QApplication app(argc, argv);
    QDir().mkpath(home + QStringLiteral("/Desktop"));
    const QString lastFolder = home + QStringLiteral("/projects");
    QDir().mkpath(lastFolder);
    {
        QSettings store(organisation, organisation);
        store.setValue(QStringLiteral("window/geometry"), QRect(150, 120, 800, 640));
        store.setValue(QStringLiteral("navigation/lastPath"), lastFolder);
        store.setValue(QStringLiteral("view/showHiddenFiles"), true);
        store.setValue(QStringLiteral("view/columnWidths"), QVariantList{210, 90, 80, 170, 60});
        store.setValue(QStringLiteral("view/sortColumn"), 2);
        store.setValue(QStringLiteral("view/sortOrder"), 1);
        store.setValue(QStringLiteral("language"), QStringLiteral("en_US"));
    }

    MainWindow window;
    window.show();
    auto *search = window.findChild<QLineEdit *>(QStringLiteral("searchLineEdit"));
    search->setText(QStringLiteral("notes"));
    treeOf(&window)->selectAll();

    QSettings report(home + QStringLiteral("/report.ini"), QSettings::IniFormat);
    std::unique_ptr<QTimer> answer;
    answer = whenModalDialogOpens([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        report.setValue(QStringLiteral("question"), box->windowTitle());
        answer = whenModalDialogOpens([&report](QWidget *dialog) {
            auto *box = qobject_cast<QMessageBox *>(dialog);
            report.setValue(QStringLiteral("completionTitle"), box->windowTitle());
            report.setValue(QStringLiteral("completionText"), box->text());
            report.setValue(QStringLiteral("keysDuringMessage"),
                            QSettings(organisation, organisation).allKeys());
            box->button(QMessageBox::Ok)->click();
        });
        box->button(QMessageBox::Yes)->click();
    });
    QTimer::singleShot(0, &window,
                       [&window] { QMetaObject::invokeMethod(&window, "on_resetButton_clicked"); });
    // Without a restart the loop would never end; the parent then sees a failed exit code.
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(2); });
    const int exitCode = app.exec();

    report.setValue(QStringLiteral("pathField"), pathFieldOf(&window));
    report.setValue(QStringLiteral("searchField"), search->text());
    report.setValue(QStringLiteral("nameFilters"), modelOf(&window)->nameFilters());
    report.setValue(QStringLiteral("showsHidden"), modelOf(&window)->filter().testFlag(QDir::Hidden));
    report.setValue(QStringLiteral("columnWidths"), columnWidthsOf(&window));
    report.setValue(QStringLiteral("sortColumn"), treeOf(&window)->header()->sortIndicatorSection());
    report.setValue(QStringLiteral("sortOrder"),
                    static_cast<int>(treeOf(&window)->header()->sortIndicatorOrder()));
    report.setValue(QStringLiteral("selectedRows"), treeOf(&window)->selectionModel()->selectedRows().size());
    report.setValue(QStringLiteral("windowTitle"), window.windowTitle());
    report.setValue(QStringLiteral("geometry"), window.geometry());
    report.sync();
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == resetChildArgument) {
        const QString home = QString::fromLocal8Bit(argv[2]);
        return qEnvironmentVariableIsSet(restartedVariable) ? reportRestartedInstance(argc, argv, home)
                                                            : runConfirmedReset(argc, argv, home);
    }
    UiTestEnvironment environment;
    QApplication app(argc, argv);
    TestSettings test(environment);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"
