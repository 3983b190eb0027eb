// The 7z backend: its command lines, what it reads from 7z's output (listing, progress, failures) on
// output recorded from 7z on this machine, and whole operations through the real 7z program.

#include "sevenzipcommands.h"
#include "sevenzipdiagnosis.h"
#include "sevenziplisting.h"
#include "sevenzipnameresolver.h"
#include "sevenzipprogress.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

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

QTEST_GUILESS_MAIN(TestSevenZip)
#include "tst_sevenzip.moc"
