#include "compressionhandler.h"
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

// One ustar header plus contents, so the tests can write entries no honest tool would.
QByteArray tarEntry(const QByteArray &name, char type, const QByteArray &linkName = {},
                    const QByteArray &data = {})
{
    QByteArray header(512, '\0');
    const auto put = [&header](int offset, const QByteArray &field) {
        std::copy(field.begin(), field.end(), header.begin() + offset);
    };
    const auto octal = [](qint64 value, int width) {
        return QByteArray::number(value, 8).rightJustified(width - 1, '0');
    };
    put(0, name.left(100));
    put(100, octal(0644, 8));
    put(108, octal(0, 8));
    put(116, octal(0, 8));
    put(124, octal(data.size(), 12));
    put(136, octal(1700000000, 12));
    put(148, QByteArray(8, ' '));
    header[156] = type;
    put(157, linkName.left(100));
    put(257, QByteArray("ustar\0"
                        "00",
                        8));
    int sum = 0;
    for (char c : header)
        sum += static_cast<unsigned char>(c);
    put(148, octal(sum, 7) + QByteArray(1, '\0'));
    QByteArray padded = data;
    padded.append(QByteArray((512 - data.size() % 512) % 512, '\0'));
    return header + padded;
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
    void tarCreateCommands_data();
    void tarCreateCommands();
    void commandLines_data();
    void commandLines();

    void roundTrip_data();
    void roundTrip();
    void manyItemsOfOneFolder_data();
    void manyItemsOfOneFolder();
    void paddingAfterTarEnd();

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
    void cancelLargeCompressedTarLeavesNothing();

    void hostileTar_data();
    void hostileTar();
    void chattyTarDoesNotStall();
};

void TestExternal::tarCreateCommands_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("excludedName");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("workingDirectory");
    QTest::addColumn<QByteArray>("standardInput");

    const QStringList namesOnInput{"-cf", "-", "--null", "-T", "-"};
    QTest::newRow("items of several folders, each under its parent")
        << QStringList{"/home/u/Desktop/photos", "/srv/data/notes.txt"} << QString()
        << QStringList{"-cf", "-", "-C", "/home/u/Desktop", "photos", "-C", "/srv/data", "notes.txt"}
        << QString() << QByteArray();
    QTest::newRow("option-like name among several folders")
        << QStringList{"/tmp/--remove-files", "/srv/a"} << QString()
        << QStringList{"-cf", "-", "-C", "/tmp", "./--remove-files", "-C", "/srv", "a"} << QString()
        << QByteArray();
    QTest::newRow("one folder's items named on input")
        << QStringList{"/home/u/photos", "/home/u/notes.txt"} << QString() << namesOnInput << "/home/u"
        << QByteArrayLiteral("photos\0notes.txt\0");
    QTest::newRow("folder the archive is written in left out")
        << QStringList{"/home/u/photos"} << ".kelvane-Ab12Cd"
        << QStringList{"-cf", "-", "--exclude=.kelvane-Ab12Cd", "--null", "-T", "-"} << "/home/u"
        << QByteArrayLiteral("photos\0");
    QTest::newRow("trailing slash and dot segments")
        << QStringList{"/home/u/photos/", "/home/u/x/../y"} << QString() << namesOnInput << "/home/u"
        << QByteArrayLiteral("photos\0y\0");
    QTest::newRow("names on input taken as they stand")
        << QStringList{"/tmp/--remove-files", "/tmp/line\nbreak", "/tmp/back\\slash 中"} << QString()
        << namesOnInput << "/tmp"
        << QByteArrayLiteral("--remove-files\0line\nbreak\0back\\slash \xe4\xb8\xad\0");
    QTest::newRow("root folder") << QStringList{"/"} << QString() << namesOnInput << "/"
                                 << QByteArrayLiteral(".\0");
    QTest::newRow("relative input made absolute") << QStringList{"photos"} << QString() << namesOnInput
                                                  << QDir::currentPath() << QByteArrayLiteral("photos\0");
}

void TestExternal::tarCreateCommands()
{
    QFETCH(QStringList, files);
    QFETCH(QString, excludedName);
    QFETCH(QStringList, arguments);
    QFETCH(QString, workingDirectory);
    QFETCH(QByteArray, standardInput);

    const ToolCommands::TarCreateCommand command = ToolCommands::tarCreateCommand(files, excludedName);
    QCOMPARE(command.arguments, arguments);
    QCOMPARE(command.workingDirectory, workingDirectory);
    QCOMPARE(command.standardInput, standardInput);
}

void TestExternal::commandLines_data()
{
    QTest::addColumn<QStringList>("built");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("tar extract")
        << ToolCommands::tarExtractArguments("/home/u/out")
        << QStringList{"-xf", "-", "-C", "/home/u/out", "--no-same-owner", "--no-same-permissions"};
    QTest::newRow("gzip") << ToolCommands::compressorArguments("gzip") << QStringList{"-c"};
    QTest::newRow("bzip2") << ToolCommands::compressorArguments("bzip2") << QStringList{"-c"};
    QTest::newRow("xz on every core") << ToolCommands::compressorArguments("xz") << QStringList{"-T0", "-c"};
    QTest::newRow("decompressor") << ToolCommands::decompressorArguments() << QStringList{"-d", "-c"};
}

void TestExternal::commandLines()
{
    QFETCH(QStringList, built);
    QFETCH(QStringList, expected);
    QCOMPARE(built, expected);
}

void TestExternal::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("password");

    QTest::newRow("tar") << "TAR"
                         << "set.tar"
                         << "";
    QTest::newRow("tar.gz") << "GZIP"
                            << "set.tar.gz"
                            << "";
    QTest::newRow("tgz") << "GZIP"
                         << "set.tgz"
                         << "";
    QTest::newRow("tar.bz2") << "BZIP2"
                             << "set.tar.bz2"
                             << "";
    QTest::newRow("tbz2") << "BZIP2"
                          << "set.tbz2"
                          << "";
    QTest::newRow("tar.xz") << "XZ"
                            << "set.tar.xz"
                            << "";
    QTest::newRow("txz") << "XZ"
                         << "set.txz"
                         << "";
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
    // tar's stream passes the inputs in order; the names follow the bytes handed on.
    QStringList names;
    for (const QList<QVariant> &signal : currentFiles)
        names << signal.at(0).toString();
    QCOMPARE(names, inputs);
    // Nothing but the archive is left next to it.
    QCOMPARE(treeListing(work.filePath("out")), QStringList{archiveName});

    // An independent reader sees the items under their own names, not under their absolute paths.
    QStringList listed;
    const ToolRun list = runTool("bsdtar", {"-tf", archive});
    QCOMPARE(list.exitCode, 0);
    listed = QString::fromUtf8(list.output).split('\n', Qt::SkipEmptyParts);
    listed.sort();
    QCOMPARE(listed, expected);

    // Unpacking into a folder that does not exist yet creates it with its parents.
    const QString destination = work.filePath("unpacked/new/deeper");
    ProgressLog extracted(handler);
    QVERIFY2(handler.extractArchive(archive, destination, password), qPrintable(handler.lastError()));
    QCOMPARE(extracted.values.last(), 100);
    QVERIFY2(extracted.strictlyRising(), qPrintable(QDebug::toString(extracted.values)));
    // Measured, not paced: the streams are long enough to show steps on the way.
    QVERIFY2(created.between() >= 2, qPrintable(QDebug::toString(created.values)));
    QVERIFY2(extracted.between() >= 2, qPrintable(QDebug::toString(extracted.values)));

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

void TestExternal::manyItemsOfOneFolder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("tar") << "TAR"
                         << "many.tar";
    QTest::newRow("tar.gz") << "GZIP"
                            << "many.tar.gz";
}

// A whole large folder selected item by item: on a command line the names would pass the system's
// limit, and tar would not even start.
void TestExternal::manyItemsOfOneFolder()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);

    QTemporaryDir work;
    const QString folder = work.filePath("selected");
    QVERIFY(QDir().mkpath(folder));
    QStringList inputs;
    const QString padding(200, QLatin1Char('n'));
    for (int i = 0; i < 11000; ++i) {
        const QString path = folder + QStringLiteral("/%1-%2").arg(i).arg(padding);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        inputs << path;
    }
    for (const QString name : {"-x", "line\nbreak", "back\\slash", "中文 名"}) {
        writeFile(folder + "/" + name, name.toUtf8());
        inputs << folder + "/" + name;
    }
    QVERIFY(QDir().mkpath(folder + "/empty"));
    inputs << folder + "/empty";

    const QString archive = work.filePath(archiveName);
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles(format, inputs, archive, QString()), qPrintable(handler.lastError()));
    QCOMPARE(runTool("bsdtar", {"-tf", archive}).exitCode, 0);

    const QString destination = work.filePath("unpacked");
    QVERIFY2(handler.extractArchive(archive, destination, QString()), qPrintable(handler.lastError()));
    QCOMPARE(treeListing(destination), treeListing(folder));
    QCOMPARE(readFile(destination + "/line\nbreak"), QByteArray("line\nbreak"));
    QCOMPARE(readFile(destination + "/-x"), QByteArray("-x"));
}

void TestExternal::paddingAfterTarEnd()
{
    // tar stops reading at the end-of-archive blocks; the megabytes gzip still has to write after
    // them must not turn a complete extraction into a failure.
    QTemporaryDir work;
    writeFile(work.filePath("padded.tar"),
              tarEntry("kept.txt", '0', {}, "kept") + QByteArray(1024, '\0') + randomBytes(4 * 1024 * 1024));
    const QString archive = work.filePath("padded.tar.gz");
    QCOMPARE(runTool("gzip", {"-c", work.filePath("padded.tar")}, {}, archive).exitCode, 0);

    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, work.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(treeListing(work.filePath("out")), QStringList{"kept.txt"});
    QCOMPARE(readFile(work.filePath("out/kept.txt")), QByteArray("kept"));
}

void TestExternal::archiveInsideSelectedFolder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("tar") << "TAR"
                         << "inner.tar";
    QTest::newRow("tar.gz") << "GZIP"
                            << "inner.tar.gz";
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

    QTest::newRow("tar, missing input") << "TAR"
                                        << "a.tar"
                                        << "tar"
                                        << "Cannot stat";
    QTest::newRow("xz, missing input") << "XZ"
                                       << "a.tar.xz"
                                       << "tar"
                                       << "Cannot stat";
    QTest::newRow("not gzip data") << ""
                                   << "broken.tar.gz"
                                   << "gzip"
                                   << "not in gzip format";
    QTest::newRow("truncated xz") << ""
                                  << "broken.tar.xz"
                                  << "xz"
                                  << "Unexpected end of input";
    QTest::newRow("not a tar") << ""
                               << "broken.tar"
                               << "tar"
                               << "does not look like a tar archive";
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
        // Random bytes, or a real .tar.xz cut in half.
        writeFile(archive, randomBytes(4096));
        if (archiveName.endsWith(".xz")) {
            QVERIFY(handler.compressFiles("XZ", {work.filePath("in")}, archive, QString()));
            writeFile(archive, readFile(archive).left(QFileInfo(archive).size() / 2));
        }
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
    QTest::newRow("tar fails creating") << "tar" << fails << "TAR"
                                        << "a.tar"
                                        << "tar 进程失败: disk on fire";
    QTest::newRow("tar crashes creating") << "tar" << crashes << "GZIP"
                                          << "a.tar.gz"
                                          << "tar 进程失败: about to crash";
    QTest::newRow("gzip fails creating") << "gzip" << fails << "GZIP"
                                         << "a.tgz"
                                         << "gzip 进程失败: disk on fire";
    QTest::newRow("xz crashes creating") << "xz" << crashes << "XZ"
                                         << "a.tar.xz"
                                         << "xz 进程失败: about to crash";
    QTest::newRow("tar fails extracting") << "tar" << fails << ""
                                          << "a.tar"
                                          << "tar 进程失败: disk on fire";
    QTest::newRow("bzip2 crashes extracting") << "bzip2" << crashes << ""
                                              << "a.tar.bz2"
                                              << "bzip2 进程失败: about to crash";
    QTest::newRow("tar fails, xz behind it loses its pipe") << "tar" << fails << ""
                                                            << "a.txz"
                                                            << "tar 进程失败: disk on fire";
    QTest::newRow("tar crashes after xz") << "tar" << crashes << ""
                                          << "a.txz"
                                          << "tar 进程失败: about to crash";
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
        const QString formatOf = archiveName.endsWith("tar")   ? "TAR"
                                 : archiveName.endsWith("bz2") ? "BZIP2"
                                                               : "XZ";
        QVERIFY(QDir().mkpath(work.filePath("out")));
        QVERIFY2(handler.compressFiles(formatOf, inputs, archive, QString()),
                 qPrintable(handler.lastError()));
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

    QTest::newRow("tar") << QStringList{"xz"} << "TAR"
                         << "a.tar"
                         << "tar";
    QTest::newRow("xz with tar present") << QStringList{"tar"} << "XZ"
                                         << "a.tar.xz"
                                         << "xz";
    QTest::newRow("bzip2 extracting") << QStringList{"tar"} << ""
                                      << "a.tar.bz2"
                                      << "bzip2";
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

    QTest::newRow("tar creating") << "tar"
                                  << "TAR"
                                  << "a.tar";
    QTest::newRow("gzip creating") << "gzip"
                                   << "GZIP"
                                   << "a.tar.gz";
    QTest::newRow("tar extracting") << "tar"
                                    << ""
                                    << "a.tar";
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

void TestExternal::cancelLargeCompressedTarLeavesNothing()
{
    QTemporaryDir work;
    for (int i = 0; i < 3; ++i)
        writeFile(work.filePath(QString("in/part%1.bin").arg(i)), randomBytes(8 * 1024 * 1024));
    const QString archive = work.filePath("out/big.tar.xz");
    writeFile(archive, "previous");

    CompressionHandler handler;
    ProgressLog progress(handler);
    const QMetaObject::Connection canceller = connect(
        &handler, &CompressionHandler::progressChanged, &handler,
        [&handler](int value) {
            if (value >= 10)
                handler.cancel();
        },
        Qt::DirectConnection);
    QVERIFY(!handler.compressFiles("XZ", {work.filePath("in")}, archive, QString()));
    QCOMPARE(handler.lastError(), QString("操作已取消"));
    QVERIFY(progress.values.last() < 100);
    QCOMPARE(readFile(archive), QByteArray("previous"));
    QCOMPARE(treeListing(work.filePath("out")), QStringList{"big.tar.xz"});

    // The same handler works normally afterwards.
    disconnect(canceller);
    QFile::remove(archive);
    QVERIFY2(handler.compressFiles("GZIP", {work.filePath("in/part0.bin")}, archive, QString()),
             qPrintable(handler.lastError()));
}

void TestExternal::hostileTar_data()
{
    // One entry per item: type flag, name, link target and contents separated by "|". "@OUT@" and
    // "@VICTIM@" stand for paths outside the destination.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("refusal"); // empty: the tool unpacks it, safely inside

    QTest::newRow("absolute name") << QStringList{"0|@OUT@/abs.txt||evil"} << "abs.tar"
                                   << "";
    QTest::newRow("dot-dot name") << QStringList{"0|../escape.txt||evil", "0|ok.txt||"} << "dotdot.tar"
                                  << "Member name contains '..'";
    const QStringList throughAbsoluteLink{"2|link|@OUT@|", "0|link/evil.txt||evil"};
    QTest::newRow("file through absolute symlink") << throughAbsoluteLink << "symlink.tar"
                                                   << "Not a directory";
    QTest::newRow("file through absolute symlink, gzip") << throughAbsoluteLink << "symlink.tar.gz"
                                                         << "Not a directory";
    QTest::newRow("file through relative symlink")
        << QStringList{"2|link|../outside|", "0|link/evil.txt||evil"} << "relative.tar"
        << "Not a directory";
    QTest::newRow("hard link to absolute path") << QStringList{"1|hl|@VICTIM@|", "0|hl||evil"} << "hard.tar"
                                                << "Cannot hard link";
    QTest::newRow("hard link with dot-dot") << QStringList{"1|hl|../victim|", "0|hl||evil"} << "hardrel.txz"
                                            << "Cannot hard link";
}

void TestExternal::hostileTar()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, archiveName);
    QFETCH(QString, refusal);

    QTemporaryDir work;
    const QString outside = work.filePath("outside");
    const QString victim = work.filePath("victim");
    QVERIFY(QDir().mkpath(outside));
    writeFile(victim, "original");
    QByteArray tar;
    for (QString entry : entries) {
        entry.replace("@OUT@", outside).replace("@VICTIM@", victim);
        const QStringList fields = entry.split('|');
        tar +=
            tarEntry(fields[1].toUtf8(), fields[0].at(0).toLatin1(), fields[2].toUtf8(), fields[3].toUtf8());
    }
    tar += QByteArray(1024, '\0');

    const QString archive = work.filePath(archiveName);
    if (archiveName.endsWith(".tar")) {
        writeFile(archive, tar);
    } else {
        writeFile(work.filePath("plain.tar"), tar);
        const QString compressor = archiveName.endsWith(".gz") ? "gzip" : "xz";
        QCOMPARE(runTool(compressor, {"-c", work.filePath("plain.tar")}, {}, archive).exitCode, 0);
    }
    const QStringList before = treeListing(work.path());

    CompressionHandler handler;
    const QString destination = work.filePath("dest");
    const bool ok = handler.extractArchive(archive, destination, QString());
    if (refusal.isEmpty()) {
        QVERIFY2(ok, qPrintable(handler.lastError()));
        QCOMPARE(readFile(destination + outside + "/abs.txt"), QByteArray("evil"));
    } else {
        QVERIFY(!ok);
        QVERIFY2(handler.lastError().startsWith("tar 进程失败: ") && handler.lastError().contains(refusal),
                 qPrintable(handler.lastError()));
    }
    // Nothing changed outside the destination.
    QCOMPARE(treeListing(outside), QStringList());
    QCOMPARE(readFile(victim), QByteArray("original"));
    QStringList after = treeListing(work.path());
    after.erase(
        std::remove_if(after.begin(), after.end(), [](const QString &e) { return e.startsWith("dest/"); }),
        after.end());
    QCOMPARE(after, before);
}

void TestExternal::chattyTarDoesNotStall()
{
    // Thousands of refused members make tar write far more than a pipe holds on standard error
    // while it is still reading; the pipeline must keep draining it to reach the end.
    QTemporaryDir work;
    QByteArray tar;
    for (int i = 0; i < 5000; ++i)
        tar += tarEntry("../escape" + QByteArray::number(i) + ".txt", '0', {}, "evil");
    writeFile(work.filePath("chatty.tar"), tar + QByteArray(1024, '\0'));
    const QString archive = work.filePath("chatty.tar.gz");
    QCOMPARE(runTool("gzip", {"-c", work.filePath("chatty.tar")}, {}, archive).exitCode, 0);

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, work.filePath("dest/inner"), QString()));
    QVERIFY2(handler.lastError().startsWith("tar 进程失败: ") &&
                 handler.lastError().contains("escape4999.txt"),
             qPrintable(handler.lastError().right(200)));
    QCOMPARE(treeListing(work.filePath("dest")), QStringList{"inner/"});
}

QTEST_GUILESS_MAIN(TestExternal)
#include "tst_external.moc"
