#include "compressionhandler.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestDispatch : public QObject
{
    Q_OBJECT

private slots:
    void refusesBeforeAnyWork_data();
    void refusesBeforeAnyWork();
    void unsupportedSuffix_data();
    void unsupportedSuffix();
    void missingArchiveTouchesNothing();
    void emptyDestinationRefused();
    void errorClearedByNextOperation();
};

void TestDispatch::refusesBeforeAnyWork_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty list wins over bad format") << "RAR" << QStringList() << "未选择要压缩的文件";
    QTest::newRow("empty list, known format") << "ZIP" << QStringList() << "未选择要压缩的文件";
    QTest::newRow("lower-case name") << "zip" << QStringList{"/tmp/x"} << "压缩格式 zip 暂不支持";
    QTest::newRow("rar is not written") << "RAR" << QStringList{"/tmp/x"} << "压缩格式 RAR 暂不支持";
    QTest::newRow("mixed case") << "Gzip" << QStringList{"/tmp/x"} << "压缩格式 Gzip 暂不支持";
}

void TestDispatch::refusesBeforeAnyWork()
{
    QFETCH(QString, format);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString archive = dir.filePath("out.bin");
    CompressionHandler handler;
    QSignalSpy progress(&handler, &CompressionHandler::progressChanged);
    QVERIFY(!handler.compressFiles(format, files, archive, QString()));
    QCOMPARE(handler.lastError(), expected);
    QVERIFY(!QFile::exists(archive));
    QCOMPARE(progress.count(), 0);
}

void TestDispatch::unsupportedSuffix_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("arj") << "x.arj"
                         << "压缩格式 arj 暂不支持";
    QTest::newRow("upper-case ARJ is lowered") << "X.ARJ"
                                               << "压缩格式 arj 暂不支持";
    QTest::newRow("no suffix") << "archive"
                               << "压缩格式  暂不支持";
    QTest::newRow("trailing dot") << "archive."
                                  << "压缩格式  暂不支持";
    // A compound name is refused by its last suffix.
    QTest::newRow("tar.sz") << "a.tar.sz"
                            << "压缩格式 sz 暂不支持";
}

void TestDispatch::unsupportedSuffix()
{
    QFETCH(QString, fileName);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QFile archive(dir.filePath(fileName));
    QVERIFY(archive.open(QIODevice::WriteOnly));
    archive.close();

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive.fileName(), dir.filePath("out"), QString()));
    QCOMPARE(handler.lastError(), expected);
    QVERIFY(!QFile::exists(dir.filePath("out")));
}

void TestDispatch::missingArchiveTouchesNothing()
{
    QTemporaryDir dir;
    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(dir.filePath("missing.zip"), dir.filePath("dest"), QString()));
    QCOMPARE(handler.lastError(), QString("压缩文件不存在"));
    QVERIFY(!QFile::exists(dir.filePath("dest")));
}

void TestDispatch::emptyDestinationRefused()
{
    QTemporaryDir dir;
    QFile archive(dir.filePath("a.zip"));
    QVERIFY(archive.open(QIODevice::WriteOnly));
    archive.close();

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive.fileName(), QString(), QString()));
    QCOMPARE(handler.lastError(), QString("未指定解压目标目录"));
}

void TestDispatch::errorClearedByNextOperation()
{
    CompressionHandler handler;
    QVERIFY(!handler.compressFiles("ZIP", {}, "/tmp/never.zip", QString()));
    QVERIFY(!handler.lastError().isEmpty());
    QVERIFY(!handler.extractArchive("/nonexistent/a.rar", "/tmp", QString()));
    QCOMPARE(handler.lastError(), QString("压缩文件不存在"));
}

QTEST_GUILESS_MAIN(TestDispatch)
#include "tst_dispatch.moc"
