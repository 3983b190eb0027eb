// The quick check of ZIP archives: which archives it confirms by itself, that it never confirms one
// the full test finds damaged, and that it names entries as the listing does.

#include "archivejob.h"
#include "operationcontext.h"
#include "testtree.h"
#include "toolrun.h"
#include "zipbytes.h"
#include "zipquickcheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class LastProgress : public ProgressListener
{
public:
    void progressUpdated(const OperationProgress &progress) override { last = progress; }
    OperationProgress last;
};

struct QuickRun {
    ZipQuickCheck::Verdict verdict = ZipQuickCheck::Verdict::Undecided;
    qint64 processed = 0;
    qint64 total = 0;
    QString lastEntry;
};

QuickRun quickCheck(const QString &archive, bool cancelled = false)
{
    OperationRequest request = OperationRequest::test(archive, QString());
    request.legacyNameLanguage = LegacyNameLanguage::SimplifiedChinese;
    const std::atomic_bool cancel{cancelled};
    LastProgress listener;
    OperationContext context(request, cancel, &listener, nullptr);
    QuickRun run;
    run.verdict = ZipQuickCheck(context).run();
    context.publishFinal(run.verdict == ZipQuickCheck::Verdict::Intact);
    run.processed = context.processedBytes();
    run.total = context.totalBytes();
    run.lastEntry = listener.last.currentEntry;
    return run;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    return TestTree::writeFile(path, bytes);
}

ZipBytes::Entry deflated(const QByteArray &name, const QByteArray &data)
{
    ZipBytes::Entry entry;
    entry.name = name;
    entry.data = data;
    entry.method = 8;
    entry.compressedData = ZipBytes::rawDeflate(data);
    return entry;
}

ZipBytes::Entry stored(const QByteArray &name, const QByteArray &data)
{
    ZipBytes::Entry entry;
    entry.name = name;
    entry.data = data;
    return entry;
}

} // namespace

Q_DECLARE_METATYPE(QList<ZipBytes::Entry>)

class TestZipQuickCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void verdicts_data();
    void verdicts();
    void namesAsListed_data();
    void namesAsListed();
    void cancelled();

private:
    // An archive made by the zip program from the sample folder, with these options.
    QByteArray zipped(const QStringList &options);

    QTemporaryDir work;
};

void TestZipQuickCheck::initTestCase()
{
    QVERIFY(work.isValid());
    QVERIFY(TestTree::build(work.filePath("source"), {{"notes.txt", QByteArray("some words ").repeated(5000)},
                                                      {"noise.bin", TestTree::randomBytes(300 * 1024)},
                                                      {"empty.txt", QByteArray()},
                                                      {"docs/readme.md", "read me"},
                                                      {"docs/empty/", QByteArray()}}));
}

QByteArray TestZipQuickCheck::zipped(const QStringList &options)
{
    const QString archive = work.filePath("made.zip");
    QFile::remove(archive);
    const ToolRun made = ToolRun::run("zip", QStringList{"-q", "-r"} + options + QStringList{archive, "."},
                                      work.filePath("source"));
    if (made.exitCode != 0)
        qWarning("zip: %s", qPrintable(made.output));
    return readAll(archive);
}

void TestZipQuickCheck::verdicts_data()
{
    QTest::addColumn<QByteArray>("archive");
    // Whether the quick check confirms it alone, and what the full test says.
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("intact");

    const QByteArray plain = zipped({});
    QVERIFY(!plain.isEmpty());
    QTest::newRow("deflated, stored, empty and folder entries") << plain << true << true;
    QTest::newRow("ZIP64 records and fields") << zipped({"-fz"}) << true << true;
    QTest::newRow("no entries") << ZipBytes::build({}) << true << true;
    QTest::newRow("made byte by byte")
        << ZipBytes::build({deflated("a.txt", QByteArray("abc").repeated(1000)), stored("b.txt", "b")})
        << true << true;
    // Enough data for helper threads, whose findings count like the operation thread's.
    QList<ZipBytes::Entry> large;
    for (int index = 0; index < 3; ++index)
        large << stored("large" + QByteArray::number(index) + ".bin",
                        TestTree::randomBytes(12 * 1024 * 1024));
    QTest::newRow("large entries") << ZipBytes::build(large) << true << true;
    large.last().wrongCrc = true;
    QTest::newRow("large entries, the last damaged") << ZipBytes::build(large) << false << false;

    // Left to the full test, which can still read them.
    QTest::newRow("encrypted") << zipped({"-P", "secret"}) << false << false;
    QTest::newRow("bzip2 method") << zipped({"-Z", "bzip2"}) << false << true;
    // libzip and the fallback readers refuse an archive behind a stub today; the check leaves it to them.
    QTest::newRow("bytes before the archive") << QByteArray("#!/bin/sh\nexit 0\n") + plain << false << false;
    QTest::newRow("bytes after the archive") << plain + QByteArray("trailing") << false << true;
    {
        // A comment that holds a second end record: the archive reads two ways.
        QByteArray twoEnds = ZipBytes::build({stored("a.txt", "a")});
        const QByteArray innerEnd = twoEnds.right(22);
        twoEnds[twoEnds.size() - 2] = char(innerEnd.size());
        twoEnds.append(innerEnd);
        QTest::newRow("second end record in the comment") << twoEnds << false << true;
    }

    // Stricter than libzip, which reads the entry and ignores what follows its stream.
    ZipBytes::Entry trailingJunk = deflated("junk.txt", QByteArray("j").repeated(500));
    trailingJunk.compressedData.append("!!");
    QTest::newRow("bytes after the deflate stream") << ZipBytes::build({trailingJunk}) << false << true;

    // Damaged: only the full test may speak, and it must find the damage.
    ZipBytes::Entry wrongCrc = deflated("bad.txt", QByteArray("xyz").repeated(100));
    wrongCrc.wrongCrc = true;
    QTest::newRow("wrong checksum") << ZipBytes::build({stored("ok.txt", "ok"), wrongCrc}) << false << false;
    ZipBytes::Entry declaredLarger = stored("big.txt", "small");
    declaredLarger.declaredSize = 1 << 20;
    QTest::newRow("size larger than the data") << ZipBytes::build({declaredLarger}) << false << false;
    ZipBytes::Entry cutStream = deflated("cut.txt", TestTree::randomBytes(4000));
    cutStream.compressedData.chop(100);
    QTest::newRow("deflate stream cut short") << ZipBytes::build({cutStream}) << false << false;
    ZipBytes::Entry flipped = deflated("flipped.txt", TestTree::sampleData(20000, 7));
    flipped.compressedData[flipped.compressedData.size() / 2] ^= 0x55;
    QTest::newRow("flipped byte in deflated data") << ZipBytes::build({flipped}) << false << false;
}

void TestZipQuickCheck::verdicts()
{
    QFETCH(QByteArray, archive);
    QFETCH(bool, confirmed);
    QFETCH(bool, intact);

    const QString path = work.filePath("case.zip");
    QVERIFY(writeAll(path, archive));
    const QuickRun quick = quickCheck(path);
    QCOMPARE(quick.verdict, confirmed ? ZipQuickCheck::Verdict::Intact : ZipQuickCheck::Verdict::Undecided);
    if (confirmed)
        QCOMPARE(quick.processed, quick.total);

    // What it confirms, an independent reader finds intact too (at most with a warning: an empty
    // archive); and the engine's whole test, for which the quick check is only a shortcut, agrees.
    if (confirmed) {
        const ToolRun unzip = ToolRun::run("unzip", {"-tq", path});
        QVERIFY2(unzip.exitCode == 0 || unzip.exitCode == 1, qPrintable(unzip.output));
    }
    ArchiveJob job(OperationRequest::test(path, QString()));
    const OperationResult result = job.run();
    QVERIFY2(result.succeeded() == intact,
             qPrintable(QString::number(int(result.code)) + ' ' + result.detail));
}

void TestZipQuickCheck::namesAsListed_data()
{
    QTest::addColumn<QList<ZipBytes::Entry>>("entries");

    ZipBytes::Entry utf8 = stored("文件夹/说明.txt", "x");
    utf8.flags = ZipBytes::utf8Flag;
    QTest::newRow("marked UTF-8") << QList<ZipBytes::Entry>{utf8};
    ZipBytes::Entry gbk = stored("\xce\xc4\xbc\xfe.txt", "x"); // 文件 in GBK, unmarked, from DOS
    QTest::newRow("GBK from a Windows maker") << QList<ZipBytes::Entry>{gbk};
    ZipBytes::Entry unicodePath = stored("plain-name.txt", "x");
    unicodePath.extra = ZipBytes::unicodePathField("真名.txt", ZipBytes::crc32Of("plain-name.txt"));
    QTest::newRow("Unicode path field") << QList<ZipBytes::Entry>{unicodePath};
    ZipBytes::Entry staleUnicodePath = stored("kept-name.txt", "x");
    staleUnicodePath.extra = ZipBytes::unicodePathField("stale.txt", ZipBytes::crc32Of("other"));
    QTest::newRow("Unicode path field for another name") << QList<ZipBytes::Entry>{staleUnicodePath};
}

void TestZipQuickCheck::namesAsListed()
{
    QFETCH(QList<ZipBytes::Entry>, entries);

    const QString path = work.filePath("named.zip");
    QVERIFY(ZipBytes::write(path, entries));
    const QuickRun quick = quickCheck(path);
    QCOMPARE(quick.verdict, ZipQuickCheck::Verdict::Intact);

    OperationRequest listing = OperationRequest::list(path, QString());
    listing.legacyNameLanguage = LegacyNameLanguage::SimplifiedChinese;
    ArchiveJob job(listing);
    QVERIFY(job.run().succeeded());
    QStringList files;
    for (const ArchiveEntry &entry : job.entries()) {
        if (!entry.isFolder)
            files << entry.name;
    }
    QCOMPARE(files.size(), 1);
    QCOMPARE(quick.lastEntry, files.first());
}

void TestZipQuickCheck::cancelled()
{
    const QString path = work.filePath("cancelled.zip");
    QVERIFY(ZipBytes::write(path, {deflated("a.txt", "aaaa"), deflated("b.txt", "bbbb")}));
    const QuickRun quick = quickCheck(path, true);
    QCOMPARE(quick.verdict, ZipQuickCheck::Verdict::Cancelled);
}

QTEST_GUILESS_MAIN(TestZipQuickCheck)
#include "tst_zipquickcheck.moc"
