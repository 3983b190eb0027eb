#include "compressionhandler.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <zip.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include <zlib.h>

using Tree = QMap<QString, QByteArray>; // relative path -> content; folders end with "/"

namespace {

quint32 crc32Of(const QByteArray &data)
{
    return quint32(crc32(0L, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

void appendLe16(QByteArray *out, quint32 value)
{
    out->append(char(value & 0xFF));
    out->append(char((value >> 8) & 0xFF));
}

void appendLe32(QByteArray *out, quint32 value)
{
    appendLe16(out, value & 0xFFFF);
    appendLe16(out, value >> 16);
}

// One stored (uncompressed) entry of a hand-written archive, so a test controls every byte that
// matters: the raw name, the UTF-8 flag, extra fields, external attributes and the checksum.
struct RawEntry {
    QByteArray name;
    QByteArray data;
    quint16 flags = 0;
    QByteArray extra;
    quint32 unixMode = 0; // non-zero: made on Unix with these mode bits
    bool wrongCrc = false;
};

constexpr quint16 utf8Flag = 0x0800;

// Info-ZIP Unicode Path extra field: version 1, the CRC-32 of the stored name it replaces, UTF-8 name.
QByteArray unicodePathField(const QString &name, quint32 nameCrc)
{
    const QByteArray utf8 = name.toUtf8();
    QByteArray field;
    appendLe16(&field, 0x7075);
    appendLe16(&field, quint32(5 + utf8.size()));
    field.append(char(1));
    appendLe32(&field, nameCrc);
    field.append(utf8);
    return field;
}

bool writeRawZip(const QString &path, const QList<RawEntry> &entries)
{
    QByteArray archive;
    QByteArray central;
    for (const RawEntry &entry : entries) {
        const quint32 crc = crc32Of(entry.data) ^ (entry.wrongCrc ? 0x5A5A5A5Au : 0u);
        const quint32 offset = quint32(archive.size());
        appendLe32(&archive, 0x04034b50);
        appendLe16(&archive, 20);
        appendLe16(&archive, entry.flags);
        appendLe16(&archive, 0);      // stored
        appendLe16(&archive, 0);      // time
        appendLe16(&archive, 0x5021); // 2020-01-01
        appendLe32(&archive, crc);
        appendLe32(&archive, quint32(entry.data.size()));
        appendLe32(&archive, quint32(entry.data.size()));
        appendLe16(&archive, quint32(entry.name.size()));
        appendLe16(&archive, quint32(entry.extra.size()));
        archive.append(entry.name).append(entry.extra).append(entry.data);

        appendLe32(&central, 0x02014b50);
        appendLe16(&central, entry.unixMode ? (3u << 8 | 20) : 20);
        appendLe16(&central, 20);
        appendLe16(&central, entry.flags);
        appendLe16(&central, 0);
        appendLe16(&central, 0);
        appendLe16(&central, 0x5021);
        appendLe32(&central, crc);
        appendLe32(&central, quint32(entry.data.size()));
        appendLe32(&central, quint32(entry.data.size()));
        appendLe16(&central, quint32(entry.name.size()));
        appendLe16(&central, quint32(entry.extra.size()));
        appendLe16(&central, 0); // comment
        appendLe16(&central, 0); // disk
        appendLe16(&central, 0); // internal attributes
        appendLe32(&central, entry.unixMode << 16);
        appendLe32(&central, offset);
        central.append(entry.name).append(entry.extra);
    }
    const quint32 centralOffset = quint32(archive.size());
    archive.append(central);
    appendLe32(&archive, 0x06054b50);
    appendLe16(&archive, 0);
    appendLe16(&archive, 0);
    appendLe16(&archive, quint32(entries.size()));
    appendLe16(&archive, quint32(entries.size()));
    appendLe32(&archive, quint32(central.size()));
    appendLe32(&archive, centralOffset);
    appendLe16(&archive, 0);

    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size();
}

// Compressible but not trivial data, so deflate has real work and the bytes are checkable.
QByteArray sampleData(qsizetype size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 state = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = char('a' + (state >> 16) % 7);
    }
    return data;
}

bool buildTree(const QString &root, const Tree &tree)
{
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString path = root + QLatin1Char('/') + it.key();
        if (it.key().endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(path))
                return false;
            continue;
        }
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}

Tree snapshot(const QString &root)
{
    Tree tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            tree.insert(relative, "-> " + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            tree.insert(relative + QLatin1Char('/'), QByteArray());
        } else {
            QFile file(path);
            tree.insert(relative,
                        file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return tree;
}

QStringList topLevelPaths(const QString &root, const Tree &tree)
{
    QStringList paths;
    for (const QString &key : tree.keys()) {
        const QString top = root + QLatin1Char('/') + key.section(QLatin1Char('/'), 0, 0);
        if (!paths.contains(top))
            paths.append(top);
    }
    return paths;
}

QSet<QString> expectedEntryNames(const Tree &tree)
{
    QSet<QString> names;
    for (const QString &key : tree.keys()) {
        names.insert(key);
        const QStringList parts = key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (qsizetype depth = 1; depth < parts.size(); ++depth)
            names.insert(parts.mid(0, depth).join(QLatin1Char('/')) + QLatin1Char('/'));
    }
    return names;
}

struct ArchiveEntryInfo {
    QString name;
    quint16 encryption;
};

QList<ArchiveEntryInfo> listArchive(const QString &path)
{
    QList<ArchiveEntryInfo> entries;
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        entries.append({QString::fromUtf8(stat.name), stat.encryption_method});
    }
    zip_discard(archive);
    return entries;
}

struct ToolResult {
    int exitCode;
    QString output;
};

ToolResult runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return {-1, QStringLiteral("did not finish")};
    const QString output = QString::fromUtf8(process.readAll());
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, output};
}

QStringList folderContents(const QString &root)
{
    QStringList paths;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(root).relativeFilePath(it.next()));
    paths.sort();
    return paths;
}

QList<int> progressValues(const QSignalSpy &spy)
{
    QList<int> values;
    for (const QList<QVariant> &arguments : spy)
        values.append(arguments.at(0).toInt());
    return values;
}

// Values only move forward, stay within 0..100, and 100 comes once, at the very end.
bool isHonestProgress(const QList<int> &values)
{
    if (values.isEmpty() || values.last() != 100 || values.count(100) != 1)
        return false;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values.at(i) < 0 || (i > 0 && values.at(i) <= values.at(i - 1)))
            return false;
    }
    return true;
}

// Enough data for several writer batches and two reader threads, so both take their parallel
// paths; tiny and empty files, an empty folder and Chinese names ride along. Returns the entry
// names in the order the archive must list them: depth first, each folder's content by name.
QStringList buildParallelTree(const QString &root)
{
    Tree tree;
    QStringList order{"big/"};
    for (int folder = 0; folder < 3; ++folder) {
        const QString prefix = QStringLiteral("big/part%1/").arg(folder);
        order.append(prefix);
        if (folder == 2) {
            tree.insert(prefix + "empty.txt", "");
            order.append(prefix + "empty.txt");
        }
        for (int file = folder * 8; file < folder * 8 + 8; ++file) {
            const QString name = prefix + QStringLiteral("file%1.bin").arg(file, 2, 10, QLatin1Char('0'));
            tree.insert(name, sampleData(1500000, quint32(100 + file)));
            order.append(name);
        }
        if (folder == 1) {
            tree.insert(prefix + "tiny.txt", "x"); // AES stores no checksum for entries this small
            order.append(prefix + "tiny.txt");
        }
    }
    tree.insert("big/文件.txt", "中文");
    tree.insert("big/空/", {});
    order << "big/文件.txt"
          << "big/空/";
    return buildTree(root, tree) ? order : QStringList();
}

QStringList archiveOrder(const QString &archive)
{
    QStringList names;
    for (const ArchiveEntryInfo &entry : listArchive(archive))
        names.append(entry.name);
    return names;
}

// Every file that exists under out is whole: the same bytes as under src.
bool noPartialFiles(const QString &out, const QString &src, qsizetype *fileCount)
{
    const Tree written = snapshot(out);
    const Tree original = snapshot(src);
    *fileCount = 0;
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        if (it.key().endsWith(QLatin1Char('/')))
            continue;
        ++*fileCount;
        if (original.value(it.key()) != it.value())
            return false;
    }
    return true;
}

} // namespace

class TestZip : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void encryptsEveryFileEntry();
    void restoresTimesAndPermissions();
    void neverRestoresSpecialModeBits();
    void linksKeptWithoutDescending();
    void refusesUnsafeNames_data();
    void refusesUnsafeNames();
    void harmlessDotDotStaysInside();
    void decodesStoredNames_data();
    void decodesStoredNames();
    void corruptedEntryFailsAndRemovesPartialFile_data();
    void corruptedEntryFailsAndRemovesPartialFile();
    void failedWriteReported();
    void progressIsHonest();
    void cancelledWriteLeavesExistingArchive();
    void cancelledReadRemovesPartialFile();
    void failedWriteKeepsExistingArchive_data();
    void failedWriteKeepsExistingArchive();
    void notAZipArchive();
    void emptyArchive();
    void replacesExistingOutputFile();
    void packsFolderHoldingTheArchive();
    void parallelWriteKeepsOrderAndPassesReaders_data();
    void parallelWriteKeepsOrderAndPassesReaders();
    void parallelWriteCancelsCleanly();
    void parallelReadCancelsCleanly();
    void parallelReadReportsFirstFailure();
};

void TestZip::roundTrip_data()
{
    QTest::addColumn<Tree>("tree");
    QTest::addColumn<QString>("password");

    QTest::newRow("single file") << Tree{{"a.txt", "hello"}} << QString();
    QTest::newRow("empty file") << Tree{{"empty.bin", ""}, {"b.txt", "b"}} << QString();
    QTest::newRow("nested folders") << Tree{{"photos/2024/a.jpg", sampleData(300000, 1)},
                                            {"photos/2024/b.txt", "bee"},
                                            {"photos/readme.md", "# photos"},
                                            {"photos/empty/", {}},
                                            {"notes.txt", "top"}}
                                    << QString();
    QTest::newRow("empty folder alone") << Tree{{"nothing/", {}}} << QString();
    QTest::newRow("Chinese names") << Tree{{"文档/报告 2024.txt", "中文内容"},
                                           {"文档/空文件夹/", {}},
                                           {"数据.bin", sampleData(5000, 2)}}
                                   << QString();
    QTest::newRow("hidden files") << Tree{{"cfg/.hidden", "h"}, {".dotfolder/x", "x"}} << QString();
    QTest::newRow("encrypted tree") << Tree{{"secret/plan.txt", sampleData(70000, 3)},
                                            {"secret/empty.txt", ""},
                                            {"secret/内/文件.txt", "密"}}
                                    << QStringLiteral("s3cret pw");
}

void TestZip::roundTrip()
{
    QFETCH(Tree, tree);
    QFETCH(QString, password);

    QTemporaryDir dir;
    const QString source = dir.filePath("src");
    const QString archive = dir.filePath("out.zip");
    const QString destination = dir.filePath("dest");
    QVERIFY(buildTree(source, tree));

    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", topLevelPaths(source, tree), archive, password),
             qPrintable(handler.lastError()));
    QVERIFY(handler.lastError().isEmpty());

    QSet<QString> names;
    for (const ArchiveEntryInfo &entry : listArchive(archive))
        names.insert(entry.name);
    QCOMPARE(names, expectedEntryNames(tree));

    QVERIFY2(handler.extractArchive(archive, destination, password), qPrintable(handler.lastError()));
    QCOMPARE(snapshot(destination), snapshot(source));

    const QStringList passwordArgument =
        password.isEmpty() ? QStringList() : QStringList{QStringLiteral("-p") + password};
    const ToolResult sevenZip = runTool("7z", QStringList{"t", archive} + passwordArgument);
    QVERIFY2(sevenZip.exitCode == 0, qPrintable(sevenZip.output));
    if (password.isEmpty()) {
        // unzip cannot read AES entries; it checks the plain archives and their names.
        const ToolResult test = runTool("unzip", {"-t", archive});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolResult listing = runTool("unzip", {"-Z1", archive});
        const QStringList listed = listing.output.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(QSet<QString>(listed.begin(), listed.end()), expectedEntryNames(tree));
    }
}

void TestZip::encryptsEveryFileEntry()
{
    QTemporaryDir dir;
    const Tree tree{{"box/a.txt", "alpha"}, {"box/sub/b.bin", sampleData(20000, 4)}, {"box/empty/", {}}};
    QVERIFY(buildTree(dir.filePath("src"), tree));
    const QString archive = dir.filePath("locked.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/box")}, archive, "right"),
             qPrintable(handler.lastError()));

    for (const ArchiveEntryInfo &entry : listArchive(archive)) {
        const quint16 expected = entry.name.endsWith('/') ? ZIP_EM_NONE : ZIP_EM_AES_256;
        QCOMPARE(entry.encryption, expected);
    }

    const ToolResult wrong = runTool("7z", {"t", archive, "-pwrong"});
    QVERIFY2(wrong.exitCode != 0, qPrintable(wrong.output));
    const ToolResult right = runTool("7z", {"t", archive, "-pright"});
    QVERIFY2(right.exitCode == 0, qPrintable(right.output));

    for (const QString &password : {QStringLiteral("wrong"), QString()}) {
        const QString destination = dir.filePath("out-" + password);
        QVERIFY(!handler.extractArchive(archive, destination, password));
        QCOMPARE(handler.lastError(), QStringLiteral("打开压缩包中的文件失败: box/a.txt"));
        QVERIFY(!QFile::exists(destination + "/box/a.txt"));
    }
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), "right"), qPrintable(handler.lastError()));
    QCOMPARE(snapshot(dir.filePath("out")), snapshot(dir.filePath("src")));
}

void TestZip::restoresTimesAndPermissions()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"),
                      {{"kit/run.sh", "#!/bin/sh\n"}, {"kit/private.txt", "p"}, {"kit/docs/", {}}}));
    const QDateTime fileTime = QDateTime::fromSecsSinceEpoch(981173106);    // 2001-02-03
    const QDateTime folderTime = QDateTime::fromSecsSinceEpoch(1262304000); // 2010-01-01
    const QString script = dir.filePath("src/kit/run.sh");
    const QString secret = dir.filePath("src/kit/private.txt");
    QVERIFY(QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup));
    QVERIFY(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(dir.filePath("src/kit/docs"),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    for (const QString &path : {script, secret}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.setFileTime(fileTime, QFileDevice::FileModificationTime));
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(folderTime.toSecsSinceEpoch()), 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(dir.filePath("src/kit/docs")).constData(), times, 0), 0);

    const QString archive = dir.filePath("kit.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/kit")}, archive, QString()),
             qPrintable(handler.lastError()));
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));

    for (const QString &name :
         {QStringLiteral("kit/run.sh"), QStringLiteral("kit/private.txt"), QStringLiteral("kit/docs")}) {
        const QFileInfo original(dir.filePath("src/" + name));
        const QFileInfo restored(dir.filePath("out/" + name));
        QCOMPARE(restored.permissions(), original.permissions());
        // ZIP stores times in two-second steps.
        QVERIFY2(qAbs(restored.lastModified().secsTo(original.lastModified())) <= 1, qPrintable(name));
    }
}

void TestZip::neverRestoresSpecialModeBits()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("modes.zip");
    QVERIFY(writeRawZip(
        archive,
        {{"suid", "x", 0, {}, 0104755}, {"sgid", "y", 0, {}, 0102750}, {"sticky/", {}, 0, {}, 0041777}}));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    const auto modeOf = [&](const QString &name) {
        struct stat info;
        return ::stat(QFile::encodeName(dir.filePath("out/" + name)).constData(), &info) == 0
                   ? int(info.st_mode & 07777)
                   : -1;
    };
    QCOMPARE(modeOf("suid"), 0755);
    QCOMPARE(modeOf("sgid"), 0750);
    QCOMPARE(modeOf("sticky"), 0777);
}

void TestZip::linksKeptWithoutDescending()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"), {{"dir/real.txt", "real"}}));
    QVERIFY(QFile::link("..", dir.filePath("src/dir/loop")));
    QVERIFY(QFile::link("real.txt", dir.filePath("src/dir/alias.txt")));
    QVERIFY(QFile::link("missing.txt", dir.filePath("src/dir/dangling")));
    const QString archive = dir.filePath("links.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/dir")}, archive, QString()),
             qPrintable(handler.lastError()));

    QStringList names;
    for (const ArchiveEntryInfo &entry : listArchive(archive))
        names.append(entry.name);
    names.sort();
    QCOMPARE(names, (QStringList{"dir/", "dir/alias.txt", "dir/dangling", "dir/loop", "dir/real.txt"}));
    const ToolResult test = runTool("unzip", {"-t", archive});
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));

    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    const QFileInfo loop(dir.filePath("out/dir/loop"));
    QVERIFY(loop.isSymLink());
    QCOMPARE(loop.canonicalFilePath(), QFileInfo(dir.filePath("out")).canonicalFilePath());
    QCOMPARE(QFileInfo(dir.filePath("out/dir/dangling")).symLinkTarget(),
             dir.filePath("out/dir/missing.txt"));
    const QFileInfo alias(dir.filePath("out/dir/alias.txt"));
    QVERIFY(!alias.isSymLink());
    QFile aliasFile(alias.filePath());
    QVERIFY(aliasFile.open(QIODevice::ReadOnly));
    QCOMPARE(aliasFile.readAll(), QByteArray("real"));
}

void TestZip::refusesUnsafeNames_data()
{
    QTest::addColumn<QList<RawEntry>>("hostile");
    QTest::addColumn<QString>("reported");

    constexpr quint32 linkMode = 0120777;
    QTest::newRow("parent escape") << QList<RawEntry>{{"../evil.txt", "x"}} << "../evil.txt";
    QTest::newRow("nested escape") << QList<RawEntry>{{"a/../../evil.txt", "x"}} << "a/../../evil.txt";
    QTest::newRow("absolute") << QList<RawEntry>{{"/tmp/kelvane-evil.txt", "x"}} << "/tmp/kelvane-evil.txt";
    QTest::newRow("drive letter") << QList<RawEntry>{{"C:/evil.txt", "x"}} << "C:/evil.txt";
    QTest::newRow("drive relative") << QList<RawEntry>{{"c:evil.txt", "x"}} << "c:evil.txt";
    QTest::newRow("backslash escape") << QList<RawEntry>{{"..\\evil.txt", "x"}} << "..\\evil.txt";
    QTest::newRow("backslash nested")
        << QList<RawEntry>{{"a\\..\\..\\evil.txt", "x"}} << "a\\..\\..\\evil.txt";
    QTest::newRow("backslash root") << QList<RawEntry>{{"\\evil.txt", "x"}} << "\\evil.txt";
    QTest::newRow("escape as folder") << QList<RawEntry>{{"../evil/", {}}} << "../evil/";
    QTest::newRow("link out") << QList<RawEntry>{{"up", "../..", 0, {}, linkMode}} << "up";
    QTest::newRow("absolute link") << QList<RawEntry>{{"etc", "/etc", 0, {}, linkMode}} << "etc";
    QTest::newRow("link climbing midway")
        << QList<RawEntry>{{"sub/up", "x/../../..", 0, {}, linkMode}} << "sub/up";
    QTest::newRow("write through link")
        << QList<RawEntry>{{"inner", "sub", 0, {}, linkMode}, {"inner/evil.txt", "x"}} << "inner/evil.txt";
}

void TestZip::refusesUnsafeNames()
{
    QFETCH(QList<RawEntry>, hostile);
    QFETCH(QString, reported);

    QTemporaryDir dir;
    const QString archive = dir.filePath("hostile.zip");
    QVERIFY(writeRawZip(archive, QList<RawEntry>{{"first.txt", "harmless"}} + hostile));
    const QString destination = dir.filePath("a/b/dest");

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, destination, QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("压缩包中的路径不安全: %1").arg(reported));
    // Nothing at all was written, not even the harmless entry before the hostile one.
    QCOMPARE(folderContents(dir.path()), QStringList{"hostile.zip"});
    QVERIFY(!QFile::exists("/tmp/kelvane-evil.txt"));
}

void TestZip::harmlessDotDotStaysInside()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("dots.zip");
    QVERIFY(writeRawZip(archive, {{"a/../b.txt", "b"}, {"./c/./d.txt", "d"}, {"w\\x.txt", "x"}}));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(folderContents(dir.filePath("out")), (QStringList{"b.txt", "c", "c/d.txt", "w", "w/x.txt"}));
}

void TestZip::decodesStoredNames_data()
{
    QTest::addColumn<QByteArray>("storedName");
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<QString>("unicodePath");
    QTest::addColumn<quint32>("crcDamage");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QStringEncoder gbk("GB18030");
    QStringEncoder big5("Big5");
    const QByteArray gbkName = gbk.encode(QStringLiteral("中文.txt"));
    const QByteArray big5Name = big5.encode(QStringLiteral("電影.txt"));
    const QByteArray oldName = gbk.encode(QStringLiteral("旧名.txt"));
    const QString big5ReadAsGbk = QStringDecoder("GB18030").decode(big5Name);
    QVERIFY(big5ReadAsGbk != QStringLiteral("電影.txt"));

    QTest::newRow("GBK without flag") << gbkName << quint16(0) << QString() << 0u << "zh_CN"
                                      << "中文.txt";
    QTest::newRow("GBK under English") << gbkName << quint16(0) << QString() << 0u << "en_US"
                                       << "中文.txt";
    QTest::newRow("UTF-8 flag") << QByteArray("中文.txt") << utf8Flag << QString() << 0u << "zh_CN"
                                << "中文.txt";
    QTest::newRow("UTF-8 without flag") << QByteArray("中文.txt") << quint16(0) << QString() << 0u << "zh_CN"
                                        << "中文.txt";
    QTest::newRow("Big5 under Traditional Chinese") << big5Name << quint16(0) << QString() << 0u << "zh_TW"
                                                    << "電影.txt";
    QTest::newRow("Big5 bytes under Simplified Chinese")
        << big5Name << quint16(0) << QString() << 0u << "zh_CN" << big5ReadAsGbk;
    QTest::newRow("CP437 last") << QByteArray("\x80\xff.txt") << quint16(0) << QString() << 0u << "zh_CN"
                                << QStringLiteral("Ç\u00a0.txt");
    QTest::newRow("Unicode path field")
        << oldName << quint16(0) << QStringLiteral("新名.txt") << 0u << "zh_CN"
        << "新名.txt";
    QTest::newRow("stale Unicode path field")
        << oldName << quint16(0) << QStringLiteral("新名.txt") << 1u << "zh_CN"
        << "旧名.txt";
}

void TestZip::decodesStoredNames()
{
    QFETCH(QByteArray, storedName);
    QFETCH(quint16, flags);
    QFETCH(QString, unicodePath);
    QFETCH(quint32, crcDamage);
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString archive = dir.filePath("legacy.zip");
    const QByteArray fullName = "folder/" + storedName;
    const QByteArray extra = unicodePath.isEmpty()
                                 ? QByteArray()
                                 : unicodePathField("folder/" + unicodePath, crc32Of(fullName) ^ crcDamage);
    QVERIFY(writeRawZip(archive, {{fullName, "content", flags, extra}}));

    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    CompressionHandler handler;
    QSignalSpy names(&handler, &CompressionHandler::currentFileChanged);
    const bool extracted = handler.extractArchive(archive, dir.filePath("out"), QString());
    QLocale::setDefault(previous);

    QVERIFY2(extracted, qPrintable(handler.lastError()));
    QCOMPARE(folderContents(dir.filePath("out")), (QStringList{"folder", "folder/" + expected}));
    QCOMPARE(names.last().at(0).toString(), "folder/" + expected);
    QFile file(dir.filePath("out/folder/" + expected));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("content"));
}

void TestZip::corruptedEntryFailsAndRemovesPartialFile_data()
{
    QTest::addColumn<bool>("handMade");
    QTest::newRow("stored entry, wrong checksum") << true;
    QTest::newRow("deflated entry, damaged stream") << false;
}

void TestZip::corruptedEntryFailsAndRemovesPartialFile()
{
    QFETCH(bool, handMade);

    QTemporaryDir dir;
    const QString archive = dir.filePath("broken.zip");
    CompressionHandler handler;
    if (handMade) {
        QVERIFY(
            writeRawZip(archive, {{"good.txt", "fine"}, {"bad.bin", sampleData(200000, 5), 0, {}, 0, true}}));
    } else {
        QVERIFY(buildTree(dir.filePath("src"), {{"good.txt", "fine"}, {"bad.bin", sampleData(2000000, 5)}}));
        QVERIFY(handler.compressFiles("ZIP", {dir.filePath("src/good.txt"), dir.filePath("src/bad.bin")},
                                      archive, QString()));
        QFile file(archive);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
            bytes[i] = char(~bytes.at(i));
        QVERIFY(file.seek(0));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("读取压缩包中的文件失败: bad.bin"));
    QCOMPARE(folderContents(dir.filePath("out")), QStringList{"good.txt"});
}

void TestZip::failedWriteReported()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("big.zip");
    QVERIFY(writeRawZip(archive, {{"big.bin", sampleData(1 << 20, 6)}}));

    // A file-size limit makes the write fail the way a full disk does.
    struct rlimit previous;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = 256 * 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    CompressionHandler handler;
    const bool extracted = handler.extractArchive(archive, dir.filePath("out"), QString());
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!extracted);
    QCOMPARE(handler.lastError(), QStringLiteral("写入文件失败: %1").arg(dir.filePath("out/big.bin")));
    QVERIFY(!QFile::exists(dir.filePath("out/big.bin")));
}

void TestZip::progressIsHonest()
{
    QTemporaryDir dir;
    const Tree tree{{"set/big.bin", sampleData(6000000, 7)}, {"set/a.txt", "a"}, {"set/b/c.txt", "c"}};
    QVERIFY(buildTree(dir.filePath("src"), tree));
    const QString archive = dir.filePath("set.zip");
    CompressionHandler handler;
    QSignalSpy progress(&handler, &CompressionHandler::progressChanged);
    QSignalSpy files(&handler, &CompressionHandler::currentFileChanged);

    QVERIFY(handler.compressFiles("ZIP", {dir.filePath("src/set")}, archive, QString()));
    QList<int> values = progressValues(progress);
    QVERIFY2(isHonestProgress(values), qPrintable(QDebug::toString(values)));
    // The compression inside libzip is reported, not only the cheap listing before it.
    QVERIFY2(values.size() > 10, qPrintable(QDebug::toString(values)));
    QStringList names;
    for (const QList<QVariant> &arguments : files)
        names.append(arguments.at(0).toString());
    QVERIFY2(names.contains("set/big.bin"), qPrintable(names.join(',')));
    const QSet<QString> entries = expectedEntryNames(tree);
    for (const QString &name : names)
        QVERIFY2(entries.contains(name), qPrintable(name));

    progress.clear();
    files.clear();
    QVERIFY(handler.extractArchive(archive, dir.filePath("out"), QString()));
    values = progressValues(progress);
    QVERIFY2(isHonestProgress(values), qPrintable(QDebug::toString(values)));
    QVERIFY2(values.size() > 10, qPrintable(QDebug::toString(values)));
    names.clear();
    for (const QList<QVariant> &arguments : files)
        names.append(arguments.at(0).toString());
    QCOMPARE(names, (QStringList{"set/", "set/a.txt", "set/b/", "set/b/c.txt", "set/big.bin"}));
}

void TestZip::cancelledWriteLeavesExistingArchive()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"), {{"data/big.bin", sampleData(8000000, 8)}, {"data/x.txt", "x"}}));
    const QString archive = dir.filePath("keep.zip");
    QVERIFY(buildTree(dir.path(), {{"keep.zip", "previous archive"}}));

    CompressionHandler handler;
    connect(&handler, &CompressionHandler::progressChanged, &handler, [&handler](int value) {
        if (value >= 5)
            handler.cancel();
    });
    QVERIFY(!handler.compressFiles("ZIP", {dir.filePath("src/data")}, archive, "pw"));
    QCOMPARE(handler.lastError(), QStringLiteral("操作已取消"));
    QCOMPARE(snapshot(dir.path()).value("keep.zip"), QByteArray("previous archive"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.zip"});

    // The flag is cleared when the next operation starts.
    QVERIFY(
        handler.compressFiles("ZIP", {dir.filePath("src/data/x.txt")}, dir.filePath("next.zip"), QString()));
}

void TestZip::cancelledReadRemovesPartialFile()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"), {{"a.txt", "first"}, {"huge.bin", sampleData(16000000, 9)}}));
    const QString archive = dir.filePath("huge.zip");
    CompressionHandler handler;
    QVERIFY(handler.compressFiles("ZIP", {dir.filePath("src/a.txt"), dir.filePath("src/huge.bin")}, archive,
                                  QString()));

    // The worker pauses inside the big entry until this thread has asked it to stop.
    QSemaphore insideHugeEntry;
    QSemaphore cancelRequested;
    bool paused = false;
    connect(
        &handler, &CompressionHandler::progressChanged, &handler,
        [&](int value) {
            if (value >= 10 && !paused) {
                paused = true;
                insideHugeEntry.release();
                cancelRequested.acquire();
            }
        },
        Qt::DirectConnection);
    bool result = true;
    std::thread worker([&] { result = handler.extractArchive(archive, dir.filePath("out"), QString()); });
    insideHugeEntry.acquire();
    handler.cancel();
    cancelRequested.release();
    worker.join();

    QVERIFY(!result);
    QCOMPARE(handler.lastError(), QStringLiteral("操作已取消"));
    QCOMPARE(folderContents(dir.filePath("out")), QStringList{"a.txt"});
}

void TestZip::failedWriteKeepsExistingArchive_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing input") << QStringList{"src/a.txt", "src/missing.txt"}
                                   << "为文件创建源失败: %1/src/missing.txt";
    QTest::newRow("same name twice") << QStringList{"src/a.txt", "src/sub/a.txt"}
                                     << "添加文件到压缩包失败: %1/src/sub/a.txt";
}

void TestZip::failedWriteKeepsExistingArchive()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"), {{"a.txt", "a"}, {"sub/a.txt", "other a"}}));
    QVERIFY(buildTree(dir.path(), {{"existing.zip", "previous archive"}}));
    QStringList paths;
    for (const QString &input : inputs)
        paths.append(dir.filePath(input));

    CompressionHandler handler;
    QVERIFY(!handler.compressFiles("ZIP", paths, dir.filePath("existing.zip"), QString()));
    QCOMPARE(handler.lastError(), expected.arg(dir.path()));
    QCOMPARE(snapshot(dir.path()).value("existing.zip"), QByteArray("previous archive"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"existing.zip"});

    QVERIFY(!handler.compressFiles("ZIP", paths, dir.filePath("new.zip"), QString()));
    QVERIFY(!QFile::exists(dir.filePath("new.zip")));
}

void TestZip::notAZipArchive()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.path(), {{"fake.zip", "this is plain text, not an archive"}}));
    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(dir.filePath("fake.zip"), dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("打开ZIP压缩包失败: %1").arg(ZIP_ER_NOZIP));
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
}

void TestZip::emptyArchive()
{
    QTemporaryDir dir;
    QVERIFY(writeRawZip(dir.filePath("empty.zip"), {}));
    CompressionHandler handler;
    QSignalSpy progress(&handler, &CompressionHandler::progressChanged);
    QSignalSpy files(&handler, &CompressionHandler::currentFileChanged);
    QVERIFY2(handler.extractArchive(dir.filePath("empty.zip"), dir.filePath("new/out"), QString()),
             qPrintable(handler.lastError()));
    QVERIFY(QFileInfo(dir.filePath("new/out")).isDir());
    QCOMPARE(progress.count(), 0);
    QCOMPARE(files.count(), 0);
}

void TestZip::replacesExistingOutputFile()
{
    QTemporaryDir dir;
    QVERIFY(writeRawZip(dir.filePath("a.zip"), {{"docs/", {}}, {"docs/a.txt", "new"}}));
    QVERIFY(buildTree(dir.filePath("out"), {{"docs/a.txt", "a much longer old content"}, {"keep.txt", "k"}}));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(dir.filePath("a.zip"), dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(snapshot(dir.filePath("out")), (Tree{{"docs/", {}}, {"docs/a.txt", "new"}, {"keep.txt", "k"}}));
}

void TestZip::packsFolderHoldingTheArchive()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("work"), {{"a.txt", "a"}, {"old.zip", "stale"}}));
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("work")}, dir.filePath("work/old.zip"), QString()),
             qPrintable(handler.lastError()));
    QStringList names;
    for (const ArchiveEntryInfo &entry : listArchive(dir.filePath("work/old.zip")))
        names.append(entry.name);
    QCOMPARE(names, (QStringList{"work/", "work/a.txt"}));
}

void TestZip::parallelWriteKeepsOrderAndPassesReaders_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    QTest::newRow("AES-256") << QStringLiteral("并行 pw");
}

void TestZip::parallelWriteKeepsOrderAndPassesReaders()
{
    QFETCH(QString, password);
    if (QThread::idealThreadCount() < 2)
        QSKIP("a single core gives the writer no second thread");

    QTemporaryDir dir;
    const QStringList order = buildParallelTree(dir.filePath("src"));
    QVERIFY(!order.isEmpty());
    const QString archive = dir.filePath("out.zip");
    CompressionHandler handler;
    QSignalSpy progress(&handler, &CompressionHandler::progressChanged);
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/big")}, archive, password),
             qPrintable(handler.lastError()));
    QVERIFY2(isHonestProgress(progressValues(progress)),
             qPrintable(QDebug::toString(progressValues(progress))));
    // The parts are gone once the archive stands.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"out.zip", "src"}));

    QCOMPARE(archiveOrder(archive), order);
    for (const ArchiveEntryInfo &entry : listArchive(archive)) {
        const bool encrypted = !password.isEmpty() && !entry.name.endsWith('/');
        QCOMPARE(entry.encryption, encrypted ? ZIP_EM_AES_256 : ZIP_EM_NONE);
    }
    if (password.isEmpty()) {
        const ToolResult test = runTool("unzip", {"-t", archive});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolResult listing = runTool("unzip", {"-Z1", archive});
        QCOMPARE(listing.output.split('\n', Qt::SkipEmptyParts), order);
    }
    const QStringList passwordArgument = password.isEmpty() ? QStringList() : QStringList{"-p" + password};
    const ToolResult sevenZip = runTool("7z", QStringList{"t", archive} + passwordArgument);
    QVERIFY2(sevenZip.exitCode == 0, qPrintable(sevenZip.output));

    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), password), qPrintable(handler.lastError()));
    QCOMPARE(snapshot(dir.filePath("out")), snapshot(dir.filePath("src")));
}

void TestZip::parallelWriteCancelsCleanly()
{
    QTemporaryDir dir;
    QVERIFY(!buildParallelTree(dir.filePath("src")).isEmpty());
    QVERIFY(buildTree(dir.path(), {{"keep.zip", "previous archive"}}));
    CompressionHandler handler;
    connect(&handler, &CompressionHandler::progressChanged, &handler, [&handler](int value) {
        if (value >= 20)
            handler.cancel();
    });
    QVERIFY(!handler.compressFiles("ZIP", {dir.filePath("src/big")}, dir.filePath("keep.zip"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("操作已取消"));
    QCOMPARE(snapshot(dir.path()).value("keep.zip"), QByteArray("previous archive"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"keep.zip", "src"}));
}

void TestZip::parallelReadCancelsCleanly()
{
    QTemporaryDir dir;
    const QStringList order = buildParallelTree(dir.filePath("src"));
    QVERIFY(!order.isEmpty());
    const QString archive = dir.filePath("big.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/big")}, archive, QString()),
             qPrintable(handler.lastError()));

    connect(&handler, &CompressionHandler::progressChanged, &handler, [&handler](int value) {
        if (value >= 20)
            handler.cancel();
    });
    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("操作已取消"));
    qsizetype written = 0;
    QVERIFY(noPartialFiles(dir.filePath("out"), dir.filePath("src"), &written));
    QVERIFY2(written < 20, qPrintable(QString::number(written)));
}

void TestZip::parallelReadReportsFirstFailure()
{
    // Two damaged entries far apart: whichever thread meets its damage first, the report names the
    // earlier one, every entry before it is written whole, and no partial file stays.
    QList<RawEntry> raw;
    for (int i = 0; i < 24; ++i) {
        raw.append({QStringLiteral("f%1.bin").arg(i, 2, 10, QLatin1Char('0')).toUtf8(),
                    sampleData(1500000, quint32(200 + i))});
    }
    raw[12].wrongCrc = true;
    raw[20].wrongCrc = true;
    QTemporaryDir dir;
    const QString archive = dir.filePath("damaged.zip");
    QVERIFY(writeRawZip(archive, raw));
    Tree source;
    for (const RawEntry &entry : std::as_const(raw))
        source.insert(QString::fromUtf8(entry.name), entry.data);
    QVERIFY(buildTree(dir.filePath("src"), source));

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("读取压缩包中的文件失败: f12.bin"));
    qsizetype written = 0;
    QVERIFY(noPartialFiles(dir.filePath("out"), dir.filePath("src"), &written));
    for (int i = 0; i < 12; ++i)
        QVERIFY2(QFile::exists(dir.filePath(QStringLiteral("out/f%1.bin").arg(i, 2, 10, QLatin1Char('0')))),
                 qPrintable(QString::number(i)));
    QVERIFY(!QFile::exists(dir.filePath("out/f12.bin")));
    QVERIFY(!QFile::exists(dir.filePath("out/f20.bin")));
}

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
