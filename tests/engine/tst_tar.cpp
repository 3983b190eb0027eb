// tar, compressed tar and single compressed files through the external programs: the command lines
// and what tar prints, read as data; then real archives written, listed, tested and unpacked by the
// real programs, with stand-ins on PATH for programs that fail, hang or are missing.

#include "archivejob.h"
#include "compressionhandler.h"
#include "programpath.h"
#include "resultmessage.h"
#include "sandbox.h"
#include "scriptedinteraction.h"
#include "tarbytes.h"
#include "tarheader.h"
#include "tarlisting.h"
#include "testtree.h"
#include "toolcommands.h"
#include "toolrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/stat.h>

namespace {

struct JobRun {
    OperationResult result;
    ArchiveEntryList entries;
    QList<OperationProgress> progress;

    // Percentages never go back, and 100 comes only with success, as the last one.
    bool progressHonest() const
    {
        for (qsizetype i = 0; i < progress.size(); ++i) {
            if (i > 0 && progress.at(i).percent < progress.at(i - 1).percent)
                return false;
            if (progress.at(i).percent == 100 && (i + 1 < progress.size() || !result.succeeded()))
                return false;
        }
        return !result.succeeded() || (!progress.isEmpty() && progress.last().percent == 100);
    }
    int stepsBetween() const
    {
        return int(std::count_if(progress.begin(), progress.end(), [](const OperationProgress &p) {
            return p.percent > 0 && p.percent < 100;
        }));
    }
    QStringList currentEntries() const
    {
        QStringList names;
        for (const OperationProgress &p : progress) {
            if (!p.currentEntry.isEmpty() && (names.isEmpty() || names.last() != p.currentEntry))
                names << p.currentEntry;
        }
        return names;
    }
};

JobRun runJob(const OperationRequest &request, Interaction *interaction = nullptr,
              const std::function<void(ArchiveJob &, const OperationProgress &)> &onProgress = {})
{
    ArchiveJob job(request);
    JobRun run;
    QObject::connect(
        &job, &ArchiveJob::progressChanged, &job,
        [&](const OperationProgress &progress) {
            run.progress << progress;
            if (onProgress)
                onProgress(job, progress);
        },
        Qt::DirectConnection);
    if (interaction)
        job.setInteraction(interaction);
    run.result = job.run();
    run.entries = job.entries();
    return run;
}

OperationRequest extractRequest(const QString &archive, const QString &destination,
                                ReplacePolicy policy = ReplacePolicy::Replace)
{
    OperationRequest request = OperationRequest::extract(archive, destination, QString());
    request.replacePolicy = policy;
    return request;
}

// Compresses file with the standard program into file + suffix.
bool compress(const QString &program, const QString &file, const QString &archive)
{
    QProcess process;
    process.setStandardOutputFile(archive);
    process.start(program, {"-c", file});
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Every entry of a listing as "name" (folders with "/", links with " -> target"), sorted.
QStringList describe(const ArchiveEntryList &entries)
{
    QStringList described;
    for (const ArchiveEntry &entry : entries) {
        QString line = entry.name + (entry.isFolder ? "/" : "");
        if (entry.isLink)
            line += " -> " + entry.linkTarget;
        described << line;
    }
    described.sort();
    return described;
}

// The program the engine runs for a standard one on this machine: pigz for gzip when installed, ...
QString installedProgram(const QString &standard)
{
    return ToolCommands::compressorProgram(
        standard, [](const QString &name) { return !QStandardPaths::findExecutable(name).isEmpty(); });
}

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

// The sample tree most round trips pack: names with spaces, a line break and CJK characters, a hidden
// file, an empty folder, a link, and a file large enough to take a few reads.
const TestTree::Tree &sampleTree()
{
    static const TestTree::Tree tree{
        {"photos/", {}},
        {"photos/a.txt", "hello\n"},
        {"photos/sub/", {}},
        {"photos/sub/data.bin", TestTree::sampleData(3 * 1024 * 1024 + 17, 7)},
        {"photos/中文 名.txt", "unicode name"},
        {"photos/line\nbreak", "line break"},
        {"photos/.hidden", {}},
        {"photos/empty/", {}},
        {"photos/link", "-> a.txt"},
        {"notes.txt", "notes"},
    };
    return tree;
}

} // namespace

Q_DECLARE_METATYPE(TarListing::Member)
Q_DECLARE_METATYPE(TarBytes::Entry)
Q_DECLARE_METATYPE(TestTree::Tree)
Q_DECLARE_METATYPE(ResultCode)

class TestTar : public QObject
{
    Q_OBJECT

private slots:
    void tarCreateCommands_data();
    void tarCreateCommands();
    void commandLines_data();
    void commandLines();
    void compressorChoice_data();
    void compressorChoice();
    void checkpointLines_data();
    void checkpointLines();
    void fullDiskMessages_data();
    void fullDiskMessages();
    void listingLines_data();
    void listingLines();
    void recordedListing();
    void headerSniffing_data();
    void headerSniffing();

    void roundTrip_data();
    void roundTrip();
    void listingRealArchives_data();
    void listingRealArchives();
    void testFindsDamage_data();
    void testFindsDamage();
    void completenessJudgedByTar_data();
    void completenessJudgedByTar();
    void specialFilesAndModes();
    void selectedEntries_data();
    void selectedEntries();
    void paddingAfterTarEnd_data();
    void paddingAfterTarEnd();
    void singleCompressedFiles_data();
    void singleCompressedFiles();
    void parallelCompressorsWhenInstalled_data();
    void parallelCompressorsWhenInstalled();
    void manyItemsOfOneFolder();
    void archiveInsideSelectedFolder();
    void progressByBytes();
    void smallArchiveTakesMilliseconds();

    void realToolFailures_data();
    void realToolFailures();
    void toolFailures_data();
    void toolFailures();
    void missingProgram_data();
    void missingProgram();
    void floodOfWarnings();
    void damagedArchiveLeavesDestination_data();
    void damagedArchiveLeavesDestination();
    void cancelStopsHangingProgram_data();
    void cancelStopsHangingProgram();
    void cancelCreationLeavesNothing();
    void cancelExtractionLeavesDestination();
};

void TestTar::tarCreateCommands_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("excludedName");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("workingDirectory");
    QTest::addColumn<QByteArray>("standardInput");

    const QStringList head{"-cf", "-", "--checkpoint=256", "--checkpoint-action=echo=records=%u"};
    const QStringList namesOnInput = head + QStringList{"--null", "-T", "-"};
    QTest::newRow("items of several folders, each under its parent")
        << QStringList{"/home/u/Desktop/photos", "/srv/data/notes.txt"} << QString()
        << head + QStringList{"-C", "/home/u/Desktop", "photos", "-C", "/srv/data", "notes.txt"} << QString()
        << QByteArray();
    QTest::newRow("option-like name among several folders")
        << QStringList{"/tmp/--remove-files", "/srv/a"} << QString()
        << head + QStringList{"-C", "/tmp", "./--remove-files", "-C", "/srv", "a"} << QString()
        << QByteArray();
    QTest::newRow("one folder's items named on input")
        << QStringList{"/home/u/photos", "/home/u/notes.txt"} << QString() << namesOnInput << "/home/u"
        << QByteArrayLiteral("photos\0notes.txt\0");
    QTest::newRow("folder the archive is written in left out")
        << QStringList{"/home/u/photos"} << ".kelvane-Ab12Cd"
        << head + QStringList{"--exclude=.kelvane-Ab12Cd", "--null", "-T", "-"} << "/home/u"
        << QByteArrayLiteral("photos\0");
    QTest::newRow("trailing slash and dot segments")
        << QStringList{"/home/u/photos/", "/home/u/x/../y"} << QString() << namesOnInput << "/home/u"
        << QByteArrayLiteral("photos\0y\0");
    QTest::newRow("names on input taken as they stand")
        << QStringList{"/tmp/--remove-files", "/tmp/line\nbreak", "/tmp/back\\slash 中"} << QString()
        << namesOnInput << "/tmp"
        << QByteArrayLiteral("--remove-files\0line\nbreak\0back\\slash \xe4\xb8\xad\0");
    QTest::newRow("root folder") << QStringList{"/"} << QString() << namesOnInput << "/"
                                 << QByteArrayLiteral(".\0");
    QTest::newRow("relative input made absolute") << QStringList{"photos"} << QString() << namesOnInput
                                                  << QDir::currentPath() << QByteArrayLiteral("photos\0");
}

void TestTar::tarCreateCommands()
{
    QFETCH(QStringList, files);
    QFETCH(QString, excludedName);
    QFETCH(QStringList, arguments);
    QFETCH(QString, workingDirectory);
    QFETCH(QByteArray, standardInput);

    const ToolCommands::TarCreateCommand command = ToolCommands::tarCreateCommand(files, excludedName);
    QCOMPARE(command.arguments, arguments);
    QCOMPARE(command.workingDirectory, workingDirectory);
    QCOMPARE(command.standardInput, standardInput);
}

void TestTar::commandLines_data()
{
    QTest::addColumn<QStringList>("built");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("tar extract") << ToolCommands::tarExtractArguments("/home/u/out/.staging")
                                 << QStringList{"-xvf",
                                                "-",
                                                "-C",
                                                "/home/u/out/.staging",
                                                "--no-same-owner",
                                                "--no-same-permissions",
                                                "--delay-directory-restore",
                                                "--quoting-style=c"};
    QTest::newRow("tar list from standard input")
        << ToolCommands::tarListArguments("-")
        << QStringList{"-tvf", "-", "--force-local", "--quoting-style=c", "--full-time", "--numeric-owner"};
    QTest::newRow("tar list of a file with a colon in its name")
        << ToolCommands::tarListArguments("/home/u/a:b.tar")
        << QStringList{"-tvf",        "/home/u/a:b.tar", "--force-local", "--quoting-style=c",
                       "--full-time", "--numeric-owner"};
    QTest::newRow("gzip") << ToolCommands::compressorArguments("gzip") << QStringList{"-c"};
    QTest::newRow("pigz") << ToolCommands::compressorArguments("pigz") << QStringList{"-c"};
    QTest::newRow("bzip2") << ToolCommands::compressorArguments("bzip2") << QStringList{"-c"};
    QTest::newRow("lbzip2") << ToolCommands::compressorArguments("lbzip2") << QStringList{"-c"};
    QTest::newRow("xz on every core") << ToolCommands::compressorArguments("xz") << QStringList{"-T0", "-c"};
    QTest::newRow("zstd on every core")
        << ToolCommands::compressorArguments("zstd") << QStringList{"-T0", "-c"};
    QTest::newRow("decompressor") << ToolCommands::decompressorArguments() << QStringList{"-d", "-c"};
}

void TestTar::commandLines()
{
    QFETCH(QStringList, built);
    QFETCH(QStringList, expected);
    QCOMPARE(built, expected);
}

void TestTar::compressorChoice_data()
{
    QTest::addColumn<QString>("compressor");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("program");

    const QStringList all{"gzip", "pigz", "bzip2", "lbzip2", "xz", "zstd"};
    QTest::newRow("pigz for gzip") << "gzip" << all << "pigz";
    QTest::newRow("gzip without pigz") << "gzip" << QStringList{"gzip", "lbzip2"} << "gzip";
    QTest::newRow("lbzip2 for bzip2") << "bzip2" << all << "lbzip2";
    QTest::newRow("bzip2 without lbzip2") << "bzip2" << QStringList{"bzip2", "pigz"} << "bzip2";
    QTest::newRow("standard name when nothing is installed") << "gzip" << QStringList{} << "gzip";
    QTest::newRow("xz has no stand-in") << "xz" << all << "xz";
    QTest::newRow("zstd has no stand-in") << "zstd" << all << "zstd";
}

void TestTar::compressorChoice()
{
    QFETCH(QString, compressor);
    QFETCH(QStringList, installed);
    QFETCH(QString, program);
    QCOMPARE(ToolCommands::compressorProgram(
                 compressor, [&installed](const QString &name) { return installed.contains(name); }),
             program);
}

void TestTar::checkpointLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qint64>("records");

    QTest::newRow("checkpoint") << QByteArray("tar: records=120") << qint64(120);
    QTest::newRow("program named by path") << QByteArray("/usr/bin/tar: records=7") << qint64(7);
    QTest::newRow("warning") << QByteArray("tar: photos/a.txt: file changed as we read it") << qint64(-1);
    QTest::newRow("warning about a file named like a checkpoint")
        << QByteArray("tar: records=12: Cannot stat: No such file or directory") << qint64(-1);
    QTest::newRow("no count") << QByteArray("tar: records=") << qint64(-1);
    QTest::newRow("signed count") << QByteArray("tar: records=-3") << qint64(-1);
}

void TestTar::checkpointLines()
{
    QFETCH(QByteArray, line);
    QFETCH(qint64, records);
    QCOMPARE(ToolCommands::tarCheckpointRecords(line), records);
}

void TestTar::fullDiskMessages_data()
{
    QTest::addColumn<QString>("errorOutput");
    QTest::addColumn<bool>("full");

    // Recorded from each compressor writing onto a full tmpfs in the C locale.
    QTest::newRow("zstd") << "zstd: error 70 : Write error : cannot write block : No space left on device \n"
                          << true;
    QTest::newRow("xz") << "xz: (stdout): Write error: No space left on device\n" << true;
    QTest::newRow("lbzip2") << "lbzip2: stdout: write(): No space left on device\n" << true;
    QTest::newRow("pigz") << "pigz: abort: write error on <stdout> (No space left on device)\n" << true;
    QTest::newRow("gzip") << "\ngzip: stdout: No space left on device\n" << true;
    QTest::newRow("bzip2")
        << "bzip2: I/O or other error, bailing out.  Possible reason follows.\n"
           "bzip2: No space left on device\n\tInput file = (stdin), output file = (stdout)\n"
        << true;
    QTest::newRow("quota") << "xz: (stdout): Write error: Disk quota exceeded\n" << true;
    QTest::newRow("tar's short write") << "tar: -: Wrote only 6144 of 10240 bytes\n"
                                          "tar: Error is not recoverable: exiting now\n"
                                       << false;
    QTest::newRow("unreadable input") << "tar: photos: Cannot open: Permission denied\n" << false;
    QTest::newRow("nothing") << QString() << false;
}

void TestTar::fullDiskMessages()
{
    QFETCH(QString, errorOutput);
    QFETCH(bool, full);
    QCOMPARE(ToolCommands::reportsFullDisk(errorOutput), full);
}

void TestTar::listingLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<TarListing::Member>("member");

    const auto member = [](char type, const QByteArray &name, qint64 size, const QByteArray &target = {},
                           const QDateTime &modified =
                               QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc())) {
        TarListing::Member m;
        m.type = type;
        m.name = name;
        m.size = size;
        m.linkTarget = target;
        m.modified = modified;
        return m;
    };
    // Lines recorded from GNU tar 1.34 with LC_ALL=C TZ=UTC0 tar -tvf - --quoting-style=c --full-time
    // --numeric-owner.
    QTest::newRow("file") << QByteArray("-rw-r--r-- 1000/1000      1234 2024-01-01 00:00:00 \"docs/a.txt\"")
                          << true << member('-', "docs/a.txt", 1234);
    QTest::newRow("folder") << QByteArray("drwxr-xr-x 0/0               0 2024-01-01 00:00:00 \"./sp ace/\"")
                            << true << member('d', "./sp ace/", 0);
    QTest::newRow("arrow inside a name")
        << QByteArray("-rw-r--r-- 0/0               1 2024-01-01 00:00:00 \"./sp ace/a -> b\"") << true
        << member('-', "./sp ace/a -> b", 1);
    QTest::newRow("symbolic link with quote and octal escapes")
        << QByteArray("lrwxrwxrwx 0/0               0 2024-01-01 00:00:00 \"./l i\\\"nk\" -> "
                      "\"\\344\\270\\255 target\"")
        << true << member('l', "./l i\"nk", 0, "\xe4\xb8\xad target");
    QTest::newRow("hard link") << QByteArray(
                                      "hrw-r--r-- 0/0               0 2024-01-01 00:00:00 \"./hard\" link to "
                                      "\"./sp ace/a -> b\"")
                               << true << member('h', "./hard", 0, "./sp ace/a -> b");
    QTest::newRow("line break, backslash, tab, legacy byte")
        << QByteArray("-rw-r--r-- 0/0 5 2024-01-01 00:00:00 \"line\\nbreak\\\\x\\tt\\351\"") << true
        << member('-', "line\nbreak\\x\tt\xe9", 5);
    QTest::newRow("device") << QByteArray("crw-r--r-- 0/0             1,3 2024-01-01 00:00:00 \"dev/null\"")
                            << true << member('c', "dev/null", 0);
    QTest::newRow("fraction of a second")
        << QByteArray("-rw-r--r-- 0/0 1 2024-01-01 00:00:00.250000000 \"a\"") << true
        << member('-', "a", 1, {}, QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0, 250), QTimeZone::utc()));
    QTest::newRow("time tar cannot show as a date")
        << QByteArray("-rw-r--r-- 0/0 1 -99999999999 \"old\"") << true
        << member('-', "old", 1, {}, QDateTime::fromSecsSinceEpoch(-99999999999, QTimeZone::utc()));
    QTest::newRow("large file") << QByteArray("-rw-r--r-- 0/0 10737418240 2024-01-01 00:00:00 \"big.iso\"")
                                << true << member('-', "big.iso", 10737418240);
    QTest::newRow("not a listing line")
        << QByteArray("tar: Removing leading `/' from member names") << false << TarListing::Member();
    QTest::newRow("name not closed") << QByteArray("-rw-r--r-- 0/0 1 2024-01-01 00:00:00 \"open") << false
                                     << TarListing::Member();
    QTest::newRow("too few fields") << QByteArray("-rw-r--r-- \"a\"") << false << TarListing::Member();
}

void TestTar::listingLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, parsed);
    QFETCH(TarListing::Member, member);

    TarListing::Member got;
    QCOMPARE(TarListing::parseLine(line, &got), parsed);
    if (!parsed)
        return;
    QCOMPARE(got.type, member.type);
    QCOMPARE(got.name, member.name);
    QCOMPARE(got.linkTarget, member.linkTarget);
    QCOMPARE(got.size, member.size);
    QCOMPARE(got.modified, member.modified);
}

void TestTar::recordedListing()
{
    // A whole listing fed in pieces that split lines and escapes, with a member stored twice, members
    // whose folders are stored nowhere, a volume label and a GBK name written by a Chinese Windows tool.
    const QByteArray recorded = "V--------- 0/0 0 2024-01-01 00:00:00 \"backup\"--Volume Header--\n"
                                "drwxr-xr-x 0/0 0 2024-01-01 00:00:00 \"./\"\n"
                                "-rw-r--r-- 0/0 3 2024-01-01 00:00:00 \"./dup.txt\"\n"
                                "-rw-r--r-- 0/0 6 2024-01-02 00:00:00 \"./dup.txt\"\n"
                                "-rw-r--r-- 0/0 9 2024-01-01 00:00:00 \"deep/er/file.txt\"\n"
                                "drwxr-xr-x 0/0 0 2024-01-01 00:00:00 \"deep/\"\n"
                                "-rw-r--r-- 0/0 2 2024-01-01 00:00:00 \"\\326\\320\\316\\304.txt\"\n"
                                "lrwxrwxrwx 0/0 0 2024-01-01 00:00:00 \"deep/link\" -> \"../dup.txt\"\n"
                                "hrw-r--r-- 0/0 0 2024-01-01 00:00:00 \"hard\" link to \"./dup.txt\"\n"
                                "-rw-r--r-- 0/0 1 2024-01-01 00:00:00 \"line\\nbreak\"";
    TarListing listing(LegacyNameLanguage::SimplifiedChinese);
    for (qsizetype at = 0; at < recorded.size(); at += 7)
        listing.feed(QByteArrayView(recorded).sliced(at, std::min<qsizetype>(7, recorded.size() - at)));
    listing.finish();

    const ArchiveEntryList entries = listing.entries();
    QCOMPARE(describe(entries),
             (QStringList{"deep/", "deep/er/", "deep/er/file.txt", "deep/link -> ../dup.txt", "dup.txt",
                          "hard -> dup.txt", "line\nbreak", "中文.txt"}));
    const auto find = [&entries](const QString &name) {
        return *std::find_if(entries.begin(), entries.end(),
                             [&name](const ArchiveEntry &e) { return e.name == name; });
    };
    QCOMPARE(find("dup.txt").size, qint64(6));
    QCOMPARE(find("dup.txt").modified, QDateTime(QDate(2024, 1, 2), QTime(0, 0), QTimeZone::utc()));
    QCOMPARE(find("deep/er/file.txt").size, qint64(9));
    QCOMPARE(find("deep/link").size, qint64(0));
    QCOMPARE(listing.lastName(), QString("line\nbreak"));
    QCOMPARE(listing.extractedName("\"./photos/\\344\\270\\255.txt\""), QString("photos/中.txt"));
    QCOMPARE(listing.extractedName("tar: not a name"), QString());
}

void TestTar::headerSniffing_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("tar");

    const QByteArray gnu = TarBytes::build({TarBytes::file("notes.txt", "x")}, false).left(512);
    QTest::newRow("GNU header") << gnu << true;
    QByteArray v7 = gnu;
    // An old header without the magic, checksum recomputed.
    std::fill(v7.begin() + 257, v7.begin() + 500, '\0');
    std::fill(v7.begin() + 148, v7.begin() + 156, ' ');
    int sum = 0;
    for (const char c : std::as_const(v7))
        sum += quint8(c);
    v7.replace(148, 8, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
    QTest::newRow("old header without magic") << v7 << true;
    QByteArray wrongSum = gnu;
    wrongSum[0] = 'N';
    QTest::newRow("checksum does not match") << wrongSum << false;
    QByteArray signedSum =
        TarBytes::build({TarBytes::file("\xe4\xb8\xad\xe6\x96\x87.txt", "x")}, false).left(512);
    sum = 0;
    for (qsizetype i = 0; i < 512; ++i)
        sum += (i >= 148 && i < 156) ? ' ' : qint8(signedSum[i]);
    signedSum.replace(148, 8, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
    QTest::newRow("checksum of signed bytes") << signedSum << true;
    QTest::newRow("zeros") << QByteArray(512, '\0') << false;
    QTest::newRow("text") << QByteArray(512, 'a') << false;
    QTest::newRow("short") << gnu.left(300) << false;
}

void TestTar::headerSniffing()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, tar);
    QCOMPARE(TarHeader::looksLikeHeader(block), tar);
}

void TestTar::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("tar") << "TAR"
                         << "set.tar";
    QTest::newRow("tar.gz") << "GZIP"
                            << "set.tar.gz";
    QTest::newRow("tgz") << "GZIP"
                         << "set.tgz";
    QTest::newRow("name ending in .gz alone") << "GZIP"
                                              << "set.gz";
    QTest::newRow("tar.bz2") << "BZIP2"
                             << "set.tar.bz2";
    QTest::newRow("tbz2") << "BZIP2"
                          << "set.tbz2";
    QTest::newRow("tar.xz") << "XZ"
                            << "set.tar.xz";
    QTest::newRow("txz") << "XZ"
                         << "set.txz";
    QTest::newRow("tar.zst") << "ZSTD"
                             << "set.tar.zst";
    QTest::newRow("tzst") << "ZSTD"
                          << "set.tzst";
}

void TestTar::roundTrip()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);

    QTemporaryDir work;
    const QString source = work.filePath("deep/source");
    QVERIFY(TestTree::build(source + "/in", sampleTree()));
    const QStringList inputs{source + "/in/photos", source + "/in/notes.txt"};
    const QString archive = work.filePath("out/" + archiveName);
    QVERIFY(QDir().mkpath(work.filePath("out")));
    QVERIFY(TestTree::writeFile(archive, "an older archive under the same name"));

    const JobRun created = runJob(OperationRequest::create(format, inputs, archive, QString()));
    QVERIFY2(created.result.succeeded(), qPrintable(created.result.detail));
    QVERIFY(created.progressHonest());
    // tar's stream passes the inputs in order and the names follow the bytes written: a stream this
    // short ends before tar's first checkpoint, so it may never show more than the first input.
    const QStringList shown = created.currentEntries();
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), inputs.first());
    qsizetype previous = -1;
    for (const QString &name : shown) {
        const qsizetype at = inputs.indexOf(name);
        QVERIFY2(at > previous, qPrintable(shown.join(",")));
        previous = at;
    }
    QCOMPARE(QDir(work.filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{archiveName});

    // An independent reader sees the items under their own names.
    const ToolRun listed = ToolRun::run("bsdtar", {"-tf", archive});
    QCOMPARE(listed.exitCode, 0);
    QStringList expected;
    for (auto it = sampleTree().cbegin(); it != sampleTree().cend(); ++it)
        expected << it.key();
    expected.sort();
    QStringList names = listed.output.split('\n', Qt::SkipEmptyParts);
    for (QString &name : names)
        name.replace("\\n", "\n");
    names.sort();
    QCOMPARE(names, expected);

    // The engine lists what it wrote, every entry once.
    const JobRun listing = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(listing.result.succeeded(), qPrintable(listing.result.detail));
    QStringList entries = describe(listing.entries);
    QStringList expectedEntries;
    for (auto it = sampleTree().cbegin(); it != sampleTree().cend(); ++it)
        expectedEntries << (it.value().startsWith("-> ") ? it.key() + " " + it.value() : it.key());
    expectedEntries.sort();
    QCOMPARE(entries, expectedEntries);

    QVERIFY(runJob(OperationRequest::test(archive, QString())).result.succeeded());

    // Unpacking into a folder that does not exist yet creates it with its parents.
    const QString destination = work.filePath("unpacked/new/deeper");
    const JobRun extracted = runJob(extractRequest(archive, destination));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QVERIFY(extracted.progressHonest());
    QCOMPARE(TestTree::snapshot(destination), sampleTree());
}

void TestTar::listingRealArchives_data()
{
    QTest::addColumn<QList<TarBytes::Entry>>("members");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("listed");

    const QList<TarBytes::Entry> odd{
        TarBytes::file("./a -> b", "x"),
        TarBytes::file("name\twith\ttabs and \"quotes\" and \\", "y"),
        TarBytes::file(QByteArray(150, 'n') + "/long name.txt", "long"),
        TarBytes::symlink("link", QByteArray(120, 't')),
        TarBytes::hardlink("hard", "./a -> b"),
        TarBytes::file("implied/only/file", "z"),
        TarBytes::file("\xe4\xb8\xad\xe6\x96\x87/\xce\xb1.txt", "utf8"),
    };
    const QStringList listed{QString(150, 'n') + "/",
                             QString(150, 'n') + "/long name.txt",
                             "a -> b",
                             "hard -> a -> b",
                             "implied/",
                             "implied/only/",
                             "implied/only/file",
                             "link -> " + QString(120, 't'),
                             "name\twith\ttabs and \"quotes\" and \\",
                             "中文/",
                             "中文/α.txt"};
    QTest::newRow("tar") << odd << "tar" << listed;
    QTest::newRow("tar.gz") << odd << "tar.gz" << listed;
    QTest::newRow("tar.zst") << odd << "tar.zst" << listed;
}

void TestTar::listingRealArchives()
{
    QFETCH(QList<TarBytes::Entry>, members);
    QFETCH(QString, suffix);
    QFETCH(QStringList, listed);
    listed.sort();

    QTemporaryDir work;
    const QString plain = work.filePath("odd.tar");
    QVERIFY(TarBytes::write(plain, members));
    const QString archive = work.filePath("odd." + suffix);
    if (suffix == "tar.gz")
        QVERIFY(compress("gzip", plain, archive));
    else if (suffix == "tar.zst")
        QVERIFY(compress("zstd", plain, archive));

    const JobRun listing = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(listing.result.succeeded(), qPrintable(listing.result.detail));
    QCOMPARE(describe(listing.entries), listed);
    QVERIFY(listing.progressHonest());
}

void TestTar::testFindsDamage_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<ResultCode>("code");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("program");

    QTest::newRow("tar cut inside a member") << "tar"
                                             << "cut" << ResultCode::DamagedEntry << "b.bin"
                                             << "tar";
    QTest::newRow("tar.gz cut inside a member") << "tar.gz"
                                                << "cut" << ResultCode::DamagedEntry << "b.bin"
                                                << "gzip";
    QTest::newRow("tar.xz cut inside a member") << "tar.xz"
                                                << "cut" << ResultCode::DamagedEntry << "b.bin"
                                                << "xz";
    QTest::newRow("tar.gz with a flipped byte in its checksum") << "tar.gz"
                                                                << "checksum" << ResultCode::ToolFailed << ""
                                                                << "gzip";
    QTest::newRow("tar.bz2 with a flipped byte in its data") << "tar.bz2"
                                                             << "flip" << ResultCode::ToolFailed << ""
                                                             << "bzip2";
    QTest::newRow("not compressed at all") << "tar.zst"
                                           << "text" << ResultCode::ToolFailed << ""
                                           << "zstd";
}

void TestTar::testFindsDamage()
{
    QFETCH(QString, suffix);
    QFETCH(QString, damage);
    QFETCH(ResultCode, code);
    QFETCH(QString, entry);
    QFETCH(QString, program);

    QTemporaryDir work;
    QVERIFY(TestTree::build(
        work.filePath("in"),
        {{"a.txt", "first"}, {"b.bin", TestTree::randomBytes(256 * 1024)}, {"c.txt", "last"}}));
    const QString plain = work.filePath("whole.tar");
    const QStringList names{"a.txt", "b.bin", "c.txt"};
    QCOMPARE(ToolRun::run("tar", QStringList{"-cf", plain} + names, work.filePath("in")).exitCode, 0);
    const QString archive = work.filePath("damaged." + suffix);
    const QString compressor = suffix == "tar"       ? QString()
                               : suffix == "tar.gz"  ? "gzip"
                               : suffix == "tar.xz"  ? "xz"
                               : suffix == "tar.bz2" ? "bzip2"
                                                     : "zstd";
    if (compressor.isEmpty())
        QVERIFY(QFile::copy(plain, archive));
    else
        QVERIFY(compress(compressor, plain, archive));
    QVERIFY(runJob(OperationRequest::test(archive, QString())).result.succeeded());

    QByteArray bytes = TestTree::readFile(archive);
    if (damage == "cut")
        bytes = bytes.left(suffix == "tar" ? 512 * 2 + 100 * 1024 : bytes.size() / 2);
    else if (damage == "checksum")
        bytes[bytes.size() - 8] = char(bytes.at(bytes.size() - 8) ^ 0x55);
    else if (damage == "flip")
        bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x55);
    else
        bytes = "plain text, compressed by nobody";
    QVERIFY(TestTree::writeFile(archive, bytes));

    const JobRun tested = runJob(OperationRequest::test(archive, QString()));
    QCOMPARE(tested.result.code, code);
    QCOMPARE(tested.result.entry, entry);
    // Which program noticed.
    QCOMPARE(tested.result.path, installedProgram(program));
    QVERIFY(!tested.result.detail.isEmpty());
}

void TestTar::completenessJudgedByTar_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("endBlocks");
    QTest::addColumn<bool>("complete");

    QTest::newRow("without its closing blocks") << QByteArray() << false << true;
    QTest::newRow("one zero block then nothing") << QByteArray(512, '\0') << false << true;
    QTest::newRow("data after the closing blocks") << TestTree::randomBytes(5000) << true << true;
    QTest::newRow("text after the closing blocks")
        << QByteArray("signed by a build tool\n").repeated(40) << true << true;
    QTest::newRow("garbage where the next header should be") << TestTree::randomBytes(5000) << false << false;
    QTest::newRow("cut inside the last member") << QByteArray() << false << false;
}

void TestTar::completenessJudgedByTar()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, endBlocks);
    QFETCH(bool, complete);

    // Archives as Ant, Plexus, Go and old Windows tools write them.
    QByteArray tar = TarBytes::build({TarBytes::folder("docs/"), TarBytes::file("docs/a.txt", "first"),
                                      TarBytes::file("docs/b.txt", QByteArray(3000, 'b'))},
                                     endBlocks);
    if (QByteArray(QTest::currentDataTag()).startsWith("cut"))
        tar.chop(1000);
    Sandbox sandbox;
    const QString archive = sandbox.filePath("built.tar");
    QVERIFY(TestTree::writeFile(archive, tar + tail));
    const TestTree::Tree outside = sandbox.outside();

    const JobRun extracted = runJob(extractRequest(archive, sandbox.destination()));
    QCOMPARE(extracted.result.succeeded(), complete);
    if (complete) {
        QCOMPARE(
            TestTree::snapshot(sandbox.destination()),
            (TestTree::Tree{{"docs/", {}}, {"docs/a.txt", "first"}, {"docs/b.txt", QByteArray(3000, 'b')}}));
    } else {
        QCOMPARE(extracted.result.code, ResultCode::ToolFailed);
        QCOMPARE(extracted.result.path, QString("tar"));
        QCOMPARE(TestTree::snapshot(sandbox.destination()), TestTree::Tree());
    }
    QCOMPARE(sandbox.outside(), outside);
    QCOMPARE(runJob(OperationRequest::test(archive, QString())).result.succeeded(), complete);
}

void TestTar::specialFilesAndModes()
{
    // GNU tar makes device nodes when run as root and keeps set-id bits its umask does not cover;
    // none of it may reach the destination.
    TarBytes::Entry device = TarBytes::file("dev/null-copy", QByteArray());
    device.type = '3';
    device.deviceMajor = 1;
    device.deviceMinor = 3;
    TarBytes::Entry fifo = TarBytes::file("dev/pipe", QByteArray());
    fifo.type = '6';
    TarBytes::Entry sticky = TarBytes::folder("shared/");
    sticky.mode = 01777;
    Sandbox sandbox;
    const QString archive = sandbox.filePath("special.tar");
    QVERIFY(TarBytes::write(archive, {TarBytes::folder("dev/"), device, fifo,
                                      TarBytes::file("bin/tool", "#!/bin/sh\n", 06755), sticky,
                                      TarBytes::file("shared/note.txt", "note")}));
    const TestTree::Tree outside = sandbox.outside();

    const JobRun extracted = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), (TestTree::Tree{{"bin/", {}},
                                                                        {"bin/tool", "#!/bin/sh\n"},
                                                                        {"dev/", {}},
                                                                        {"shared/", {}},
                                                                        {"shared/note.txt", "note"}}));
    struct stat tool {
    };
    QCOMPARE(::lstat(QFile::encodeName(sandbox.destination() + "/bin/tool").constData(), &tool), 0);
    QCOMPARE(tool.st_mode & (S_ISUID | S_ISGID), mode_t(0));
    QVERIFY(tool.st_mode & S_IXUSR);
    struct stat shared {
    };
    QCOMPARE(::lstat(QFile::encodeName(sandbox.destination() + "/shared").constData(), &shared), 0);
    QCOMPARE(shared.st_mode & S_ISVTX, mode_t(0));
    QCOMPARE(sandbox.outside(), outside);
}

void TestTar::selectedEntries_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<TestTree::Tree>("unpacked"); // empty: refused, naming the first unknown name

    QTest::newRow("a folder and a file of one folder")
        << QStringList{"set/photos/sub", "set/photos/a.txt"}
        << TestTree::Tree{{"sub/", {}}, {"sub/data.bin", "data"}, {"a.txt", "hello\n"}};
    QTest::newRow("names as a listing of a ./ archive gives them")
        << QStringList{"set/notes.txt"} << TestTree::Tree{{"notes.txt", "notes"}};
    QTest::newRow("a name the archive lacks")
        << QStringList{"set/notes.txt", "set/missing.txt"} << TestTree::Tree();
}

void TestTar::selectedEntries()
{
    QFETCH(QStringList, selection);
    QFETCH(TestTree::Tree, unpacked);

    // Stored with "./" in front of every name, as "tar -C folder ." writes them.
    QTemporaryDir work;
    QVERIFY(TestTree::build(
        work.filePath("in/set"),
        {{"photos/a.txt", "hello\n"}, {"photos/sub/data.bin", "data"}, {"notes.txt", "notes"}}));
    const QString archive = work.filePath("set.tar.gz");
    QCOMPARE(ToolRun::run("tar", {"-czf", archive, "-C", work.filePath("in"), "./set"}).exitCode, 0);
    const JobRun listing = runJob(OperationRequest::list(archive, QString()));
    for (const QString &name : selection) {
        if (!name.contains("missing"))
            QVERIFY2(describe(listing.entries).contains(name) ||
                         describe(listing.entries).contains(name + "/"),
                     qPrintable(name));
    }

    Sandbox sandbox;
    QVERIFY(TestTree::build(sandbox.destination(), {{"kept.txt", "kept"}}));
    OperationRequest request = extractRequest(archive, sandbox.destination());
    request.entryNames = selection;
    const JobRun extracted = runJob(request);
    if (unpacked.isEmpty()) {
        QCOMPARE(extracted.result.code, ResultCode::EntryNotFound);
        QCOMPARE(extracted.result.entry, QString("set/missing.txt"));
        QCOMPARE(TestTree::snapshot(sandbox.destination()), (TestTree::Tree{{"kept.txt", "kept"}}));
        return;
    }
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    unpacked.insert("kept.txt", "kept");
    QCOMPARE(TestTree::snapshot(sandbox.destination()), unpacked);
}

void TestTar::paddingAfterTarEnd_data()
{
    QTest::addColumn<QString>("compressor");
    QTest::newRow("gzip") << "gzip";
    QTest::newRow("bzip2") << "bzip2";
    QTest::newRow("xz") << "xz";
    QTest::newRow("zstd") << "zstd";
}

void TestTar::paddingAfterTarEnd()
{
    QFETCH(QString, compressor);

    // tar stops reading at its end marker; the megabytes the decompressor still has to write after
    // it must not turn a complete archive into a failure.
    QTemporaryDir work;
    const QString plain = work.filePath("padded.tar");
    QVERIFY(TestTree::writeFile(plain, TarBytes::build({TarBytes::file("kept.txt", "kept")}) +
                                           TestTree::randomBytes(4 * 1024 * 1024)));
    const QString suffix = compressor == "gzip"    ? "gz"
                           : compressor == "bzip2" ? "bz2"
                           : compressor == "xz"    ? "xz"
                                                   : "zst";
    const QString archive = work.filePath("padded.tar." + suffix);
    QVERIFY(compress(compressor, plain, archive));

    const JobRun extracted = runJob(extractRequest(archive, work.filePath("out")));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QCOMPARE(TestTree::snapshot(work.filePath("out")), (TestTree::Tree{{"kept.txt", "kept"}}));
    const JobRun listed = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(listed.result.succeeded(), qPrintable(ResultMessage::text(listed.result)));
    QCOMPARE(describe(listed.entries), QStringList{"kept.txt"});
}

void TestTar::singleCompressedFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<bool>("holdsTar");
    QTest::addColumn<QString>("unpackedName");

    QTest::newRow("gz") << "gzip"
                        << "notes.txt.gz" << false << "notes.txt";
    QTest::newRow("bz2") << "bzip2"
                         << "data.bz2" << false << "data";
    QTest::newRow("xz") << "xz"
                        << "log.xz" << false << "log";
    QTest::newRow("zst") << "zstd"
                         << "trace.json.zst" << false << "trace.json";
    QTest::newRow("upper-case suffix") << "gzip"
                                       << "README.GZ" << false << "README";
    QTest::newRow("gz holding a tar") << "gzip"
                                      << "bundle.gz" << true << "";
    QTest::newRow("xz holding a tar") << "xz"
                                      << "bundle.xz" << true << "";
    QTest::newRow("gz of a short file") << "gzip"
                                        << "tiny.gz" << false << "tiny";
}

void TestTar::singleCompressedFiles()
{
    QFETCH(QString, program);
    QFETCH(QString, archiveName);
    QFETCH(bool, holdsTar);
    QFETCH(QString, unpackedName);

    Sandbox sandbox;
    const QString plain = sandbox.filePath("plain");
    const QByteArray content =
        archiveName.startsWith("tiny") ? QByteArray("short") : TestTree::sampleData(700000, 3);
    if (holdsTar)
        QVERIFY(TarBytes::write(plain,
                                {TarBytes::folder("bundle/"), TarBytes::file("bundle/inside.txt", content)}));
    else
        QVERIFY(TestTree::writeFile(plain, content));
    const QString archive = sandbox.filePath(archiveName);
    QVERIFY(compress(program, plain, archive));
    QVERIFY(QFile::remove(plain));
    const TestTree::Tree outside = sandbox.outside();

    const JobRun listing = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(listing.result.succeeded(), qPrintable(listing.result.detail));
    const JobRun tested = runJob(OperationRequest::test(archive, QString()));
    QVERIFY2(tested.result.succeeded(), qPrintable(tested.result.detail));
    if (holdsTar) {
        QCOMPARE(describe(listing.entries), (QStringList{"bundle/", "bundle/inside.txt"}));
    } else {
        QCOMPARE(listing.entries.size(), 1);
        QCOMPARE(listing.entries.first().name, unpackedName);
        QCOMPARE(listing.entries.first().size, qint64(content.size()));
    }

    const JobRun extracted = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QVERIFY(extracted.progressHonest());
    const TestTree::Tree unpacked = TestTree::snapshot(sandbox.destination());
    if (holdsTar)
        QCOMPARE(unpacked, (TestTree::Tree{{"bundle/", {}}, {"bundle/inside.txt", content}}));
    else
        QCOMPARE(unpacked, (TestTree::Tree{{unpackedName, content}}));
    QCOMPARE(sandbox.outside(), outside);

    if (holdsTar)
        return;
    // The one file clashes with an existing one like any entry: the replace question is asked.
    QVERIFY(TestTree::writeFile(sandbox.destination() + "/" + unpackedName, "mine"));
    ScriptedInteraction keep;
    keep.replaceAnswers = {{ReplaceChoice::Skip, false}};
    const JobRun again = runJob(extractRequest(archive, sandbox.destination(), ReplacePolicy::Ask), &keep);
    QVERIFY(again.result.succeeded());
    QCOMPARE(keep.replaceQuestions.size(), 1);
    QCOMPARE(TestTree::readFile(sandbox.destination() + "/" + unpackedName), QByteArray("mine"));
}

void TestTar::parallelCompressorsWhenInstalled_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("parallel");

    QTest::newRow("gzip") << "GZIP"
                          << "tar.gz"
                          << "gzip"
                          << "pigz";
    QTest::newRow("bzip2") << "BZIP2"
                           << "tar.bz2"
                           << "bzip2"
                           << "lbzip2";
}

void TestTar::parallelCompressorsWhenInstalled()
{
    QFETCH(QString, format);
    QFETCH(QString, suffix);
    QFETCH(QString, standard);
    QFETCH(QString, parallel);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"),
                            {{"a.txt", "first"}, {"b.bin", TestTree::sampleData(400000, 1)}}));
    const QString record = work.filePath("used");
    QMap<QString, QString> real;
    for (const QString &program : {QString("tar"), standard, parallel}) {
        real.insert(program, QStandardPaths::findExecutable(program));
        QVERIFY2(!real.value(program).isEmpty(), qPrintable(program));
    }
    for (const bool parallelInstalled : {true, false}) {
        // Only the programs named here are on PATH; each records that it ran.
        ProgramPath path(ProgramPath::Alone);
        QStringList programs{"tar", standard};
        if (parallelInstalled)
            programs << parallel;
        for (const QString &program : programs) {
            QVERIFY(path.addScript(program, QString("echo %1 >> '%2'\nexec '%3' \"$@\"")
                                                .arg(program, record, real.value(program))
                                                .toUtf8()));
        }
        QFile::remove(record);
        const QString archive = work.filePath(QString("out-%1.%2").arg(parallelInstalled).arg(suffix));
        const JobRun created =
            runJob(OperationRequest::create(format, {work.filePath("in")}, archive, QString()));
        QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
        const QString destination = work.filePath(QString("unpacked-%1").arg(parallelInstalled));
        const JobRun extracted = runJob(extractRequest(archive, destination));
        QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
        QCOMPARE(TestTree::readFile(destination + "/in/b.bin"), TestTree::sampleData(400000, 1));

        const QString used = parallelInstalled ? parallel : standard;
        const QString unused = parallelInstalled ? standard : parallel;
        const QByteArray log = TestTree::readFile(record);
        QVERIFY2(log.count(used.toUtf8() + '\n') >= 2, log.constData());
        QVERIFY2(!log.split('\n').contains(unused.toUtf8()), log.constData());
        // Either way the archive is the standard format.
        QCOMPARE(ToolRun::run(standard, {"-t", archive}).exitCode, 0);
    }
}

// A whole large folder selected item by item: on a command line the names would pass the system's
// limit, and tar would not even start.
void TestTar::manyItemsOfOneFolder()
{
    QTemporaryDir work;
    const QString folder = work.filePath("selected");
    QVERIFY(QDir().mkpath(folder + "/empty"));
    QStringList inputs{folder + "/empty"};
    const QString padding(200, QLatin1Char('n'));
    for (int i = 0; i < 11000; ++i) {
        const QString path = folder + QStringLiteral("/%1-%2").arg(i).arg(padding);
        QVERIFY(TestTree::writeFile(path, QByteArray()));
        inputs << path;
    }
    for (const QString name : {"-x", "line\nbreak", "back\\slash", "中文 名"}) {
        QVERIFY(TestTree::writeFile(folder + "/" + name, name.toUtf8()));
        inputs << folder + "/" + name;
    }

    const QString archive = work.filePath("many.tar.gz");
    const JobRun created = runJob(OperationRequest::create("GZIP", inputs, archive, QString()));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QCOMPARE(ToolRun::run("bsdtar", {"-tf", archive}).exitCode, 0);

    const JobRun extracted = runJob(extractRequest(archive, work.filePath("unpacked")));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QCOMPARE(TestTree::snapshot(work.filePath("unpacked")), TestTree::snapshot(folder));
}

void TestTar::archiveInsideSelectedFolder()
{
    // The archive is being written inside the folder that is read: it must not pack itself.
    QTemporaryDir work;
    const QString folder = work.filePath("X");
    QVERIFY(TestTree::build(folder, {{"data.bin", TestTree::randomBytes(1024 * 1024)}}));
    const QString archive = folder + "/inner.tar.gz";
    const JobRun created = runJob(OperationRequest::create("GZIP", {folder}, archive, QString()));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"data.bin", "inner.tar.gz"}));
    const JobRun listing = runJob(OperationRequest::list(archive, QString()));
    QCOMPARE(describe(listing.entries), (QStringList{"X/", "X/data.bin"}));
}

void TestTar::progressByBytes()
{
    // Long enough streams to show steps on the way; measured, not paced.
    QTemporaryDir work;
    QVERIFY(
        TestTree::build(work.filePath("in"), {{"first.bin", TestTree::sampleData(12 * 1024 * 1024, 1)},
                                              {"second.bin", TestTree::sampleData(12 * 1024 * 1024, 2)}}));
    const QString archive = work.filePath("big.tar.bz2");
    const QStringList inputs{work.filePath("in/first.bin"), work.filePath("in/second.bin")};
    const JobRun created = runJob(OperationRequest::create("BZIP2", inputs, archive, QString()));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QVERIFY(created.progressHonest());
    QVERIFY2(created.stepsBetween() >= 2, qPrintable(QString::number(created.stepsBetween())));
    QCOMPARE(created.currentEntries(), inputs);

    const JobRun extracted = runJob(extractRequest(archive, work.filePath("out")));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QVERIFY(extracted.progressHonest());
    QVERIFY2(extracted.stepsBetween() >= 2, qPrintable(QString::number(extracted.stepsBetween())));
    QCOMPARE(extracted.progress.last().totalBytes, QFileInfo(archive).size());
    // The items were selected one by one, so each is stored under its own name.
    QVERIFY2(extracted.currentEntries().contains("second.bin"),
             qPrintable(extracted.currentEntries().join(",")));
}

void TestTar::smallArchiveTakesMilliseconds()
{
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"a.txt", "small"}}));
    const QString archive = work.filePath("small.tar.gz");
    QVERIFY(runJob(OperationRequest::create("GZIP", {work.filePath("in")}, archive, QString()))
                .result.succeeded());

    // Programs that ended are noticed at once, not at the next tick of a timer.
    constexpr int runs = 10;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i) {
        const JobRun extracted = runJob(extractRequest(archive, work.filePath("out")));
        QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    }
    qInfo("%d extractions of a %lld-byte tar.gz in %lld ms", runs, QFileInfo(archive).size(),
          timer.elapsed());
    QVERIFY2(timer.elapsed() < runs * 60, qPrintable(QString::number(timer.elapsed())));
}

void TestTar::realToolFailures_data()
{
    QTest::addColumn<QString>("format"); // empty: extraction of a broken archive
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("detail"); // one of the texts separated by "|"

    QTest::newRow("tar, missing input") << "TAR"
                                        << "a.tar"
                                        << "tar"
                                        << "Cannot stat";
    QTest::newRow("xz, missing input") << "XZ"
                                       << "a.tar.xz"
                                       << "tar"
                                       << "Cannot stat";
    QTest::newRow("not gzip data") << ""
                                   << "broken.tar.gz"
                                   << "gzip"
                                   << "not in gzip format|unrecognized format";
    QTest::newRow("truncated xz") << ""
                                  << "broken.tar.xz"
                                  << "xz"
                                  << "Unexpected end of input";
    QTest::newRow("not a tar") << ""
                               << "broken.tar"
                               << "tar"
                               << "does not look like a tar archive";
    QTest::newRow("empty tar") << ""
                               << "empty.tar"
                               << "tar"
                               << "does not look like a tar archive";
}

void TestTar::realToolFailures()
{
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, program);
    QFETCH(QString, detail);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"present.bin", TestTree::randomBytes(256 * 1024)}}));
    const QString archive = work.filePath("out/" + archiveName);
    QVERIFY(QDir().mkpath(work.filePath("out")));
    OperationResult result;
    if (format.isEmpty()) {
        // Random bytes, nothing, or a real .tar.xz cut in half.
        QVERIFY(TestTree::writeFile(archive, archiveName.startsWith("empty") ? QByteArray()
                                                                             : TestTree::randomBytes(4096)));
        if (archiveName.endsWith(".xz")) {
            QVERIFY(runJob(OperationRequest::create("XZ", {work.filePath("in")}, archive, QString()))
                        .result.succeeded());
            QVERIFY(TestTree::writeFile(archive,
                                        TestTree::readFile(archive).left(QFileInfo(archive).size() / 2)));
        }
        result = runJob(extractRequest(archive, work.filePath("dest"))).result;
        QVERIFY(!QFileInfo::exists(work.filePath("dest")) || QDir(work.filePath("dest")).isEmpty());
    } else {
        result = runJob(OperationRequest::create(
                            format, {work.filePath("in/present.bin"), work.filePath("in/missing")}, archive,
                            QString()))
                     .result;
        QCOMPARE(QDir(work.filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
    QCOMPARE(result.code, ResultCode::ToolFailed);
    QCOMPARE(result.path, installedProgram(program));
    const QStringList words = detail.split('|');
    QVERIFY2(std::any_of(words.begin(), words.end(),
                         [&result](const QString &w) { return result.detail.contains(w); }),
             qPrintable(result.detail));
    QVERIFY(ResultMessage::text(result).startsWith(result.path + " 进程失败: "));
}

void TestTar::toolFailures_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("format"); // empty: extraction of a real archive of archiveName
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("expectedError"); // a prefix when it ends with "*"

    const QByteArray fails = "echo 'disk on fire' >&2\nexit 2";
    const QByteArray crashes = "echo 'about to crash' >&2\nkill -SEGV $$";
    QTest::newRow("tar fails creating") << "tar" << fails << "TAR"
                                        << "a.tar"
                                        << "tar 进程失败: disk on fire";
    QTest::newRow("tar crashes creating") << "tar" << crashes << "GZIP"
                                          << "a.tar.gz"
                                          << "tar 进程失败: about to crash";
    QTest::newRow("pigz fails creating") << "pigz" << fails << "GZIP"
                                         << "a.tgz"
                                         << "pigz 进程失败: disk on fire";
    QTest::newRow("xz crashes creating") << "xz" << crashes << "XZ"
                                         << "a.tar.xz"
                                         << "xz 进程失败: about to crash";
    QTest::newRow("zstd fails creating") << "zstd" << fails << "ZSTD"
                                         << "a.tar.zst"
                                         << "zstd 进程失败: disk on fire";
    QTest::newRow("tar fails extracting") << "tar" << fails << ""
                                          << "a.tar"
                                          << "tar 进程失败: disk on fire";
    QTest::newRow("lbzip2 crashes extracting") << "lbzip2" << crashes << ""
                                               << "a.tar.bz2"
                                               << "lbzip2 进程失败: about to crash";
    QTest::newRow("tar fails, xz behind it loses its pipe") << "tar" << fails << ""
                                                            << "a.txz"
                                                            << "tar 进程失败: disk on fire";
    QTest::newRow("tar crashes after xz") << "tar" << crashes << ""
                                          << "a.txz"
                                          << "tar 进程失败: about to crash";
    QTest::newRow("tar exits 2 without a word") << "tar" << QByteArray("cat > /dev/null; exit 2") << ""
                                                << "a.tar.gz"
                                                << "tar 进程失败: exit code 2";
}

void TestTar::toolFailures()
{
    QFETCH(QString, program);
    QFETCH(QByteArray, script);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, expectedError);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"data.bin", TestTree::randomBytes(512 * 1024)}}));
    const QStringList inputs{work.filePath("in/data.bin")};
    const QString archive = work.filePath("out/" + archiveName);
    QVERIFY(QDir().mkpath(work.filePath("out")));
    const QString formatOf = FormatRegistry::creationNameForFileName(archiveName);
    if (format.isEmpty()) {
        // A real archive, unpacked while one program of the chain misbehaves.
        QVERIFY(runJob(OperationRequest::create(formatOf, inputs, archive, QString())).result.succeeded());
    } else {
        // An archive already at the path survives a failed creation untouched.
        QVERIFY(TestTree::writeFile(archive, "previous archive"));
    }

    ProgramPath path;
    QVERIFY(path.addScript(program, script));
    const OperationResult result =
        format.isEmpty() ? runJob(extractRequest(archive, work.filePath("dest"))).result
                         : runJob(OperationRequest::create(format, inputs, archive, QString())).result;
    const QString error = ResultMessage::text(result);
    if (expectedError.endsWith('*'))
        QVERIFY2(error.startsWith(expectedError.chopped(1)), qPrintable(error));
    else
        QCOMPARE(error, expectedError);
    if (format.isEmpty()) {
        QVERIFY(!QFileInfo::exists(work.filePath("dest")) || QDir(work.filePath("dest")).isEmpty());
    } else {
        QCOMPARE(TestTree::readFile(archive), QByteArray("previous archive"));
        QCOMPARE(QDir(work.filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{archiveName});
    }
}

void TestTar::missingProgram_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<QString>("missing");

    QTest::newRow("tar") << QStringList{"xz"} << "TAR"
                         << "a.tar"
                         << "tar";
    QTest::newRow("xz with tar present") << QStringList{"tar"} << "XZ"
                                         << "a.tar.xz"
                                         << "xz";
    QTest::newRow("neither gzip nor pigz") << QStringList{"tar", "bzip2"} << "GZIP"
                                           << "a.tar.gz"
                                           << "gzip";
    QTest::newRow("bzip2 extracting") << QStringList{"tar"} << ""
                                      << "a.tar.bz2"
                                      << "bzip2";
    QTest::newRow("zstd extracting a single file") << QStringList{"tar"} << ""
                                                   << "a.zst"
                                                   << "zstd";
}

void TestTar::missingProgram()
{
    QFETCH(QStringList, present);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);
    QFETCH(QString, missing);

    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "x"));
    const QString archive = work.filePath(archiveName);
    if (format.isEmpty())
        QVERIFY(TestTree::writeFile(archive, "not looked at"));

    ProgramPath path(ProgramPath::Alone);
    for (const QString &program : present)
        QVERIFY(path.linkRealProgram(program));
    const OperationResult result =
        format.isEmpty()
            ? runJob(extractRequest(archive, work.filePath("dest"))).result
            : runJob(OperationRequest::create(format, {work.filePath("in.txt")}, archive, QString())).result;
    QCOMPARE(result.code, ResultCode::ToolMissing);
    QCOMPARE(ResultMessage::text(result),
             QString("启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。").arg(missing));
    if (!format.isEmpty())
        QVERIFY(!QFile::exists(archive));
}

void TestTar::floodOfWarnings()
{
    // A small tar.gz of members tar refuses, each with a long name: tar prints far more warnings than
    // the archive is large. The pipeline keeps draining them, keeps only their ends, and the
    // destination stays as it was.
    QList<TarBytes::Entry> members;
    const QByteArray longName = "../" + QByteArray(3000, 'w') + "/escape";
    for (int i = 0; i < 20000; ++i)
        members << TarBytes::file(longName + QByteArray::number(i), "x");
    Sandbox sandbox;
    const QString plain = sandbox.filePath("chatty.tar");
    QVERIFY(TarBytes::write(plain, members));
    const QString archive = sandbox.filePath("chatty.tar.gz");
    QVERIFY(compress("gzip", plain, archive));
    QVERIFY(QFile::remove(plain));
    QVERIFY(QDir().mkpath(sandbox.destination()));
    QVERIFY(TestTree::writeFile(sandbox.destination() + "/kept.txt", "kept"));

    QElapsedTimer timer;
    timer.start();
    const JobRun extracted = runJob(extractRequest(archive, sandbox.destination()));
    const qint64 elapsed = timer.elapsed();
    qInfo("a %lld-byte tar.gz making tar print about %d MB of warnings: %lld ms", QFileInfo(archive).size(),
          int(20000 * (longName.size() + 40) / 1000000), elapsed);
    QCOMPARE(extracted.result.code, ResultCode::ToolFailed);
    QCOMPARE(extracted.result.path, QString("tar"));
    QVERIFY2(extracted.result.detail.contains("escape0") && extracted.result.detail.contains("escape19999") &&
                 extracted.result.detail.contains("bytes left out"),
             qPrintable(extracted.result.detail.left(200)));
    QVERIFY(extracted.result.detail.size() < 40 * 1024);
    QVERIFY2(elapsed < 60000, qPrintable(QString::number(elapsed)));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), (TestTree::Tree{{"kept.txt", "kept"}}));
}

void TestTar::damagedArchiveLeavesDestination_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("tar.gz") << "tar.gz";
    QTest::newRow("tar.xz") << "tar.xz";
}

void TestTar::damagedArchiveLeavesDestination()
{
    QFETCH(QString, suffix);

    // The archive holds new versions of files that exist; its end is damaged. What was there before
    // survives byte for byte, and nothing new appears.
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"docs/a.txt", "new a"},
                                                  {"docs/b.bin", TestTree::randomBytes(600 * 1024)},
                                                  {"docs/c.txt", "new c"}}));
    const QString archive = work.filePath("update." + suffix);
    const QString format = FormatRegistry::creationNameForFileName(archive);
    QVERIFY(runJob(OperationRequest::create(format, {work.filePath("in/docs")}, archive, QString()))
                .result.succeeded());
    QByteArray bytes = TestTree::readFile(archive);
    QVERIFY(TestTree::writeFile(archive, bytes.left(bytes.size() * 3 / 4)));

    const QString destination = work.filePath("dest");
    const TestTree::Tree before{
        {"docs/", {}}, {"docs/a.txt", "old a"}, {"docs/c.txt", "old c"}, {"other.txt", "other"}};
    QVERIFY(TestTree::build(destination, before));
    const JobRun extracted = runJob(extractRequest(archive, destination));
    QVERIFY(!extracted.result.succeeded());
    QVERIFY(extracted.progressHonest());
    QCOMPARE(TestTree::snapshot(destination), before);
}

void TestTar::cancelStopsHangingProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("archiveName");

    QTest::newRow("tar creating") << "tar"
                                  << "TAR"
                                  << "a.tar";
    QTest::newRow("pigz creating") << "pigz"
                                   << "GZIP"
                                   << "a.tar.gz";
    QTest::newRow("tar extracting") << "tar"
                                    << ""
                                    << "a.tar";
    QTest::newRow("xz extracting a single file") << "xz"
                                                 << ""
                                                 << "a.xz";
}

void TestTar::cancelStopsHangingProgram()
{
    QFETCH(QString, program);
    QFETCH(QString, format);
    QFETCH(QString, archiveName);

    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "x"));
    QVERIFY(QDir().mkpath(work.filePath("out")));
    const QString archive = work.filePath("out/" + archiveName);
    QVERIFY(TestTree::writeFile(archive, "previous"));
    const QString pidFile = work.filePath("pid");

    // It ignores the polite request, so only the kill that follows ends it.
    ProgramPath path;
    QVERIFY(path.addScript(program, QString("echo $$ > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n"
                                            "trap '' TERM\n"
                                            "while :; do /bin/sleep 0.2; done")
                                        .arg(pidFile)
                                        .toUtf8()));

    CompressionHandler handler;
    bool ok = true;
    std::unique_ptr<QThread> operation(QThread::create([&] {
        ok = format.isEmpty() ? handler.extractArchive(archive, work.filePath("dest"), QString())
                              : handler.compressFiles(format, {work.filePath("in.txt")}, archive, QString());
    }));
    operation->start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pidFile), 20000);
    QVERIFY(!operation->wait(300)); // still waiting for the hanging program
    handler.cancel();
    QVERIFY(operation->wait(60000));

    QVERIFY(!ok);
    QCOMPARE(handler.lastError(), QString("操作已取消"));
    QVERIFY(processGone(TestTree::readFile(pidFile).trimmed().toLongLong()));
    QCOMPARE(TestTree::readFile(archive), QByteArray("previous"));
    QCOMPARE(QDir(work.filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{archiveName});
    QVERIFY(!QFileInfo::exists(work.filePath("dest")) || QDir(work.filePath("dest")).isEmpty());
}

void TestTar::cancelCreationLeavesNothing()
{
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"part0.bin", TestTree::sampleData(8 * 1024 * 1024, 1)},
                                                  {"part1.bin", TestTree::randomBytes(8 * 1024 * 1024)}}));
    QVERIFY(QDir().mkpath(work.filePath("out")));
    const QString archive = work.filePath("out/big.tar.xz");
    QVERIFY(TestTree::writeFile(archive, "previous"));

    QElapsedTimer sinceCancel;
    const JobRun cancelled =
        runJob(OperationRequest::create("XZ", {work.filePath("in")}, archive, QString()), nullptr,
               [&sinceCancel](ArchiveJob &job, const OperationProgress &progress) {
                   if (progress.percent >= 5 && !job.isCancelled()) {
                       sinceCancel.start();
                       job.cancel();
                   }
               });
    QCOMPARE(cancelled.result.code, ResultCode::Cancelled);
    QVERIFY2(sinceCancel.elapsed() < 2000, qPrintable(QString::number(sinceCancel.elapsed())));
    QVERIFY(cancelled.progressHonest());
    QCOMPARE(TestTree::readFile(archive), QByteArray("previous"));
    QCOMPARE(QDir(work.filePath("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"big.tar.xz"});
}

void TestTar::cancelExtractionLeavesDestination()
{
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("in"), {{"docs/a.txt", "new a"},
                                                  {"docs/big.bin", TestTree::sampleData(48 * 1024 * 1024, 5)},
                                                  {"docs/z.txt", "new z"}}));
    const QString archive = work.filePath("update.tar.bz2");
    QVERIFY(runJob(OperationRequest::create("BZIP2", {work.filePath("in/docs")}, archive, QString()))
                .result.succeeded());

    const QString destination = work.filePath("dest");
    const TestTree::Tree before{{"docs/", {}}, {"docs/a.txt", "old a"}, {"docs/z.txt", "old z"}};
    QVERIFY(TestTree::build(destination, before));
    QElapsedTimer sinceCancel;
    const JobRun cancelled = runJob(extractRequest(archive, destination), nullptr,
                                    [&sinceCancel](ArchiveJob &job, const OperationProgress &progress) {
                                        if (progress.percent >= 20 && !job.isCancelled()) {
                                            sinceCancel.start();
                                            job.cancel();
                                        }
                                    });
    QCOMPARE(cancelled.result.code, ResultCode::Cancelled);
    QVERIFY2(sinceCancel.elapsed() < 2000, qPrintable(QString::number(sinceCancel.elapsed())));
    QCOMPARE(TestTree::snapshot(destination), before);
}

QTEST_GUILESS_MAIN(TestTar)
#include "tst_tar.moc"
