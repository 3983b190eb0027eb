// Looking inside archives through the facade, on every format: listing every entry once, extracting
// only the named entries relative to their deepest common folder (over existing files, with the
// replace question), refusing an unknown name before anything is placed, and testing that finds the
// first damaged entry.

#include "compressionhandler.h"
#include "sandbox.h"
#include "scriptedinteraction.h"
#include "tarbytes.h"
#include "testtree.h"
#include "toolrun.h"
#include "zipbytes.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using Tree = TestTree::Tree;

namespace {

// Formats by their creation name and file ending.
struct Format {
    // Our creation name; for formats we only read, bsdtar's format name instead.
    const char *name;
    const char *suffix;
    // Whether it can hold a password, and whether it then hides the names too.
    bool encrypts = false;
    bool encryptsNames = false;
    bool writtenByBsdtar = false;
};

QList<Format> testedFormats()
{
    return {{"ZIP", "zip", true, false},
            {"TAR", "tar"},
            {"GZIP", "tar.gz"},
            {"BZIP2", "tar.bz2"},
            {"XZ", "tar.xz"},
            {"ZSTD", "tar.zst"},
            {"7Z", "7z", true, true},
            {"newc", "cpio", false, false, true},
            {"iso9660", "iso", false, false, true}};
}

const QString rightPassword = QStringLiteral("right 密码");

// What every format is asked to hold: nested and empty folders, a Chinese name with a space, a name
// with a line break, a link (to a folder: the ZIP writer stores links to files as the files).
const Tree sourceTree{{"docs/a.txt", "alpha"},
                      {"docs/img/p.png", TestTree::sampleData(3000, 1)},
                      {"docs/empty/", {}},
                      {"中文/说明 文件.txt", "中文内容"},
                      {"top.txt", "top"},
                      {"docs/link", "-> img"},
                      {"lines/two\nlines.txt", "nl"}};

// sourceTree packed by our own writer for the format.
QString makeArchive(const QString &folder, const Format &format, const QString &password = QString())
{
    const QString source = folder + "/src";
    if (!TestTree::build(source, sourceTree))
        return QString();
    const QString archive = folder + "/archive." + format.suffix;
    if (format.writtenByBsdtar) {
        const ToolRun bsdtar = ToolRun::run("bsdtar", {"--format", format.name, "-cf", archive, "-C", source,
                                                       "docs", "中文", "top.txt", "lines"});
        return bsdtar.exitCode == 0 ? archive : QString();
    }
    CompressionHandler handler;
    const QStringList inputs{source + "/docs", source + "/中文", source + "/top.txt", source + "/lines"};
    return handler.compressFiles(format.name, inputs, archive, password) ? archive : QString();
}

QString describe(const OperationResult &result)
{
    return QStringLiteral("code %1, entry '%2', path '%3', detail '%4'")
        .arg(int(result.code))
        .arg(result.entry, result.path, result.detail);
}

// One line per entry, sorted: name, kind, and the size of files.
QStringList describe(const ArchiveEntryList &entries)
{
    QStringList lines;
    for (const ArchiveEntry &entry : entries) {
        if (entry.isFolder)
            lines.append(entry.name + " folder");
        else if (entry.isLink)
            lines.append(entry.name + " link");
        else
            lines.append(QStringLiteral("%1 file %2").arg(entry.name).arg(entry.size));
    }
    lines.sort();
    return lines;
}

void addFormatRows(const char *scenario, const std::function<void(QTestData &)> &values)
{
    for (const Format &format : testedFormats())
        values(QTest::addRow("%s, %s", format.suffix, scenario)
               << QString(format.name) << QString(format.suffix));
}

Format formatNamed(const QString &name)
{
    for (const Format &format : testedFormats()) {
        if (name == QLatin1String(format.name))
            return format;
    }
    return {"", ""};
}

} // namespace

class TestArchiveBrowsing : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryEntryOnce_data();
    void listsEveryEntryOnce();
    void extractsNamedEntries_data();
    void extractsNamedEntries();
    void unknownNameFailsBeforeAnythingIsPlaced_data();
    void unknownNameFailsBeforeAnythingIsPlaced();
    void asksBeforeReplacing_data();
    void asksBeforeReplacing();
    void testsWholeArchive_data();
    void testsWholeArchive();
    void findsFirstDamagedEntry_data();
    void findsFirstDamagedEntry();
    void asksPasswordOnlyWhenNeeded_data();
    void asksPasswordOnlyWhenNeeded();
    void programUnpacksOnlyTheNamedEntries_data();
    void programUnpacksOnlyTheNamedEntries();
    void legacyNames_data();
    void legacyNames();
};

void TestArchiveBrowsing::listsEveryEntryOnce_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    addFormatRows("our own archive", [](QTestData &) {});
}

void TestArchiveBrowsing::listsEveryEntryOnce()
{
    QFETCH(QString, format);

    QTemporaryDir dir;
    const QString archive = makeArchive(dir.path(), formatNamed(format));
    QVERIFY(!archive.isEmpty());
    const Tree before = TestTree::snapshot(dir.path());

    CompressionHandler handler;
    QList<ArchiveEntry> entries;
    QVERIFY2(handler.listArchive(archive, QString(), &entries), qPrintable(handler.lastError()));
    QCOMPARE(describe(entries), (QStringList{"docs folder", "docs/a.txt file 5", "docs/empty folder",
                                             "docs/img folder", "docs/img/p.png file 3000", "docs/link link",
                                             "lines folder", "lines/two\nlines.txt file 2", "top.txt file 3",
                                             "中文 folder", "中文/说明 文件.txt file 12"}));
    for (const ArchiveEntry &entry : std::as_const(entries)) {
        QVERIFY2(!entry.encrypted, qPrintable(entry.name));
        if (!entry.isFolder)
            QVERIFY2(entry.modified.isValid(), qPrintable(entry.name));
    }
    QCOMPARE(TestTree::snapshot(dir.path()), before);
}

void TestArchiveBrowsing::extractsNamedEntries_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<Tree>("expected");

    const QByteArray png = sourceTree.value("docs/img/p.png");
    addFormatRows("a file and a folder beside it", [&](QTestData &row) {
        row << QStringList{"docs/a.txt", "docs/img/"}
            << Tree{{"a.txt", "alpha"}, {"img/", {}}, {"img/p.png", png}};
    });
    addFormatRows("one file deep down", [](QTestData &row) {
        row << QStringList{"中文/说明 文件.txt"} << Tree{{"说明 文件.txt", "中文内容"}};
    });
    addFormatRows("a folder with all below it", [&](QTestData &row) {
        row << QStringList{"docs"}
            << Tree{{"docs/", {}},     {"docs/a.txt", "alpha"}, {"docs/empty/", {}},
                    {"docs/img/", {}}, {"docs/img/p.png", png}, {"docs/link", "-> img"}};
    });
    addFormatRows("a name with a line break", [](QTestData &row) {
        row << QStringList{"lines/two\nlines.txt"} << Tree{{"two\nlines.txt", "nl"}};
    });
    addFormatRows("an empty folder", [](QTestData &row) {
        row << QStringList{"docs/empty"} << Tree{{"empty/", {}}};
    });
    addFormatRows("names from the top and below", [&](QTestData &row) {
        row << QStringList{"top.txt", "docs/img/p.png"}
            << Tree{{"top.txt", "top"}, {"docs/", {}}, {"docs/img/", {}}, {"docs/img/p.png", png}};
    });
    addFormatRows("a link without its target", [](QTestData &row) {
        row << QStringList{"docs/link"} << Tree{{"link", "-> img"}};
    });
}

void TestArchiveBrowsing::extractsNamedEntries()
{
    QFETCH(QString, format);
    QFETCH(QStringList, names);
    QFETCH(Tree, expected);

    Sandbox sandbox;
    const QString archive = makeArchive(sandbox.filePath("made"), formatNamed(format));
    QVERIFY(!archive.isEmpty());
    const Tree outside = sandbox.outside();

    CompressionHandler handler;
    QList<int> progress;
    connect(&handler, &CompressionHandler::progressChanged, this,
            [&progress](int value) { progress.append(value); });
    QVERIFY2(handler.extractEntries(archive, names, sandbox.destination(), QString()),
             qPrintable(describe(handler.lastResult())));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
    QCOMPARE(sandbox.outside(), outside);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last(), 100);
    QVERIFY(std::is_sorted(progress.cbegin(), progress.cend()));
}

void TestArchiveBrowsing::unknownNameFailsBeforeAnythingIsPlaced_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("reported");

    addFormatRows("missing file beside a real one", [](QTestData &row) {
        row << QStringList{"docs/a.txt", "docs/nothing.txt"} << "docs/nothing.txt";
    });
    addFormatRows("part of a name", [](QTestData &row) { row << QStringList{"docs/a"} << "docs/a"; });
    addFormatRows("a name climbing out",
                  [](QTestData &row) { row << QStringList{"../top.txt"} << "../top.txt"; });
}

void TestArchiveBrowsing::unknownNameFailsBeforeAnythingIsPlaced()
{
    QFETCH(QString, format);
    QFETCH(QStringList, names);
    QFETCH(QString, reported);

    Sandbox sandbox;
    const QString archive = makeArchive(sandbox.filePath("made"), formatNamed(format));
    QVERIFY(!archive.isEmpty());
    const Tree existing{{"a.txt", "mine"}, {"keep/", {}}};
    QVERIFY(TestTree::build(sandbox.destination(), existing));
    const Tree outside = sandbox.outside();

    CompressionHandler handler;
    QVERIFY(!handler.extractEntries(archive, names, sandbox.destination(), QString()));
    QCOMPARE(handler.lastResult().code, ResultCode::EntryNotFound);
    QCOMPARE(handler.lastResult().entry, reported);
    QVERIFY2(handler.lastError().contains(reported), qPrintable(handler.lastError()));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), existing);
    QCOMPARE(sandbox.outside(), outside);
}

void TestArchiveBrowsing::asksBeforeReplacing_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    addFormatRows("skip one, replace another", [](QTestData &) {});
}

// Single files and a subfolder taken out over what an earlier extraction left: the question names
// each clash by its place in the destination and by its entry.
void TestArchiveBrowsing::asksBeforeReplacing()
{
    QFETCH(QString, format);

    Sandbox sandbox;
    const QString archive = makeArchive(sandbox.filePath("made"), formatNamed(format));
    QVERIFY(!archive.isEmpty());
    QVERIFY(TestTree::build(sandbox.destination(),
                            {{"a.txt", "edited"}, {"img/p.png", "old picture"}, {"img/mine", "m"}}));

    CompressionHandler handler;
    handler.setReplacePolicy(ReplacePolicy::Ask);
    ScriptedInteraction interaction;
    interaction.replaceAnswersByEntry.insert("docs/a.txt", {ReplaceChoice::Skip, false});
    interaction.replaceAnswersByEntry.insert("docs/img/p.png", {ReplaceChoice::Replace, false});
    handler.setInteraction(&interaction);
    QVERIFY2(handler.extractEntries(archive, {"docs/a.txt", "docs/img"}, sandbox.destination(), QString()),
             qPrintable(handler.lastError()));
    QCOMPARE(interaction.replaceQuestions.size(), 2);
    QStringList asked;
    for (const ReplaceQuestion &question : std::as_const(interaction.replaceQuestions))
        asked.append(question.entry + " over " +
                     QDir(sandbox.destination()).relativeFilePath(question.existingPath));
    asked.sort();
    QCOMPARE(asked, (QStringList{"docs/a.txt over a.txt", "docs/img/p.png over img/p.png"}));
    QCOMPARE(TestTree::snapshot(sandbox.destination()),
             (Tree{{"a.txt", "edited"},
                   {"img/", {}},
                   {"img/p.png", sourceTree.value("docs/img/p.png")},
                   {"img/mine", "m"}}));

    // Cancel on the question leaves everything as it was.
    interaction.replaceAnswersByEntry.clear();
    interaction.replaceAnswers = {{ReplaceChoice::Cancel, false}};
    const Tree before = TestTree::snapshot(sandbox.destination());
    QVERIFY(!handler.extractEntries(archive, {"docs/a.txt"}, sandbox.destination(), QString()));
    QCOMPARE(handler.lastResult().code, ResultCode::Cancelled);
    QCOMPARE(TestTree::snapshot(sandbox.destination()), before);
}

void TestArchiveBrowsing::testsWholeArchive_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("suffix");
    addFormatRows("intact", [](QTestData &) {});
}

void TestArchiveBrowsing::testsWholeArchive()
{
    QFETCH(QString, format);

    QTemporaryDir dir;
    const QString archive = makeArchive(dir.path(), formatNamed(format));
    QVERIFY(!archive.isEmpty());
    const Tree before = TestTree::snapshot(dir.path());
    CompressionHandler handler;
    QVERIFY2(handler.testArchive(archive, QString()), qPrintable(handler.lastError()));
    QCOMPARE(TestTree::snapshot(dir.path()), before);
}

void TestArchiveBrowsing::findsFirstDamagedEntry_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("archiveBytes");
    QTest::addColumn<QString>("damaged");
    // Whether the listing still reads: damaged data leaves a directory intact, a stream cut short
    // does not.
    QTest::addColumn<bool>("listable");

    ZipBytes::Entry second = ZipBytes::unixFile("docs/b.txt", TestTree::sampleData(5000, 2));
    second.wrongCrc = true;
    ZipBytes::Entry third = ZipBytes::unixFile("docs/c.txt", "c");
    third.wrongCrc = true;
    QTest::newRow("zip, wrong checksums") << "zip"
                                          << ZipBytes::build({ZipBytes::unixFile("docs/a.txt", "a"), second,
                                                              third, ZipBytes::unixFile("z.txt", "z")})
                                          << "docs/b.txt" << true;

    // Cut short inside the second member's data.
    const QByteArray tar = TarBytes::build({TarBytes::file("docs/a.txt", "a"),
                                            TarBytes::file("docs/b.txt", TestTree::sampleData(50000, 2)),
                                            TarBytes::file("docs/c.txt", "c")});
    QTest::newRow("tar, cut short") << "tar" << tar.left(512 + 512 + 512 + 20000) << "docs/b.txt" << false;

    // The same members packed by our own writers, then cut or damaged in the second member's data.
    QTemporaryDir dir;
    QVERIFY(TestTree::build(
        dir.filePath("src"),
        {{"docs/a.txt", "a"}, {"docs/b.txt", TestTree::sampleData(400000, 2)}, {"docs/c.txt", "c"}}));
    CompressionHandler handler;
    QVERIFY(handler.compressFiles("GZIP", {dir.filePath("src/docs")}, dir.filePath("d.tar.gz"), QString()));
    const QByteArray gzip = TestTree::readFile(dir.filePath("d.tar.gz"));
    QTest::newRow("tar.gz, cut short") << "tar.gz" << gzip.left(gzip.size() / 2) << "docs/b.txt" << false;
    QVERIFY(handler.compressFiles("7Z", {dir.filePath("src/docs")}, dir.filePath("d.7z"), QString()));
    QByteArray sevenZip = TestTree::readFile(dir.filePath("d.7z"));
    sevenZip[sevenZip.size() / 2] = char(sevenZip.at(sevenZip.size() / 2) ^ 0x55);
    QTest::newRow("7z, a damaged byte") << "7z" << sevenZip << "docs/b.txt" << true;
    const ToolRun cpio =
        ToolRun::run("bsdtar", {"--format", "newc", "-cf", dir.filePath("d.cpio"), "-C", dir.filePath("src"),
                                "docs/a.txt", "docs/b.txt", "docs/c.txt"});
    QCOMPARE(cpio.exitCode, 0);
    QTest::newRow("cpio, cut short") << "cpio" << TestTree::readFile(dir.filePath("d.cpio")).left(200000)
                                     << "docs/b.txt" << false;
}

// Test reads everything and writes nothing; it names the first entry in archive order that fails.
void TestArchiveBrowsing::findsFirstDamagedEntry()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, archiveBytes);
    QFETCH(QString, damaged);
    QFETCH(bool, listable);

    QTemporaryDir dir;
    const QString archive = dir.filePath("damaged." + suffix);
    QVERIFY(TestTree::writeFile(archive, archiveBytes));
    CompressionHandler handler;
    QVERIFY(!handler.testArchive(archive, QString()));
    QCOMPARE(handler.lastResult().code, ResultCode::DamagedEntry);
    QCOMPARE(handler.lastResult().entry, damaged);
    QVERIFY2(handler.lastError().contains(damaged), qPrintable(handler.lastError()));
    QCOMPARE(TestTree::snapshot(dir.path()).keys(), QStringList{"damaged." + suffix});

    if (!listable)
        return;
    QList<ArchiveEntry> entries;
    QVERIFY2(handler.listArchive(archive, QString(), &entries), qPrintable(describe(handler.lastResult())));
    QVERIFY(std::any_of(entries.cbegin(), entries.cend(),
                        [&damaged](const ArchiveEntry &entry) { return entry.name == damaged; }));
}

void TestArchiveBrowsing::asksPasswordOnlyWhenNeeded_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("questions");

    for (const Format &format : testedFormats()) {
        if (!format.encrypts)
            continue;
        // Names readable without the password are listed without asking.
        QTest::addRow("%s, list", format.suffix)
            << QString(format.name) << "list" << (format.encryptsNames ? 2 : 0);
        QTest::addRow("%s, extract", format.suffix) << QString(format.name) << "extract" << 2;
        QTest::addRow("%s, test", format.suffix) << QString(format.name) << "test" << 2;
    }
}

// A wrong password and then the right one, answered to the questions the operation asks.
void TestArchiveBrowsing::asksPasswordOnlyWhenNeeded()
{
    QFETCH(QString, format);
    QFETCH(QString, operation);
    QFETCH(int, questions);

    Sandbox sandbox;
    const QString archive = makeArchive(sandbox.filePath("made"), formatNamed(format), rightPassword);
    QVERIFY(!archive.isEmpty());

    CompressionHandler handler;
    ScriptedInteraction interaction;
    interaction.passwordAnswers = {{true, "wrong"}, {true, rightPassword}};
    handler.setInteraction(&interaction);
    QList<ArchiveEntry> entries;
    bool succeeded = false;
    if (operation == "list")
        succeeded = handler.listArchive(archive, QString(), &entries);
    else if (operation == "extract")
        succeeded = handler.extractEntries(archive, {"docs/a.txt"}, sandbox.destination(), QString());
    else
        succeeded = handler.testArchive(archive, QString());
    QVERIFY2(succeeded, qPrintable(describe(handler.lastResult())));
    QCOMPARE(interaction.passwordQuestions.size(), questions);
    if (questions == 2) {
        QVERIFY(!interaction.passwordQuestions.at(0).previousWasWrong);
        QVERIFY(interaction.passwordQuestions.at(1).previousWasWrong);
    }
    if (operation == "list") {
        QCOMPARE(describe(entries).size(), 11);
        for (const ArchiveEntry &entry : std::as_const(entries)) {
            if (!entry.isFolder)
                QVERIFY2(entry.encrypted, qPrintable(entry.name));
        }
    }
    if (operation == "extract")
        QCOMPARE(TestTree::snapshot(sandbox.destination()), (Tree{{"a.txt", "alpha"}}));

    // Without anybody to ask, the archive's data needs its password up front.
    if (operation != "list" || questions > 0) {
        handler.setInteraction(nullptr);
        QVERIFY(!handler.testArchive(archive, QString()));
        QCOMPARE(handler.lastResult().code, ResultCode::PasswordNeeded);
    }
}

void TestArchiveBrowsing::programUnpacksOnlyTheNamedEntries_data()
{
    QTest::addColumn<QString>("compressor");
    QTest::addColumn<QString>("ending");

    QTest::newRow("tar") << QString() << QString();
    QTest::newRow("tar.gz") << "gzip"
                            << ".gz";
    QTest::newRow("tar.xz") << "xz"
                            << ".xz";
}

// A member tar cannot make (a hard link to a member the archive lacks) fails a whole extraction;
// taking out a healthy entry beside it works only when tar is told which entries to unpack.
void TestArchiveBrowsing::programUnpacksOnlyTheNamedEntries()
{
    QFETCH(QString, compressor);
    QFETCH(QString, ending);

    Sandbox sandbox;
    const QString plain = sandbox.filePath("broken.tar");
    QVERIFY(
        TarBytes::write(plain, {TarBytes::file("good/a.txt", "alpha"), TarBytes::file("good/b.txt", "bee"),
                                TarBytes::hardlink("bad", "no-such-member")}));
    if (!compressor.isEmpty()) {
        const ToolRun compressed = ToolRun::run(compressor, {plain});
        QVERIFY2(compressed.exitCode == 0, qPrintable(compressed.output));
    }
    const QString archive = plain + ending;

    CompressionHandler handler;
    QVERIFY(!handler.extractArchive(archive, sandbox.filePath("all"), QString()));
    QVERIFY2(handler.extractEntries(archive, {"good/a.txt"}, sandbox.destination(), QString()),
             qPrintable(describe(handler.lastResult())));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), (Tree{{"a.txt", "alpha"}}));
    QVERIFY2(handler.extractEntries(archive, {"good"}, sandbox.filePath("folder"), QString()),
             qPrintable(describe(handler.lastResult())));
    QCOMPARE(TestTree::snapshot(sandbox.filePath("folder")),
             (Tree{{"good/", {}}, {"good/a.txt", "alpha"}, {"good/b.txt", "bee"}}));
}

void TestArchiveBrowsing::legacyNames_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("archiveBytes");
    // The extracted file's name as bytes on disk.
    QTest::addColumn<QByteArray>("written");

    QStringEncoder gbk("GB18030");
    const QByteArray folder = gbk.encode(QStringLiteral("中文目录/"));
    const QByteArray file = gbk.encode(QStringLiteral("中文目录/说明文件.txt"));
    const QByteArray other = gbk.encode(QStringLiteral("中文目录/其他.txt"));
    QTest::newRow("zip") << "zip"
                         << ZipBytes::build({ZipBytes::unixFolder(folder), ZipBytes::unixFile(file, "说明"),
                                             ZipBytes::unixFile(other, "other")})
                         << QStringLiteral("说明文件.txt").toUtf8();
    // tar is given the names as text, finds none, and the whole archive is unpacked instead.
    QTest::newRow("tar") << "tar"
                         << TarBytes::build({TarBytes::folder(folder), TarBytes::file(file, "说明"),
                                             TarBytes::file(other, "other")})
                         << QByteArray(gbk.encode(QStringLiteral("说明文件.txt")));
}

// Names stored in GBK without saying so are listed as extraction decodes them, and those names
// extract. The ZIP reader writes the decoded name; tar, like the program itself, the stored bytes.
void TestArchiveBrowsing::legacyNames()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, archiveBytes);
    QFETCH(QByteArray, written);

    Sandbox sandbox;
    const QString archive = sandbox.filePath("legacy." + suffix);
    QVERIFY(TestTree::writeFile(archive, archiveBytes));
    CompressionHandler handler;
    handler.setLegacyNameLanguage(LegacyNameLanguage::SimplifiedChinese);
    QList<ArchiveEntry> entries;
    QVERIFY2(handler.listArchive(archive, QString(), &entries), qPrintable(describe(handler.lastResult())));
    QCOMPARE(describe(entries),
             (QStringList{"中文目录 folder", "中文目录/其他.txt file 5", "中文目录/说明文件.txt file 6"}));
    QVERIFY2(handler.extractEntries(archive, {"中文目录/说明文件.txt"}, sandbox.destination(), QString()),
             qPrintable(describe(handler.lastResult())));
    // By its bytes: a name that is not UTF-8 has no QString that reaches it.
    struct stat status;
    QCOMPARE(::stat((QFile::encodeName(sandbox.destination()) + '/' + written).constData(), &status), 0);
    QCOMPARE(qint64(status.st_size), qint64(QByteArray("说明").size()));
}

QTEST_GUILESS_MAIN(TestArchiveBrowsing)
#include "tst_archivebrowsing.moc"
