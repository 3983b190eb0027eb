// Regression tests for faults of the ZIP reader found by fuzzing (scripts/fuzz.sh) and by the review
// that came with it. Each archive is assembled here byte by byte: the faults live in header fields
// that no ZIP writer would produce.

#include "compressionhandler.h"
#include "zipbytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A stored entry made on Unix with the given mode; declaredSize non-zero: the central directory
// claims this size in a ZIP64 field.
ZipBytes::Entry entry(const QByteArray &name, const QByteArray &data, quint32 unixMode = 0100644,
                      quint16 flags = 0, quint64 declaredSize = 0, quint16 dosDate = 0x5021)
{
    ZipBytes::Entry made;
    made.name = name;
    made.data = data;
    made.unixMode = unixMode;
    made.flags = flags;
    made.declaredSize = declaredSize;
    made.dosDate = dosDate;
    return made;
}

} // namespace

class TestZipFindings : public QObject
{
    Q_OBJECT

private slots:
    void declaredSizesCannotBreakProgress_data();
    void declaredSizesCannotBreakProgress();
    void linkWithHugeDeclaredSizeRefused();
    void unsupportedEncryptionRefusedBeforeWriting();
    void entryNamingTheDestinationLeavesItAlone();
};

void TestZipFindings::declaredSizesCannotBreakProgress_data()
{
    QTest::addColumn<quint64>("declaredSize");
    // Read as signed, this size plus the per-entry weight summed to zero: a division by zero that
    // killed the program (found by UndefinedBehaviorSanitizer on a fuzzed ZIP64 field).
    QTest::newRow("sums to zero") << quint64(0) - 16384;
    // The largest signed size overflowed the sum of sizes.
    QTest::newRow("largest signed") << quint64(0x7FFFFFFFFFFFFFFF);
    QTest::newRow("largest unsigned") << ~quint64(0);
}

void TestZipFindings::declaredSizesCannotBreakProgress()
{
    QFETCH(quint64, declaredSize);

    QTemporaryDir dir;
    const QString archive = dir.filePath("sizes.zip");
    QVERIFY(ZipBytes::write(archive, {entry("a.txt", "hello world\n", 0100644, 0, declaredSize)}));

    CompressionHandler handler;
    QList<int> progress;
    connect(&handler, &CompressionHandler::progressChanged, this,
            [&progress](int value) { progress << value; });
    const bool extracted = handler.extractArchive(archive, dir.filePath("out"), QString());
    if (extracted) {
        QFile output(dir.filePath("out/a.txt"));
        QVERIFY(output.open(QIODevice::ReadOnly));
        QCOMPARE(output.readAll(), QByteArray("hello world\n"));
    } else {
        QVERIFY2(handler.lastError().contains("a.txt"), qPrintable(handler.lastError()));
        QVERIFY(!QFileInfo::exists(dir.filePath("out")));
    }
    for (const int value : std::as_const(progress))
        QVERIFY2(value >= 0 && value <= 100, qPrintable(QString::number(value)));
}

void TestZipFindings::linkWithHugeDeclaredSizeRefused()
{
    // A link's target was read into a buffer sized by the declared size: negative as a signed
    // number, so an empty buffer that the read then overran.
    QTemporaryDir dir;
    const QString archive = dir.filePath("link.zip");
    QVERIFY(ZipBytes::write(archive, {entry("link", "target.txt", 0120777, 0, quint64(0) - 16384)}));

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), QString("压缩包中的路径不安全: link"));
    QVERIFY(!QFileInfo(dir.filePath("out/link")).isSymLink());
}

void TestZipFindings::unsupportedEncryptionRefusedBeforeWriting()
{
    // Found by the fuzzer: an entry flagged with strong encryption, which libzip cannot decrypt
    // (and whose opening leaks in libzip 1.7). The archive is refused before anything is written.
    constexpr quint16 encrypted = 0x0001;
    constexpr quint16 strongEncryption = 0x0040;
    QTemporaryDir dir;
    const QString archive = dir.filePath("strong.zip");
    QVERIFY(
        ZipBytes::write(archive, {entry("inside.txt", "ok"), entry("secret.txt", QByteArray(32, 'x'), 0100644,
                                                                   encrypted | strongEncryption)}));

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, dir.filePath("out"), QString("password")));
    QCOMPARE(handler.lastError(), QString("压缩包使用了无法读取的加密方式: secret.txt"));
    QCOMPARE(handler.lastResult().code, ResultCode::UnsupportedEncryption);
    QVERIFY(!QFileInfo::exists(dir.filePath("out/inside.txt")));
}

void TestZipFindings::entryNamingTheDestinationLeavesItAlone()
{
    // "./" is a folder entry for the destination itself; its stored mode and time were applied to
    // the user's folder, so an archive could make the folder it was unpacked into world-writable.
    QTemporaryDir dir;
    const QString destination = dir.filePath("mine");
    QVERIFY(QDir().mkpath(destination));
    const auto ownMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                         QFileDevice::ReadGroup | QFileDevice::ExeGroup;
    QVERIFY(QFile::setPermissions(destination, ownMode));
    const QDateTime before = QFileInfo(destination).lastModified();

    const QString archive = dir.filePath("dot.zip");
    constexpr quint16 year1990 = (10 << 9) | (1 << 5) | 1;
    QVERIFY(ZipBytes::write(archive, {entry("./", {}, 040777, 0, 0, year1990), entry("a.txt", "a")}));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, destination, QString()), qPrintable(handler.lastError()));

    const QFileInfo after(destination);
    // Owner, group and other bits only; the "user" bits mirror whichever applies to us.
    const auto unixBits = [](QFileDevice::Permissions permissions) { return permissions.toInt() & 0x7077; };
    QCOMPARE(unixBits(after.permissions()), unixBits(ownMode));
    QVERIFY(after.lastModified() >= before);
    QVERIFY(QFileInfo::exists(destination + "/a.txt"));
}

QTEST_GUILESS_MAIN(TestZipFindings)
#include "tst_zipfindings.moc"
