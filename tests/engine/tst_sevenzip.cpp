// The 7z backend: its command lines, what it reads from 7z's output (listing, progress, failures) on
// output recorded from 7z on this machine, and whole operations through the real 7z program.

#include "archivejob.h"
#include "compressionhandler.h"
#include "programpath.h"
#include "resultmessage.h"
#include "sandbox.h"
#include "scriptedinteraction.h"
#include "sevenzipcommands.h"
#include "sevenzipdiagnosis.h"
#include "sevenziplisting.h"
#include "sevenzipnameresolver.h"
#include "sevenzipprogress.h"
#include "testtree.h"
#include "toolrun.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <memory>

#include <sys/resource.h>

namespace {

// "7z l -slt -ba" with TZ=UTC, recorded on this machine: a solid block of several files, a file
// added later in a block of its own, a folder stored only through its contents ("deep/er"), a link,
// an empty file and folder, and names with spaces, a trailing space, a carriage return, a line
// break (printed as "_") and Chinese characters.
const QByteArray listingRecorded = "Path = docs\n"
                                   "Size = 0\n"
                                   "Packed Size = 0\n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = D drwxr-xr-x\n"
                                   "CRC = \n"
                                   "Encrypted = -\n"
                                   "Method = \n"
                                   "Block = \n"
                                   "\n"
                                   "Path = emptydir\n"
                                   "Size = 0\n"
                                   "Packed Size = 0\n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = D drwxr-xr-x\n"
                                   "CRC = \n"
                                   "Encrypted = -\n"
                                   "Method = \n"
                                   "Block = \n"
                                   "\n"
                                   "Path = empty\n"
                                   "Size = 0\n"
                                   "Packed Size = 0\n"
                                   "Modified = 2026-12-10 15:12:26.7815213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = \n"
                                   "Encrypted = -\n"
                                   "Method = \n"
                                   "Block = \n"
                                   "\n"
                                   "Path = cr\rx\n"
                                   "Size = 2\n"
                                   "Packed Size = 49\n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = B1023A8B\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = deep/er/file.txt\n"
                                   "Size = 4\n"
                                   "Packed Size = \n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = 9393585D\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = docs/a b.txt\n"
                                   "Size = 11\n"
                                   "Packed Size = \n"
                                   "Modified = 2024-02-29 13:45:06.7890000\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = 0D4A1185\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = docs/\xe4\xb8\xad\xe6\x96\x87.txt\n"
                                   "Size = 12\n"
                                   "Packed Size = \n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = EB62703A\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = line_break\n"
                                   "Size = 2\n"
                                   "Packed Size = \n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = FEA379A5\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = link\n"
                                   "Size = 12\n"
                                   "Packed Size = \n"
                                   "Modified = 2026-12-10 15:12:26.7855213\n"
                                   "Attributes = A lrwxrwxrwx\n"
                                   "CRC = 2A01FB6F\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = trail \n"
                                   "Size = 2\n"
                                   "Packed Size = \n"
                                   "Modified = 2026-12-10 15:12:26.7775213\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = 15CE49F6\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:12\n"
                                   "Block = 0\n"
                                   "\n"
                                   "Path = big.bin\n"
                                   "Size = 5000\n"
                                   "Packed Size = 5004\n"
                                   "Modified = 2026-12-10 15:12:26.8055820\n"
                                   "Attributes = A -rw-r--r--\n"
                                   "CRC = 550834AB\n"
                                   "Encrypted = -\n"
                                   "Method = LZMA2:6k\n"
                                   "Block = 1\n"
                                   "\n";

// One -slt record with the fields that matter here.
QByteArray record(const QByteArray &name, const QByteArray &attributes, qint64 size = 0,
                  const QByteArray &block = QByteArray(), const QByteArray &packed = QByteArray(),
                  const QByteArray &encrypted = "-")
{
    return "Path = " + name + "\nSize = " + QByteArray::number(size) + "\nPacked Size = " + packed +
           "\nModified = 2024-01-01 00:00:00.0000000\nAttributes = " + attributes +
           "\nEncrypted = " + encrypted + "\nBlock = " + block + "\n\n";
}

QDateTime utc(const QString &text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    time.setTimeZone(QTimeZone::utc());
    return time;
}

// A stand-in for "7z l -slt -ba" over an archive holding these names: it prints a line break as
// "_" and matches names as 7z does (exactly, a folder taking in its contents; or the wildcard for
// a line break anywhere).
struct PrintingArchive {
    QStringList names;
    QStringList folders;
    QList<QStringList> queries;

    QByteArray listing(const QStringList &matching) const
    {
        QByteArray output;
        for (const QString &name : matching) {
            QByteArray printed = name.toUtf8();
            printed.replace('\n', '_');
            const bool folder = folders.contains(name);
            // Sizes tell entries apart where their printed names are the same.
            output +=
                record(printed, folder ? "D drwxr-xr-x" : "A -rw-r--r--", folder ? 0 : names.indexOf(name));
        }
        return output;
    }

    SevenZipNameResolver::Query query()
    {
        return [this](const QStringList &patterns, bool exact, QList<SevenZipListing::Record> *records) {
            queries.append(patterns);
            QStringList matching;
            for (const QString &name : std::as_const(names)) {
                const bool matches =
                    std::any_of(patterns.begin(), patterns.end(), [&](const QString &pattern) {
                        if (!exact)
                            return name.contains(QLatin1Char('\n'));
                        return name == pattern || name.startsWith(pattern + QLatin1Char('/'));
                    });
                if (matches)
                    matching.append(name);
            }
            *records = SevenZipListing::parse(listing(matching));
            return OperationResult::success();
        };
    }
};

struct JobOutcome {
    OperationResult result;
    ArchiveEntryList entries;
    QList<OperationProgress> progress;
};

// One operation through ArchiveJob, as the window runs it, with somebody to ask or nobody.
JobOutcome runJob(const OperationRequest &request, Interaction *interaction = nullptr)
{
    ArchiveJob job(request);
    if (interaction)
        job.setInteraction(interaction);
    JobOutcome outcome;
    QObject::connect(&job, &ArchiveJob::progressChanged,
                     [&outcome](const OperationProgress &progress) { outcome.progress.append(progress); });
    outcome.result = job.run();
    outcome.entries = job.entries();
    return outcome;
}

QStringList entryNames(const ArchiveEntryList &entries)
{
    QStringList names;
    for (const ArchiveEntry &entry : entries)
        names << entry.name;
    names.sort();
    return names;
}

// What 7z itself lists, with the password given (empty: the empty one, never a prompt).
QStringList listedBySevenZip(const QString &archive, const QString &password, int *exitCode = nullptr)
{
    const ToolRun list = ToolRun::run("7z", {"l", "-slt", "-ba", "-p" + password, archive});
    if (exitCode)
        *exitCode = list.exitCode;
    QStringList names;
    static const QRegularExpression pathLine("^Path = (.*)$", QRegularExpression::MultilineOption);
    for (auto it = pathLine.globalMatch(list.output); it.hasNext();)
        names << it.next().captured(1);
    names.sort();
    return names;
}

// The 7z program itself writes an archive of names, run in folder.
bool sevenZipWrites(const QString &archive, const QString &folder, const QStringList &names,
                    const QStringList &switches = {})
{
    const ToolRun run = ToolRun::run("7z",
                                     QStringList{"a", "-snl", "-spd", "-bso0", "-bsp0"} + switches +
                                         QStringList{"--", archive} + names,
                                     folder);
    if (run.exitCode != 0)
        qWarning() << run.output;
    return run.exitCode == 0;
}

// The request for "create" (of input), "extract" (into destination), "list" or "test" on archive.
OperationRequest requestFor(const QString &operation, const QString &archive, const QString &input,
                            const QString &destination, const QString &password = QString())
{
    if (operation == "create")
        return OperationRequest::create("7Z", {input}, archive, password);
    if (operation == "extract")
        return OperationRequest::extract(archive, destination, password);
    if (operation == "list")
        return OperationRequest::list(archive, password);
    return OperationRequest::test(archive, password);
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestSevenZip : public QObject
{
    Q_OBJECT

private slots:
    void commandLines_data();
    void commandLines();
    void createBatches_data();
    void createBatches();
    void duplicateNames_data();
    void duplicateNames();

    void recordedListing();
    void listingDetails_data();
    void listingDetails();
    void lineBreaksInNames_data();
    void lineBreaksInNames();

    void progressParsing_data();
    void progressParsing();
    void readingFailures_data();
    void readingFailures();
    void creationFailures_data();
    void creationFailures();

    void roundTrip_data();
    void roundTrip();
    void recreatingReplaces();
    void namesPastTheCommandLineLimit_data();
    void namesPastTheCommandLineLimit();
    void linksStoredAsLinks();
    void archiveInsideSelectedFolder();
    void refusedSelections_data();
    void refusedSelections();

    void listsRealArchive_data();
    void listsRealArchive();
    void passwordQuestions_data();
    void passwordQuestions();
    void noQuestionWithoutEncryption();
    void damagedArchive_data();
    void damagedArchive();
    void cancelMidExtraction();
    void extractsSelection_data();
    void extractsSelection();
    void linksOnExtraction_data();
    void linksOnExtraction();

    void passwordNeverOnCommandLine();
    void programMissingOrNotStarted_data();
    void programMissingOrNotStarted();
    void programFailures_data();
    void programFailures();
    void cancelStopsHangingProgram_data();
    void cancelStopsHangingProgram();
};

void TestSevenZip::commandLines_data()
{
    QTest::addColumn<QStringList>("built");
    QTest::addColumn<QStringList>("expected");

    const QStringList create{"a", "-t7z", "-spd", "-snl", "-sse", "-bso0", "-bsp1"};
    QTest::newRow("create") << SevenZipCommands::createArguments("/a/.k-1/archive.7z", {"photos", "-x"},
                                                                 ".k-1", false)
                            << create + QStringList{"-xr!.k-1", "--", "/a/.k-1/archive.7z", "photos", "-x"};
    QTest::newRow("create with password: read from standard input, names encrypted too")
        << SevenZipCommands::createArguments("/a/x.7z", {"c.txt"}, QString(), true)
        << create + QStringList{"-p", "-mhe=on", "--", "/a/x.7z", "c.txt"};
    QTest::newRow("extract without password: the empty one, never a prompt")
        << SevenZipCommands::extractArguments("/a/x.7z", "/a/out dir/.stage", false)
        << QStringList{"x", "-t7z", "-o/a/out dir/.stage", "-aoa", "-bso0", "-bsp1", "-p", "--", "/a/x.7z"};
    QTest::newRow("extract with password: asked on standard input")
        << SevenZipCommands::extractArguments("/a/x.7z", "/out", true)
        << QStringList{"x", "-t7z", "-o/out", "-aoa", "-bso0", "-bsp1", "--", "/a/x.7z"};
    QTest::newRow("test") << SevenZipCommands::testArguments("/a/x.7z", false)
                          << QStringList{"t", "-t7z", "-bso0", "-bsp1", "-p", "--", "/a/x.7z"};
    QTest::newRow("list") << SevenZipCommands::listArguments("/a/-x.7z", true)
                          << QStringList{"l", "-t7z", "-slt", "-ba", "--", "/a/-x.7z"};
    QTest::newRow("list exact names")
        << SevenZipCommands::listArguments("/a/x.7z", false, {"a\nb"}, true)
        << QStringList{"l", "-t7z", "-slt", "-ba", "-spd", "-p", "--", "/a/x.7z", "a\nb"};
    QTest::newRow("list wildcard at any depth")
        << SevenZipCommands::listArguments("/a/x.7z", true, {"*\n*"}, false)
        << QStringList{"l", "-t7z", "-slt", "-ba", "-r", "--", "/a/x.7z", "*\n*"};
    QTest::newRow("a ZIP archive libzip refuses, read as ZIP")
        << SevenZipCommands::extractArguments("/a/x.zip", "/out", false, {}, "zip")
        << QStringList{"x", "-tzip", "-o/out", "-aoa", "-bso0", "-bsp1", "-p", "--", "/a/x.zip"};
}

void TestSevenZip::commandLines()
{
    QFETCH(QStringList, built);
    QFETCH(QStringList, expected);
    QCOMPARE(built, expected);
}

void TestSevenZip::createBatches_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<qsizetype>("budget");
    // One row per run: the working folder, then its names.
    QTest::addColumn<QList<QStringList>>("expected");

    const qsizetype roomy = 1024 * 1024;
    const QStringList awkward{"/home/u/-rf", "/home/u/trail ", "/home/u/line\nbreak", "/home/u/star*.txt",
                              "/home/u/@list"};
    QTest::newRow("names of one folder stay whole, relative to it")
        << awkward << roomy
        << QList<QStringList>{{"/home/u", "-rf", "trail ", "line\nbreak", "star*.txt", "@list"}};
    QTest::newRow("one run per folder, in order of first appearance")
        << QStringList{"/b/x", "/a/y", "/b/z"} << roomy << QList<QStringList>{{"/b", "x", "z"}, {"/a", "y"}};
    QTest::newRow("trailing slash and dot segments")
        << QStringList{"/home/u/photos/", "/home/u/x/../y"} << roomy
        << QList<QStringList>{{"/home/u", "photos", "y"}};
    QTest::newRow("relative input made absolute")
        << QStringList{"photos"} << roomy << QList<QStringList>{{QDir::currentPath(), "photos"}};
    QTest::newRow("the root folder") << QStringList{"/"} << roomy << QList<QStringList>{{"/", "."}};

    // Each name costs its bytes, a NUL and a pointer: 16 + 1 + 8 = 25 here, after 100 fixed.
    const qsizetype perName = SevenZipCommands::argumentCost("0123456789abcdef");
    QStringList many;
    for (int i = 0; i < 5; ++i)
        many << QStringLiteral("/d/%1").arg(i, 16, 10, QLatin1Char('0'));
    const auto name = [&many](int i) { return many.at(i).mid(3); };
    QTest::newRow("cut where the budget ends")
        << many << 100 + 2 * perName
        << QList<QStringList>{{"/d", name(0), name(1)}, {"/d", name(2), name(3)}, {"/d", name(4)}};
    QTest::newRow("exactly filling the budget")
        << many << 100 + 5 * perName
        << QList<QStringList>{{"/d", name(0), name(1), name(2), name(3), name(4)}};
    QTest::newRow("a name larger than the budget still runs, alone")
        << many.mid(0, 2) << qsizetype(10) << QList<QStringList>{{"/d", name(0)}, {"/d", name(1)}};
}

void TestSevenZip::createBatches()
{
    QFETCH(QStringList, inputs);
    QFETCH(qsizetype, budget);
    QFETCH(QList<QStringList>, expected);

    const QList<SevenZipCommands::CreateBatch> batches = SevenZipCommands::createBatches(inputs, budget, 100);
    QList<QStringList> runs;
    QStringList coveredInputs;
    for (const SevenZipCommands::CreateBatch &batch : batches) {
        runs.append(QStringList{batch.workingDirectory} + batch.names);
        QCOMPARE(batch.inputs.size(), batch.names.size());
        coveredInputs += batch.inputs;
    }
    QCOMPARE(runs, expected);
    std::sort(coveredInputs.begin(), coveredInputs.end());
    std::sort(inputs.begin(), inputs.end());
    QCOMPARE(coveredInputs, inputs);
}

void TestSevenZip::duplicateNames_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("duplicate");

    QTest::newRow("all different") << QStringList{"/a/x", "/a/y", "/b/z"} << QString();
    QTest::newRow("same name in two folders") << QStringList{"/a/x", "/b/y", "/b/x"} << "/b/x";
    QTest::newRow("case differs") << QStringList{"/a/X", "/b/x"} << QString();
    QTest::newRow("trailing slash") << QStringList{"/a/photos", "/b/photos/"} << "/b/photos/";
}

void TestSevenZip::duplicateNames()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, duplicate);
    QCOMPARE(SevenZipCommands::firstDuplicateName(inputs), duplicate);
}

void TestSevenZip::recordedListing()
{
    const QList<SevenZipListing::Record> records = SevenZipListing::parse(listingRecorded);
    QCOMPARE(records.size(), 11);
    const ArchiveEntryList entries = SevenZipListing::entries(records);

    QStringList names;
    for (const ArchiveEntry &entry : entries)
        names << entry.name;
    // "deep" and "deep/er" are only implied, and listed right before what they hold.
    QCOMPARE(names,
             (QStringList{"docs", "emptydir", "empty", "cr\rx", "deep", "deep/er", "deep/er/file.txt",
                          "docs/a b.txt", "docs/中文.txt", "line_break", "link", "trail ", "big.bin"}));

    const auto find = [&entries](const QString &name) {
        return *std::find_if(entries.begin(), entries.end(),
                             [&name](const ArchiveEntry &e) { return e.name == name; });
    };
    const ArchiveEntry docs = find("docs");
    QVERIFY(docs.isFolder);
    QCOMPARE(docs.size, 0);
    QCOMPARE(docs.compressedSize, 0);
    const ArchiveEntry implied = find("deep/er");
    QVERIFY(implied.isFolder);
    QCOMPARE(implied.compressedSize, -1);
    QVERIFY(!implied.modified.isValid());

    const ArchiveEntry text = find("docs/a b.txt");
    QVERIFY(!text.isFolder && !text.isLink && !text.encrypted);
    QCOMPARE(text.size, 11);
    QCOMPARE(text.modified, utc("2024-02-29T13:45:06.789"));
    QCOMPARE(text.modified.timeSpec(), Qt::TimeZone);
    // 49 bytes are the whole solid block of eight files, printed on its first entry only: none of
    // them has a packed size of its own.
    QCOMPARE(find("cr\rx").compressedSize, -1);
    QCOMPARE(text.compressedSize, -1);
    // Alone in its block, the packed size is the entry's.
    QCOMPARE(find("big.bin").compressedSize, 5004);
    QCOMPARE(find("big.bin").size, 5000);
    QCOMPARE(find("empty").compressedSize, 0);

    const ArchiveEntry link = find("link");
    QVERIFY(link.isLink);
    QVERIFY(!link.isFolder);
    QCOMPARE(link.size, 0);
    QCOMPARE(find("trail ").size, 2);
    QCOMPARE(find("docs/中文.txt").size, 12);
}

void TestSevenZip::listingDetails_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("flags"); // per entry: F folder, L link, E encrypted, - none

    QTest::newRow("folder from Windows letters only")
        << record("Docs", "DA") + record("Docs/a.txt", "RA", 3, "0", "7") << QStringList{"Docs", "Docs/a.txt"}
        << "F-";
    QTest::newRow("encrypted content, names readable")
        << record("secret.txt", "A -rw-r--r--", 5, "0", "48", "+") << QStringList{"secret.txt"} << "E";
    QTest::newRow("a name listed twice is listed once, as its last record")
        << record("dup", "A -rw-r--r--", 1, "0", "5") + record("dup", "D drwxr-xr-x") << QStringList{"dup"}
        << "F";
    QTest::newRow("trailing slash of a folder dropped") << record("dir/", "D") << QStringList{"dir"} << "F";
    QTest::newRow("a name holding \" = \" and a link")
        << record("a = b", "A lrwxrwxrwx", 4, "0", "9") << QStringList{"a = b"} << "L";
    QTest::newRow("symbolic link line, where 7z prints one")
        << QByteArray("Path = l\nSize = 3\nAttributes = A\nSymbolic Link = x/y\n\n") << QStringList{"l"}
        << "L";
    QTest::newRow("nothing listed") << QByteArray() << QStringList{} << "";
}

void TestSevenZip::listingDetails()
{
    QFETCH(QByteArray, output);
    QFETCH(QStringList, names);
    QFETCH(QString, flags);

    const ArchiveEntryList entries = SevenZipListing::entries(SevenZipListing::parse(output));
    QStringList listed;
    QString seen;
    for (const ArchiveEntry &entry : entries) {
        listed << entry.name;
        seen += entry.isFolder ? 'F' : entry.isLink ? 'L' : entry.encrypted ? 'E' : '-';
    }
    QCOMPARE(listed, names);
    QCOMPARE(seen, flags);
    if (output.contains("Symbolic Link"))
        QCOMPARE(entries.first().linkTarget, QString("x/y"));
}

void TestSevenZip::lineBreaksInNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<int>("maxQueries"); // -1: not one query

    QTest::newRow("no underscore: nothing asked") << QStringList{"a.txt", "b/c"} << QStringList{} << -1;
    QTest::newRow("underscores only: one question")
        << QStringList{"a_b", "c_d/e_f"} << QStringList{"c_d"} << 1;
    QTest::newRow("a line break beside its underscore twin")
        << QStringList{"a_b", "a\nb", "x"} << QStringList{} << 8;
    QTest::newRow("line break and underscore in one name")
        << QStringList{"one_two\nthree"} << QStringList{} << 12;
    QTest::newRow("folder with a line break, its contents after it")
        << QStringList{"d\nx", "d\nx/f_1", "d\nx/g", "d_y/h"} << QStringList{"d\nx", "d_y"} << 20;
    QTest::newRow("nested under a plain folder")
        << QStringList{"dd", "dd/a\nb", "dd/a_c"} << QStringList{"dd"} << 8;
}

void TestSevenZip::lineBreaksInNames()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, folders);
    QFETCH(int, maxQueries);

    PrintingArchive archive{names, folders, {}};
    QList<SevenZipListing::Record> records = SevenZipListing::parse(archive.listing(names));
    SevenZipNameResolver resolver(archive.query(), 1024 * 1024);
    QVERIFY(resolver.resolve(&records).succeeded());

    QStringList resolved;
    for (const SevenZipListing::Record &record : std::as_const(records))
        resolved << record.entry.name;
    QCOMPARE(resolved, names);
    if (maxQueries < 0)
        QVERIFY(archive.queries.isEmpty());
    else
        QVERIFY2(archive.queries.size() <= maxQueries, qPrintable(QString::number(archive.queries.size())));
}

void TestSevenZip::progressParsing_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<bool>("updated");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("name");

    // Recorded from 7z a -bsp1 -bso0 on this machine.
    const QByteArray recorded = "  0M Scan  /tmp/px/src/\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "                       \b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "  0%\b\b\b\b    \b\b\b\b  1% + big.bin\b\b\b\b\b\b\b\b\b\b\b\b\b\b"
                                "              \b\b\b\b\b\b\b\b\b\b\b\b\b\b 11% + big.bin\b\b\b\b";
    QTest::newRow("recorded creation") << QList<QByteArray>{recorded} << true << 11 << "big.bin";
    QTest::newRow("split inside an update")
        << QList<QByteArray>{"  3% + big.b", "in\b\b\b 4", "2% 3 + photos/a b.jpg\b"} << true << 42
        << "photos/a b.jpg";
    QTest::newRow("update not finished yet") << QList<QByteArray>{" 57% - x.txt"} << false << -1 << "";
    QTest::newRow("final line ends with a newline") << QList<QByteArray>{"100% 12\n"} << true << 100 << "";
    QTest::newRow("scan and prompt are not progress")
        << QList<QByteArray>{"  0M Scan\b\b\b\b\b\bEnter password (will not be echoed):\n"} << false << -1
        << "";
    QTest::newRow("recorded extraction")
        << QList<QByteArray>{"  0%\b\b\b\b    \b\b\b\b  0% 1 T src/sub/b.txt\b\b"} << true << 0
        << "src/sub/b.txt";
    // Recorded from a run adding to an existing archive: the closing step names no entry.
    QTest::newRow("archive moved into place names no entry")
        << QList<QByteArray>{" 64% 2 + big2\b\b\b\b\b\b\b\b\b\b\b\b\b",
                             "100% 3  : 0% : 0 MiB / 6 MiB : temporary archive moving ...\b\b\b"}
        << true << 100 << "big2";
}

void TestSevenZip::progressParsing()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(bool, updated);
    QFETCH(int, percent);
    QFETCH(QString, name);

    SevenZipProgress progress;
    bool anyUpdate = false;
    for (const QByteArray &chunk : chunks)
        anyUpdate = progress.feed(chunk) || anyUpdate;
    QCOMPARE(anyUpdate, updated);
    QCOMPARE(progress.percent(), percent);
    QCOMPARE(progress.currentName(), name);
}

void TestSevenZip::readingFailures_data()
{
    QTest::addColumn<QByteArray>("errors");
    QTest::addColumn<bool>("passwordGiven");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("path");

    // Standard error of 7z x / t / l on this machine; the archive is /a/x.7z, 7z unpacks into
    // /d/.stage and the destination is /d.
    const QByteArray dataError = "ERROR: Data Error in encrypted file. Wrong password? : src/a.txt\n"
                                 "ERROR: Data Error in encrypted file. Wrong password? : src/sub/b.txt\n";
    const QByteArray namesEncrypted = "ERROR: x.7z\nCannot open encrypted archive. Wrong password?\n\n";
    const int needed = int(ResultCode::PasswordNeeded);
    const int wrong = int(ResultCode::WrongPassword);
    QTest::newRow("encrypted data, no password") << dataError << false << needed << "src/a.txt"
                                                 << "";
    QTest::newRow("encrypted data, wrong password") << dataError << true << wrong << "src/a.txt"
                                                    << "";
    QTest::newRow("encrypted names, no password") << namesEncrypted << false << needed << ""
                                                  << "";
    QTest::newRow("encrypted names, wrong password") << namesEncrypted << true << wrong << ""
                                                     << "";
    QTest::newRow("checksum of encrypted data")
        << QByteArray("ERROR: CRC Failed in encrypted file. Wrong password? : a : b.txt\n") << true << wrong
        << "a : b.txt"
        << "";
    QTest::newRow("encrypted headers damaged or wrong password")
        << QByteArray("ERROR: x.7z\nx.7z\nOpen ERROR: Headers Error in encrypted archive. Wrong password?\n")
        << true << wrong << ""
        << "";
    QTest::newRow("dangerous link") << QByteArray(
                                           "ERROR: Dangerous link path was ignored : sub/uplink : ../a.txt\n")
                                    << false << int(ResultCode::UnsafeEntry) << "sub/uplink"
                                    << "";
    QTest::newRow("link through a link")
        << QByteArray("ERROR: Dangerous link via another link was ignored : a b/c : x\n") << false
        << int(ResultCode::UnsafeEntry) << "a b/c"
        << "";
    QTest::newRow("checksum") << QByteArray("ERROR: CRC Failed : sub/rand.bin\n") << false
                              << int(ResultCode::DamagedEntry) << "sub/rand.bin"
                              << "";
    QTest::newRow("data error, first of many")
        << QByteArray("ERROR: Data Error : a.txt\nERROR: Data Error : line_break.txt\n") << false
        << int(ResultCode::DamagedEntry) << "a.txt"
        << "";
    QTest::newRow("unsupported method") << QByteArray("ERROR: Unsupported Method : x.bin\n") << false
                                        << int(ResultCode::UnsupportedMethod) << "x.bin"
                                        << "";
    QTest::newRow("truncated")
        << QByteArray("ERROR: x.7z\nx.7z\nOpen ERROR: Cannot open the file as [7z] archive\n\n\n"
                      "ERRORS:\nUnexpected end of archive\n")
        << false << int(ResultCode::NotAnArchive) << ""
        << "/a/x.7z";
    QTest::newRow("not an archive")
        << QByteArray("\nERROR: x.7z : x.7z\nOpen ERROR: Cannot open the file as [7z] archive\n\n\nERRORS:\n"
                      "Is not archive\n\n")
        << false << int(ResultCode::NotAnArchive) << ""
        << "/a/x.7z";
    QTest::newRow("archive unreadable")
        << QByteArray("ERROR: /a/x.7z\nCannot open the file as archive\n\nerrno=13 : Permission denied\n")
        << false << int(ResultCode::ReadFailed) << ""
        << "/a/x.7z";
    QTest::newRow("disk full") << QByteArray("\nSystem ERROR:\nerrno=28 : No space left on device\n") << false
                               << int(ResultCode::DiskFull) << ""
                               << "/d";
    QTest::newRow("output file refused, named where it was going")
        << QByteArray("ERROR: Cannot open output file : errno=13 : Permission denied : /d/.stage/src/e f\n")
        << false << int(ResultCode::CreateFailed) << ""
        << "/d/src/e f";
    QTest::newRow("unknown trouble") << QByteArray("Something new\n") << false << int(ResultCode::Success)
                                     << ""
                                     << "";
}

void TestSevenZip::readingFailures()
{
    QFETCH(QByteArray, errors);
    QFETCH(bool, passwordGiven);
    QFETCH(int, code);
    QFETCH(QString, entry);
    QFETCH(QString, path);

    const OperationResult result =
        SevenZipDiagnosis::reading(errors, passwordGiven, "/a/x.7z", "/d/.stage", "/d");
    QCOMPARE(int(result.code), code);
    QCOMPARE(result.entry, entry);
    QCOMPARE(result.path, path);
}

void TestSevenZip::creationFailures_data()
{
    QTest::addColumn<QByteArray>("errors");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("detail");

    // Standard error of 7z a -sse, run in /in.
    QTest::newRow("missing input")
        << QByteArray(
               "\nWARNING: errno=2 : No such file or directory\nmissing\n\n\nScan WARNINGS for files and "
               "folders:\n\nmissing : errno=2 : No such file or directory\n----------------\n"
               "Scan WARNINGS: 1\n")
        << int(ResultCode::InputUnreadable) << "/in/missing"
        << "No such file or directory";
    QTest::newRow("unreadable file stops the run")
        << QByteArray("\nWARNING: errno=13 : Permission denied\nsecret : x\n\n\n\nSystem ERROR:\n"
                      "errno=13 : Permission denied\n")
        << int(ResultCode::InputUnreadable) << "/in/secret : x"
        << "Permission denied";
    QTest::newRow("unreadable folder") << QByteArray("\nWARNING: errno=13 : Permission denied\nsub/\n")
                                       << int(ResultCode::InputUnreadable) << "/in/sub"
                                       << "Permission denied";
    QTest::newRow("disk full") << QByteArray("\nSystem ERROR:\nerrno=28 : No space left on device\n")
                               << int(ResultCode::DiskFull) << "/out/a.7z"
                               << "No space left on device";
    QTest::newRow("other write failure") << QByteArray("\nSystem ERROR:\nerrno=5 : Input/output error\n")
                                         << int(ResultCode::ArchiveNotWritten) << "/out/a.7z"
                                         << "Input/output error";
    QTest::newRow("unknown trouble") << QByteArray("disk on fire\n") << int(ResultCode::Success) << ""
                                     << "";
}

void TestSevenZip::creationFailures()
{
    QFETCH(QByteArray, errors);
    QFETCH(int, code);
    QFETCH(QString, path);
    QFETCH(QString, detail);

    const OperationResult result = SevenZipDiagnosis::creation(errors, "/in", "/out/a.7z");
    QCOMPARE(int(result.code), code);
    QCOMPARE(result.path, path);
    QCOMPARE(result.detail, detail);
}

void TestSevenZip::roundTrip_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    QTest::newRow("with password, names encrypted too") << QString("pässwört 秘密 -x");
}

void TestSevenZip::roundTrip()
{
    QFETCH(QString, password);

    QTemporaryDir work;
    const QString source = work.filePath("deep/source");
    QVERIFY(TestTree::build(source, {{"photos/a.txt", "hello\n"},
                                     {"photos/sub/b.bin", TestTree::sampleData(300 * 1024, 1)},
                                     {"photos/中文 名.txt", "unicode name"},
                                     {"photos/.hidden", ""},
                                     {"photos/empty/", {}},
                                     {"other/notes.txt", "notes"},
                                     {"trail ", "space"}}));
    const QStringList inputs{source + "/photos", source + "/other/notes.txt", source + "/trail "};
    const QString archive = work.filePath("out/set.7z");
    QVERIFY(QDir().mkpath(work.filePath("out")));

    const JobOutcome created = runJob(OperationRequest::create("7Z", inputs, archive, password));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QVERIFY(!created.progress.isEmpty());
    // The first input is named before 7z names anything itself.
    QCOMPARE(created.progress.first().currentEntry, inputs.first());
    QCOMPARE(created.progress.last().percent, 100);
    // Nothing but the archive is left beside it.
    QCOMPARE(TestTree::snapshot(work.filePath("out")).keys(), QStringList{"set.7z"});

    // Each item under its own name, not under its absolute path.
    const QStringList expected{"notes.txt",    "photos",     "photos/.hidden",   "photos/a.txt",
                               "photos/empty", "photos/sub", "photos/sub/b.bin", "photos/中文 名.txt",
                               "trail "};
    QCOMPARE(listedBySevenZip(archive, password), expected);
    const ToolRun test = ToolRun::run("7z", {"t", "-p" + password, archive});
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));

    // The names themselves are encrypted: without the password 7z cannot even list them.
    if (!password.isEmpty()) {
        int exitCode = 0;
        QCOMPARE(listedBySevenZip(archive, QString(), &exitCode), QStringList());
        QCOMPARE(exitCode, 2);
        const ToolRun raw = ToolRun::run("7z", {"l", "-p", archive});
        QVERIFY2(!raw.output.contains("a.txt") && !raw.output.contains("notes"), qPrintable(raw.output));
    }

    const JobOutcome listed = runJob(OperationRequest::list(archive, password));
    QVERIFY2(listed.result.succeeded(), qPrintable(ResultMessage::text(listed.result)));
    QCOMPARE(entryNames(listed.entries), expected);
    for (const ArchiveEntry &entry : listed.entries) {
        if (!entry.isFolder && entry.size > 0)
            QCOMPARE(entry.encrypted, !password.isEmpty());
    }

    // Unpacking into a folder that does not exist yet creates it with its parents.
    const QString destination = work.filePath("unpacked/new/deeper");
    const JobOutcome extracted = runJob(OperationRequest::extract(archive, destination, password));
    QVERIFY2(extracted.result.succeeded(), qPrintable(ResultMessage::text(extracted.result)));
    QCOMPARE(extracted.progress.last().percent, 100);
    for (qsizetype i = 1; i < extracted.progress.size(); ++i)
        QVERIFY(extracted.progress.at(i).percent >= extracted.progress.at(i - 1).percent);
    TestTree::Tree original = TestTree::snapshot(source);
    original.remove("other/");
    original.insert("notes.txt", original.take("other/notes.txt"));
    QCOMPARE(TestTree::snapshot(destination), original);

    // Unpacking again over the same files replaces them (the handler's policy) instead of asking.
    QVERIFY(TestTree::writeFile(destination + "/notes.txt", "changed"));
    CompressionHandler handler;
    QVERIFY2(handler.extractArchive(archive, destination, password), qPrintable(handler.lastError()));
    QCOMPARE(TestTree::snapshot(destination), original);
}

void TestSevenZip::recreatingReplaces()
{
    // 7z adds to an archive it finds at its path; a new archive over an old one holds only the new.
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.path(), {{"first.txt", "1"}, {"second.txt", "2"}}));
    const QString archive = work.filePath("a.7z");
    for (const char *name : {"first.txt", "second.txt"}) {
        const JobOutcome created = runJob(OperationRequest::create("7Z", {work.filePath(name)}, archive, {}));
        QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    }
    QCOMPARE(listedBySevenZip(archive, QString()), QStringList{"second.txt"});
}

void TestSevenZip::namesPastTheCommandLineLimit_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    // Every run after the first opens the archive with encrypted names before adding to it.
    QTest::newRow("with password") << QString("密码 pass");
}

void TestSevenZip::namesPastTheCommandLineLimit()
{
    QFETCH(QString, password);

    // A whole large folder selected item by item (Ctrl+A): as arguments of one command the names
    // would pass the system's limit and 7z would not start. The limit follows the stack limit, so it
    // is lowered to its floor here: a few thousand names pass it as surely as tens of thousands pass
    // the usual one, and 7z, slow with many long names, stays quick.
    rlimit savedStack{};
    QCOMPARE(::getrlimit(RLIMIT_STACK, &savedStack), 0);
    rlimit smallStack = savedStack;
    smallStack.rlim_cur = 512 * 1024;
    QCOMPARE(::setrlimit(RLIMIT_STACK, &smallStack), 0);
    const auto restore = qScopeGuard([&savedStack] { ::setrlimit(RLIMIT_STACK, &savedStack); });

    QTemporaryDir work;
    const QString folder = work.filePath("selected");
    QVERIFY(QDir().mkpath(folder));
    QStringList inputs;
    const QString padding(100, QLatin1Char('n'));
    for (int i = 0; i < 1500; ++i) {
        const QString path = folder + QStringLiteral("/%1-%2").arg(i, 5, 10, QLatin1Char('0')).arg(padding);
        QVERIFY(TestTree::writeFile(path, {}));
        inputs << path;
    }
    // Names a list file, a shell or 7z's own parsing would change.
    const QStringList awkward{"-x",          "--",        "@list",     "trail ",      " lead",
                              "line\nbreak", "star*.txt", "what?.txt", "back\\slash", "中文 名"};
    for (const QString &name : awkward) {
        QVERIFY(TestTree::writeFile(folder + "/" + name, name.toUtf8()));
        inputs << folder + "/" + name;
    }
    // Not selected, though "star*.txt" and "what?.txt" read as wildcards would take them in.
    QVERIFY(TestTree::writeFile(folder + "/star-decoy.txt", "decoy"));
    QVERIFY(TestTree::writeFile(folder + "/whatX.txt", "decoy"));

    QStringList names;
    for (const QString &input : std::as_const(inputs))
        names << input.mid(folder.size() + 1);
    // Named on one command line, 7z does not even start.
    const ToolRun oneCommand =
        ToolRun::run("7z", QStringList{"a", "-spd", work.filePath("one.7z"), "--"} + names);
    QCOMPARE(oneCommand.exitCode, -1);
    QVERIFY(!QFile::exists(work.filePath("one.7z")));

    const QString archive = work.filePath("many.7z");
    const JobOutcome created = runJob(OperationRequest::create("7Z", inputs, archive, password));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QVERIFY2(created.progress.size() > 2, "no progress between the runs");

    // Our own listing tells line breaks apart from "_", so it must give back exactly the selection.
    const JobOutcome listed = runJob(OperationRequest::list(archive, password));
    QVERIFY2(listed.result.succeeded(), qPrintable(ResultMessage::text(listed.result)));
    QCOMPARE(entryNames(listed.entries), sorted(names));
    const ToolRun test = ToolRun::run("7z", {"t", "-p" + password, archive});
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));
}

void TestSevenZip::linksStoredAsLinks()
{
    // A link to a large or private folder must not pull its contents into the archive.
    QTemporaryDir work;
    const QByteArray secret = TestTree::randomBytes(1024 * 1024);
    QVERIFY(TestTree::build(work.path(),
                            {{"private/secret.bin", secret},
                             {"selected/file.txt", "kept"},
                             {"selected/relative", "-> ../private"},
                             {"selected/absolute", "-> " + QFile::encodeName(work.filePath("private"))},
                             {"direct", "-> private/secret.bin"}}));
    const QString archive = work.filePath("links.7z");
    const JobOutcome created = runJob(
        OperationRequest::create("7Z", {work.filePath("selected"), work.filePath("direct")}, archive, {}));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));

    QCOMPARE(listedBySevenZip(archive, QString()), (QStringList{"direct", "selected", "selected/absolute",
                                                                "selected/file.txt", "selected/relative"}));
    QVERIFY2(QFileInfo(archive).size() < secret.size() / 10, "the link's target was stored");
    const JobOutcome listed = runJob(OperationRequest::list(archive, {}));
    QVERIFY(listed.result.succeeded());
    for (const ArchiveEntry &entry : listed.entries)
        QCOMPARE(entry.isLink, entry.name == "direct" || entry.name.endsWith("absolute") ||
                                   entry.name.endsWith("relative"));
}

void TestSevenZip::archiveInsideSelectedFolder()
{
    // The archive is written inside the folder being read: it must not pack itself or its private
    // working folder.
    QTemporaryDir work;
    const QString folder = work.filePath("X");
    QVERIFY(TestTree::build(folder, {{"data.bin", TestTree::randomBytes(256 * 1024)}}));
    const QString archive = folder + "/inner.7z";
    const JobOutcome created = runJob(OperationRequest::create("7Z", {folder}, archive, {}));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QCOMPARE(TestTree::snapshot(folder).keys(), (QStringList{"data.bin", "inner.7z"}));
    QCOMPARE(listedBySevenZip(archive, QString()), (QStringList{"X", "X/data.bin"}));
}

void TestSevenZip::refusedSelections_data()
{
    QTest::addColumn<QStringList>("selection"); // below the test's folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("path");

    QTest::newRow("one input missing")
        << QStringList{"present.txt", "missing.txt"} << int(ResultCode::InputUnreadable) << "missing.txt";
    QTest::newRow("the only input missing")
        << QStringList{"missing.txt"} << int(ResultCode::InputUnreadable) << "missing.txt";
    QTest::newRow("two inputs with one name") << QStringList{"present.txt", "other/present.txt"}
                                              << int(ResultCode::DuplicateEntryName) << "other/present.txt";
}

void TestSevenZip::refusedSelections()
{
    QFETCH(QStringList, selection);
    QFETCH(int, code);
    QFETCH(QString, path);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.path(), {{"present.txt", "here"}, {"other/present.txt", "also here"}}));
    QStringList inputs;
    for (const QString &name : selection)
        inputs << work.filePath(name);
    const QString archive = work.filePath("out/a.7z");
    QVERIFY(TestTree::build(work.path(), {{"out/a.7z", "previous archive"}}));
    const JobOutcome created = runJob(OperationRequest::create("7Z", inputs, archive, {}));
    QCOMPARE(int(created.result.code), code);
    QCOMPARE(created.result.path, work.filePath(path));
    QCOMPARE(TestTree::snapshot(work.filePath("out")), (TestTree::Tree{{"a.7z", "previous archive"}}));
}

void TestSevenZip::listsRealArchive_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QString();
    QTest::newRow("names encrypted") << QString("secret");
}

void TestSevenZip::listsRealArchive()
{
    QFETCH(QString, password);

    // Written by 7z itself; "deep" and "deep/er" are stored only through the file inside them.
    QTemporaryDir work;
    const QString source = work.filePath("src");
    QVERIFY(TestTree::build(source, {{"a_b", "underscore"},
                                     {"a\nb", "line break"},
                                     {"d\nx/f_1", "in a folder with a line break"},
                                     {"d\nx/g", "g"},
                                     {"sp ace/中文.txt", "中文"},
                                     {"trail ", "t"},
                                     {"deep/er/file.txt", "deep"},
                                     {"link", "-> a_b"}}));
    const QString archive = work.filePath("real.7z");
    QStringList switches;
    if (!password.isEmpty())
        switches << "-p" + password << "-mhe=on";
    QVERIFY(sevenZipWrites(
        archive, source, {"a_b", "a\nb", "d\nx", "sp ace", "trail ", "deep/er/file.txt", "link"}, switches));

    const JobOutcome listed = runJob(OperationRequest::list(archive, password));
    QVERIFY2(listed.result.succeeded(), qPrintable(ResultMessage::text(listed.result)));
    QCOMPARE(entryNames(listed.entries),
             sorted({"a_b", "a\nb", "d\nx", "d\nx/f_1", "d\nx/g", "sp ace", "sp ace/中文.txt", "trail ",
                     "deep", "deep/er", "deep/er/file.txt", "link"}));
    for (const ArchiveEntry &entry : listed.entries) {
        const QStringList folders{"d\nx", "sp ace", "deep", "deep/er"};
        QCOMPARE(entry.isFolder, folders.contains(entry.name));
        QCOMPARE(entry.isLink, entry.name == "link");
        if (entry.name == "a\nb")
            QCOMPARE(entry.size, qint64(10));
        if (entry.name == "sp ace/中文.txt")
            QCOMPARE(entry.size, qint64(6));
        if (!entry.isFolder && !entry.isLink)
            QCOMPARE(entry.encrypted, !password.isEmpty());
        if (!entry.name.startsWith("deep") || entry.name.endsWith(".txt"))
            QVERIFY2(qAbs(entry.modified.secsTo(QDateTime::currentDateTimeUtc())) < 600,
                     qPrintable(entry.name));
    }
}

void TestSevenZip::passwordQuestions_data()
{
    QTest::addColumn<QString>("operation"); // "extract", "list" or "test"
    QTest::addColumn<bool>("encryptNames");
    QTest::addColumn<bool>("interactive");
    QTest::addColumn<QString>("given");       // the request's password
    QTest::addColumn<QStringList>("answers"); // in order; then Cancel
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QList<bool>>("questions"); // previousWasWrong of each question asked

    const int ok = int(ResultCode::Success);
    const QStringList wrongThenRight{"wrong", "right"};
    const QList<bool> twoQuestions{false, true};
    for (const bool names : {false, true}) {
        const char *kind = names ? "names encrypted" : "content encrypted";
        QTest::addRow("extract, %s: wrong, then right", kind)
            << "extract" << names << true << "" << wrongThenRight << ok << "" << twoQuestions;
        QTest::addRow("extract, %s: wrong, wrong, then right", kind)
            << "extract" << names << true << "" << QStringList{"wrong", "worse", "right"} << ok << ""
            << QList<bool>{false, true, true};
        QTest::addRow("extract, %s: nobody to ask", kind)
            << "extract" << names << false << "" << QStringList{} << int(ResultCode::PasswordNeeded)
            << (names ? "" : "secret.txt") << QList<bool>{};
        QTest::addRow("extract, %s: cancel at the second question", kind)
            << "extract" << names << true << "" << QStringList{"wrong"} << int(ResultCode::Cancelled) << ""
            << twoQuestions;
        QTest::addRow("test, %s: wrong, then right", kind)
            << "test" << names << true << "" << wrongThenRight << ok << "" << twoQuestions;
        QTest::addRow("test, %s: wrong given, asked again", kind)
            << "test" << names << true << "wrong" << QStringList{"right"} << ok << "" << QList<bool>{true};
        QTest::addRow("test, %s: cancel at the question", kind)
            << "test" << names << true << "" << QStringList{} << int(ResultCode::Cancelled) << ""
            << QList<bool>{false};
        QTest::addRow("test, %s: nobody to ask", kind)
            << "test" << names << false << "" << QStringList{} << int(ResultCode::PasswordNeeded)
            << (names ? "" : "secret.txt") << QList<bool>{};
        QTest::addRow("test, %s: wrong, nobody to ask", kind)
            << "test" << names << false << "wrong" << QStringList{} << int(ResultCode::WrongPassword)
            << (names ? "" : "secret.txt") << QList<bool>{};
    }
    QTest::newRow("list, content encrypted: names readable, no question")
        << "list" << false << true << "" << QStringList{} << ok << "" << QList<bool>{};
    QTest::newRow("list, names encrypted: wrong, then right")
        << "list" << true << true << "" << wrongThenRight << ok << "" << twoQuestions;
    QTest::newRow("list, names encrypted: nobody to ask")
        << "list" << true << false << "" << QStringList{} << int(ResultCode::PasswordNeeded) << ""
        << QList<bool>{};
}

void TestSevenZip::passwordQuestions()
{
    QFETCH(QString, operation);
    QFETCH(bool, encryptNames);
    QFETCH(bool, interactive);
    QFETCH(QString, given);
    QFETCH(QStringList, answers);
    QFETCH(int, code);
    QFETCH(QString, entry);
    QFETCH(QList<bool>, questions);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.path(), {{"secret.txt", "classified"}}));
    const QString archive = work.filePath("secret.7z");
    QVERIFY(sevenZipWrites(archive, work.path(), {"secret.txt"},
                           {"-pright", encryptNames ? "-mhe=on" : "-mhe=off"}));

    ScriptedInteraction interaction;
    for (const QString &answer : answers)
        interaction.passwordAnswers.append({true, answer});
    const QString destination = work.filePath("dest");
    const OperationRequest request = operation == "extract"
                                         ? OperationRequest::extract(archive, destination, given)
                                     : operation == "list" ? OperationRequest::list(archive, given)
                                                           : OperationRequest::test(archive, given);
    const JobOutcome outcome = runJob(request, interactive ? &interaction : nullptr);
    QCOMPARE(int(outcome.result.code), code);
    QCOMPARE(outcome.result.entry, entry);
    QList<bool> asked;
    for (const PasswordQuestion &question : std::as_const(interaction.passwordQuestions)) {
        asked << question.previousWasWrong;
        QCOMPARE(question.archivePath, archive);
        QCOMPARE(question.entry, encryptNames ? QString() : QString("secret.txt"));
    }
    QCOMPARE(asked, questions);
    // Never 7z's English inside a sentence, never damage.
    QVERIFY2(!ResultMessage::text(outcome.result).contains("password", Qt::CaseInsensitive),
             qPrintable(ResultMessage::text(outcome.result)));
    if (operation == "list" && outcome.result.succeeded()) {
        QCOMPARE(entryNames(outcome.entries), QStringList{"secret.txt"});
        QVERIFY(outcome.entries.first().encrypted);
    }
    // Whatever the refused attempts left is gone: the file once, whole, or nothing at all.
    if (operation == "extract") {
        const TestTree::Tree expected =
            outcome.result.succeeded() ? TestTree::Tree{{"secret.txt", "classified"}} : TestTree::Tree{};
        QCOMPARE(TestTree::snapshot(destination), expected);
    }
}

void TestSevenZip::noQuestionWithoutEncryption()
{
    QTemporaryDir work;
    QVERIFY(TestTree::build(work.path(), {{"plain.txt", "open"}}));
    const QString archive = work.filePath("plain.7z");
    QVERIFY(sevenZipWrites(archive, work.path(), {"plain.txt"}));
    for (const OperationRequest &request :
         {OperationRequest::list(archive, {}), OperationRequest::test(archive, {}),
          OperationRequest::test(archive, "unneeded"),
          OperationRequest::extract(archive, work.filePath("out"), {})}) {
        ScriptedInteraction interaction;
        const JobOutcome outcome = runJob(request, &interaction);
        QVERIFY2(outcome.result.succeeded(), qPrintable(ResultMessage::text(outcome.result)));
        QCOMPARE(interaction.passwordQuestions.size(), 0);
    }
}

void TestSevenZip::damagedArchive_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("entry");

    for (const char *operation : {"test", "extract"}) {
        QTest::addRow("%s: a byte of one entry flipped", operation)
            << operation << "flip" << int(ResultCode::DamagedEntry) << "b.bin";
        QTest::addRow("%s: cut short", operation)
            << operation << "cut" << int(ResultCode::NotAnArchive) << "";
        QTest::addRow("%s: not an archive at all", operation)
            << operation << "random" << int(ResultCode::NotAnArchive) << "";
    }
}

void TestSevenZip::damagedArchive()
{
    QFETCH(QString, operation);
    QFETCH(QString, damage);
    QFETCH(int, code);
    QFETCH(QString, entry);

    // Stored without compression, one entry after another, so the middle of b.bin is known.
    Sandbox sandbox;
    const QString source = sandbox.filePath("source");
    const qsizetype size = 64 * 1024;
    QVERIFY(TestTree::build(source, {{"a.bin", TestTree::randomBytes(size)},
                                     {"b.bin", TestTree::randomBytes(size)},
                                     {"c.bin", TestTree::randomBytes(size)}}));
    const QString archive = sandbox.filePath("damaged.7z");
    QVERIFY(sevenZipWrites(archive, source, {"a.bin", "b.bin", "c.bin"}, {"-mx0", "-ms=off"}));
    QByteArray bytes = TestTree::readFile(archive);
    const qsizetype signatureHeader = 32;
    if (damage == "flip")
        bytes[signatureHeader + size + size / 2] = char(bytes.at(signatureHeader + size + size / 2) ^ 0x55);
    else if (damage == "cut")
        bytes.truncate(bytes.size() / 2);
    else
        bytes = TestTree::randomBytes(4096);
    QVERIFY(TestTree::writeFile(archive, bytes));

    // Files of the same names already in the destination survive byte for byte, and so does
    // everything else there.
    const TestTree::Tree existing{{"a.bin", "mine"}, {"b.bin", TestTree::randomBytes(100)}, {"keep/", {}}};
    QVERIFY(TestTree::build(sandbox.destination(), existing));
    const TestTree::Tree outside = sandbox.outside();

    const JobOutcome outcome = runJob(requestFor(operation, archive, QString(), sandbox.destination()));
    QCOMPARE(int(outcome.result.code), code);
    QCOMPARE(outcome.result.entry, entry);
    if (code == int(ResultCode::NotAnArchive))
        QCOMPARE(outcome.result.path, archive);
    else
        QVERIFY(ResultMessage::text(outcome.result).endsWith(": b.bin"));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), existing);
    QCOMPARE(sandbox.outside(), outside);
}

void TestSevenZip::cancelMidExtraction()
{
    // PPMd unpacks slowly enough (some hundreds of milliseconds here) for a cancel to land while 7z
    // writes the large file.
    Sandbox sandbox;
    const QString source = sandbox.filePath("source");
    QVERIFY(TestTree::build(source,
                            {{"big.txt", TestTree::sampleData(8 * 1024 * 1024, 7)}, {"small.txt", "new"}}));
    const QString archive = sandbox.filePath("slow.7z");
    QVERIFY(sevenZipWrites(archive, source, {"small.txt", "big.txt"}, {"-m0=PPMd"}));
    const TestTree::Tree existing{{"small.txt", "old"}, {"big.txt", "old and short"}, {"other.txt", "other"}};
    QVERIFY(TestTree::build(sandbox.destination(), existing));
    const TestTree::Tree outside = sandbox.outside();

    ArchiveJob job(OperationRequest::extract(archive, sandbox.destination(), {}));
    QList<int> percents;
    bool writingBigFile = false;
    QObject::connect(&job, &ArchiveJob::progressChanged, [&](const OperationProgress &progress) {
        percents << progress.percent;
        // The private staging folder inside the destination, wherever in it 7z writes.
        QDirIterator staged(sandbox.destination(), {"big.txt"}, QDir::Files | QDir::Hidden,
                            QDirIterator::Subdirectories);
        while (staged.hasNext())
            writingBigFile = staged.next().contains("/.kelvane-extract-") || writingBigFile;
        if (writingBigFile)
            job.cancel();
    });
    const OperationResult result = job.run();
    QCOMPARE(result.code, ResultCode::Cancelled);
    QVERIFY2(writingBigFile, "7z was not writing yet when the cancel came");
    QVERIFY2(percents.last() < 100, qPrintable(QDebug::toString(percents)));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), existing);
    QCOMPARE(sandbox.outside(), outside);
}

void TestSevenZip::extractsSelection_data()
{
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<QStringList>("expected"); // what the destination holds afterwards
    QTest::addColumn<QString>("missing");      // the entry reported as not found

    QTest::newRow("a folder, placed without the folders above it")
        << QStringList{"photos/sub"} << QStringList{"sub/", "sub/b.bin"} << "";
    QTest::newRow("entries of two folders keep their paths")
        << QStringList{"photos/a.txt", "notes.txt"} << QStringList{"notes.txt", "photos/", "photos/a.txt"}
        << "";
    QTest::newRow("a folder stored only through its contents")
        << QStringList{"deep"} << QStringList{"deep/", "deep/er/", "deep/er/file.txt"} << "";
    QTest::newRow("a name with wildcard characters is only itself")
        << QStringList{"photos/star*.txt"} << QStringList{"star*.txt"} << "";
    QTest::newRow("a name the archive does not hold")
        << QStringList{"photos/a.txt", "nothing"} << QStringList{} << "nothing";
}

void TestSevenZip::extractsSelection()
{
    QFETCH(QStringList, selection);
    QFETCH(QStringList, expected);
    QFETCH(QString, missing);

    QTemporaryDir work;
    QVERIFY(TestTree::build(work.filePath("src"), {{"photos/a.txt", "a"},
                                                   {"photos/star*.txt", "star"},
                                                   {"photos/star-decoy.txt", "decoy"},
                                                   {"photos/sub/b.bin", "b"},
                                                   {"notes.txt", "notes"},
                                                   {"deep/er/file.txt", "deep"}}));
    const QString archive = work.filePath("set.7z");
    QVERIFY(sevenZipWrites(archive, work.filePath("src"), {"photos", "notes.txt", "deep/er/file.txt"}));

    OperationRequest request = OperationRequest::extract(archive, work.filePath("dest"), {});
    request.entryNames = selection;
    const JobOutcome outcome = runJob(request);
    if (missing.isEmpty()) {
        QVERIFY2(outcome.result.succeeded(), qPrintable(ResultMessage::text(outcome.result)));
    } else {
        QCOMPARE(outcome.result.code, ResultCode::EntryNotFound);
        QCOMPARE(outcome.result.entry, missing);
    }
    QCOMPARE(TestTree::snapshot(work.filePath("dest")).keys(), expected);
}

void TestSevenZip::linksOnExtraction_data()
{
    QTest::addColumn<TestTree::Tree>("tree"); // stored by 7z as it is, links as links
    QTest::addColumn<QString>("refused");     // the entry refused; empty: extracted as stored

    QTest::newRow("link beside its target")
        << TestTree::Tree{{"a.txt", "a"}, {"sub/l", "-> ../a.txt"}} << "sub/l";
    QTest::newRow("link into a folder")
        << TestTree::Tree{{"a/", {}}, {"a/x.txt", "x"}, {"l", "-> a/x.txt"}} << "";
    QTest::newRow("absolute link") << TestTree::Tree{{"abs", "-> /etc/passwd"}} << "abs";
    QTest::newRow("link out of the archive")
        << TestTree::Tree{{"sub/out", "-> ../../outside.txt"}} << "sub/out";
}

void TestSevenZip::linksOnExtraction()
{
    QFETCH(TestTree::Tree, tree);
    QFETCH(QString, refused);

    Sandbox sandbox;
    const QString source = sandbox.filePath("source");
    QVERIFY(TestTree::build(source, tree));
    QStringList names;
    for (const QString &name : tree.keys())
        names << name.section('/', 0, 0);
    names.removeDuplicates();
    const QString archive = sandbox.filePath("links.7z");
    QVERIFY(sevenZipWrites(archive, source, names));
    const TestTree::Tree outside = sandbox.outside();

    const JobOutcome outcome = runJob(OperationRequest::extract(archive, sandbox.destination(), {}));
    QCOMPARE(sandbox.outside(), outside);
    if (refused.isEmpty()) {
        QVERIFY2(outcome.result.succeeded(), qPrintable(ResultMessage::text(outcome.result)));
        QCOMPARE(TestTree::snapshot(sandbox.destination()), tree);
        return;
    }
    // 7z's own rule: a link with ".." in its target is refused even where it stays inside.
    QCOMPARE(outcome.result.code, ResultCode::UnsafeEntry);
    QCOMPARE(outcome.result.entry, refused);
    QVERIFY(!QFile::exists(sandbox.destination()));
}

void TestSevenZip::passwordNeverOnCommandLine()
{
    // A stand-in 7z records exactly what it was given.
    ProgramPath path;
    QTemporaryDir work;
    const QString record = work.filePath("record");
    QVERIFY(path.addScript(
        "7z", QString("printf '%s\\n' \"$@\" > '%1.args'\n"
                      "/bin/cat > '%1.stdin'\n"
                      "[ \"$1\" = a ] && : > \"$(printf '%s\\n' \"$@\" | sed -n '/^--$/{n;p;q}')\"\n"
                      "exit 0")
                  .arg(record)
                  .toUtf8()));
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "x"));
    const QString password = "Tr0ub4dor&3";
    const QString archive = work.filePath("a.7z");

    const JobOutcome created =
        runJob(OperationRequest::create("7Z", {work.filePath("in.txt")}, archive, password));
    QVERIFY2(created.result.succeeded(), qPrintable(ResultMessage::text(created.result)));
    QStringList arguments = QString::fromUtf8(TestTree::readFile(record + ".args")).split('\n');
    QCOMPARE(arguments.first(), "a");
    QVERIFY(arguments.contains("-p"));
    QVERIFY(arguments.contains("-mhe=on"));
    QVERIFY(!TestTree::readFile(record + ".args").contains(password.toUtf8()));
    QCOMPARE(TestTree::readFile(record + ".stdin"), password.toUtf8() + "\n");

    for (const OperationRequest &request :
         {OperationRequest::test(archive, password), OperationRequest::list(archive, password),
          OperationRequest::extract(archive, work.filePath("out"), password)}) {
        const JobOutcome read = runJob(request);
        QVERIFY2(read.result.succeeded(), qPrintable(ResultMessage::text(read.result)));
        const QByteArray readArguments = TestTree::readFile(record + ".args");
        QVERIFY(!readArguments.contains(password.toUtf8()));
        QVERIFY(!readArguments.contains("\n-p"));
        QCOMPARE(TestTree::readFile(record + ".stdin"), password.toUtf8() + "\n");
    }

    // Without a password: no "-p" on creation, the empty one on reading, nothing on standard input.
    QVERIFY(
        runJob(OperationRequest::create("7Z", {work.filePath("in.txt")}, archive, {})).result.succeeded());
    arguments = QString::fromUtf8(TestTree::readFile(record + ".args")).split('\n');
    QVERIFY(std::none_of(arguments.begin(), arguments.end(),
                         [](const QString &a) { return a.startsWith("-p"); }));
    QCOMPARE(TestTree::readFile(record + ".stdin"), QByteArray());
    QVERIFY(runJob(OperationRequest::test(archive, {})).result.succeeded());
    arguments = QString::fromUtf8(TestTree::readFile(record + ".args")).split('\n');
    QVERIFY(arguments.contains("-p"));
    QCOMPARE(TestTree::readFile(record + ".stdin"), QByteArray());
}

void TestSevenZip::programMissingOrNotStarted_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("installed"); // false: not on PATH; true: there, but it cannot be started
    QTest::addColumn<QString>("message");

    for (const char *operation : {"create", "test", "extract"}) {
        QTest::addRow("%s, not installed", operation)
            << operation << false << "启动 7z 进程失败。请确保已安装 7z 并在PATH环境变量中。";
        QTest::addRow("%s, cannot start", operation) << operation << true << "启动 7z 进程失败: *";
    }
}

void TestSevenZip::programMissingOrNotStarted()
{
    QFETCH(QString, operation);
    QFETCH(bool, installed);
    QFETCH(QString, message);

    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "x"));
    const QString archive = work.filePath("a.7z");
    if (operation != "create")
        QVERIFY(TestTree::writeFile(archive, "not looked at"));
    ProgramPath path(ProgramPath::Alone);
    if (installed) {
        // Found and executable, but its interpreter does not exist: the system refuses to start it.
        QVERIFY(TestTree::writeFile(path.filePath("7z"), "#!/nonexistent/interpreter\n"));
        QVERIFY(QFile::setPermissions(path.filePath("7z"), QFile::ReadOwner | QFile::ExeOwner));
    }
    const JobOutcome outcome =
        runJob(requestFor(operation, archive, work.filePath("in.txt"), work.filePath("dest")));
    QCOMPARE(outcome.result.code, installed ? ResultCode::ToolNotStarted : ResultCode::ToolMissing);
    const QString text = ResultMessage::text(outcome.result);
    if (message.endsWith('*')) {
        QVERIFY2(text.startsWith(message.chopped(1)), qPrintable(text));
        QVERIFY2(text.size() > message.size(), "the system's reason is missing");
    } else {
        QCOMPARE(text, message);
    }
    if (operation == "create")
        QVERIFY(!QFile::exists(archive));
    QVERIFY(!QFile::exists(work.filePath("dest")));
}

void TestSevenZip::programFailures_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("message"); // a prefix when it ends with "*"

    const QByteArray fails = "echo 'disk on fire' >&2\nexit 2";
    QTest::newRow("fails creating") << "create" << fails << "7z 进程失败: disk on fire";
    QTest::newRow("crashes creating") << "create" << QByteArray("kill -SEGV $$") << "7z 进程失败: *";
    QTest::newRow("fails testing") << "test" << fails << "7z 进程失败: disk on fire";
    QTest::newRow("fails listing") << "list" << fails << "7z 进程失败: disk on fire";
    QTest::newRow("fails extracting, its output discarded")
        << "extract"
        << QByteArray("mkdir -p \"${3#-o}/half\" && echo partial > \"${3#-o}/half/file\"\n" + fails)
        << "7z 进程失败: disk on fire";
}

void TestSevenZip::programFailures()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, script);
    QFETCH(QString, message);

    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.bin"), TestTree::randomBytes(64 * 1024)));
    // An archive already at the path survives a failed creation untouched.
    const QString archive = work.filePath("out/a.7z");
    QVERIFY(TestTree::build(work.path(), {{"out/a.7z", "previous archive"}}));

    ProgramPath path;
    QVERIFY(path.addScript("7z", script));
    const JobOutcome outcome =
        runJob(requestFor(operation, archive, work.filePath("in.bin"), work.filePath("out/dest")));
    QCOMPARE(outcome.result.code, ResultCode::ToolFailed);
    const QString text = ResultMessage::text(outcome.result);
    if (message.endsWith('*'))
        QVERIFY2(text.startsWith(message.chopped(1)), qPrintable(text));
    else
        QCOMPARE(text, message);
    QCOMPARE(TestTree::snapshot(work.filePath("out")), (TestTree::Tree{{"a.7z", "previous archive"}}));
}

void TestSevenZip::cancelStopsHangingProgram_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("creating") << "create";
    QTest::newRow("testing") << "test";
    QTest::newRow("extracting") << "extract";
}

void TestSevenZip::cancelStopsHangingProgram()
{
    QFETCH(QString, operation);

    QTemporaryDir work;
    QVERIFY(TestTree::writeFile(work.filePath("in.txt"), "x"));
    const QString archive = work.filePath("out/a.7z");
    QVERIFY(TestTree::build(work.path(), {{"out/a.7z", "previous"}}));
    const QString pidFile = work.filePath("pid");

    // It ignores the polite request, so only the kill that follows ends it.
    ProgramPath path;
    QVERIFY(path.addScript("7z", QString("echo $$ > '%1.tmp' && /bin/mv '%1.tmp' '%1'\n"
                                         "trap '' TERM\n"
                                         "while :; do /bin/sleep 0.2; done")
                                     .arg(pidFile)
                                     .toUtf8()));

    ArchiveJob job(requestFor(operation, archive, work.filePath("in.txt"), work.filePath("out/dest")));
    OperationResult result;
    std::unique_ptr<QThread> thread(QThread::create([&] { result = job.run(); }));
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(pidFile), 20000);
    QVERIFY(!thread->wait(300)); // still waiting for the hanging program
    job.cancel();
    QVERIFY(thread->wait(60000));

    QCOMPARE(result.code, ResultCode::Cancelled);
    QVERIFY(ToolRun::processGone(TestTree::readFile(pidFile).trimmed().toLongLong()));
    QCOMPARE(TestTree::snapshot(work.filePath("out")), (TestTree::Tree{{"a.7z", "previous"}}));
}

QTEST_GUILESS_MAIN(TestSevenZip)
#include "tst_sevenzip.moc"
