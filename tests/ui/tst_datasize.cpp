#include "datasize.h"

#include <QtTest>

class TestDataSize : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
};

void TestDataSize::text_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << qint64(0) << "0 字节";
    QTest::newRow("1023") << qint64(1023) << "1023 字节";
    QTest::newRow("1024") << qint64(1024) << "1.00 KB";
    QTest::newRow("1536") << qint64(1536) << "1.50 KB";
    QTest::newRow("1048575") << qint64(1048575) << "1024.00 KB";
    QTest::newRow("1048576") << qint64(1048576) << "1.00 MB";
    QTest::newRow("1073741823") << qint64(1073741823) << "1024.00 MB";
    QTest::newRow("1 GiB") << qint64(1073741824) << "1.00 GB";
    QTest::newRow("1.5 GiB") << qint64(1610612736) << "1.50 GB";
    QTest::newRow("5 TiB stays in GB") << qint64(5) * 1024 * 1024 * 1024 * 1024 << "5120.00 GB";
}

void TestDataSize::text()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(DataSize::text(size), text);
}

QTEST_GUILESS_MAIN(TestDataSize)
#include "tst_datasize.moc"
