#include "entryremoval.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestEntryRemoval : public QObject
{
    Q_OBJECT

private slots:
    void kinds_data();
    void kinds();
    void removesFileAndFolder();
    void removesLinkButNotTarget_data();
    void removesLinkButNotTarget();
    void folderRemovalDoesNotFollowInnerLinks();
    void refusesRoots();
};

void TestEntryRemoval::kinds_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<RemovalKind>("kind");

    QTest::newRow("root") << QDir::rootPath() << RemovalKind::Refused;
    QTest::newRow("file") << "{work}/file" << RemovalKind::File;
    QTest::newRow("folder") << "{work}/folder" << RemovalKind::Folder;
    QTest::newRow("link to folder") << "{work}/folder-link" << RemovalKind::Link;
    QTest::newRow("link to file") << "{work}/file-link" << RemovalKind::Link;
    QTest::newRow("link to root") << "{work}/root-link" << RemovalKind::Link;
    QTest::newRow("dangling link") << "{work}/dangling" << RemovalKind::Link;
}

void TestEntryRemoval::kinds()
{
    QFETCH(QString, entry);
    QFETCH(RemovalKind, kind);

    QTemporaryDir work;
    QDir dir(work.path());
    QVERIFY(dir.mkdir(QStringLiteral("folder")));
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("folder")), dir.filePath(QStringLiteral("folder-link"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("file")), dir.filePath(QStringLiteral("file-link"))));
    QVERIFY(QFile::link(QDir::rootPath(), dir.filePath(QStringLiteral("root-link"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling"))));

    entry.replace(QLatin1String("{work}"), work.path());
    QCOMPARE(removalKindOf(QFileInfo(entry)), kind);
}

void TestEntryRemoval::removesFileAndFolder()
{
    QTemporaryDir work;
    QDir dir(work.path());
    QVERIFY(dir.mkpath(QStringLiteral("folder/inner")));
    QFile file(dir.filePath(QStringLiteral("folder/inner/file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QFile single(dir.filePath(QStringLiteral("single")));
    QVERIFY(single.open(QIODevice::WriteOnly));
    single.close();

    QVERIFY(removeEntry(dir.filePath(QStringLiteral("folder"))));
    QVERIFY(!dir.exists(QStringLiteral("folder")));
    QVERIFY(removeEntry(dir.filePath(QStringLiteral("single"))));
    QVERIFY(!dir.exists(QStringLiteral("single")));
    QVERIFY(!removeEntry(dir.filePath(QStringLiteral("never-existed"))));
}

void TestEntryRemoval::removesLinkButNotTarget_data()
{
    QTest::addColumn<bool>("targetIsFolder");
    QTest::newRow("link to folder") << true;
    QTest::newRow("link to file") << false;
}

void TestEntryRemoval::removesLinkButNotTarget()
{
    QFETCH(bool, targetIsFolder);

    QTemporaryDir work;
    QTemporaryDir outside;
    QFile precious(outside.filePath(QStringLiteral("precious")));
    QVERIFY(precious.open(QIODevice::WriteOnly));
    QVERIFY(precious.write("keep me") > 0);
    precious.close();

    const QString target = targetIsFolder ? outside.path() : precious.fileName();
    const QString link = work.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(removeEntry(link));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFile::exists(precious.fileName()));
    QCOMPARE(QFileInfo(precious.fileName()).size(), qint64(7));
}

void TestEntryRemoval::folderRemovalDoesNotFollowInnerLinks()
{
    QTemporaryDir work;
    QTemporaryDir outside;
    QFile precious(outside.filePath(QStringLiteral("precious")));
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.close();
    QDir dir(work.path());
    QVERIFY(dir.mkdir(QStringLiteral("folder")));
    QVERIFY(QFile::link(outside.path(), dir.filePath(QStringLiteral("folder/link"))));

    QVERIFY(removeEntry(dir.filePath(QStringLiteral("folder"))));
    QVERIFY(!dir.exists(QStringLiteral("folder")));
    QVERIFY(QFile::exists(precious.fileName()));
}

void TestEntryRemoval::refusesRoots()
{
    // Only classified: a faulty guard must never get the chance to act on a real root.
    QCOMPARE(removalKindOf(QFileInfo(QDir::rootPath())), RemovalKind::Refused);
    for (const QFileInfo &drive : QDir::drives())
        QCOMPARE(removalKindOf(drive), RemovalKind::Refused);
}

QTEST_GUILESS_MAIN(TestEntryRemoval)
#include "tst_entryremoval.moc"
