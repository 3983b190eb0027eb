// The window program's command line as users and file managers give it: the batch commands with real
// archives and the real engine, their questions answered as a user would on the offscreen platform,
// the exit codes, the forms that open the window, and the built program itself.
#include "archivejob.h"
#include "batchrunner.h"
#include "modaldialogdriver.h"
#include "programpath.h"
#include "programstart.h"
#include "settingskeys.h"
#include "testtree.h"
#include "toolrun.h"
#include "uitestenvironment.h"
#include "windowsettings.h"
#include "zipbytes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <functional>

Q_DECLARE_METATYPE(ReplaceChoice)

namespace {

using Driver = ModalDialogDriver;

const TestTree::Tree sampleTree{{QStringLiteral("docs/"), {}},
                                {QStringLiteral("docs/readme.txt"), "read me\n"},
                                {QStringLiteral("data.bin"), TestTree::sampleData(20000, 7)}};

// An archive of sampleTree written by the engine itself.
bool makeArchive(const QString &source, const QString &archivePath, const QString &password = QString())
{
    OperationRequest request = OperationRequest::create(
        FormatRegistry::creationNameForFileName(archivePath),
        {source + QStringLiteral("/docs"), source + QStringLiteral("/data.bin")}, archivePath, password);
    ArchiveJob job(request);
    return job.run().succeeded();
}

} // namespace

class TestBatchCommands : public QObject
{
    Q_OBJECT

public:
    explicit TestBatchCommands(const UiTestEnvironment &environment) : environment(environment) {}

private slots:
    void init()
    {
        work = std::make_unique<QTemporaryDir>(environment.workPath() + QStringLiteral("/batch-XXXXXX"));
        QVERIFY(work->isValid());
        source = work->filePath(QStringLiteral("source"));
        QVERIFY(TestTree::build(source, sampleTree));
        WindowSettings::clear();
        driver.seen.clear();
    }

    void extractHereFolder_data()
    {
        QTest::addColumn<QString>("archiveName");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("folder");

        QTest::newRow("compound ending") << "photos.tar.gz" << QStringList() << "photos";
        QTest::newRow("ending in capitals") << "A.ZIP" << QStringList() << "A";
        QTest::newRow("dots in the name") << "v1.2.7z" << QStringList() << "v1.2";
        QTest::newRow("name taken") << "x.zip" << QStringList{"x"} << "x (2)";
        QTest::newRow("names taken by a file and a link")
            << "x.zip" << QStringList{"x", "x (2)", "x (3)->"} << "x (4)";
        QTest::newRow("nothing before the ending: never the archive itself")
            << ".zip" << QStringList() << ".zip (2)";
    }

    void extractHereFolder()
    {
        QFETCH(QString, archiveName);
        QFETCH(QStringList, existing);
        QFETCH(QString, folder);

        TestTree::Tree tree{{archiveName, "x"}};
        for (const QString &name : existing) {
            if (name.endsWith(QLatin1String("->")))
                tree.insert(name.chopped(2), "-> nowhere");
            else
                tree.insert(name, "taken");
        }
        QVERIFY(TestTree::build(work->path(), tree));
        QCOMPARE(BatchRunner::extractHereFolder(work->filePath(archiveName)), work->filePath(folder));
    }

    // Each archive into a folder of its own, a taken name skipped; one failing archive does not stop
    // the others, and the exit code tells the failure.
    void extractHere()
    {
        const QString zip = work->filePath(QStringLiteral("one.zip"));
        const QString tgz = work->filePath(QStringLiteral("two.tar.gz"));
        QVERIFY(makeArchive(source, zip));
        QVERIFY(makeArchive(source, tgz));
        QVERIFY(QDir(work->path()).mkdir(QStringLiteral("one")));

        QCOMPARE(run({QStringLiteral("--extract-here"), zip, tgz}), int(ExitCode::Success));
        QCOMPARE(driver.seen, QStringList());
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("one (2)"))), sampleTree);
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("two"))), sampleTree);
        QVERIFY(TestTree::snapshot(work->filePath(QStringLiteral("one"))).isEmpty());

        const QString damaged = work->filePath(QStringLiteral("damaged.zip"));
        ZipBytes::Entry bad = ZipBytes::unixFile("bad.txt", "contents");
        bad.wrongCrc = true;
        QVERIFY(ZipBytes::write(damaged, {bad}));
        driver.then(Driver::press(QMessageBox::Ok));
        QCOMPARE(run({QStringLiteral("--extract-here"), damaged, zip}), int(ExitCode::Failure));
        QCOMPARE(driver.seen.size(), 1);
        QVERIFY2(driver.seen.first().startsWith(QStringLiteral("box|错误|操作失败: ")) &&
                     driver.seen.first().contains(QStringLiteral("damaged.zip")),
                 qPrintable(driver.seen.first()));
        QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("damaged"))));
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("one (3)"))), sampleTree);
    }

    void extractTo_data()
    {
        QTest::addColumn<bool>("askFolder");
        QTest::addColumn<bool>("answerFolder");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("folder given") << false << false << int(ExitCode::Success);
        QTest::newRow("folder asked and chosen") << true << true << int(ExitCode::Success);
        QTest::newRow("folder asked, dialog cancelled") << true << false << int(ExitCode::Cancelled);
    }

    void extractTo()
    {
        QFETCH(bool, askFolder);
        QFETCH(bool, answerFolder);
        QFETCH(int, exitCode);

        const QString zip = work->filePath(QStringLiteral("one.zip"));
        const QString sevenZip = work->filePath(QStringLiteral("two.7z"));
        QVERIFY(makeArchive(source, zip));
        QVERIFY(makeArchive(source, sevenZip));
        const QString destination = work->filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(destination));
        if (askFolder)
            driver.then(Driver::chooseFile(answerFolder ? destination : QString()));

        // Both archives hold the same names: the second one's clashes are answered by replacing all.
        if (exitCode == int(ExitCode::Success))
            driver.then(Driver::answerReplace(ReplaceChoice::Replace, true));
        QCOMPARE(run({QStringLiteral("--extract-to"), askFolder ? QString() : destination, zip, sevenZip}),
                 exitCode);
        QVERIFY2(driver.finished(), qPrintable(driver.state()));
        QCOMPARE(TestTree::snapshot(destination), exitCode == 0 ? sampleTree : TestTree::Tree());
    }

    void replaceQuestion_data()
    {
        QTest::addColumn<ReplaceChoice>("choice");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("replace") << ReplaceChoice::Replace << QByteArray("read me\n")
                                 << int(ExitCode::Success);
        QTest::newRow("skip") << ReplaceChoice::Skip << QByteArray("mine") << int(ExitCode::Success);
        QTest::newRow("cancel") << ReplaceChoice::Cancel << QByteArray("mine") << int(ExitCode::Cancelled);
    }

    void replaceQuestion()
    {
        QFETCH(ReplaceChoice, choice);
        QFETCH(QByteArray, kept);
        QFETCH(int, exitCode);

        const QString zip = work->filePath(QStringLiteral("one.zip"));
        QVERIFY(makeArchive(source, zip));
        const QString destination = work->filePath(QStringLiteral("out"));
        QVERIFY(TestTree::build(destination, {{QStringLiteral("docs/readme.txt"), "mine"}}));

        driver.then(Driver::answerReplace(choice));
        QCOMPARE(run({QStringLiteral("--extract-to"), destination, zip}), exitCode);
        QCOMPARE(driver.seen, QStringList{QStringLiteral("replace|确认替换|目标位置已有“readme.txt”。")});
        QCOMPARE(TestTree::readFile(destination + QStringLiteral("/docs/readme.txt")), kept);
        // A cancel leaves nothing of the archive behind.
        QCOMPARE(QFileInfo::exists(destination + QStringLiteral("/data.bin")),
                 exitCode == int(ExitCode::Success));
    }

    // A wrong password is asked again; a cancelled prompt ends the command as cancelled and leaves
    // no folder behind.
    void passwordQuestion()
    {
        const QString zip = work->filePath(QStringLiteral("locked.zip"));
        QVERIFY(makeArchive(source, zip, QStringLiteral("secret")));

        driver.then(Driver::enterPassword(QStringLiteral("wrong")))
            .then(Driver::enterPassword(QStringLiteral("secret")));
        QCOMPARE(run({QStringLiteral("--extract-here"), zip}), int(ExitCode::Success));
        QCOMPARE(driver.seen.size(), 2);
        QVERIFY2(driver.seen.at(1).contains(QStringLiteral("密码错误")), qPrintable(driver.seen.at(1)));
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("locked"))), sampleTree);

        driver.seen.clear();
        driver.then(Driver::reject());
        QCOMPARE(run({QStringLiteral("--extract-here"), zip}), int(ExitCode::Cancelled));
        QVERIFY(driver.seen.first().startsWith(QStringLiteral("input|")));
        QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("locked (2)"))));
    }

    void compress_data()
    {
        QTest::addColumn<QString>("archiveName");
        QTest::addColumn<QString>("checker");
        QTest::addColumn<QStringList>("checkArguments");

        QTest::newRow("zip") << "new.zip"
                             << "unzip" << QStringList{"-t"};
        QTest::newRow("tar.gz") << "new.tar.gz"
                                << "bsdtar" << QStringList{"-tf"};
        QTest::newRow("7z") << "new.7z"
                            << "7z" << QStringList{"t"};
    }

    // The format from the name; the archive checked by an independent reader and unpacked again.
    void compress()
    {
        QFETCH(QString, archiveName);
        QFETCH(QString, checker);
        QFETCH(QStringList, checkArguments);

        const QString archive = work->filePath(archiveName);
        QCOMPARE(run({QStringLiteral("--compress"), archive, source + QStringLiteral("/docs"),
                      source + QStringLiteral("/data.bin")}),
                 int(ExitCode::Success));
        QCOMPARE(driver.seen, QStringList());
        const ToolRun check = ToolRun::run(checker, checkArguments + QStringList{archive});
        QVERIFY2(check.exitCode == 0, qPrintable(check.output));
        QCOMPARE(run({QStringLiteral("--extract-here"), archive}), int(ExitCode::Success));
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("new"))), sampleTree);
    }

    void compressOverExistingArchive_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("replace") << QMessageBox::Yes;
        QTest::newRow("keep") << QMessageBox::No;
    }

    void compressOverExistingArchive()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        const QString archive = work->filePath(QStringLiteral("old.zip"));
        QVERIFY(TestTree::writeFile(archive, "not an archive yet"));

        driver.then(Driver::press(answer));
        const int exitCode =
            run({QStringLiteral("--compress"), archive, source + QStringLiteral("/data.bin")});
        QCOMPARE(driver.seen.size(), 1);
        QVERIFY2(driver.seen.first().startsWith(QStringLiteral("box|替换压缩文件|")),
                 qPrintable(driver.seen.first()));
        if (answer == QMessageBox::Yes) {
            QCOMPARE(exitCode, int(ExitCode::Success));
            QCOMPARE(ToolRun::run(QStringLiteral("unzip"), {QStringLiteral("-t"), archive}).exitCode, 0);
        } else {
            QCOMPARE(exitCode, int(ExitCode::Cancelled));
            QCOMPARE(TestTree::readFile(archive), QByteArray("not an archive yet"));
        }
    }

    // An empty name, as the file manager's action passes it: the window's save dialog and password.
    void compressAsksForName()
    {
        const QString archive = work->filePath(QStringLiteral("asked.zip"));
        driver.then(Driver::chooseFile(archive)).then(Driver::enterPassword(QStringLiteral("pw")));
        QCOMPARE(run({QStringLiteral("--compress"), QString(), source + QStringLiteral("/docs")}),
                 int(ExitCode::Success));
        QVERIFY2(driver.finished(), qPrintable(driver.state()));
        QCOMPARE(ToolRun::run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-ppw"), archive})
                     .exitCode,
                 0);
        QVERIFY(ToolRun::run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pother"), archive})
                    .exitCode != 0);

        driver.then(Driver::chooseFile(QString()));
        QCOMPARE(run({QStringLiteral("--compress"), QString(), source + QStringLiteral("/docs")}),
                 int(ExitCode::Cancelled));
    }

    void testCommand()
    {
        const QString good = work->filePath(QStringLiteral("good.tar.xz"));
        QVERIFY(makeArchive(source, good));
        QCOMPARE(run({QStringLiteral("--test"), good}), int(ExitCode::Success));
        QCOMPARE(driver.seen, QStringList());

        const QString damaged = work->filePath(QStringLiteral("damaged.zip"));
        ZipBytes::Entry bad = ZipBytes::unixFile("bad.txt", "contents");
        bad.wrongCrc = true;
        QVERIFY(ZipBytes::write(damaged, {bad}));
        driver.then(Driver::press(QMessageBox::Ok));
        QCOMPARE(run({QStringLiteral("--test"), good, damaged}), int(ExitCode::Failure));
        QCOMPARE(driver.seen.size(), 1);
        QVERIFY2(driver.seen.first().contains(QStringLiteral("bad.txt")), qPrintable(driver.seen.first()));
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("boxPart");

        QTest::newRow("bad usage") << QStringList{"--test"} << int(ExitCode::BadUsage) << "--help";
        QTest::newRow("a format that cannot be created")
            << QStringList{"--compress", "x.rar", "source"} << int(ExitCode::BadUsage) << "*.tar.gz";
        QTest::newRow("missing path") << QStringList{"gone"} << int(ExitCode::Failure) << "gone";
        QTest::newRow("missing archive")
            << QStringList{"--extract-here", "gone.zip"} << int(ExitCode::Failure) << "gone.zip";
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, boxPart);

        QDir::setCurrent(work->path());
        driver.then(Driver::press(QMessageBox::Ok));
        QCOMPARE(run(arguments), exitCode);
        QCOMPARE(driver.seen.size(), 1);
        QVERIFY2(driver.seen.first().startsWith(QStringLiteral("box|错误|")) &&
                     driver.seen.first().contains(boxPart),
                 qPrintable(driver.seen.first()));
        QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("x.rar"))));
        QVERIFY(!QFileInfo::exists(work->filePath(QStringLiteral("gone"))));
    }

    void windowForms_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("selected");

        QTest::newRow("folder") << "source/docs"
                                << "source/docs" << QString();
        QTest::newRow("file") << "source/data.bin"
                              << "source"
                              << "source/data.bin";
    }

    // The window opens on the place given, the item selected; closing it ends the program.
    void windowForms()
    {
        QFETCH(QString, argument);
        QFETCH(QString, folder);
        QFETCH(QString, selected);
        QVERIFY(makeArchive(source, work->filePath(QStringLiteral("kept.zip"))));

        QString shownFolder;
        QStringList shownSelection;
        bool visible = false;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *view = widget->findChild<QTreeView *>(QStringLiteral("fileTreeView"));
                if (!view || !widget->isVisible())
                    continue;
                visible = true;
                auto *model = static_cast<QFileSystemModel *>(view->model());
                shownFolder = model->filePath(view->rootIndex());
                for (const QModelIndex &index : view->selectionModel()->selectedRows())
                    shownSelection.append(model->filePath(index));
                widget->close();
            }
        });
        QCOMPARE(run({work->filePath(argument)}), 0);
        QVERIFY(visible);
        QCOMPARE(shownFolder, folder.isEmpty() ? work->path() : work->filePath(folder));
        QCOMPARE(shownSelection, selected.isEmpty() ? QStringList() : QStringList{work->filePath(selected)});
    }

    // An archive given alone opens in the window as a folder: the path field names it and the list
    // shows its top entries.
    void windowOpensArchive()
    {
        const QString archive = work->filePath(QStringLiteral("kept.zip"));
        QVERIFY(makeArchive(source, archive));

        // The listing runs after the window shows: look until the path field names the archive, or
        // give up after a while so a failure ends the program too.
        QString shownPath;
        QStringList shownNames;
        QElapsedTimer waited;
        waited.start();
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *view = widget->findChild<QTreeView *>(QStringLiteral("fileTreeView"));
                if (!view || !widget->isVisible())
                    continue;
                shownPath = widget->findChild<QLineEdit *>(QStringLiteral("pathLineEdit"))->text();
                if (!shownPath.endsWith(QStringLiteral(".zip")) && waited.elapsed() < 10000)
                    return;
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    shownNames.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
                look.stop();
                widget->close();
            }
        });
        look.start(20);
        QCOMPARE(run({archive}), 0);
        QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(shownPath)), archive);
        shownNames.sort();
        QCOMPARE(shownNames, (QStringList{"data.bin", "docs"}));
    }

    // The built program: exit codes, help and version in the window's language, a command run whole.
    void program_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("helpPart");
        QTest::newRow("source language") << "zh_CN"
                                         << "将每个压缩文件解压到它旁边";
        QTest::newRow("English") << "en_US"
                                 << "Extract each archive";
        QTest::newRow("Traditional Chinese") << "zh_TW"
                                             << "壓縮檔";
    }

    void program()
    {
        QFETCH(QString, language);
        QFETCH(QString, helpPart);
        // The program reads the real configuration folder; this process's settings are in test mode.
        QSettings programSettings(
            QStringLiteral("%1/.config/%2/%3.conf")
                .arg(environment.homePath(), SettingsKeys::organisation, SettingsKeys::application),
            QSettings::IniFormat);
        programSettings.setValue(SettingsKeys::language, language);
        programSettings.sync();

        const Run help = runProgram({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.output.contains(helpPart), qPrintable(help.output));
        QVERIFY(help.output.contains(QStringLiteral("--extract-to")));

        const Run version = runProgram({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.output.startsWith(QStringLiteral("kelvane ")), qPrintable(version.output));

        const QString zip = work->filePath(QStringLiteral("one.zip"));
        QVERIFY(makeArchive(source, zip));
        const Run tested = runProgram({QStringLiteral("--test"), zip});
        QCOMPARE(tested.exitCode, 0);
        QVERIFY2(tested.output.contains(zip), qPrintable(tested.output));
        const Run extracted = runProgram({QStringLiteral("--extract-here"), zip});
        QCOMPARE(extracted.exitCode, 0);
        QCOMPARE(TestTree::snapshot(work->filePath(QStringLiteral("one"))), sampleTree);
    }

    void interrupted_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("compress, SIGINT") << "--compress" << SIGINT;
        QTest::newRow("extract here, SIGTERM") << "--extract-here" << SIGTERM;
    }

    // Stopped in the middle of its compressor, the command ends as cancelled and leaves nothing: no
    // archive, no folder, no private working files.
    void interrupted()
    {
        QFETCH(QString, command);
        QFETCH(int, signalNumber);

        const QString archive = work->filePath(QStringLiteral("held.tar.xz"));
        if (command == QLatin1String("--extract-here"))
            QVERIFY(makeArchive(source, archive));
        const QString started = work->filePath(QStringLiteral("compressor-started"));
        ProgramPath programs;
        QVERIFY(programs.addScript(QStringLiteral("xz"),
                                   "touch '" + QFile::encodeName(started) + "'\nexec sleep 60"));

        QProcess process;
        const QStringList arguments = command == QLatin1String("--compress")
                                          ? QStringList{command, archive, source + QStringLiteral("/docs")}
                                          : QStringList{command, archive};
        process.start(QStringLiteral(KELVANE_PATH), arguments);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(started), 20000);
        ::kill(pid_t(process.processId()), signalNumber);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), int(ExitCode::Cancelled));

        QStringList left =
            QDir(work->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        left.removeAll(QStringLiteral("source"));
        left.removeAll(QStringLiteral("compressor-started"));
        if (command == QLatin1String("--extract-here"))
            left.removeAll(QStringLiteral("held.tar.xz"));
        QCOMPARE(left, QStringList());
        QCOMPARE(TestTree::snapshot(source), sampleTree);
    }

private:
    struct Run {
        int exitCode = -1;
        QString output;
        QString errors;
    };

    int run(const QStringList &arguments)
    {
        const int exitCode = ProgramStart::run(QStringList{QStringLiteral("kelvane")} + arguments);
        // Every step must have been used: a question the command never asked is a fault too.
        [&] { QVERIFY2(driver.finished(), qPrintable(driver.state())); }();
        return exitCode;
    }

    Run runProgram(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(KELVANE_PATH), arguments);
        process.closeWriteChannel();
        Run result;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.output = QString::fromUtf8(process.readAllStandardOutput());
        result.errors = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    const UiTestEnvironment &environment;
    std::unique_ptr<QTemporaryDir> work;
    QString source;
    Driver driver;
};

KELVANE_UI_TEST_MAIN(TestBatchCommands)
#include "tst_batchcommands.moc"
