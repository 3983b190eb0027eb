// Names stored without a UTF-8 mark, decoded from the evidence: the bytes themselves, the maker's
// host system and, only between equally plausible readings, the interface language.

#include "legacynamedecoder.h"

#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTest>

Q_DECLARE_METATYPE(LegacyNameLanguage)

class TestLegacyNameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void longNamesTakeLinearTime();
};

void TestLegacyNameDecoder::decodes_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("markedUtf8");
    QTest::addColumn<int>("host");
    QTest::addColumn<LegacyNameLanguage>("language");
    QTest::addColumn<QString>("expected");

    const auto encoded = [](const char *codec, const QString &text) {
        QStringEncoder encoder(codec);
        return QByteArray(encoder.encode(text));
    };
    constexpr int dos = 0;
    constexpr int unixHost = 3;
    constexpr int ntfs = 10;
    const auto simplified = LegacyNameLanguage::SimplifiedChinese;
    const auto traditional = LegacyNameLanguage::TraditionalChinese;
    const auto western = LegacyNameLanguage::Western;

    const QString chinese = QStringLiteral("项目报告（2024）/中文文件名.txt");
    const QString taiwanese = QStringLiteral("電影資料夾/檔案說明.txt");
    const QString german = QStringLiteral("Ölfässer für Straße.txt");
    const QString french = QStringLiteral("café crème naïve.doc");

    QTest::newRow("GBK under Simplified Chinese")
        << encoded("GB18030", chinese) << false << dos << simplified << chinese;
    QTest::newRow("GBK under English") << encoded("GB18030", chinese) << false << ntfs << western << chinese;
    QTest::newRow("GBK under Traditional Chinese")
        << encoded("GB18030", chinese) << false << dos << traditional << chinese;
    QTest::newRow("Big5 under Traditional Chinese")
        << encoded("Big5", taiwanese) << false << dos << traditional << taiwanese;
    QTest::newRow("Big5 under Simplified Chinese")
        << encoded("Big5", taiwanese) << false << dos << simplified << taiwanese;
    QTest::newRow("CP437 under Simplified Chinese")
        << encoded("IBM437", german) << false << dos << simplified << german;
    QTest::newRow("CP437 under Traditional Chinese")
        << encoded("IBM437", french) << false << dos << traditional << french;
    QTest::newRow("CP437 under English") << encoded("IBM437", german) << false << dos << western << german;
    QTest::newRow("Windows-1252 from a Unix maker")
        << encoded("windows-1252", german) << false << unixHost << simplified << german;
    QTest::newRow("UTF-8 without the mark") << chinese.toUtf8() << false << dos << western << chinese;
    QTest::newRow("UTF-8 marked") << taiwanese.toUtf8() << true << unixHost << simplified << taiwanese;
    QTest::newRow("CP437 box drawing stays readable")
        << QByteArray("\x80\xff.txt") << false << dos << simplified << QStringLiteral("Ç\u00a0.txt");
}

void TestLegacyNameDecoder::decodes()
{
    QFETCH(QByteArray, raw);
    QFETCH(bool, markedUtf8);
    QFETCH(int, host);
    QFETCH(LegacyNameLanguage, language);
    QFETCH(QString, expected);

    LegacyNameDecoder::NameEvidence evidence;
    evidence.markedUtf8 = markedUtf8;
    evidence.hostSystem = host;
    QCOMPARE(LegacyNameDecoder::decode(raw, evidence, language), expected);
}

void TestLegacyNameDecoder::longNamesTakeLinearTime()
{
    // 65,000 bytes of legacy text in one name: quadratic work would take minutes.
    QStringEncoder gbk("GB18030");
    QByteArray raw;
    while (raw.size() < 65000)
        raw += QByteArray(gbk.encode(QStringLiteral("文件/")));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 24; ++i)
        QVERIFY(!LegacyNameDecoder::decode(raw, {}, LegacyNameLanguage::Western).isEmpty());
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestLegacyNameDecoder)
#include "tst_legacynamedecoder.moc"
