#include "filestatistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <sys/stat.h>

#include <atomic>
#include <memory>

namespace {

bool writeFile(const QString &path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'k')) == size;
}

// What the status line counted before: the toolkit's own listing and file information.
FileStatistics::FolderTotals countedByQDir(const QString &path)
{
    FileStatistics::FolderTotals totals;
    for (const QFileInfo &entry :
         QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort)) {
        if (entry.isDir()) {
            ++totals.folders;
        } else {
            ++totals.files;
            totals.bytes += entry.size();
        }
    }
    return totals;
}

qint64 sizedByQFileInfo(const QStringList &paths)
{
    qint64 bytes = 0;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isFile())
            bytes += info.size();
    }
    return bytes;
}

// Every kind of entry a folder can hold, including those the listing leaves out.
bool buildMixedFolder(const QString &root)
{
    QDir dir(root);
    return dir.mkpath("sub") && dir.mkpath("sub2/deeper") && dir.mkpath(".hiddenFolder") &&
           writeFile(root + "/a.txt", 100) && writeFile(root + "/b.bin", 2000) &&
           writeFile(root + "/空.txt", 0) && writeFile(root + "/.hidden", 5000) &&
           writeFile(root + "/sub/inside.txt", 7000) && QFile::link(root + "/b.bin", root + "/fileLink") &&
           QFile::link(root + "/sub", root + "/folderLink") &&
           QFile::link(root + "/missing", root + "/dangling") &&
           ::mkfifo(QFile::encodeName(root + "/pipe").constData(), 0600) == 0;
}

} // namespace

class TestFileStatistics : public QObject
{
    Q_OBJECT

private slots:
    void countsLikeTheToolkit_data();
    void countsLikeTheToolkit();
    void unreadableFolderCountsNothing();
    void sizesOnlyFiles();
    void countsWhileThePoolIsBusy();
};

void TestFileStatistics::countsLikeTheToolkit_data()
{
    QTest::addColumn<int>("bulkFiles");
    QTest::newRow("every kind of entry") << 0;
    // Enough entries for the queries to be split across threads.
    QTest::newRow("large folder") << 12000;
}

void TestFileStatistics::countsLikeTheToolkit()
{
    QFETCH(int, bulkFiles);
    QTemporaryDir dir;
    QVERIFY(buildMixedFolder(dir.path()));
    for (int i = 0; i < bulkFiles; ++i)
        QVERIFY(writeFile(dir.filePath(QStringLiteral("bulk%1.dat").arg(i)), i % 97));

    const FileStatistics::FolderTotals expected = countedByQDir(dir.path());
    const FileStatistics::FolderTotals counted = FileStatistics::countFolder(dir.path());
    QCOMPARE(counted.folders, expected.folders);
    QCOMPARE(counted.files, expected.files);
    QCOMPARE(counted.bytes, expected.bytes);
    // sub, sub2 and the link to sub; a.txt, b.bin, 空.txt and the link to b.bin.
    QCOMPARE(counted.folders, 3);
    QCOMPARE(counted.files, 4 + bulkFiles);
}

void TestFileStatistics::unreadableFolderCountsNothing()
{
    QTemporaryDir dir;
    const FileStatistics::FolderTotals missing = FileStatistics::countFolder(dir.filePath("absent"));
    QCOMPARE(missing.folders + missing.files, 0);
    QCOMPARE(missing.bytes, 0);
}

void TestFileStatistics::sizesOnlyFiles()
{
    QTemporaryDir dir;
    QVERIFY(buildMixedFolder(dir.path()));
    const QDir root(dir.path());
    QStringList names = root.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    names << "sub/inside.txt"
          << "absent.txt" << QString() << QStringLiteral("/") << dir.filePath("a.txt");
    QStringList paths;
    for (const QString &name : std::as_const(names))
        paths.append(root.filePath(name));
    QCOMPARE(FileStatistics::totalFileSize(dir.path(), names), sizedByQFileInfo(paths));
    QCOMPARE(FileStatistics::totalFileSize(dir.path(), {"a.txt", "fileLink"}), qint64(2100));
    QCOMPARE(FileStatistics::totalFileSize(dir.path(), {}), qint64(0));

    // Enough names for the work to be shared between threads.
    QStringList bulkNames;
    QStringList bulkPaths;
    for (int i = 0; i < 9000; ++i) {
        bulkNames.append(QStringLiteral("f%1").arg(i));
        bulkPaths.append(dir.filePath(QStringLiteral("sub2/deeper/f%1").arg(i)));
        QVERIFY(writeFile(bulkPaths.constLast(), i % 31));
    }
    QCOMPARE(FileStatistics::totalFileSize(dir.filePath("sub2/deeper"), bulkNames),
             sizedByQFileInfo(bulkPaths));

    // Without a folder, or with one that cannot be opened, only full paths are found.
    QCOMPARE(FileStatistics::totalFileSize(QString(), bulkPaths), sizedByQFileInfo(bulkPaths));
    QCOMPARE(FileStatistics::totalFileSize(dir.filePath("absent"), {"a.txt", dir.filePath("a.txt")}),
             qint64(100));
}

// Archive operations run on the shared pool. Counting a large folder meanwhile must not wait for a
// free thread there: with every pool thread taken the count returns before any of them is let go.
void TestFileStatistics::countsWhileThePoolIsBusy()
{
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 9000; ++i) {
        names.append(QStringLiteral("f%1").arg(i));
        QVERIFY(writeFile(dir.filePath(names.constLast()), 3));
    }

    // Shared with the blocking tasks, so a failed check that leaves early leaves them nothing dangling.
    struct Blockers {
        QSemaphore letGo;
        std::atomic_int started{0};
        std::atomic_int gaveUp{0};
        std::atomic_int ended{0};
    };
    const auto state = std::make_shared<Blockers>();
    QThreadPool *pool = QThreadPool::globalInstance();
    const int blockers = pool->maxThreadCount();
    for (int i = 0; i < blockers; ++i) {
        pool->start([state] {
            ++state->started;
            // Long enough for the counts below, also under the sanitizers; a count that waits for
            // the pool returns only after this.
            if (!state->letGo.tryAcquire(1, 20000))
                ++state->gaveUp;
            ++state->ended;
        });
    }
    QTRY_COMPARE(state->started.load(), blockers);

    const FileStatistics::FolderTotals totals = FileStatistics::countFolder(dir.path());
    const qint64 bytes = FileStatistics::totalFileSize(dir.path(), names);
    const int gaveUpBeforeRelease = state->gaveUp.load();
    state->letGo.release(blockers);
    QTRY_COMPARE_WITH_TIMEOUT(state->ended.load(), blockers, 30000);
    QCOMPARE(gaveUpBeforeRelease, 0);
    QCOMPARE(totals.files, 9000);
    QCOMPARE(totals.bytes, qint64(27000));
    QCOMPARE(bytes, qint64(27000));
}

QTEST_GUILESS_MAIN(TestFileStatistics)
#include "tst_filestatistics.moc"
