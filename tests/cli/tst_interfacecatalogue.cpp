// Which catalogue a locale gets, and that each one the program ships loads.
#include "interfacecatalogue.h"

#include <QTest>
#include <QTranslator>

class TestInterfaceCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void languageForLocale_data();
    void languageForLocale();
    void everyChosenCatalogueLoads_data();
    void everyChosenCatalogueLoads();
};

void TestInterfaceCatalogue::languageForLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("language");
    QTest::newRow("zh_CN") << QStringLiteral("zh_CN") << QStringLiteral("zh_CN");
    QTest::newRow("zh_SG") << QStringLiteral("zh_SG") << QStringLiteral("zh_CN");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << QStringLiteral("zh_TW");
    QTest::newRow("zh_HK") << QStringLiteral("zh_HK") << QStringLiteral("zh_TW");
    QTest::newRow("Traditional script") << QStringLiteral("zh_Hant") << QStringLiteral("zh_TW");
    QTest::newRow("Simplified script in Hong Kong")
        << QStringLiteral("zh_Hans_HK") << QStringLiteral("zh_CN");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("en_US");
    QTest::newRow("en_GB") << QStringLiteral("en_GB") << QStringLiteral("en_US");
    QTest::newRow("German falls back to English") << QStringLiteral("de_DE") << QStringLiteral("en_US");
    QTest::newRow("C") << QStringLiteral("C") << QStringLiteral("en_US");
}

void TestInterfaceCatalogue::languageForLocale()
{
    QFETCH(QString, locale);
    QTEST(InterfaceCatalogue::languageFor(QLocale(locale)), "language");
}

void TestInterfaceCatalogue::everyChosenCatalogueLoads_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("loads");
    QTest::newRow("zh_CN, the source language") << QStringLiteral("zh_CN") << false;
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << true;
    QTest::newRow("en_US") << QStringLiteral("en_US") << true;
}

void TestInterfaceCatalogue::everyChosenCatalogueLoads()
{
    QFETCH(QString, language);
    QTranslator translator;
    QTEST(InterfaceCatalogue::load(translator, language), "loads");
    if (!translator.isEmpty())
        QCOMPARE(translator.language(), language);
}

QTEST_GUILESS_MAIN(TestInterfaceCatalogue)
#include "tst_interfacecatalogue.moc"
