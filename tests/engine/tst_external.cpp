#include "compressionhandler.h"
#include "sevenzipprogress.h"
#include "toolcommands.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <memory>

namespace {

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(data), data.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    auto *words = reinterpret_cast<quint32 *>(data.data());
    QRandomGenerator::global()->fillRange(words, size / qsizetype(sizeof(quint32)));
    return data;
}

// Every file and folder below root, relative to it, folders with a trailing "/".
QStringList treeListing(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = QDir(root).relativeFilePath(it.filePath());
        entries << (it.fileInfo().isDir() ? relative + QLatin1Char('/') : relative);
    }
    entries.sort();
    return entries;
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

ToolRun runTool(const QString &program, const QStringList &arguments, const QString &workingDirectory = {},
                const QString &outputFile = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    else
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAll()};
}

// Puts programs of our own first on PATH, or replaces PATH, for the lifetime of the object.
class PathOverride
{
public:
    explicit PathOverride(bool keepSystemPath = true) : savedPath(qgetenv("PATH"))
    {
        QByteArray path = QFile::encodeName(bin.path());
        if (keepSystemPath)
            path += ':' + savedPath;
        qputenv("PATH", path);
    }
    ~PathOverride() { qputenv("PATH", savedPath); }

    void addScript(const QString &name, const QByteArray &body)
    {
        const QString path = bin.filePath(name);
        writeFile(path, "#!/bin/sh\n" + body + '\n');
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
    void linkRealProgram(const QString &name)
    {
        QFile::link(
            QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin"), QStringLiteral("/bin")}),
            bin.filePath(name));
    }
    QString filePath(const QString &name) const { return bin.filePath(name); }

private:
    QTemporaryDir bin;
    QByteArray savedPath;
};

// Records every progress value and insists it never goes backwards.
struct ProgressLog {
    explicit ProgressLog(CompressionHandler &handler)
    {
        QObject::connect(
            &handler, &CompressionHandler::progressChanged, &handler, [this](int value) { values << value; },
            Qt::DirectConnection);
    }
    bool strictlyRising() const
    {
        for (qsizetype i = 1; i < values.size(); ++i) {
            if (values.at(i) <= values.at(i - 1))
                return false;
        }
        return true;
    }
    int between() const
    {
        return int(std::count_if(values.begin(), values.end(), [](int v) { return v > 0 && v < 100; }));
    }
    QList<int> values;
};

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

} // namespace

class TestExternal : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data();
    void commandLines();
    void sevenZipProgressParsing_data();
    void sevenZipProgressParsing();

    void roundTrip_data();
    void roundTrip();
    void sevenZipWrongPassword();
    void passwordNeverOnCommandLine();

    void archiveInsideSelectedFolder_data();
    void archiveInsideSelectedFolder();
    void realToolFailures_data();
    void realToolFailures();
    void toolFailures_data();
    void toolFailures();
    void missingProgram_data();
    void missingProgram();
    void cancelStopsHangingProgram_data();
    void cancelStopsHangingProgram();

    void hostile7z_data();
    void hostile7z();
};

void TestExternal::commandLines_data()
{
    QTest::addColumn<QStringList>("built");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("7z create without password")
        << ToolCommands::sevenZipCreateArguments({"/a/photos", "/b/c.txt"}, "/a/x.7z", QString(), false)
        << QStringList{"a", "/a/x.7z", "/a/photos", "/b/c.txt", "-spd", "-t7z", "-bso0", "-bsp1"};
    QTest::newRow("7z relative input made absolute, working folder left out")
        << ToolCommands::sevenZipCreateArguments({"photos"}, "/a/x.7z", ".kelvane-Ab12Cd", false)
        << QStringList{
               "a",     "/a/x.7z", QDir::currentPath() + "/photos", "-xr!.kelvane-Ab12Cd", "-spd", "-t7z",
               "-bso0", "-bsp1"};
    QTest::newRow("7z create with password reads it from standard input")
        << ToolCommands::sevenZipCreateArguments({"/a/photos"}, "/a/x.7z", QString(), true)
        << QStringList{"a", "/a/x.7z", "/a/photos", "-spd", "-t7z", "-bso0", "-bsp1", "-p"};
    QTest::newRow("7z extract") << ToolCommands::sevenZipExtractArguments("/a/x.7z", "/a/out dir")
                                << QStringList{"x", "/a/x.7z", "-o/a/out dir", "-aoa", "-bso0", "-bsp1"};
}

void TestExternal::commandLines()
{
    QFETCH(QStringList, built);
    QFETCH(QStringList, expected);
    QCOMPARE(built, expected);
}

void TestExternal::sevenZipProgressParsing_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<bool>("updated");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("name");

    // Recorded from 7z a -bsp1 -bso0 on this machine.
    const QByteArray recorded = "  0M Scan  /tmp/px/src/\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "                       \b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "  0%\b\b\b\b    \b\b\b\b  1% + big.bin\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "              \b\b\b\b\b\b\b\b\b\b\b\b\b\b 11% + big.bin\b\b\b\b";
    QTest::newRow("recorded creation") << QList<QByteArray>{recorded} << true << 11 << "big.bin";
    QTest::newRow("split inside an update")
        << QList<QByteArray>{"  3% + big.b", "in\b\b\b 4", "2% 3 + photos/a b.jpg\b"} << true << 42
        << "photos/a b.jpg";
    QTest::newRow("update not finished yet") << QList<QByteArray>{" 57% - x.txt"} << false << -1 << "";
    QTest::newRow("final line ends with a newline") << QList<QByteArray>{"100% 12\n"} << true << 100 << "";
    QTest::newRow("scan and prompt are not progress")
        << QList<QByteArray>{"  0M Scan\b\b\b\b\b\bEnter password (will not be echoed):\n"} << false << -1
        << "";
}

void TestExternal::sevenZipProgressParsing()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(bool, updated);
    QFETCH(int, percent);
    QFETCH(QString, name);

    SevenZipProgress progress;
    bool anyUpdate = false;
    for (const QByteArray &chunk : chunks)
        anyUpdate = progress.feed(chunk) || anyUpdate;
    QCOMPARE(anyUpdate, updated);
    QCOMPARE(progress.percent(), percent);
    QCOMPARE(progress.currentName(), name);
}

void TestExternal::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("password");

    QTest::newRow("7z") << "7Z"
                        << "set.7z"
                        << "";
    QTest::newRow("7z with password") << "7Z"
                                      << "set.7z"
                                      << "pässwört 秘密 -x";
}

void TestExternal::roundTrip()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, password);

    QTemporaryDir work;
    const QString source = work.filePath("deep/source/folders");
    writeFile(source + "/photos/a.txt", "hello\n");
    writeFile(source + "/photos/sub/random.bin", randomBytes(2 * 1024 * 1024));
    writeFile(source + "/photos/中文 名.txt", "unicode name");
    writeFile(source + "/photos/.hidden", "");
    QVERIFY(QDir().mkpath(source + "/photos/empty"));
    writeFile(source + "/other/notes.txt", "notes");
    const QStringList inputs{source + "/photos", source + "/other/notes.txt"};
    QStringList expected{"notes.txt", "photos/"};
    for (const QString &entry : treeListing(source + "/photos"))
        expected << "photos/" + entry;
    expected.sort();

    const QString archive = work.filePath("out/" + archiveName);
    QVERIFY(QDir().mkpath(work.filePath("out")));
    CompressionHandler handler;
    ProgressLog created(handler);
    QSignalSpy currentFiles(&handler, &CompressionHandler::currentFileChanged);
    QVERIFY2(handler.compressFiles(format, inputs, archive, password), qPrintable(handler.lastError()));
    QCOMPARE(handler.lastError(), QString());
    QVERIFY(!created.values.isEmpty());
    QCOMPARE(created.values.last(), 100);
    QVERIFY2(created.strictlyRising(), qPrintable(QDebug::toString(created.values)));
    QVERIFY(!currentFiles.isEmpty());
    // Nothing but the archive is left next to it.
    QCOMPARE(treeListing(work.filePath("out")), QStringList{archiveName});

    // An independent reader sees the items under their own names, not under their absolute paths.
    const ToolRun test = runTool("7z", {"t", archive, "-p" + password});
    QVERIFY2(test.exitCode == 0, test.output.constData());
    const ToolRun list = runTool("7z", {"l", "-slt", archive, "-p" + password});
    const QRegularExpression pathLine("^Path = (.*)$", QRegularExpression::MultilineOption);
    QStringList listed;
    for (auto it = pathLine.globalMatch(QString::fromUtf8(list.output)); it.hasNext();)
        listed << it.next().captured(1);
    listed.removeAll(archive);
    QStringList withoutSlashes;
    for (const QString &entry : expected)
        withoutSlashes << (entry.endsWith('/') ? entry.chopped(1) : entry);
    withoutSlashes.sort();
    listed.sort();
    QCOMPARE(listed, withoutSlashes);

    // Unpacking into a folder that does not exist yet creates it with its parents.
    const QString destination = work.filePath("unpacked/new/deeper");
    ProgressLog extracted(handler);
    QVERIFY2(handler.extractArchive(archive, destination, password), qPrintable(handler.lastError()));
    QCOMPARE(extracted.values.last(), 100);
    QVERIFY2(extracted.strictlyRising(), qPrintable(QDebug::toString(extracted.values)));

    QCOMPARE(treeListing(destination), expected);
    for (const QString &entry : expected) {
        if (entry.endsWith('/'))
            continue;
        const QString original = entry == "notes.txt" ? source + "/other/notes.txt" : source + "/" + entry;
        QVERIFY2(readFile(destination + "/" + entry) == readFile(original), qPrintable(entry));
    }

    // Unpacking again over the same files overwrites them instead of stopping at a question.
    writeFile(destination + "/notes.txt", "changed");
    QVERIFY2(handler.extractArchive(archive, destination, password), qPrintable(handler.lastError()));
    QCOMPARE(readFile(destination + "/notes.txt"), QByteArray("notes"));
}

void TestExternal::sevenZipWrongPassword()
{
    QTemporaryDir work;
    writeFile(work.filePath("in/secret.txt"), "classified");
    const QString archive = work.filePath("secret.7z");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("7Z", {work.filePath("in/secret.txt")}, archive, "right"),
             qPrintable(handler.lastError()));

    for (const QString &attempt : {QString(), QString("wrong")}) {
        QVERIFY(!handler.extractArchive(archive, work.filePath("out"), attempt));
        QVERIFY2(handler.lastError().startsWith("7z 进程失败: ") &&
                     handler.lastError().contains("Wrong password"),
                 qPrintable(handler.lastError()));
    }
    QVERIFY(handler.extractArchive(archive, work.filePath("out"), "right"));
    QCOMPARE(readFile(work.filePath("out/secret.txt")), QByteArray("classified"));
}

void TestExternal::passwordNeverOnCommandLine()
{
    // A stand-in 7z records exactly what it was given.
    PathOverride path;
    QTemporaryDir work;
    const QString record = work.filePath("record");
    path.addScript("7z", QString("printf '%s\\n' \"$@\" > '%1.args'\n"
                                 "/bin/cat > '%1.stdin'\n"
                                 "[ \"$1\" = a ] && : > \"$2\"\n"
                                 "exit 0")
                             .arg(record)
                             .toUtf8());
    writeFile(work.filePath("in.txt"), "x");
    const QString password = "Tr0ub4dor&3";

    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("7Z", {work.filePath("in.txt")}, work.filePath("a.7z"), password),
             qPrintable(handler.lastError()));
    QByteArray arguments = readFile(record + ".args");
    QVERIFY(arguments.startsWith("a\n"));
    QVERIFY(arguments.endsWith("\n-p\n"));
    QVERIFY(!arguments.contains(password.toUtf8()));
    QCOMPARE(readFile(record + ".stdin"), password.toUtf8() + "\n");

    QVERIFY2(handler.extractArchive(work.filePath("a.7z"), work.filePath("out"), password),
             qPrintable(handler.lastError()));
    arguments = readFile(record + ".args");
    QVERIFY(arguments.startsWith("x\n"));
    QVERIFY(!arguments.contains(password.toUtf8()));
    QVERIFY(!arguments.contains("\n-p"));
    QCOMPARE(readFile(record + ".stdin"), password.toUtf8() + "\n");

    // Without a password 7z gets no "-p" and nothing on standard input.
    QVERIFY(handler.compressFiles("7Z", {work.filePath("in.txt")}, work.filePath("b.7z"), QString()));
    const QList<QByteArray> plainArguments = readFile(record + ".args").split('\n');
    QVERIFY(std::none_of(plainArguments.begin(), plainArguments.end(),
                         [](const QByteArray &argument) { return argument.startsWith("-p"); }));
    QCOMPARE(readFile(record + ".stdin"), QByteArray());
}

void TestExternal::archiveInsideSelectedFolder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("7z") << "7Z"
                        << "inner.7z";
}

void TestExternal::archiveInsideSelectedFolder()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);

    // The archive is being written inside the folder that is read: it must not pack itself.
    QTemporaryDir work;
    const QString folder = work.filePath("X");
    writeFile(folder + "/data.bin", randomBytes(1024 * 1024));
    const QString archive = folder + "/" + archiveName;
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles(format, {folder}, archive, QString()), qPrintable(handler.lastError()));
    QCOMPARE(treeListing(folder), (QStringList{"data.bin", archiveName}));

    QVERIFY2(handler.extractArchive(archive, work.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(treeListing(work.filePath("out")), (QStringList{"X/", "X/data.bin"}));
    QCOMPARE(readFile(work.filePath("out/X/data.bin")), readFile(folder + "/data.bin"));
}

void TestExternal::realToolFailures_data()
{
    QTest::addColumn<QString>("format"); // empty: extraction of a broken archive
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("detail");

    QTest::newRow("7z, missing input") << "7Z"
                                       << "a.7z"
                                       << "7z"
                                       << "";
    QTest::newRow("not a 7z") << ""
                              << "broken.7z"
                              << "7z"
                              << "";
}

void TestExternal::realToolFailures()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, program);
    QFETCH(QString, detail);

    QTemporaryDir work;
    writeFile(work.filePath("in/present.bin"), randomBytes(256 * 1024));
    const QString archive = work.filePath("out/" + archiveName);
    CompressionHandler handler;
    bool ok = true;
    if (format.isEmpty()) {
        writeFile(archive, randomBytes(4096));
        ok = handler.extractArchive(archive, work.filePath("dest"), QString());
    } else {
        QVERIFY(QDir().mkpath(work.filePath("out")));
        ok = handler.compressFiles(format, {work.filePath("in/present.bin"), work.filePath("in/missing")},
                                   archive, QString());
        QCOMPARE(treeListing(work.filePath("out")), QStringList());
    }
    QVERIFY(!ok);
    QVERIFY2(handler.lastError().startsWith(program + " 进程失败: ") && handler.lastError().contains(detail),
             qPrintable(handler.lastError()));
}

void TestExternal::toolFailures_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("format"); // empty: extraction of a real archive of archiveName
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("expectedError"); // a prefix when it ends with "*"

    const QByteArray fails = "echo 'disk on fire' >&2\nexit 2";
    const QByteArray crashes = "echo 'about to crash' >&2\nkill -SEGV $$";
    QTest::newRow("7z fails creating") << "7z" << fails << "7Z"
                                       << "a.7z"
                                       << "7z 进程失败: disk on fire";
    QTest::newRow("7z crashes creating") << "7z" << QByteArray("kill -SEGV $$") << "7Z"
                                         << "a.7z"
                                         << "7z 进程失败: *";
    QTest::newRow("7z fails extracting") << "7z" << fails << ""
                                         << "a.7z"
                                         << "7z 进程失败: disk on fire";
}

void TestExternal::toolFailures()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, script);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, expectedError);

    QTemporaryDir work;
    writeFile(work.filePath("in/data.bin"), randomBytes(512 * 1024));
    const QStringList inputs{work.filePath("in/data.bin")};
    const QString archive = work.filePath("out/" + archiveName);
    CompressionHandler handler;

    if (format.isEmpty()) {
        // A real archive, unpacked while one program of the chain misbehaves.
        QVERIFY(QDir().mkpath(work.filePath("out")));
        QVERIFY2(handler.compressFiles("7Z", inputs, archive, QString()), qPrintable(handler.lastError()));
    } else {
        // An archive already at the path survives a failed creation untouched.
        writeFile(archive, "previous archive");
    }

    PathOverride path;
    path.addScript(program, script);
    const bool ok = format.isEmpty() ? handler.extractArchive(archive, work.filePath("dest"), QString())
                                     : handler.compressFiles(format, inputs, archive, QString());
    QVERIFY(!ok);
    if (expectedError.endsWith('*'))
        QVERIFY2(handler.lastError().startsWith(expectedError.chopped(1)), qPrintable(handler.lastError()));
    else
        QCOMPARE(handler.lastError(), expectedError);
    if (!format.isEmpty()) {
        QCOMPARE(readFile(archive), QByteArray("previous archive"));
        QCOMPARE(treeListing(work.filePath("out")), QStringList{archiveName});
    }
}

void TestExternal::missingProgram_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("missing");

    QTest::newRow("7z") << QStringList{"tar"} << "7Z"
                        << "a.7z"
                        << "7z";
}

void TestExternal::missingProgram()
{
    QFETCH(QStringList, present);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, missing);

    QTemporaryDir work;
    writeFile(work.filePath("in.txt"), "x");
    const QString archive = work.filePath(archiveName);
    if (format.isEmpty())
        writeFile(archive, "not looked at");

    PathOverride path(false);
    for (const QString &program : present)
        path.linkRealProgram(program);
    CompressionHandler handler;
    const bool ok = format.isEmpty()
                        ? handler.extractArchive(archive, work.filePath("dest"), QString())
                        : handler.compressFiles(format, {work.filePath("in.txt")}, archive, QString());
    QVERIFY(!ok);
    QCOMPARE(handler.lastError(),
             QString("启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。").arg(missing));
    if (!format.isEmpty())
        QVERIFY(!QFile::exists(archive));
}

void TestExternal::cancelStopsHangingProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("7z creating") << "7z"
                                 << "7Z"
                                 << "a.7z";
    QTest::newRow("7z extracting") << "7z"
                                   << ""
                                   << "a.7z";
}

void TestExternal::cancelStopsHangingProgram()
{
    QFETCH(QString, program);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);

    QTemporaryDir work;
    writeFile(work.filePath("in.txt"), "x");
    const QString archive = work.filePath("out/" + archiveName);
    writeFile(archive, "previous");
    const QString pidFile = work.filePath("pid");

    // It ignores the polite request, so only the kill that follows ends it.
    PathOverride path;
    path.addScript(program, QString("echo $$ > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n"
                                    "trap '' TERM\n"
                                    "while :; do /bin/sleep 0.2; done")
                                .arg(pidFile)
                                .toUtf8());

    CompressionHandler handler;
    bool ok = true;
    std::unique_ptr<QThread> operation(QThread::create([&] {
        ok = format.isEmpty() ? handler.extractArchive(archive, work.filePath("dest"), QString())
                              : handler.compressFiles(format, {work.filePath("in.txt")}, archive, QString());
    }));
    operation->start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pidFile), 20000);
    QVERIFY(!operation->wait(300)); // still waiting for the hanging program
    handler.cancel();
    QVERIFY(operation->wait(60000));

    QVERIFY(!ok);
    QCOMPARE(handler.lastError(), QString("操作已取消"));
    QVERIFY(processGone(readFile(pidFile).trimmed().toLongLong()));
    QCOMPARE(readFile(archive), QByteArray("previous"));
    QCOMPARE(treeListing(work.filePath("out")), QStringList{archiveName});
}

void TestExternal::hostile7z_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("unpacks");

    QTest::newRow("absolute name") << "absolute" << true;
    QTest::newRow("dot-dot name") << "dotdot" << true;
    QTest::newRow("file through absolute symlink") << "symlink" << false;
    QTest::newRow("file through relative symlink") << "relative" << false;
}

void TestExternal::hostile7z()
{
    QFETCH(QString, kind);
    QFETCH(bool, unpacks);

    QTemporaryDir work;
    const QString outside = work.filePath("outside");
    const QString victim = work.filePath("victim");
    QVERIFY(QDir().mkpath(outside));
    writeFile(victim, "original");
    const QString archive = work.filePath("hostile.7z");
    const QString stage = work.filePath("stage");

    // 7z itself writes the names: full paths with -spf, a symlink kept as a link with -snl, and a
    // second run adds a file under the link's name.
    if (kind == "absolute") {
        writeFile(stage + "/abs.txt", "evil");
        QCOMPARE(runTool("7z", {"a", "-spf", archive, stage + "/abs.txt"}).exitCode, 0);
    } else if (kind == "dotdot") {
        writeFile(stage + "/a/b/placeholder", "");
        writeFile(stage + "/escape.txt", "evil");
        QCOMPARE(runTool("7z", {"a", "-spf", archive, "../../escape.txt"}, stage + "/a/b").exitCode, 0);
    } else {
        QVERIFY(QDir().mkpath(stage + "/links"));
        QVERIFY(QFile::link(kind == "symlink" ? outside : "../outside", stage + "/links/link"));
        writeFile(stage + "/files/link/evil.txt", "evil");
        QCOMPARE(runTool("7z", {"a", "-snl", archive, "link"}, stage + "/links").exitCode, 0);
        QCOMPARE(runTool("7z", {"a", archive, "link/evil.txt"}, stage + "/files").exitCode, 0);
    }
    const QString storedName = kind == "absolute" ? stage + "/abs.txt"
                               : kind == "dotdot" ? "../../escape.txt"
                                                  : "link/evil.txt";
    QVERIFY(runTool("7z", {"l", "-slt", archive}).output.contains("Path = " + storedName.toUtf8() + '\n'));
    QVERIFY(QDir(stage).removeRecursively());
    const QStringList before = treeListing(work.path());

    CompressionHandler handler;
    const QString destination = work.filePath("dest");
    const bool ok = handler.extractArchive(archive, destination, QString());
    QCOMPARE(ok, unpacks);
    if (!ok)
        QVERIFY2(handler.lastError().startsWith("7z 进程失败: "), qPrintable(handler.lastError()));
    if (kind == "dotdot")
        QCOMPARE(readFile(destination + "/escape.txt"), QByteArray("evil"));

    QCOMPARE(treeListing(outside), QStringList());
    QCOMPARE(readFile(victim), QByteArray("original"));
    QStringList after = treeListing(work.path());
    after.erase(
        std::remove_if(after.begin(), after.end(), [](const QString &e) { return e.startsWith("dest/"); }),
        after.end());
    QCOMPARE(after, before);
}

QTEST_GUILESS_MAIN(TestExternal)
#include "tst_external.moc"
