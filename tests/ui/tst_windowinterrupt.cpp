// The window program ended by SIGTERM or SIGINT in the middle of an operation: the built program
// listing an archive it was started on, and the same program's start with an operation begun through
// the window's buttons (kelvane_drivenwindow). The signal closes the window without asking, the
// operation is cancelled and removes its private working folder, and the program ends with 128 + the
// signal's number, leaving the folder as it was.
#include "programpath.h"
#include "testtree.h"
#include "toolrun.h"
#include "uitestenvironment.h"
#include "zipbytes.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

const TestTree::Tree sourceTree{{QStringLiteral("docs/"), {}},
                                {QStringLiteral("docs/readme.txt"), "read me\n"},
                                {QStringLiteral("data.bin"), TestTree::sampleData(300000, 5)}};

// What the user had in the folder before the program was started.
const TestTree::Tree usersFiles{{QStringLiteral("clash.txt"), "the user's own text\n"},
                                {QStringLiteral("kept/"), {}},
                                {QStringLiteral("kept/inside.txt"), "kept\n"}};

QStringList privateWorkingFolders(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".kelvane-*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestWindowInterrupt : public QObject
{
    Q_OBJECT

public:
    explicit TestWindowInterrupt(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void interrupted_data();
    void interrupted();

private:
    // The folder the program is started on, with the user's files, the archive or the input.
    bool makeFolder(const QString &folder, const QString &command, const QString &archiveName);

    const UiTestEnvironment &environment;
};

void TestWindowInterrupt::interrupted_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<int>("signalNumber");
    // "xz": held inside xz, which a script stands in for; otherwise held by the dialog so described
    // (ModalDialogDriver::describe), which nobody answers.
    QTest::addColumn<QString>("heldBy");

    const QString xz = QStringLiteral("xz");
    QTest::newRow("kelvane ARCHIVE, listing at start-up, SIGTERM") << "open"
                                                                   << "held.tar.xz" << SIGTERM << xz;
    QTest::newRow("Extract Here, in xz, SIGTERM") << "extract-here"
                                                  << "held.tar.xz" << SIGTERM << xz;
    QTest::newRow("Extract Here, in xz, SIGINT") << "extract-here"
                                                 << "held.tar.xz" << SIGINT << xz;
    QTest::newRow("Extract Here, at the replace question, SIGTERM") << "extract-here"
                                                                    << "held.zip" << SIGTERM << "replace|";
    QTest::newRow("Add to archive, in xz, SIGTERM") << "compress"
                                                    << "made.tar.xz" << SIGTERM << xz;
    // While the user's own close asks whether to cancel the operation: nobody answers.
    QTest::newRow("Extract Here, closed, at the exit question, SIGTERM")
        << "extract-here-and-close"
        << "held.tar.xz" << SIGTERM << "box|";
    // Before any operation: the save dialog's own loop must end too.
    QTest::newRow("Add to archive, at the save dialog, SIGTERM") << "compress"
                                                                 << "" << SIGTERM << "file|";
}

void TestWindowInterrupt::interrupted()
{
    QFETCH(QString, command);
    QFETCH(QString, archiveName);
    QFETCH(int, signalNumber);
    QFETCH(QString, heldBy);

    QTemporaryDir work(environment.workPath() + QStringLiteral("/interrupt-XXXXXX"));
    QVERIFY(work.isValid());
    const QString folder = work.filePath(QStringLiteral("folder"));
    const QString archive = folder + QLatin1Char('/') + archiveName;
    QVERIFY(makeFolder(folder, command, archiveName));
    const TestTree::Tree before = TestTree::snapshot(folder);

    const QString started = work.filePath(QStringLiteral("compressor-started"));
    ProgramPath programs;
    QVERIFY(programs.addScript(QStringLiteral("xz"),
                               "touch '" + QFile::encodeName(started) + "'\nexec sleep 60"));
    // The script's folder is there already.
    const QStringList temporaryBefore = entriesOf(environment.temporaryPath());

    QProcess process;
    if (command == QLatin1String("open")) {
        process.start(QStringLiteral(KELVANE_PATH), {archive});
    } else {
        const QString selected =
            command == QLatin1String("compress") ? folder + QStringLiteral("/input") : archive;
        process.start(QStringLiteral(DRIVEN_WINDOW_PATH),
                      {command, folder, selected, archiveName.isEmpty() ? QString() : archive});
    }
    QVERIFY(process.waitForStarted());
    QByteArray output;
    const auto held = [&] {
        output += process.readAllStandardOutput();
        return heldBy == QLatin1String("xz") ? QFileInfo::exists(started)
                                             : output.contains("asked: " + heldBy.toUtf8());
    };
    QTRY_VERIFY2_WITH_TIMEOUT(held() || process.state() == QProcess::NotRunning,
                              qPrintable(QString::fromLocal8Bit(output)), 30000);
    QVERIFY2(process.state() == QProcess::Running, qPrintable(QString::fromLocal8Bit(output)));
    // The operation is under way: an extraction or a new archive has its private folder by now.
    if (command != QLatin1String("open") && !archiveName.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(privateWorkingFolders(folder).size(), 1, 10000);

    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    QVERIFY2(process.waitForFinished(30000), "the program did not end");
    QCOMPARE(privateWorkingFolders(folder), QStringList());
    QCOMPARE(TestTree::snapshot(folder), before);
    QCOMPARE(entriesOf(environment.temporaryPath()), temporaryBefore);
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + signalNumber);
}

bool TestWindowInterrupt::makeFolder(const QString &folder, const QString &command,
                                     const QString &archiveName)
{
    if (!TestTree::build(folder, usersFiles))
        return false;
    const QString archive = folder + QLatin1Char('/') + archiveName;
    if (command == QLatin1String("compress"))
        return TestTree::build(folder + QStringLiteral("/input"), sourceTree);
    if (archiveName.endsWith(QLatin1String(".zip"))) {
        // The second entry meets the user's clash.txt, after the first has been written.
        return ZipBytes::write(archive, {ZipBytes::unixFile("first.txt", "first entry\n"),
                                         ZipBytes::unixFile("clash.txt", "the archive's text\n")});
    }
    // Written with the real xz, before a script takes its name.
    QTemporaryDir source(environment.workPath() + QStringLiteral("/source-XXXXXX"));
    return source.isValid() && TestTree::build(source.path(), sourceTree) &&
           ToolRun::run(QStringLiteral("tar"), {QStringLiteral("-C"), source.path(), QStringLiteral("-cJf"),
                                                archive, QStringLiteral("docs"), QStringLiteral("data.bin")})
                   .exitCode == 0;
}

KELVANE_UI_TEST_MAIN(TestWindowInterrupt)
#include "tst_windowinterrupt.moc"
