// Faults users meet, in every format: a destination on a full file system, an input that cannot be
// read, an input that vanished after it was selected, archives cut short, passwords outside ASCII and
// names Windows would not allow. A failure must be reported as one, and nothing half-written may be
// left looking whole.

#include "compressionhandler.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

struct Format {
    const char *name;   // as compressFiles takes it
    const char *suffix; // of the archive file
};

const Format formats[] = {{"ZIP", "zip"},     {"TAR", "tar"},       {"7Z", "7z"},
                          {"GZIP", "tar.gz"}, {"BZIP2", "tar.bz2"}, {"XZ", "tar.xz"}};

void addFormatColumns()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
}

void addFormatRows()
{
    for (const Format &format : formats)
        QTest::newRow(format.suffix) << QString(format.name) << QString(format.suffix);
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Relative path -> content of every regular file ("<folder>" for folders) below root.
QMap<QString, QByteArray> readTree(const QString &root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (it.fileInfo().isDir())
            tree.insert(QDir(root).relativeFilePath(path), "<folder>");
        else if (file.open(QIODevice::ReadOnly))
            tree.insert(QDir(root).relativeFilePath(path), file.readAll());
    }
    return tree;
}

// A tmpfs of the given size mounted for the lifetime of the object; needs root with mount permission.
class SmallFileSystem
{
public:
    SmallFileSystem(const QString &path, const char *size) : mountPoint(path)
    {
        QDir().mkpath(path);
        const QByteArray options = QByteArray("size=") + size;
        if (::mount("kelvane-test", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) ==
            0)
            mounted = true;
        else
            failure = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallFileSystem()
    {
        if (mounted)
            ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
    }
    bool isMounted() const { return mounted; }
    QString error() const { return failure; }

private:
    QString mountPoint;
    bool mounted = false;
    QString failure;
};

// Root reads every file whatever its mode, so to meet an unreadable file the test drops to the
// "nobody" user while the engine runs, and back afterwards (the saved user id stays root). Child
// processes started meanwhile (tar, 7z) run as nobody too.
class RunAsNobody
{
public:
    static constexpr uid_t nobody = 65534;
    RunAsNobody()
    {
        if (::geteuid() != 0)
            return;
        active = ::setresgid(nobody, nobody, 0) == 0 && ::setresuid(nobody, nobody, 0) == 0;
    }
    ~RunAsNobody()
    {
        if (::getuid() == nobody) {
            if (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0)
                qFatal("cannot return to root after running as nobody");
        }
    }
    bool dropped() const { return active; }

private:
    bool active = false;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void compressOntoFullFileSystem_data() { addFormatColumns(), addFormatRows(); }
    void compressOntoFullFileSystem();
    void zipOntoFullFileSystemKeepsExistingArchive();
    void extractOntoFullFileSystem_data() { addFormatColumns(), addFormatRows(); }
    void extractOntoFullFileSystem();

    void unreadableInput_data() { addFormatColumns(), addFormatRows(); }
    void unreadableInput();
    void vanishedInput_data();
    void vanishedInput();

    void truncatedArchive_data();
    void truncatedArchive();

    void nonAsciiPassword_data();
    void nonAsciiPassword();

    void windowsInvalidNames_data() { addFormatColumns(), addFormatRows(); }
    void windowsInvalidNames();

private:
    QTemporaryDir workspace;
    QString payload; // a folder of three files, the middle one large and incompressible
    QMap<QString, QByteArray> payloadTree;
    QMap<QString, QString> wholeArchives; // suffix -> archive of the payload made by the engine

    QString wholeArchive(const QString &format, const QString &suffix, QString *error);
};

void TestFaults::initTestCase()
{
    QVERIFY(workspace.isValid());
    payload = workspace.filePath("payload");
    QVERIFY(QDir().mkpath(payload));
    QVERIFY(writeFile(payload + "/a_small.txt", "small file before the large one\n"));
    QVERIFY(writeFile(payload + "/b_large.bin", randomBytes(3 * 1024 * 1024)));
    QVERIFY(writeFile(payload + "/c_after.txt", "small file after the large one\n"));
    payloadTree = readTree(workspace.filePath("."));
    payloadTree.remove("archives");

    QVERIFY(QDir().mkpath(workspace.filePath("archives")));
}

// The payload packed by the engine itself, made once per format. It must extract completely; only
// then do the cut copies and the full-disk runs mean anything.
QString TestFaults::wholeArchive(const QString &format, const QString &suffix, QString *error)
{
    if (wholeArchives.contains(suffix))
        return wholeArchives.value(suffix);
    const QString archive = workspace.filePath("archives/whole." + suffix);
    CompressionHandler handler;
    QTemporaryDir check;
    if (!handler.compressFiles(format, {payload}, archive, QString()) ||
        !handler.extractArchive(archive, check.path(), QString())) {
        *error = handler.lastError();
        return QString();
    }
    if (readTree(check.path()) != payloadTree) {
        *error = "the whole archive does not extract to the payload";
        return QString();
    }
    wholeArchives.insert(suffix, archive);
    return archive;
}

void TestFaults::compressOntoFullFileSystem()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);

    QTemporaryDir dir;
    SmallFileSystem full(dir.filePath("full"), "1m");
    if (!full.isMounted())
        QSKIP(qPrintable("cannot mount a 1 MiB tmpfs (needs root with mount permission): " + full.error()));

    const QString archive = dir.filePath("full/archive." + suffix);
    CompressionHandler handler;
    QVERIFY(!handler.compressFiles(format, {payload}, archive, QString()));
    QVERIFY(!handler.lastError().isEmpty());
    QCOMPARE(handler.lastResult().code, ResultCode::DiskFull);
    QVERIFY2(!QFileInfo::exists(archive), "a partial archive was left at the chosen path");
    QCOMPARE(QDir(dir.filePath("full")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestFaults::zipOntoFullFileSystemKeepsExistingArchive()
{
    QTemporaryDir dir;
    SmallFileSystem full(dir.filePath("full"), "1m");
    if (!full.isMounted())
        QSKIP(qPrintable("cannot mount a 1 MiB tmpfs (needs root with mount permission): " + full.error()));

    const QString archive = dir.filePath("full/archive.zip");
    QVERIFY(writeFile(archive, "an archive the user already had"));
    CompressionHandler handler;
    QVERIFY(!handler.compressFiles("ZIP", {payload}, archive, QString()));
    QFile kept(archive);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("an archive the user already had"));
}

void TestFaults::extractOntoFullFileSystem()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QString error;
    const QString archive = wholeArchive(format, suffix, &error);
    QVERIFY2(!archive.isEmpty(), qPrintable(error));

    QTemporaryDir dir;
    SmallFileSystem full(dir.filePath("full"), "1m");
    if (!full.isMounted())
        QSKIP(qPrintable("cannot mount a 1 MiB tmpfs (needs root with mount permission): " + full.error()));

    const QString destination = dir.filePath("full/destination");
    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, destination, QString()));
    QVERIFY(!handler.lastError().isEmpty());
    // Whatever stays behind must be whole: a file under its own name holds all of its content.
    const QMap<QString, QByteArray> left = readTree(destination);
    for (auto it = left.cbegin(); it != left.cend(); ++it) {
        QVERIFY2(payloadTree.contains(it.key()), qPrintable("unexpected file " + it.key()));
        QVERIFY2(payloadTree.value(it.key()) == it.value(),
                 qPrintable(QString("%1 is left with %2 of %3 bytes")
                                .arg(it.key())
                                .arg(it.value().size())
                                .arg(payloadTree.value(it.key()).size())));
    }
}

void TestFaults::unreadableInput()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);

    QTemporaryDir dir;
    // While the engine runs as nobody it must be able to create the archive here.
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    const QString readable = dir.filePath("readable.txt");
    const QString secret = dir.filePath("secret.txt");
    QVERIFY(writeFile(readable, "anyone may read this"));
    QVERIFY(writeFile(secret, "nobody may read this"));
    QVERIFY(QFile::setPermissions(secret, QFileDevice::Permissions()));
    const QString archive = dir.filePath("archive." + suffix);

    CompressionHandler handler;
    bool compressed = false;
    {
        RunAsNobody nobody;
        if (::geteuid() == 0)
            QSKIP("running as root and cannot switch to the nobody user, so every file is readable");
        compressed = handler.compressFiles(format, {readable, secret}, archive, QString());
    }
    QVERIFY(!compressed);
    QVERIFY2(handler.lastError().contains("secret.txt"), qPrintable(handler.lastError()));
    QVERIFY2(!QFileInfo::exists(archive), "an archive without the unreadable file was left behind");
}

void TestFaults::vanishedInput_data()
{
    addFormatColumns();
    QTest::addColumn<bool>("alone");
    for (const Format &format : formats) {
        QTest::addRow("%s, beside another file", format.suffix)
            << QString(format.name) << QString(format.suffix) << false;
        QTest::addRow("%s, the only file", format.suffix)
            << QString(format.name) << QString(format.suffix) << true;
    }
}

void TestFaults::vanishedInput()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(bool, alone);

    QTemporaryDir dir;
    const QString present = dir.filePath("present.txt");
    const QString vanished = dir.filePath("vanished.txt");
    QVERIFY(writeFile(present, "still here"));
    QVERIFY(writeFile(vanished, "selected, then deleted"));
    const QStringList selection = alone ? QStringList{vanished} : QStringList{present, vanished};
    QVERIFY(QFile::remove(vanished));

    const QString archive = dir.filePath("archive." + suffix);
    CompressionHandler handler;
    QVERIFY(!handler.compressFiles(format, selection, archive, QString()));
    QVERIFY2(handler.lastError().contains("vanished.txt"), qPrintable(handler.lastError()));
    QVERIFY2(!QFileInfo::exists(archive), "an archive without the vanished file was left behind");
}

void TestFaults::truncatedArchive_data()
{
    addFormatColumns();
    QTest::addColumn<int>("percent");
    for (const Format &format : formats) {
        for (int percent = 0; percent < 100; percent += 10)
            QTest::addRow("%s cut at %d%%", format.suffix, percent)
                << QString(format.name) << QString(format.suffix) << percent;
    }
    // An archive cut right after a member reads as one written without its end marker, which tar
    // accepts; cut inside the next member it is incomplete.
    QTest::newRow("tar cut inside its second member") << "TAR"
                                                      << "tar" << -1;
}

void TestFaults::truncatedArchive()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(int, percent);
    QString error;
    const QString archive = wholeArchive(format, suffix, &error);
    QVERIFY2(!archive.isEmpty(), qPrintable(error));

    QFile whole(archive);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QTemporaryDir dir;
    const QString cut = dir.filePath("cut." + suffix);
    // The folder's header, the next member's header, and the start of that member's first block.
    constexpr qsizetype insideSecondMember = 2 * 512 + 100;
    QVERIFY(writeFile(cut, bytes.left(percent < 0 ? insideSecondMember : bytes.size() * percent / 100)));

    const QString destination = dir.filePath("destination");
    CompressionHandler handler;
    const bool extracted = handler.extractArchive(cut, destination, QString());
    QVERIFY2(!extracted, qPrintable(QString("reported success, extracting %1 of %2 files")
                                        .arg(readTree(destination).size())
                                        .arg(payloadTree.size())));
    QVERIFY(!handler.lastError().isEmpty());
}

void TestFaults::nonAsciiPassword_data()
{
    addFormatColumns();
    QTest::newRow("zip") << "ZIP"
                         << "zip";
    QTest::newRow("7z") << "7Z"
                        << "7z";
}

void TestFaults::nonAsciiPassword()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    const QString password = QString::fromUtf8("密码 Пароль ü✓");

    QTemporaryDir dir;
    const QString archive = dir.filePath("secret." + suffix);
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles(format, {payload + "/a_small.txt"}, archive, password),
             qPrintable(handler.lastError()));

    // An independent reader must agree on what the password is.
    const auto test7z = [&archive](const QString &candidate) {
        QProcess sevenZip;
        sevenZip.start("7z", {"t", "-p" + candidate, archive});
        sevenZip.closeWriteChannel();
        return sevenZip.waitForFinished(60000) && sevenZip.exitStatus() == QProcess::NormalExit &&
               sevenZip.exitCode() == 0;
    };
    QVERIFY(test7z(password));
    QVERIFY(!test7z(QString::fromUtf8("密码")));

    QVERIFY(!handler.extractArchive(archive, dir.filePath("wrong"), QString::fromUtf8("密码 Пароль u✓")));
    QVERIFY(!QFileInfo::exists(dir.filePath("wrong/a_small.txt")));

    QVERIFY2(handler.extractArchive(archive, dir.filePath("right"), password),
             qPrintable(handler.lastError()));
    QFile extracted(dir.filePath("right/a_small.txt"));
    QVERIFY(extracted.open(QIODevice::ReadOnly));
    QCOMPARE(extracted.readAll(), payloadTree.value("payload/a_small.txt"));
}

void TestFaults::windowsInvalidNames()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);

    QTemporaryDir dir;
    const QString source = dir.filePath("source");
    QVERIFY(QDir().mkpath(source + "/dir:x?"));
    const QStringList selected{"notes:v2.txt", "star*.txt", "what?.txt", "dir:x?"};
    for (const char *name : {"notes:v2.txt", "star*.txt", "what?.txt", "dir:x?/in*side.txt"})
        QVERIFY(writeFile(source + '/' + name, name));
    // Unselected files that a wildcard reading of the names above would also match.
    for (const char *name : {"star-decoy.txt", "whatX.txt"})
        QVERIFY(writeFile(source + '/' + name, "not selected"));

    QStringList files;
    for (const QString &name : selected)
        files.append(source + '/' + name);
    const QString archive = dir.filePath("names." + suffix);
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles(format, files, archive, QString()), qPrintable(handler.lastError()));
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));

    const QMap<QString, QByteArray> expected{{"notes:v2.txt", "notes:v2.txt"},
                                             {"star*.txt", "star*.txt"},
                                             {"what?.txt", "what?.txt"},
                                             {"dir:x?", "<folder>"},
                                             {"dir:x?/in*side.txt", "dir:x?/in*side.txt"}};
    QCOMPARE(readTree(dir.filePath("out")), expected);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
