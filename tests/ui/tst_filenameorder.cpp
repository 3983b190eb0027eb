// The file list's name order without the collator's cost: the fast comparison of ASCII names must
// give exactly the collator's answer, and ranks must order any names as the collator does.

#include "filenameorder.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QTest>

namespace {

int sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

QCollator fileListCollator(const QLocale &locale)
{
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Names built from pieces that stress what the table must get right: case, digits with and without
// leading zeros, and the punctuation file names carry.
QString randomName(QRandomGenerator &random, const QString &alphabet)
{
    QString name;
    const int length = random.bounded(1, 12);
    for (int i = 0; i < length; ++i)
        name += alphabet.at(random.bounded(int(alphabet.size())));
    return name;
}

} // namespace

class TestFileNameOrder : public QObject
{
    Q_OBJECT

private slots:
    void matchesCollator_data();
    void matchesCollator();
    void knownOrders_data();
    void knownOrders();
    void ranksFollowCollator_data();
    void ranksFollowCollator();
};

void TestFileNameOrder::matchesCollator_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("alphabet");

    const QString printable = [] {
        QString all;
        for (char16_t code = 0x20; code <= 0x7e; ++code)
            all += QChar(code);
        return all;
    }();
    const QString fileLike = QStringLiteral("aAbBzZ0019 ._-~()[]");
    for (const char *locale : {"zh_CN", "zh_TW", "en_US", "C"}) {
        QTest::addRow("%s, every printable character", locale) << locale << printable;
        QTest::addRow("%s, file-like", locale) << locale << fileLike;
        QTest::addRow("%s, numbers", locale) << locale << QStringLiteral("0012a");
    }
}

void TestFileNameOrder::matchesCollator()
{
    QFETCH(QString, locale);
    QFETCH(QString, alphabet);

    const FileNameOrder order{QLocale(locale)};
    const QCollator collator = fileListCollator(QLocale(locale));
    QRandomGenerator random(20261210);
    for (int i = 0; i < 20000; ++i) {
        const QString a = randomName(random, alphabet);
        const QString b = randomName(random, alphabet);
        const int expected = sign(collator.compare(a, b));
        if (sign(order.compare(a, b)) != expected)
            QFAIL(qPrintable(QStringLiteral("'%1' vs '%2': collator says %3").arg(a, b).arg(expected)));
    }
}

void TestFileNameOrder::knownOrders_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("expected");

    QTest::newRow("numbers by value") << "file2.txt"
                                      << "file10.txt" << -1;
    QTest::newRow("case ignored") << "Readme"
                                  << "readme" << 0;
    QTest::newRow("leading zeros ignored") << "part007"
                                           << "part7" << 0;
    QTest::newRow("shorter first") << "abc"
                                   << "abcd" << -1;
    QTest::newRow("long numbers") << "v123456789012345678901234567890123"
                                  << "v99" << 1;
    QTest::newRow("Chinese after Latin") << "zebra"
                                         << "文档" << -1;
    QTest::newRow("Chinese numbers") << "文档2"
                                     << "文档10" << -1;
}

void TestFileNameOrder::knownOrders()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, expected);

    const FileNameOrder order{QLocale(QStringLiteral("en_US"))};
    QCOMPARE(sign(fileListCollator(QLocale(QStringLiteral("en_US"))).compare(first, second)), expected);
    QCOMPARE(sign(order.compare(first, second)), expected);
    QCOMPARE(sign(order.compare(second, first)), -expected);
}

void TestFileNameOrder::ranksFollowCollator_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("alphabet");

    for (const char *locale : {"zh_CN", "C"}) {
        QTest::addRow("%s, ASCII only", locale) << locale << QStringLiteral("aB9 0._-");
        QTest::addRow("%s, Chinese among ASCII", locale) << locale << QStringLiteral("a文B档9 0._资料");
    }
}

void TestFileNameOrder::ranksFollowCollator()
{
    QFETCH(QString, locale);
    QFETCH(QString, alphabet);

    const FileNameOrder order{QLocale(locale)};
    const QCollator collator = fileListCollator(QLocale(locale));
    QRandomGenerator random(7);
    QStringList names;
    // Enough names that keys are made on several threads.
    for (int i = 0; i < 9000; ++i)
        names.append(randomName(random, alphabet));
    QList<QStringView> views(names.cbegin(), names.cend());
    const QList<int> ranks = order.ranks(views);
    QCOMPARE(ranks.size(), names.size());
    for (int i = 0; i < 3000; ++i) {
        const int a = random.bounded(int(names.size()));
        const int b = random.bounded(int(names.size()));
        const int expected = sign(collator.compare(names.at(a), names.at(b)));
        if (sign(ranks.at(a) - ranks.at(b)) != expected)
            QFAIL(qPrintable(QStringLiteral("'%1' (rank %2) vs '%3' (rank %4): collator says %5")
                                 .arg(names.at(a))
                                 .arg(ranks.at(a))
                                 .arg(names.at(b))
                                 .arg(ranks.at(b))
                                 .arg(expected)));
    }
}

QTEST_GUILESS_MAIN(TestFileNameOrder)
#include "tst_filenameorder.moc"
