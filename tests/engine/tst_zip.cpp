#include "archivejob.h"
#include "compressionhandler.h"
#include "sandbox.h"
#include "testtree.h"
#include "toolrun.h"
#include "zipbytes.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

using Tree = TestTree::Tree;
using TestTree::sampleData;

namespace {

// A stored entry of a hand-written archive; unixMode non-zero: made on Unix with these mode bits.
ZipBytes::Entry rawEntry(const QByteArray &name, const QByteArray &data, quint32 unixMode = 0,
                         bool wrongCrc = false)
{
    ZipBytes::Entry entry;
    entry.name = name;
    entry.data = data;
    entry.unixMode = unixMode;
    entry.wrongCrc = wrongCrc;
    return entry;
}

bool buildTree(const QString &root, const Tree &tree)
{
    return TestTree::build(root, tree);
}

Tree snapshot(const QString &root)
{
    return TestTree::snapshot(root);
}

ToolRun runTool(const QString &program, const QStringList &arguments)
{
    return ToolRun::run(program, arguments);
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
    void damagedEntryLeavesDestinationAsItWas_data();
    void damagedEntryLeavesDestinationAsItWas();
    void failedWriteReported();
    void progressIsHonest();
    void cancelledWriteLeavesExistingArchive();
    void cancelledReadLeavesDestinationAsItWas();
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
    void sameNamedEntriesNeverBlend();
    void longNamesTakeLinearTime();
    void readsWhatLibzipRefuses_data();
    void readsWhatLibzipRefuses();
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
    const ToolRun sevenZip = runTool("7z", QStringList{"t", archive} + passwordArgument);
    QVERIFY2(sevenZip.exitCode == 0, qPrintable(sevenZip.output));
    if (password.isEmpty()) {
        // unzip cannot read AES entries; it checks the plain archives and their names.
        const ToolRun test = runTool("unzip", {"-t", archive});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolRun listing = runTool("unzip", {"-Z1", archive});
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

    const ToolRun wrong = runTool("7z", {"t", archive, "-pwrong"});
    QVERIFY2(wrong.exitCode != 0, qPrintable(wrong.output));
    const ToolRun right = runTool("7z", {"t", archive, "-pright"});
    QVERIFY2(right.exitCode == 0, qPrintable(right.output));

    const QList<std::pair<QString, QString>> refusals{
        {"wrong", "密码错误，无法解开: box/a.txt"}, {QString(), "压缩包中的文件已加密，需要密码: box/a.txt"}};
    for (const auto &[password, message] : refusals) {
        const QString destination = dir.filePath("out-" + password);
        QVERIFY(!handler.extractArchive(archive, destination, password));
        QCOMPARE(handler.lastError(), message);
        QVERIFY(!QFileInfo::exists(destination));
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
    QVERIFY(ZipBytes::write(archive, {rawEntry("suid", "x", 0104755), rawEntry("sgid", "y", 0102750),
                                      rawEntry("sticky/", {}, 0041777)}));
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
    const ToolRun test = runTool("unzip", {"-t", archive});
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
    QTest::addColumn<QList<ZipBytes::Entry>>("hostile");
    QTest::addColumn<QString>("reported");

    constexpr quint32 linkMode = 0120777;
    QTest::newRow("parent escape") << QList<ZipBytes::Entry>{rawEntry("../evil.txt", "x")} << "../evil.txt";
    QTest::newRow("nested escape") << QList<ZipBytes::Entry>{rawEntry("a/../../evil.txt", "x")}
                                   << "a/../../evil.txt";
    QTest::newRow("absolute") << QList<ZipBytes::Entry>{rawEntry("/tmp/kelvane-evil.txt", "x")}
                              << "/tmp/kelvane-evil.txt";
    QTest::newRow("drive letter") << QList<ZipBytes::Entry>{rawEntry("C:/evil.txt", "x")} << "C:/evil.txt";
    QTest::newRow("drive relative") << QList<ZipBytes::Entry>{rawEntry("c:evil.txt", "x")} << "c:evil.txt";
    QTest::newRow("backslash escape")
        << QList<ZipBytes::Entry>{rawEntry("..\\evil.txt", "x")} << "..\\evil.txt";
    QTest::newRow("backslash nested")
        << QList<ZipBytes::Entry>{rawEntry("a\\..\\..\\evil.txt", "x")} << "a\\..\\..\\evil.txt";
    QTest::newRow("backslash root") << QList<ZipBytes::Entry>{rawEntry("\\evil.txt", "x")} << "\\evil.txt";
    QTest::newRow("escape as folder")
        << QList<ZipBytes::Entry>{rawEntry("../evil/", QByteArray())} << "../evil/";
    QTest::newRow("link out") << QList<ZipBytes::Entry>{rawEntry("up", "../..", linkMode)} << "up";
    QTest::newRow("absolute link") << QList<ZipBytes::Entry>{rawEntry("etc", "/etc", linkMode)} << "etc";
    QTest::newRow("link climbing midway")
        << QList<ZipBytes::Entry>{rawEntry("sub/up", "x/../../..", linkMode)} << "sub/up";
    // The file needs a folder where the link stands; the two clash, and the link is refused.
    QTest::newRow("write through link")
        << QList<ZipBytes::Entry>{rawEntry("inner", "sub", linkMode), rawEntry("inner/evil.txt", "x")}
        << "inner";
}

void TestZip::refusesUnsafeNames()
{
    QFETCH(QList<ZipBytes::Entry>, hostile);
    QFETCH(QString, reported);

    QTemporaryDir dir;
    const QString archive = dir.filePath("hostile.zip");
    QVERIFY(ZipBytes::write(archive, QList<ZipBytes::Entry>{rawEntry("first.txt", "harmless")} + hostile));
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
    QVERIFY(ZipBytes::write(
        archive, {rawEntry("a/../b.txt", "b"), rawEntry("./c/./d.txt", "d"), rawEntry("w\\x.txt", "x")}));
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
    QTest::addColumn<LegacyNameLanguage>("language");
    QTest::addColumn<QString>("expected");

    QStringEncoder gbk("GB18030");
    QStringEncoder big5("Big5");
    QStringEncoder cp437("IBM437");
    const QByteArray gbkName = gbk.encode(QStringLiteral("中文.txt"));
    const QByteArray big5Name = big5.encode(QStringLiteral("電影.txt"));
    const QByteArray westernName = cp437.encode(QStringLiteral("Ölfässer.txt"));
    const QByteArray oldName = gbk.encode(QStringLiteral("旧名.txt"));
    const auto simplified = LegacyNameLanguage::SimplifiedChinese;

    QTest::newRow("GBK without flag") << gbkName << quint16(0) << QString() << 0u << simplified << "中文.txt";
    QTest::newRow("GBK under English")
        << gbkName << quint16(0) << QString() << 0u << LegacyNameLanguage::Western << "中文.txt";
    QTest::newRow("UTF-8 flag") << QByteArray("中文.txt") << ZipBytes::utf8Flag << QString() << 0u
                                << simplified << "中文.txt";
    QTest::newRow("UTF-8 without flag")
        << QByteArray("中文.txt") << quint16(0) << QString() << 0u << simplified << "中文.txt";
    QTest::newRow("Big5 under Traditional Chinese")
        << big5Name << quint16(0) << QString() << 0u << LegacyNameLanguage::TraditionalChinese << "電影.txt";
    QTest::newRow("Big5 under Simplified Chinese")
        << big5Name << quint16(0) << QString() << 0u << simplified << "電影.txt";
    QTest::newRow("CP437 under Simplified Chinese")
        << westernName << quint16(0) << QString() << 0u << simplified << "Ölfässer.txt";
    QTest::newRow("Unicode path field")
        << oldName << quint16(0) << QStringLiteral("新名.txt") << 0u << simplified << "新名.txt";
    QTest::newRow("stale Unicode path field")
        << oldName << quint16(0) << QStringLiteral("新名.txt") << 1u << simplified << "旧名.txt";
}

void TestZip::decodesStoredNames()
{
    QFETCH(QByteArray, storedName);
    QFETCH(quint16, flags);
    QFETCH(QString, unicodePath);
    QFETCH(quint32, crcDamage);
    QFETCH(LegacyNameLanguage, language);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString archive = dir.filePath("legacy.zip");
    const QByteArray fullName = "folder/" + storedName;
    ZipBytes::Entry entry = rawEntry(fullName, "content");
    entry.flags = flags;
    if (!unicodePath.isEmpty())
        entry.extra =
            ZipBytes::unicodePathField("folder/" + unicodePath, ZipBytes::crc32Of(fullName) ^ crcDamage);
    QVERIFY(ZipBytes::write(archive, {entry}));

    CompressionHandler handler;
    handler.setLegacyNameLanguage(language);
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(folderContents(dir.filePath("out")), (QStringList{"folder", "folder/" + expected}));
    QCOMPARE(TestTree::readFile(dir.filePath("out/folder/" + expected)), QByteArray("content"));
}

void TestZip::damagedEntryLeavesDestinationAsItWas_data()
{
    QTest::addColumn<bool>("handMade");
    QTest::newRow("stored entry, wrong checksum") << true;
    QTest::newRow("deflated entry, damaged stream") << false;
}

void TestZip::damagedEntryLeavesDestinationAsItWas()
{
    QFETCH(bool, handMade);

    QTemporaryDir dir;
    const QString archive = dir.filePath("broken.zip");
    CompressionHandler handler;
    if (handMade) {
        QVERIFY(ZipBytes::write(
            archive, {rawEntry("good.txt", "fine"), rawEntry("bad.bin", sampleData(200000, 5), 0, true)}));
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
    // The user's own files of the same names survive byte for byte.
    const Tree before{{"bad.bin", "the user's own bad.bin"}, {"good.txt", "the user's own good.txt"}};
    QVERIFY(buildTree(dir.filePath("out"), before));

    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("读取压缩包中的文件失败: bad.bin"));
    QCOMPARE(handler.lastResult().code, ResultCode::DamagedEntry);
    QVERIFY(!handler.lastResult().detail.isEmpty());
    QCOMPARE(snapshot(dir.filePath("out")), before);
}

void TestZip::failedWriteReported()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("big.zip");
    QVERIFY(ZipBytes::write(archive, {rawEntry("big.bin", sampleData(1 << 20, 6))}));

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
    QCOMPARE(handler.lastResult().code, ResultCode::WriteFailed);
    QVERIFY2(handler.lastError().startsWith(QStringLiteral("写入文件失败: ")),
             qPrintable(handler.lastError()));
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
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
    // The compression inside libzip is reported, not only the cheap listing before it; updates come
    // at most every 50 ms.
    QVERIFY2(values.size() > 3, qPrintable(QDebug::toString(values)));
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
    // Entries are named in the archive's order, then what is placed into the destination; updates
    // are throttled, so some may be skipped.
    const QStringList order{"set/", "set/a.txt", "set/b/", "set/b/c.txt", "set/big.bin", "set"};
    qsizetype position = 0;
    for (const QList<QVariant> &arguments : files) {
        const qsizetype found = order.indexOf(arguments.at(0).toString());
        QVERIFY2(found >= position, qPrintable(arguments.at(0).toString()));
        position = found;
    }
    QVERIFY(files.count() > 0);
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

void TestZip::cancelledReadLeavesDestinationAsItWas()
{
    QTemporaryDir dir;
    QVERIFY(buildTree(dir.filePath("src"), {{"a.txt", "first"}, {"huge.bin", sampleData(16000000, 9)}}));
    const QString archive = dir.filePath("huge.zip");
    CompressionHandler handler;
    QVERIFY(handler.compressFiles("ZIP", {dir.filePath("src/a.txt"), dir.filePath("src/huge.bin")}, archive,
                                  QString()));
    const Tree before{{"a.txt", "the user's a.txt"}, {"huge.bin", "the user's huge.bin"}, {"keep.txt", "k"}};
    QVERIFY(buildTree(dir.filePath("out"), before));

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
    QCOMPARE(snapshot(dir.filePath("out")), before);
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
    // libzip's own words, never its error number.
    QCOMPARE(handler.lastError(), QStringLiteral("打开ZIP压缩包失败: Not a zip archive"));
    QCOMPARE(handler.lastResult().code, ResultCode::NotAnArchive);
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
}

void TestZip::emptyArchive()
{
    QTemporaryDir dir;
    QVERIFY(ZipBytes::write(dir.filePath("empty.zip"), {}));
    CompressionHandler handler;
    QSignalSpy progress(&handler, &CompressionHandler::progressChanged);
    QSignalSpy files(&handler, &CompressionHandler::currentFileChanged);
    QVERIFY2(handler.extractArchive(dir.filePath("empty.zip"), dir.filePath("new/out"), QString()),
             qPrintable(handler.lastError()));
    QVERIFY(QFileInfo(dir.filePath("new/out")).isDir());
    QCOMPARE(progressValues(progress), QList<int>{100});
    QCOMPARE(files.count(), 0);
}

void TestZip::replacesExistingOutputFile()
{
    QTemporaryDir dir;
    QVERIFY(ZipBytes::write(dir.filePath("a.zip"), {rawEntry("docs/", {}), rawEntry("docs/a.txt", "new")}));
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
        const ToolRun test = runTool("unzip", {"-t", archive});
        QVERIFY2(test.exitCode == 0, qPrintable(test.output));
        const ToolRun listing = runTool("unzip", {"-Z1", archive});
        QCOMPARE(listing.output.split('\n', Qt::SkipEmptyParts), order);
    }
    const QStringList passwordArgument = password.isEmpty() ? QStringList() : QStringList{"-p" + password};
    const ToolRun sevenZip = runTool("7z", QStringList{"t", archive} + passwordArgument);
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
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
}

void TestZip::parallelReadReportsFirstFailure()
{
    // Two damaged entries far apart: whichever thread meets its damage first, the report names the
    // earlier one, and nothing reaches the destination.
    QList<ZipBytes::Entry> raw;
    for (int i = 0; i < 24; ++i) {
        raw.append(rawEntry(QStringLiteral("f%1.bin").arg(i, 2, 10, QLatin1Char('0')).toUtf8(),
                            sampleData(1500000, quint32(200 + i))));
    }
    raw[12].wrongCrc = true;
    raw[20].wrongCrc = true;
    QTemporaryDir dir;
    const QString archive = dir.filePath("damaged.zip");
    QVERIFY(ZipBytes::write(archive, raw));

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QStringLiteral("读取压缩包中的文件失败: f12.bin"));
    QVERIFY(!QFileInfo::exists(dir.filePath("out")));
}

void TestZip::sameNamedEntriesNeverBlend()
{
    // Two large entries of one name: written at the same time by two threads they would blend into
    // one file. The later one is what a single thread would have left.
    const QByteArray first = sampleData(24000000, 31);
    const QByteArray second = sampleData(24000000, 32);
    QTemporaryDir dir;
    const QString archive = dir.filePath("same.zip");
    QVERIFY(ZipBytes::write(archive, {rawEntry("dir/same.bin", first), rawEntry("other.txt", "o"),
                                      rawEntry("dir/./same.bin", second)}));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, dir.filePath("out"), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(folderContents(dir.filePath("out")), (QStringList{"dir", "dir/same.bin", "other.txt"}));
    QVERIFY(TestTree::readFile(dir.filePath("out/dir/same.bin")) == second);
}

void TestZip::longNamesTakeLinearTime()
{
    // 24 entries whose names are 65,000 bytes of nested folders: handled in time linear in the names,
    // whether or not the file system can hold such paths.
    QList<ZipBytes::Entry> entries;
    QByteArray deep;
    while (deep.size() < 65000)
        deep += "a/";
    for (int i = 0; i < 24; ++i)
        entries.append(rawEntry(deep + QByteArray::number(i), "x"));
    QTemporaryDir dir;
    const QString archive = dir.filePath("deep.zip");
    QVERIFY(ZipBytes::write(archive, entries));

    QElapsedTimer timer;
    timer.start();
    CompressionHandler handler;
    const bool extracted = handler.extractArchive(archive, dir.filePath("out"), QString());
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
    if (!extracted)
        QVERIFY(!QFileInfo::exists(dir.filePath("out")));

    // A cancel stops such an extraction, and it leaves nothing. Removing the chain of 32,500 folders
    // made so far takes seconds of its own on a busy machine; a run that ignored the cancel took
    // minutes.
    CompressionHandler cancelled;
    std::thread stopper([&cancelled] {
        QThread::msleep(300);
        cancelled.cancel();
    });
    timer.restart();
    const bool finished = cancelled.extractArchive(archive, dir.filePath("cancelled"), QString());
    const qint64 elapsed = timer.elapsed();
    stopper.join();
    if (!finished) {
        QCOMPARE(cancelled.lastResult().code, ResultCode::Cancelled);
        QVERIFY2(elapsed < 60000, qPrintable(QString::number(elapsed)));
        QVERIFY(!QFileInfo::exists(dir.filePath("cancelled")));
    }
}

namespace {

// The offset of the end of central directory record in an archive without a comment.
qsizetype endRecord(const QByteArray &archive)
{
    return archive.size() - 22;
}

void putLe16(QByteArray *archive, qsizetype at, quint16 value)
{
    (*archive)[at] = char(value & 0xFF);
    (*archive)[at + 1] = char(value >> 8);
}

// One stored entry whose local header leaves checksum and sizes to a data descriptor after the data,
// written without the descriptor's optional signature, as some streaming writers do.
QByteArray withDataDescriptor(const QByteArray &name, const QByteArray &data)
{
    QByteArray archive;
    const auto le16 = [](QByteArray *out, quint32 value) {
        out->append(char(value & 0xFF)).append(char(value >> 8));
    };
    const auto le32 = [&le16](QByteArray *out, quint32 value) {
        le16(out, value & 0xFFFF);
        le16(out, value >> 16);
    };
    const quint32 crc = ZipBytes::crc32Of(data);
    le32(&archive, 0x04034b50);
    for (const quint32 value : {20u, 0x0008u, 0u, 0u, 0x5021u})
        le16(&archive, value);
    for (int i = 0; i < 3; ++i)
        le32(&archive, 0);
    le16(&archive, quint32(name.size()));
    le16(&archive, 0);
    archive.append(name).append(data);
    le32(&archive, crc);
    le32(&archive, quint32(data.size()));
    le32(&archive, quint32(data.size()));
    const quint32 centralOffset = quint32(archive.size());
    le32(&archive, 0x02014b50);
    for (const quint32 value : {0x0314u, 20u, 0x0008u, 0u, 0u, 0x5021u})
        le16(&archive, value);
    le32(&archive, crc);
    le32(&archive, quint32(data.size()));
    le32(&archive, quint32(data.size()));
    for (const quint32 value : {quint32(name.size()), 0u, 0u, 0u, 0u})
        le16(&archive, value);
    le32(&archive, 0100644u << 16);
    le32(&archive, 0);
    archive.append(name);
    const quint32 centralSize = quint32(archive.size()) - centralOffset;
    le32(&archive, 0x06054b50);
    for (const quint32 value : {0u, 0u, 1u, 1u})
        le16(&archive, value);
    le32(&archive, centralSize);
    le32(&archive, centralOffset);
    le16(&archive, 0);
    return archive;
}

// An archive 7z writes with the given ZIP method from the tree.
QByteArray writtenBy7z(const QString &method, const Tree &tree)
{
    QTemporaryDir dir;
    if (!TestTree::build(dir.filePath("in"), tree))
        return QByteArray();
    const QString archive = dir.filePath("out.zip");
    QStringList arguments{"a", "-tzip", "-mm=" + method, archive};
    for (const QString &top : topLevelPaths(dir.filePath("in"), tree))
        arguments.append(QFileInfo(top).fileName());
    if (ToolRun::run("7z", arguments, dir.filePath("in")).exitCode != 0)
        return QByteArray();
    return TestTree::readFile(archive);
}

} // namespace

void TestZip::readsWhatLibzipRefuses_data()
{
    QTest::addColumn<QByteArray>("archive");
    // Empty for an archive that must be refused.
    QTest::addColumn<Tree>("expected");

    const Tree text{{"docs/", {}}, {"docs/a.txt", sampleData(150000, 41)}, {"b.txt", "bee"}};
    QTest::newRow("deflate64, by 7z") << writtenBy7z("Deflate64", text) << text;
    QTest::newRow("XZ, by 7z") << writtenBy7z("XZ", text) << text;
    QTest::newRow("LZMA, by 7z") << writtenBy7z("LZMA", text) << text;
    QTest::newRow("PPMd, by 7z") << writtenBy7z("PPMd", text) << text;

    // Shrink (method 1) has no writer here. These bytes are LZW of the text as the method stores it:
    // codes of 9 bits (too few for the code size ever to grow), least significant bit first, new
    // codes from 257 on; written by a dozen lines of Python and read back by 7z and unzip.
    const QByteArray shrunkText = "shrunk by hand: abababababababab abababab\n";
    ZipBytes::Entry shrunk = rawEntry("shrunk.txt", shrunkText);
    shrunk.method = 1;
    shrunk.compressedData =
        QByteArray::fromHex("73d0c8a9e3660d08317940a009e3868c0e1061c4449c28b1224588162b2a00");
    QTest::newRow("shrink, made by hand") << ZipBytes::build({shrunk, rawEntry("plain.txt", "plain")})
                                          << Tree{{"shrunk.txt", shrunkText}, {"plain.txt", "plain"}};

    const QList<ZipBytes::Entry> plain{rawEntry("a.txt", "alpha"), rawEntry("dir/b.txt", "beta")};
    const Tree plainTree{{"a.txt", "alpha"}, {"dir/", {}}, {"dir/b.txt", "beta"}};
    QByteArray cutComment = ZipBytes::build(plain);
    putLe16(&cutComment, cutComment.size() - 2, 40);
    cutComment.append("cut short");
    QTest::newRow("trailing comment cut short") << cutComment << plainTree;

    QByteArray counts = ZipBytes::build(plain);
    putLe16(&counts, endRecord(counts) + 8, 3);
    putLe16(&counts, endRecord(counts) + 10, 3);
    QTest::newRow("entry counts that disagree") << counts << plainTree;

    QList<ZipBytes::Entry> badExtra = plain;
    badExtra[0].extra = QByteArray("\x01\x00", 2);
    QTest::newRow("extra field cut short") << ZipBytes::build(badExtra) << plainTree;

    QByteArray localName = ZipBytes::build(plain);
    localName.replace(30, 5, "A.TXT");
    QTest::newRow("local header naming the entry otherwise") << localName << plainTree;

    QTest::newRow("data descriptor without signature")
        << withDataDescriptor("streamed.txt", "streamed data") << Tree{{"streamed.txt", "streamed data"}};

    QByteArray climbing = ZipBytes::build({rawEntry("ok.txt", "ok"), rawEntry("../escape.txt", "escape")});
    putLe16(&climbing, climbing.size() - 2, 40);
    QTest::newRow("inconsistent and climbing") << climbing << Tree();
    QTest::newRow("shrink beside a link out")
        << ZipBytes::build(
               {shrunk, ZipBytes::unixLink("out", "../../outside"), ZipBytes::unixFile("out/x", "x")})
        << Tree();
}

// What libzip refuses for an inconsistency or a method it lacks is read by libarchive or 7z through
// the same pipeline: extracted whole, listed and tested, or refused as unsafe with nothing left.
void TestZip::readsWhatLibzipRefuses()
{
    QFETCH(QByteArray, archive);
    QFETCH(Tree, expected);
    QVERIFY(!archive.isEmpty());

    Sandbox sandbox;
    const QString path = sandbox.filePath("odd.zip");
    QVERIFY(TestTree::writeFile(path, archive));
    const Tree outside = sandbox.outside();
    ArchiveJob extraction(OperationRequest::extract(path, sandbox.destination(), QString()));
    const OperationResult extracted = extraction.run();
    QCOMPARE(sandbox.outside(), outside);
    if (expected.isEmpty()) {
        QVERIFY(!extracted.succeeded());
        QVERIFY2(!QFileInfo::exists(sandbox.destination()), "a refused archive left its destination");
        return;
    }
    QVERIFY2(extracted.succeeded(), qPrintable(QStringLiteral("code %1: %2 %3")
                                                   .arg(int(extracted.code))
                                                   .arg(extracted.entry, extracted.detail)));
    QCOMPARE(snapshot(sandbox.destination()), expected);

    ArchiveJob listing(OperationRequest::list(path, QString()));
    QVERIFY(listing.run().succeeded());
    QSet<QString> listed;
    for (const ArchiveEntry &entry : listing.entries())
        listed.insert(entry.name + (entry.isFolder ? "/" : ""));
    QCOMPARE(listed, expectedEntryNames(expected));
    ArchiveJob test(OperationRequest::test(path, QString()));
    QVERIFY(test.run().succeeded());
}

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
