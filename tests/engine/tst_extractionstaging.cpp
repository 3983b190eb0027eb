// The private folder external programs unpack into: what it refuses, and how a finished tree is
// placed into a destination that already holds files and folders.

#include "extractionstaging.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList listTree(const QString &root)
{
    QStringList names;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(root).relativeFilePath(it.next());
    names.sort();
    return names;
}

} // namespace

class TestExtractionStaging : public QObject
{
    Q_OBJECT

private slots:
    void createsDestinationAndPrivateFolder();
    void escapingLinks_data();
    void escapingLinks();
    void commitMergesFoldersAndReplacesFiles();
    void commitNeverPutsAFileOverAFolder();
    void commitEmptiesReadOnlyStagedFolders();
    void discardedWithoutCommit();
};

void TestExtractionStaging::createsDestinationAndPrivateFolder()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("new/deeper");
    ExtractionStaging staging(destination);
    QVERIFY(staging.isValid());
    QCOMPARE(QFileInfo(staging.path()).path(), destination);
    QVERIFY(QFileInfo(staging.path()).isDir());
}

void TestExtractionStaging::escapingLinks_data()
{
    QTest::addColumn<QString>("linkName");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("escapes");
    QTest::newRow("sibling") << "a/link"
                             << "b.txt" << false;
    QTest::newRow("up to the root") << "a/link"
                                    << "../b.txt" << false;
    QTest::newRow("climbs out") << "a/link"
                                << "../../b.txt" << true;
    QTest::newRow("top-level climbs") << "link"
                                      << "../sentinel" << true;
    QTest::newRow("absolute") << "link"
                              << "/etc/passwd" << true;
    QTest::newRow("climbs after a name") << "a/link"
                                         << "x/../../../b" << true;
}

void TestExtractionStaging::escapingLinks()
{
    QFETCH(QString, linkName);
    QFETCH(QString, target);
    QFETCH(bool, escapes);

    QTemporaryDir dir;
    ExtractionStaging staging(dir.filePath("destination"));
    QVERIFY(staging.isValid());
    QVERIFY(writeFile(staging.path() + "/a/plain.txt", "plain"));
    QVERIFY(QFile::link(target, staging.path() + '/' + linkName));
    QCOMPARE(staging.firstEscapingLink(), escapes ? linkName : QString());
}

void TestExtractionStaging::commitMergesFoldersAndReplacesFiles()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("destination");
    QVERIFY(writeFile(destination + "/docs/mine.txt", "the user's own file"));
    QVERIFY(writeFile(destination + "/docs/shared.txt", "old"));
    QVERIFY(writeFile(destination + "/top.txt", "old top"));

    ExtractionStaging staging(destination);
    QVERIFY(staging.isValid());
    QVERIFY(writeFile(staging.path() + "/docs/shared.txt", "new"));
    QVERIFY(writeFile(staging.path() + "/docs/sub/deep.txt", "deep"));
    QVERIFY(writeFile(staging.path() + "/top.txt", "new top"));
    QVERIFY(QFile::link("top.txt", staging.path() + "/top-link"));
    QString failed;
    QVERIFY2(staging.commit(&failed), qPrintable(failed));

    QCOMPARE(readFile(destination + "/docs/mine.txt"), QByteArray("the user's own file"));
    QCOMPARE(readFile(destination + "/docs/shared.txt"), QByteArray("new"));
    QCOMPARE(readFile(destination + "/docs/sub/deep.txt"), QByteArray("deep"));
    QCOMPARE(readFile(destination + "/top.txt"), QByteArray("new top"));
    QCOMPARE(readFile(destination + "/top-link"), QByteArray("new top"));
}

void TestExtractionStaging::commitNeverPutsAFileOverAFolder()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("destination");
    QVERIFY(writeFile(destination + "/photos/keep.jpg", "a photo"));

    ExtractionStaging staging(destination);
    QVERIFY(writeFile(staging.path() + "/photos", "a file named like the folder"));
    QString failed;
    QVERIFY(!staging.commit(&failed));
    QCOMPARE(failed, destination + "/photos");
    QCOMPARE(readFile(destination + "/photos/keep.jpg"), QByteArray("a photo"));
}

void TestExtractionStaging::commitEmptiesReadOnlyStagedFolders()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("destination");
    QVERIFY(writeFile(destination + "/shared/old.txt", "old"));

    ExtractionStaging staging(destination);
    QVERIFY(writeFile(staging.path() + "/shared/new.txt", "new"));
    QVERIFY(
        QFile::setPermissions(staging.path() + "/shared", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QString failed;
    QVERIFY2(staging.commit(&failed), qPrintable(failed));
    QCOMPARE(readFile(destination + "/shared/new.txt"), QByteArray("new"));
}

void TestExtractionStaging::discardedWithoutCommit()
{
    QTemporaryDir dir;
    const QString destination = dir.filePath("destination");
    QVERIFY(writeFile(destination + "/before.txt", "before"));
    {
        ExtractionStaging staging(destination);
        QVERIFY(writeFile(staging.path() + "/half-written.bin", "partial"));
    }
    QCOMPARE(listTree(destination), QStringList{"before.txt"});
}

QTEST_GUILESS_MAIN(TestExtractionStaging)
#include "tst_extractionstaging.moc"
