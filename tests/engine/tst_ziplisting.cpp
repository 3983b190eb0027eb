// Listing and testing ZIP archives through ArchiveJob: every entry once with the folders its names
// only imply, no password needed to list, nothing written; testing reads everything and names the
// first entry that fails.

#include "archivejob.h"
#include "compressionhandler.h"
#include "scriptedinteraction.h"
#include "testtree.h"
#include "zipbytes.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(QList<ZipBytes::Entry>)

namespace {

// One line per entry: what a listing says about it, in the listing's order.
QStringList describe(const ArchiveEntryList &entries)
{
    QStringList lines;
    for (const ArchiveEntry &entry : entries) {
        QString line = entry.name + (entry.isFolder ? " folder" : entry.isLink ? " link" : " file");
        line += QStringLiteral(" %1").arg(entry.size);
        if (entry.isLink)
            line += " -> " + entry.linkTarget;
        if (entry.encrypted)
            line += " encrypted";
        lines.append(line);
    }
    return lines;
}

OperationResult runJob(const OperationRequest &request, Interaction *interaction = nullptr,
                       ArchiveEntryList *entries = nullptr)
{
    ArchiveJob job(request);
    job.setInteraction(interaction);
    const OperationResult result = job.run();
    if (entries)
        *entries = job.entries();
    return result;
}

QString describe(const OperationResult &result)
{
    return QStringLiteral("code %1, entry '%2', path '%3', detail '%4'")
        .arg(int(result.code))
        .arg(result.entry, result.path, result.detail);
}

} // namespace

class TestZipListing : public QObject
{
    Q_OBJECT

private slots:
    void lists_data();
    void lists();
    void listsEncryptedArchiveWithoutAsking();
    void testsWholeArchivesWithoutWriting_data();
    void testsWholeArchivesWithoutWriting();
    void testNamesFirstFailingEntry_data();
    void testNamesFirstFailingEntry();
};

void TestZipListing::lists_data()
{
    QTest::addColumn<QList<ZipBytes::Entry>>("stored");
    QTest::addColumn<LegacyNameLanguage>("language");
    QTest::addColumn<QStringList>("expected");

    using namespace ZipBytes;
    Entry flagged = unixFile("文档/报告/a.txt", "abc");
    flagged.flags = utf8Flag;
    QTest::newRow("Chinese names, empty and implied folders")
        << QList<Entry>{unixFolder("文档/空/"), flagged, unixFile("b.txt", "")} << LegacyNameLanguage::Western
        << QStringList{"文档 folder 0", "文档/空 folder 0", "文档/报告 folder 0", "文档/报告/a.txt file 3",
                       "b.txt file 0"};

    QStringEncoder gbk("GB18030");
    Entry legacy;
    legacy.name = gbk.encode(QStringLiteral("中文目录/说明文件.txt"));
    legacy.data = "gbk";
    QTest::newRow("GBK names under English")
        << QList<Entry>{legacy} << LegacyNameLanguage::Western
        << QStringList{"中文目录 folder 0", "中文目录/说明文件.txt file 3"};

    QTest::newRow("links") << QList<Entry>{unixFile("dir/target.txt", "t"),
                                           unixLink("dir/link", "target.txt"), unixLink("up", "dir/../dir")}
                           << LegacyNameLanguage::SimplifiedChinese
                           << QStringList{"dir folder 0", "dir/target.txt file 1",
                                          "dir/link link 0 -> target.txt", "up link 0 -> dir/../dir"};

    QTest::newRow("folder stored after its content")
        << QList<Entry>{unixFile("a/b/c.txt", "c"), unixFolder("a/b/"), unixFolder("a/b/")}
        << LegacyNameLanguage::SimplifiedChinese
        << QStringList{"a/b folder 0", "a folder 0", "a/b/c.txt file 1"};

    // One name, one row: the later entry, as extraction keeps it.
    QTest::newRow("a name stored twice")
        << QList<Entry>{unixFile("dup.txt", "first"), unixFile("dup.txt", "2nd")}
        << LegacyNameLanguage::SimplifiedChinese << QStringList{"dup.txt file 3"};
    QTest::newRow("a link, then an entry below its name")
        << QList<Entry>{unixLink("abs", "/tmp"), unixFile("abs/escape.txt", "x")}
        << LegacyNameLanguage::SimplifiedChinese
        << QStringList{"abs link 0 -> /tmp", "abs/escape.txt file 1"};
    QTest::newRow("a folder implied, then a file of its name")
        << QList<Entry>{unixFile("a/b", "b"), unixFile("a", "file")} << LegacyNameLanguage::SimplifiedChinese
        << QStringList{"a file 4", "a/b file 1"};
}

void TestZipListing::lists()
{
    QFETCH(QList<ZipBytes::Entry>, stored);
    QFETCH(LegacyNameLanguage, language);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    const QString archive = dir.filePath("listed.zip");
    QVERIFY(ZipBytes::write(archive, stored));
    OperationRequest request = OperationRequest::list(archive, QString());
    request.legacyNameLanguage = language;
    ArchiveEntryList entries;
    const OperationResult result = runJob(request, nullptr, &entries);
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    QCOMPARE(describe(entries), expected);
    QCOMPARE(TestTree::snapshot(dir.path()).keys(), QStringList{"listed.zip"});
}

void TestZipListing::listsEncryptedArchiveWithoutAsking()
{
    QTemporaryDir dir;
    QVERIFY(TestTree::build(
        dir.filePath("src"),
        {{"box/a.txt", "alpha"}, {"box/empty/", {}}, {"box/link", "-> sub"}, {"box/sub/b.txt", "bee"}}));
    const QString archive = dir.filePath("locked.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/box")}, archive, "secret"),
             qPrintable(handler.lastError()));
    const auto before = TestTree::snapshot(dir.path());

    ScriptedInteraction interaction;
    ArchiveEntryList entries;
    OperationResult result = runJob(OperationRequest::list(archive, QString()), &interaction, &entries);
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    QVERIFY(interaction.passwordQuestions.isEmpty());
    // A link to a folder stays a link; its target is encrypted like any data, so without the password
    // it stays unknown.
    QCOMPARE(describe(entries), (QStringList{"box folder 0", "box/a.txt file 5 encrypted",
                                             "box/empty folder 0", "box/link link 0 ->  encrypted",
                                             "box/sub folder 0", "box/sub/b.txt file 3 encrypted"}));
    QCOMPARE(entries.at(1).modified.date(), QFileInfo(dir.filePath("src/box/a.txt")).lastModified().date());

    result = runJob(OperationRequest::list(archive, "secret"), &interaction, &entries);
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    QCOMPARE(entries.at(3).linkTarget, QStringLiteral("sub"));
    QCOMPARE(TestTree::snapshot(dir.path()), before);
}

void TestZipListing::testsWholeArchivesWithoutWriting_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    QTest::newRow("AES-256") << QStringLiteral("secret");
}

void TestZipListing::testsWholeArchivesWithoutWriting()
{
    QFETCH(QString, password);
    QTemporaryDir dir;
    QVERIFY(TestTree::build(dir.filePath("src"), {{"set/big.bin", TestTree::sampleData(3000000, 1)},
                                                  {"set/a.txt", "a"},
                                                  {"set/link", "-> a.txt"},
                                                  {"set/empty/", {}}}));
    const QString archive = dir.filePath("set.zip");
    CompressionHandler handler;
    QVERIFY2(handler.compressFiles("ZIP", {dir.filePath("src/set")}, archive, password),
             qPrintable(handler.lastError()));
    const auto before = TestTree::snapshot(dir.path());
    ScriptedInteraction interaction;
    const OperationResult result = runJob(OperationRequest::test(archive, password), &interaction);
    QVERIFY2(result.succeeded(), qPrintable(describe(result)));
    QVERIFY(interaction.passwordQuestions.isEmpty());
    QCOMPARE(TestTree::snapshot(dir.path()), before);
}

void TestZipListing::testNamesFirstFailingEntry_data()
{
    QTest::addColumn<QList<ZipBytes::Entry>>("stored");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("entry");

    using namespace ZipBytes;
    // Enough data for several reading threads; the later damage may be met first.
    QList<Entry> many;
    for (int i = 0; i < 24; ++i)
        many.append(unixFile(QStringLiteral("f%1.bin").arg(i, 2, 10, QLatin1Char('0')).toUtf8(),
                             TestTree::sampleData(1500000, quint32(200 + i))));
    many[12].wrongCrc = true;
    many[20].wrongCrc = true;
    QTest::newRow("two damaged among many") << many << int(ResultCode::DamagedEntry) << "f12.bin";

    Entry damaged = unixFile("bad.txt", "payload");
    damaged.wrongCrc = true;
    QTest::newRow("damaged after a good one")
        << QList<Entry>{unixFile("good.txt", "fine"), damaged} << int(ResultCode::DamagedEntry) << "bad.txt";

    Entry unknownMethod = unixFile("ppmd.bin", "data");
    unknownMethod.method = 98;
    unknownMethod.compressedData = "not really PPMd";
    QTest::newRow("method no reader here knows") << QList<Entry>{unixFile("good.txt", "fine"), unknownMethod}
                                                 << int(ResultCode::UnsupportedMethod) << "ppmd.bin";
}

void TestZipListing::testNamesFirstFailingEntry()
{
    QFETCH(QList<ZipBytes::Entry>, stored);
    QFETCH(int, code);
    QFETCH(QString, entry);

    QTemporaryDir dir;
    const QString archive = dir.filePath("damaged.zip");
    QVERIFY(ZipBytes::write(archive, stored));
    const OperationResult result = runJob(OperationRequest::test(archive, QString()));
    QCOMPARE(int(result.code), code);
    QCOMPARE(result.entry, entry);
    QVERIFY2(!result.detail.isEmpty(), "libzip's reason is missing");
    QCOMPARE(TestTree::snapshot(dir.path()).keys(), QStringList{"damaged.zip"});
}

QTEST_GUILESS_MAIN(TestZipListing)
#include "tst_ziplisting.moc"
