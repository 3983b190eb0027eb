// The window's pure rules over the format registry: the save dialog's filters and the ending a
// filter adds, which names offer extraction or a password, and the interface language's reading of
// legacy names.
#include "archivecommands.h"
#include "archivefilenames.h"
#include "archiveformat.h"

#include <QtTest>

Q_DECLARE_METATYPE(LegacyNameLanguage)

class TestArchiveFileNames : public QObject
{
    Q_OBJECT

private slots:
    void filtersCoverWhatCanBeCreated();
    void completedPath_data();
    void completedPath();
    void canHoldPassword_data();
    void canHoldPassword();
    void offersExtraction_data();
    void offersExtraction();
    void legacyNameLanguage_data();
    void legacyNameLanguage();
};

// Every pattern of every filter names something the registry can create, and every creatable
// ending is in a filter of its own; the first filter is every archive, in the words users know.
void TestArchiveFileNames::filtersCoverWhatCanBeCreated()
{
    const QStringList filters = ArchiveCommands::saveFilters();
    QCOMPARE(filters.first(), QStringLiteral("压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)"));
    QCOMPARE(filters.mid(1), ArchiveFileNames::formatFilters());
    QStringList perFormat;
    for (const QString &filter : filters) {
        const QString patterns = filter.section(QLatin1Char('('), 1).chopped(1);
        for (const QString &pattern : patterns.split(QLatin1Char(' '))) {
            QVERIFY2(FormatRegistry::canCreate(QStringLiteral("name") + pattern.mid(1)), qPrintable(pattern));
            if (filter != filters.first())
                perFormat.append(pattern);
        }
    }
    QStringList creatable = FormatRegistry::creatablePatterns();
    creatable.sort();
    perFormat.sort();
    QCOMPARE(perFormat, creatable);
    QVERIFY(filters.contains(QStringLiteral("tar.gz (*.tar.gz *.tgz)")));
    QVERIFY(filters.contains(QStringLiteral("zip (*.zip)")));
}

void TestArchiveFileNames::completedPath_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");

    const QString all = QStringLiteral("压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)");
    QTest::newRow("no ending, tar.gz filter") << "/a/backup"
                                              << "tar.gz (*.tar.gz *.tgz)"
                                              << "/a/backup.tar.gz";
    QTest::newRow("unknown ending, 7z filter") << "/a/notes.v2"
                                               << "7z (*.7z)"
                                               << "/a/notes.v2.7z";
    QTest::newRow("known ending kept under another filter") << "/a/backup.tgz"
                                                            << "zip (*.zip)"
                                                            << "/a/backup.tgz";
    QTest::newRow("known ending in capitals kept") << "/a/BACKUP.ZIP"
                                                   << "7z (*.7z)"
                                                   << "/a/BACKUP.ZIP";
    QTest::newRow("no ending, every archive: as typed, for the engine to refuse")
        << "/a/backup" << all << "/a/backup";
    QTest::newRow("a folder named like an archive does not count") << "/a/x.zip/backup"
                                                                   << "tar (*.tar)"
                                                                   << "/a/x.zip/backup.tar";
}

void TestArchiveFileNames::completedPath()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QCOMPARE(ArchiveFileNames::completedPath(typed, filter), written);
}

void TestArchiveFileNames::canHoldPassword_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("holds");

    QTest::newRow("zip") << "a.zip" << true;
    QTest::newRow("7z") << "a.7z" << true;
    for (const char *name :
         {"a.tar", "a.tar.gz", "a.tgz", "a.gz", "a.tar.bz2", "a.tbz2", "a.tar.xz", "a.txz"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
    QTest::newRow("unknown") << "a.rar" << false;
}

void TestArchiveFileNames::canHoldPassword()
{
    QFETCH(QString, name);
    QFETCH(bool, holds);
    QCOMPARE(ArchiveFileNames::canHoldPassword(name), holds);
}

void TestArchiveFileNames::offersExtraction_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("offered");

    QTest::newRow("nothing") << QStringList() << false;
    QTest::newRow("text only") << QStringList{"a.txt", "README"} << false;
    for (const char *name : {"a.zip", "a.7z", "a.tar", "a.tgz", "a.tbz2", "a.txz", "a.tar.xz", "notes.txt.gz",
                             "data.bz2", "log.xz", "UPPER.ZIP"})
        QTest::newRow(name) << QStringList{QStringLiteral("a.txt"), QString::fromLatin1(name)} << true;
    QTest::newRow("rar as the registry says")
        << QStringList{"old.rar"} << FormatRegistry::canExtract(QStringLiteral("old.rar"));
}

void TestArchiveFileNames::offersExtraction()
{
    QFETCH(QStringList, names);
    QFETCH(bool, offered);
    QCOMPARE(ArchiveCommands::offersExtraction(names), offered);
}

void TestArchiveFileNames::legacyNameLanguage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<LegacyNameLanguage>("language");

    QTest::newRow("Simplified Chinese") << "zh_CN" << LegacyNameLanguage::SimplifiedChinese;
    QTest::newRow("Traditional Chinese") << "zh_TW" << LegacyNameLanguage::TraditionalChinese;
    QTest::newRow("English") << "en_US" << LegacyNameLanguage::Western;
}

void TestArchiveFileNames::legacyNameLanguage()
{
    QFETCH(QString, code);
    QFETCH(LegacyNameLanguage, language);
    QCOMPARE(ArchiveCommands::legacyNameLanguageFor(code), language);
}

QTEST_GUILESS_MAIN(TestArchiveFileNames)
#include "tst_archivefilenames.moc"
