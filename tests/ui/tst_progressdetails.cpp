#include "progressdetails.h"

#include <QtTest>

namespace {

constexpr qint64 mib = 1024 * 1024;
constexpr qint64 unknown = ProgressDetails::unknown;

} // namespace

class TestProgressDetails : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void duration_data();
    void duration();
};

void TestProgressDetails::lines_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<qint64>("processed");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("start, no byte counts")
        << 0 << unknown << unknown << qint64(0) << QStringList{"已用时间: 0:00"};
    QTest::newRow("percentage, still settling")
        << 50 << unknown << unknown << qint64(1999) << QStringList{"已用时间: 0:01"};
    QTest::newRow("remaining from the percentage")
        << 25 << unknown << unknown << qint64(10000) << QStringList{"已用时间: 0:10 | 剩余时间: 约 0:30"};
    QTest::newRow("below one percent")
        << 0 << unknown << unknown << qint64(10000) << QStringList{"已用时间: 0:10"};
    QTest::newRow("all done, archive still being written")
        << 100 << unknown << unknown << qint64(10000) << QStringList{"已用时间: 0:10"};
    QTest::newRow("percentage out of range")
        << 250 << unknown << unknown << qint64(10000) << QStringList{"已用时间: 0:10"};
    QTest::newRow("byte counts, first second") << 0 << qint64(0) << 48 * mib << qint64(500)
                                               << QStringList{"已处理: 0 字节 / 48.00 MB", "已用时间: 0:00"};
    QTest::newRow("byte counts") << 25 << 12 * mib << 48 * mib << qint64(4000)
                                 << QStringList{"已处理: 12.00 MB / 48.00 MB | 速度: 3.00 MB/秒",
                                                "已用时间: 0:04 | 剩余时间: 约 0:12"};
    // libzip weighs its progress by entries; the bytes tell the time better.
    QTest::newRow("bytes before the percentage")
        << 90 << 12 * mib << 48 * mib << qint64(4000)
        << QStringList{"已处理: 12.00 MB / 48.00 MB | 速度: 3.00 MB/秒",
                       "已用时间: 0:04 | 剩余时间: 约 0:12"};
    QTest::newRow("more processed than announced")
        << 100 << 50 * mib << 48 * mib << qint64(10000)
        << QStringList{"已处理: 50.00 MB / 48.00 MB | 速度: 5.00 MB/秒", "已用时间: 0:10"};
    QTest::newRow("unknown total") << 40 << 12 * mib << unknown << qint64(10000)
                                   << QStringList{"已用时间: 0:10 | 剩余时间: 约 0:15"};
    QTest::newRow("over an hour") << 50 << unknown << unknown << qint64(3725000)
                                  << QStringList{"已用时间: 1:02:05 | 剩余时间: 约 1:02:05"};
}

void TestProgressDetails::lines()
{
    QFETCH(int, percent);
    QFETCH(qint64, processed);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(QStringList, expected);

    QCOMPARE(ProgressDetails::lines({percent, processed, total, elapsedMs}), expected);
}

void TestProgressDetails::duration_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << qint64(0) << "0:00";
    QTest::newRow("under a second") << qint64(999) << "0:00";
    QTest::newRow("negative") << qint64(-5000) << "0:00";
    QTest::newRow("59 s") << qint64(59999) << "0:59";
    QTest::newRow("a minute") << qint64(60000) << "1:00";
    QTest::newRow("just under an hour") << qint64(3599999) << "59:59";
    QTest::newRow("an hour") << qint64(3600000) << "1:00:00";
    QTest::newRow("a day and a bit") << qint64(90061000) << "25:01:01";
}

void TestProgressDetails::duration()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);

    QCOMPARE(ProgressDetails::duration(milliseconds), text);
}

QTEST_GUILESS_MAIN(TestProgressDetails)
#include "tst_progressdetails.moc"
