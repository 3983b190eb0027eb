// The free name an existing archive's replacement takes with --overwrite=rename.
#include "freename.h"
#include "testtree.h"

#include <QTemporaryDir>
#include <QTest>

class TestFreeName : public QObject
{
    Q_OBJECT

private slots:
    void nextFreeName_data();
    void nextFreeName();
};

void TestFreeName::nextFreeName_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zip") << QStringList{QStringLiteral("a.zip")} << QStringLiteral("a.zip")
                         << QStringLiteral("a (2).zip");
    QTest::newRow("compound ending stays whole")
        << QStringList{QStringLiteral("备份.tar.gz")} << QStringLiteral("备份.tar.gz")
        << QStringLiteral("备份 (2).tar.gz");
    QTest::newRow("ending in capitals") << QStringList{QStringLiteral("B.TAR.XZ")}
                                        << QStringLiteral("B.TAR.XZ") << QStringLiteral("B (2).TAR.XZ");
    QTest::newRow("taken numbers skipped")
        << QStringList{QStringLiteral("a.7z"), QStringLiteral("a (2).7z"), QStringLiteral("a (3).7z")}
        << QStringLiteral("a.7z") << QStringLiteral("a (4).7z");
    QTest::newRow("unknown ending") << QStringList{QStringLiteral("notes.txt")} << QStringLiteral("notes.txt")
                                    << QStringLiteral("notes (2).txt");
    QTest::newRow("no ending") << QStringList{QStringLiteral("README")} << QStringLiteral("README")
                               << QStringLiteral("README (2)");
    QTest::newRow("percent signs in the name")
        << QStringList{QStringLiteral("%1 %2.zip")} << QStringLiteral("%1 %2.zip")
        << QStringLiteral("%1 %2 (2).zip");
}

void TestFreeName::nextFreeName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const QString &file : existing)
        QVERIFY(TestTree::writeFile(folder.filePath(file), "x"));
    QCOMPARE(FreeName::next(folder.filePath(name)), folder.filePath(expected));
}

QTEST_GUILESS_MAIN(TestFreeName)
#include "tst_freename.moc"
