// The read-only formats libarchive reads: archives written by each format's own tool where Debian
// has one (xorriso, bsdtar, gcab, dpkg-deb, lz4, lzip, xz), RAR and LHA written byte by byte. Listing,
// extraction of everything and of a selection, testing, damaged and hostile archives, encryption
// libarchive cannot undo, legacy names, hard links, progress and cancel.

#include "archivejob.h"
#include "cpiobytes.h"
#include "lhabytes.h"
#include "libarchivebackend.h"
#include "operationcontext.h"
#include "rarbytes.h"
#include "sandbox.h"
#include "scriptedinteraction.h"
#include "tarbytes.h"
#include "testtree.h"
#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <unistd.h>

namespace {

using Tree = TestTree::Tree;

// A tree with a Chinese name, nested folders and a file large enough to span many read blocks.
Tree sampleTree()
{
    return {{QStringLiteral("docs/"), {}},
            {QStringLiteral("docs/说明.txt"), QByteArray("中文内容\n")},
            {QStringLiteral("docs/sub/"), {}},
            {QStringLiteral("docs/sub/data.bin"), TestTree::sampleData(300000, 7)},
            {QStringLiteral("top.txt"), QByteArray("top\n")}};
}

// LHA's level 0 names are in the maker's code page; plain ASCII ones read the same everywhere.
Tree asciiTree()
{
    return {{QStringLiteral("docs/"), {}},
            {QStringLiteral("docs/readme.txt"), QByteArray("read me\n")},
            {QStringLiteral("docs/sub/"), {}},
            {QStringLiteral("docs/sub/data.bin"), TestTree::sampleData(300000, 7)},
            {QStringLiteral("top.txt"), QByteArray("top\n")}};
}

// ar holds files only, side by side.
Tree flatTree()
{
    return {{QStringLiteral("a.txt"), QByteArray("first\n")},
            {QStringLiteral("说明.txt"), TestTree::sampleData(5000, 3)}};
}

QStringList topLevelItems(const Tree &tree)
{
    QStringList items;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        const QString top = it.key().section(QLatin1Char('/'), 0, 0);
        if (!items.contains(top))
            items.append(top);
    }
    return items;
}

QList<RarBytes::Entry> rarEntries(const Tree &tree)
{
    QList<RarBytes::Entry> entries;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        QByteArray name = it.key().toUtf8();
        if (name.endsWith('/'))
            entries.append(RarBytes::folder(name.chopped(1)));
        else if (it.value().startsWith("-> "))
            entries.append(RarBytes::symlink(name, it.value().mid(3)));
        else
            entries.append(RarBytes::file(name, it.value()));
    }
    return entries;
}

QString suffixOf(const QString &format)
{
    if (format.startsWith(QLatin1String("rar")))
        return QStringLiteral("rar");
    return format;
}

// Runs a shell pipeline with the paths as positional parameters, so no name needs quoting.
bool shell(const QString &script, const QStringList &arguments, const QString &workingDirectory = QString())
{
    const ToolRun run = ToolRun::run(
        QStringLiteral("bash"), QStringList{QStringLiteral("-c"), script, QStringLiteral("bash")} + arguments,
        workingDirectory);
    if (run.exitCode != 0)
        qWarning().noquote() << script << run.output;
    return run.exitCode == 0;
}

// Writes tree into an archive of format under dir with the format's own tool; the archive's path, or
// an empty string when the tool failed.
QString buildArchive(const QString &format, const QString &dir, const Tree &tree)
{
    const QString archive = dir + QStringLiteral("/sample.") + suffixOf(format);
    if (format == QLatin1String("rar4") || format == QLatin1String("rar5")) {
        const QList<RarBytes::Entry> entries = rarEntries(tree);
        const QByteArray bytes =
            format == QLatin1String("rar4") ? RarBytes::rar4(entries) : RarBytes::rar5(entries);
        return RarBytes::write(archive, bytes) ? archive : QString();
    }
    if (format == QLatin1String("lha")) {
        QList<LhaBytes::Entry> entries;
        for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
            const QByteArray name = it.key().toUtf8();
            entries.append(name.endsWith('/') ? LhaBytes::folder(name.chopped(1))
                                              : LhaBytes::file(name, it.value()));
        }
        return TestTree::writeFile(archive, LhaBytes::build(entries)) ? archive : QString();
    }
    const QString source = dir + QStringLiteral("/source");
    if (!TestTree::build(source, tree))
        return QString();
    const QStringList items = topLevelItems(tree);
    bool made = false;
    if (format == QLatin1String("iso"))
        made = shell(QStringLiteral("xorriso -as mkisofs -quiet -no-pad -R -J -o \"$1\" \"$2\""),
                     {archive, source});
    else if (format == QLatin1String("cpio"))
        made = shell(QStringLiteral("out=$1; shift; bsdtar -c --format newc -f \"$out\" \"$@\""),
                     QStringList{archive} + items, source);
    else if (format == QLatin1String("xar"))
        made = shell(QStringLiteral("out=$1; shift; bsdtar -c --format xar -f \"$out\" \"$@\""),
                     QStringList{archive} + items, source);
    else if (format == QLatin1String("ar"))
        made = shell(QStringLiteral("out=$1; shift; bsdtar -c --format ar -f \"$out\" \"$@\""),
                     QStringList{archive} + items, source);
    else if (format == QLatin1String("cab")) {
        QStringList files;
        for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
            if (!it.key().endsWith(QLatin1Char('/')))
                files.append(it.key());
        }
        made = shell(QStringLiteral("out=$1; shift; gcab -c -z \"$out\" \"$@\""),
                     QStringList{archive} + files, source);
    } else {
        const QMap<QString, QString> compressors = {
            {QStringLiteral("tar.lz4"), QStringLiteral("lz4 -q")},
            {QStringLiteral("tar.lzma"), QStringLiteral("xz --format=lzma")},
            {QStringLiteral("tlz"), QStringLiteral("xz --format=lzma")},
            {QStringLiteral("tar.lz"), QStringLiteral("lzip")}};
        if (!compressors.contains(format))
            return QString();
        made = shell(
            QStringLiteral("out=$1; shift; tar -cf - \"$@\" | %1 > \"$out\"").arg(compressors.value(format)),
            QStringList{archive} + items, source);
    }
    return made ? archive : QString();
}

// A tar archive from TarBytes under a compressor of the formats routed to libarchive.
QString buildCompressedTar(const QString &path, const QList<TarBytes::Entry> &entries)
{
    const QString tar = path + QStringLiteral(".plain");
    if (!TarBytes::write(tar, entries))
        return QString();
    return shell(QStringLiteral("lz4 -q < \"$1\" > \"$2\""), {tar, path}) ? path : QString();
}

// ar's BSD form stores any name after the header, byte for byte.
QByteArray bsdArMember(const QByteArray &name, const QByteArray &data)
{
    QByteArray header = QByteArray("#1/") + QByteArray::number(name.size());
    header = header.leftJustified(16, ' ') + QByteArray("0").leftJustified(12, ' ') +
             QByteArray("0").leftJustified(6, ' ') + QByteArray("0").leftJustified(6, ' ') +
             QByteArray("100644").leftJustified(8, ' ') +
             QByteArray::number(name.size() + data.size()).leftJustified(10, ' ') + "`\n";
    QByteArray member = header + name + data;
    if (member.size() % 2)
        member.append('\n');
    return member;
}

bool truncateTo(const QString &path, double share)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.resize(qint64(double(file.size()) * share));
}

struct Outcome {
    OperationResult result;
    ArchiveEntryList entries;
    QList<OperationProgress> progress;
};

// Runs one operation as the window does; onProgress may cancel the job.
Outcome runJob(const OperationRequest &request, Interaction *interaction = nullptr,
               const std::function<void(ArchiveJob &, const OperationProgress &)> &onProgress = {})
{
    ArchiveJob job(request);
    if (interaction)
        job.setInteraction(interaction);
    Outcome outcome;
    QObject::connect(&job, &ArchiveJob::progressChanged, &job, [&](const OperationProgress &progress) {
        outcome.progress.append(progress);
        if (onProgress)
            onProgress(job, progress);
    });
    outcome.result = job.run();
    outcome.entries = job.entries();
    return outcome;
}

OperationRequest extractRequest(const QString &archive, const QString &destination)
{
    OperationRequest request = OperationRequest::extract(archive, destination, QString());
    request.replacePolicy = ReplacePolicy::Refuse;
    return request;
}

QString describe(const OperationResult &result)
{
    return QStringLiteral("code %1 entry '%2' path '%3' detail '%4'")
        .arg(int(result.code))
        .arg(result.entry, result.path, result.detail);
}

// What a listing should hold for a tree: name -> (folder?, size).
QMap<QString, QPair<bool, qint64>> expectedListing(const Tree &tree)
{
    QMap<QString, QPair<bool, qint64>> expected;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        QString name = it.key();
        const bool folder = name.endsWith(QLatin1Char('/'));
        if (folder)
            name.chop(1);
        expected.insert(name, {folder, folder ? 0 : it.value().size()});
    }
    return expected;
}

const QStringList everyFormat = {
    QStringLiteral("rar4"), QStringLiteral("rar5"),   QStringLiteral("iso"),     QStringLiteral("cpio"),
    QStringLiteral("xar"),  QStringLiteral("cab"),    QStringLiteral("tar.lz4"), QStringLiteral("tar.lzma"),
    QStringLiteral("tlz"),  QStringLiteral("tar.lz"), QStringLiteral("ar"),      QStringLiteral("lha")};

Tree treeFor(const QString &format)
{
    if (format == QLatin1String("ar"))
        return flatTree();
    return format == QLatin1String("lha") ? asciiTree() : sampleTree();
}

} // namespace

using ArchiveWriter = std::function<bool(const QString &)>;
Q_DECLARE_METATYPE(ArchiveWriter)

class TestLibArchive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rarBytesReadByIndependentReader_data();
    void rarBytesReadByIndependentReader();
    void listing_data();
    void listing();
    void extractWhole_data();
    void extractWhole();
    void debianPackage();
    void extractSelection_data();
    void extractSelection();
    void damaged_data();
    void damaged();
    void hostile_data();
    void hostile();
    void unreadableEncryption_data();
    void unreadableEncryption();
    void legacyNames_data();
    void legacyNames();
    void hardLinks_data();
    void hardLinks();
    void replaceQuestion_data();
    void replaceQuestion();
    void specialFilesNeverMade();
    void progressAndCancel();
    void passwordsWhereLibArchiveDecrypts_data();
    void passwordsWhereLibArchiveDecrypts();
    void creationRefused();
    void listsEveryNameOnce();
};

void TestLibArchive::initTestCase()
{
    for (const char *tool : {"bsdtar", "xorriso", "gcab", "dpkg-deb", "lz4", "lzip", "xz", "tar"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
}

void TestLibArchive::rarBytesReadByIndependentReader_data()
{
    QTest::addColumn<bool>("rar5");
    QTest::newRow("RAR 4") << false;
    QTest::newRow("RAR 5") << true;
}

// The byte builder is only worth its tests if another reader agrees: bsdtar lists every name and
// unpacks the data with its checksum checked.
void TestLibArchive::rarBytesReadByIndependentReader()
{
    QFETCH(bool, rar5);
    QTemporaryDir dir;
    const QList<RarBytes::Entry> entries = {RarBytes::folder("目录"),
                                            RarBytes::file("目录/说明.txt", "中文内容\n"),
                                            RarBytes::symlink("link", "目录/说明.txt"),
                                            RarBytes::file("big.bin", TestTree::sampleData(200000, 5))};
    const QString archive = dir.filePath(QStringLiteral("a.rar"));
    QVERIFY(RarBytes::write(archive, rar5 ? RarBytes::rar5(entries) : RarBytes::rar4(entries)));

    const ToolRun listed = ToolRun::run(QStringLiteral("bsdtar"), {QStringLiteral("-tvf"), archive});
    QCOMPARE(listed.exitCode, 0);
    for (const QString &name :
         {QStringLiteral("目录"), QStringLiteral("目录/说明.txt"), QStringLiteral("big.bin")})
        QVERIFY2(listed.output.contains(name), qPrintable(listed.output));
    QVERIFY2(listed.output.contains(QStringLiteral("link -> 目录/说明.txt")), qPrintable(listed.output));

    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const ToolRun extracted = ToolRun::run(QStringLiteral("bsdtar"), {QStringLiteral("-xf"), archive}, out);
    QVERIFY2(extracted.exitCode == 0, qPrintable(extracted.output));
    QCOMPARE(TestTree::readFile(out + QStringLiteral("/big.bin")), TestTree::sampleData(200000, 5));
    QCOMPARE(TestTree::readFile(out + QStringLiteral("/目录/说明.txt")), QByteArray("中文内容\n"));
}

void TestLibArchive::listing_data()
{
    QTest::addColumn<QString>("format");
    for (const QString &format : everyFormat)
        QTest::newRow(qPrintable(format)) << format;
}

// Every name once, Chinese ones included, with folders the archive only implies (cab stores none).
void TestLibArchive::listing()
{
    QFETCH(QString, format);
    QTemporaryDir dir;
    const Tree tree = treeFor(format);
    const QString archive = buildArchive(format, dir.path(), tree);
    QVERIFY(!archive.isEmpty());

    const Outcome outcome = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
    QMap<QString, QPair<bool, qint64>> listed;
    for (const ArchiveEntry &entry : outcome.entries) {
        QVERIFY2(!listed.contains(entry.name), qPrintable(entry.name));
        listed.insert(entry.name, {entry.isFolder, entry.size});
    }
    QCOMPARE(listed, expectedListing(tree));
}

void TestLibArchive::extractWhole_data()
{
    listing_data();
}

void TestLibArchive::extractWhole()
{
    QFETCH(QString, format);
    Sandbox sandbox;
    const TestTree::Tree outside = sandbox.outside();
    QTemporaryDir dir;
    const Tree tree = treeFor(format);
    const QString archive = buildArchive(format, dir.path(), tree);
    QVERIFY(!archive.isEmpty());

    const Outcome outcome = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), tree);
    QCOMPARE(sandbox.outside(), outside);
    QVERIFY(!outcome.progress.isEmpty());
    QCOMPARE(outcome.progress.last().percent, 100);

    QVERIFY(runJob(OperationRequest::test(archive, QString())).result.succeeded());
}

// A Debian package is an ar archive of its control and data archives; those are what it shows.
void TestLibArchive::debianPackage()
{
    QTemporaryDir dir;
    const QString package = dir.filePath(QStringLiteral("package"));
    QVERIFY(TestTree::build(package, {{QStringLiteral("DEBIAN/control"),
                                       "Package: sample\nVersion: 1.0\nArchitecture: all\n"
                                       "Maintainer: Nobody <nobody@example.org>\nDescription: sample\n"},
                                      {QStringLiteral("usr/share/doc/sample/readme"), "readme\n"}}));
    const QString deb = dir.filePath(QStringLiteral("sample.deb"));
    QVERIFY(shell(QStringLiteral("dpkg-deb --root-owner-group -Zxz --build \"$1\" \"$2\" > /dev/null"),
                  {package, deb}));

    const Outcome listed = runJob(OperationRequest::list(deb, QString()));
    QVERIFY2(listed.result.succeeded(), qPrintable(describe(listed.result)));
    QStringList names;
    for (const ArchiveEntry &entry : listed.entries)
        names.append(entry.name);
    QCOMPARE(names, (QStringList{QStringLiteral("debian-binary"), QStringLiteral("control.tar.xz"),
                                 QStringLiteral("data.tar.xz")}));

    Sandbox sandbox;
    QVERIFY2(runJob(extractRequest(deb, sandbox.destination())).result.succeeded(), "extract");
    QCOMPARE(TestTree::readFile(sandbox.destination() + QStringLiteral("/debian-binary")),
             QByteArray("2.0\n"));
    const ToolRun data =
        ToolRun::run(QStringLiteral("tar"),
                     {QStringLiteral("-tJf"), sandbox.destination() + QStringLiteral("/data.tar.xz")});
    QVERIFY2(data.output.contains(QStringLiteral("usr/share/doc/sample/readme")), qPrintable(data.output));
}

void TestLibArchive::extractSelection_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<Tree>("expected");
    QTest::addColumn<ResultCode>("code");

    const Tree sub = {{QStringLiteral("sub/"), {}},
                      {QStringLiteral("sub/data.bin"), TestTree::sampleData(300000, 7)}};
    const Tree two = {{QStringLiteral("docs/"), {}},
                      {QStringLiteral("docs/说明.txt"), QByteArray("中文内容\n")},
                      {QStringLiteral("top.txt"), QByteArray("top\n")}};
    for (const QString &format :
         {QStringLiteral("rar5"), QStringLiteral("iso"), QStringLiteral("cpio"), QStringLiteral("tar.lz")}) {
        QTest::addRow("%s folder", qPrintable(format))
            << format << QStringList{QStringLiteral("docs/sub")} << sub << ResultCode::Success;
        QTest::addRow("%s file and file", qPrintable(format))
            << format << QStringList{QStringLiteral("docs/说明.txt"), QStringLiteral("top.txt")} << two
            << ResultCode::Success;
        QTest::addRow("%s missing name", qPrintable(format))
            << format << QStringList{QStringLiteral("docs/none.txt")} << Tree() << ResultCode::EntryNotFound;
    }
}

void TestLibArchive::extractSelection()
{
    QFETCH(QString, format);
    QFETCH(QStringList, selection);
    QFETCH(Tree, expected);
    QFETCH(ResultCode, code);
    Sandbox sandbox;
    QTemporaryDir dir;
    const QString archive = buildArchive(format, dir.path(), sampleTree());
    QVERIFY(!archive.isEmpty());

    OperationRequest request = extractRequest(archive, sandbox.destination());
    request.entryNames = selection;
    const Outcome outcome = runJob(request);
    QVERIFY2(outcome.result.code == code, qPrintable(describe(outcome.result)));
    if (code == ResultCode::EntryNotFound)
        QCOMPARE(outcome.result.entry, selection.first());
    QCOMPARE(TestTree::snapshot(sandbox.destination()), expected);
}

void TestLibArchive::damaged_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("damage");
    for (const QString &format : everyFormat)
        QTest::addRow("%s cut short", qPrintable(format)) << format << QStringLiteral("truncate");
    QTest::newRow("rar of random bytes") << QStringLiteral("rar5") << QStringLiteral("random");
    QTest::newRow("iso of random bytes") << QStringLiteral("iso") << QStringLiteral("random");
}

// A clear failure from extraction and from test alike, and a destination exactly as it was.
void TestLibArchive::damaged()
{
    QFETCH(QString, format);
    QFETCH(QString, damage);
    QTemporaryDir dir;
    QString archive;
    if (damage == QLatin1String("random")) {
        archive = dir.filePath(QStringLiteral("noise.") + suffixOf(format));
        QVERIFY(TestTree::writeFile(archive, TestTree::randomBytes(100000)));
    } else {
        archive = buildArchive(format, dir.path(), treeFor(format));
        QVERIFY(!archive.isEmpty());
        QVERIFY(truncateTo(archive, 0.6));
    }

    Sandbox sandbox;
    QVERIFY(TestTree::build(sandbox.destination(), {{QStringLiteral("kept.txt"), "mine"}}));
    const Tree before = TestTree::snapshot(sandbox.destination());
    const Tree outside = sandbox.outside();

    const Outcome extracted = runJob(extractRequest(archive, sandbox.destination()));
    const QList<ResultCode> clear = {ResultCode::NotAnArchive, ResultCode::DamagedEntry,
                                     ResultCode::ReadFailed};
    QVERIFY2(clear.contains(extracted.result.code), qPrintable(describe(extracted.result)));
    if (extracted.result.code == ResultCode::DamagedEntry)
        QVERIFY(!extracted.result.entry.isEmpty());
    QCOMPARE(TestTree::snapshot(sandbox.destination()), before);
    QCOMPARE(sandbox.outside(), outside);

    const Outcome tested = runJob(OperationRequest::test(archive, QString()));
    QVERIFY2(clear.contains(tested.result.code), qPrintable(describe(tested.result)));
}

void TestLibArchive::hostile_data()
{
    QTest::addColumn<QString>("suffix");
    // Writes the archive at the given path.
    QTest::addColumn<ArchiveWriter>("write");
    using Write = std::function<bool(const QString &)>;
    const auto rar = [](bool five, const QList<RarBytes::Entry> &entries) -> Write {
        return [five, entries](const QString &path) {
            return RarBytes::write(path, five ? RarBytes::rar5(entries) : RarBytes::rar4(entries));
        };
    };
    const auto tar = [](const QList<TarBytes::Entry> &entries) -> Write {
        return [entries](const QString &path) { return !buildCompressedTar(path, entries).isEmpty(); };
    };
    const auto bsdtar = [](const QString &format, const QString &renames) -> Write {
        // Real files renamed on the way in; -P keeps the names as rewritten.
        return [format, renames](const QString &path) {
            const QString source = path + QStringLiteral(".source");
            return TestTree::build(source, {{QStringLiteral("a.txt"), "escaped"},
                                            {QStringLiteral("link"), "-> ../outside"},
                                            {QStringLiteral("abs"), "-> /etc"}}) &&
                   shell(QStringLiteral("bsdtar -P -c --format %1 -f \"$1\" %2 a.txt link abs")
                             .arg(format, renames),
                         {path}, source);
        };
    };

    for (const bool five : {false, true}) {
        const QByteArray label = five ? "rar5" : "rar4";
        QTest::addRow("%s climbing name", label.constData())
            << "rar" << rar(five, {RarBytes::file("../outside.txt", "evil")});
        QTest::addRow("%s deep climbing name", label.constData())
            << "rar" << rar(five, {RarBytes::file("a/../../outside/keep.txt", "evil")});
        QTest::addRow("%s absolute name", label.constData())
            << "rar" << rar(five, {RarBytes::file("/tmp/kelvane-libarchive-absolute.txt", "evil")});
        QTest::addRow("%s link out, then a file through it", label.constData())
            << "rar"
            << rar(five, {RarBytes::symlink("link", "../outside"), RarBytes::file("link/keep.txt", "evil")});
        QTest::addRow("%s absolute link", label.constData())
            << "rar" << rar(five, {RarBytes::symlink("etc", "/etc")});
    }
    QTest::newRow("rar5 hard link to a file outside")
        << "rar" << rar(true, {RarBytes::hardlink("copy", "../outside.txt")});
    QTest::newRow("rar4 backslash climbing")
        << "rar" << rar(false, {RarBytes::file("..\\outside.txt", "evil")});

    QTest::newRow("tar.lz4 climbing name") << "tar.lz4" << tar({TarBytes::file("../outside.txt", "evil")});
    QTest::newRow("tar.lz4 link out, then a file through it")
        << "tar.lz4"
        << tar({TarBytes::symlink("link", "../outside"), TarBytes::file("link/keep.txt", "evil")});
    QTest::newRow("tar.lz4 hard link to a file outside")
        << "tar.lz4" << tar({TarBytes::hardlink("copy", "../outside.txt")});
    QTest::newRow("tar.lz4 hard link to an absolute path")
        << "tar.lz4" << tar({TarBytes::hardlink("copy", "/etc/passwd")});

    QTest::newRow("cpio climbing name") << "cpio" << bsdtar("newc", "-s ',^a.txt$,../outside.txt,'");
    QTest::newRow("cpio absolute name")
        << "cpio" << bsdtar("odc", "-s ',^a.txt$,/tmp/kelvane-libarchive-absolute.txt,'");
    QTest::newRow("xar links out") << "xar" << bsdtar("xar", "");
    QTest::newRow("ar climbing name") << "ar" << Write([](const QString &path) {
        return TestTree::writeFile(path, "!<arch>\n" + bsdArMember("../outside.txt", "evil"));
    });
    QTest::newRow("cab climbing name") << "cab" << Write([](const QString &path) {
        // gcab refuses to store "..": a stand-in of the same length, replaced in the bytes.
        const QString source = path + QStringLiteral(".source");
        if (!TestTree::build(source, {{QStringLiteral("zz/outside.txt"), "evil"}}) ||
            !shell(QStringLiteral("gcab -c \"$1\" zz/outside.txt"), {path}, source))
            return false;
        QByteArray bytes = TestTree::readFile(path);
        if (bytes.count("zz\\outside.txt") != 1)
            return false;
        return TestTree::writeFile(path, bytes.replace("zz\\outside.txt", "..\\outside.txt"));
    });
    QTest::newRow("lha climbing name") << "lha" << Write([](const QString &path) {
        return TestTree::writeFile(path, LhaBytes::build({LhaBytes::file("..\\outside.txt", "evil")}));
    });
    QTest::newRow("iso links out") << "iso" << Write([](const QString &path) {
        const QString source = path + QStringLiteral(".source");
        return TestTree::build(
                   source, {{QStringLiteral("a.txt"), "fine"}, {QStringLiteral("link"), "-> ../outside"}}) &&
               shell(QStringLiteral("xorriso -as mkisofs -quiet -R -o \"$1\" \"$2\""), {path, source});
    });
}

// Whatever the archive holds, nothing beside the destination appears or changes, the destination
// stays as it was, and the refusal names the entry.
void TestLibArchive::hostile()
{
    QFETCH(QString, suffix);
    QFETCH(ArchiveWriter, write);
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("hostile.") + suffix);
    QVERIFY(write(archive));

    Sandbox sandbox;
    QVERIFY(TestTree::build(sandbox.destination(), {{QStringLiteral("kept.txt"), "mine"}}));
    const Tree before = TestTree::snapshot(sandbox.destination());
    const Tree outside = sandbox.outside();

    const Outcome outcome = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(outcome.result.code == ResultCode::UnsafeEntry, qPrintable(describe(outcome.result)));
    QVERIFY(!outcome.result.entry.isEmpty());
    QCOMPARE(sandbox.outside(), outside);
    QCOMPARE(TestTree::snapshot(sandbox.destination()), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/kelvane-libarchive-absolute.txt")));
}

void TestLibArchive::unreadableEncryption_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<bool>("namesReadable");

    RarBytes::Entry secret = RarBytes::file("secret.txt", "not really encrypted");
    secret.encrypted = true;
    const QList<RarBytes::Entry> entries = {RarBytes::file("plain.txt", "plain\n"), secret};
    QTest::newRow("rar4 encrypted data") << RarBytes::rar4(entries) << true;
    QTest::newRow("rar5 encrypted data") << RarBytes::rar5(entries) << true;
    QTest::newRow("rar4 encrypted headers") << RarBytes::rar4(entries, true) << false;
    QTest::newRow("rar5 encrypted headers") << RarBytes::rar5(entries, true) << false;
}

// libarchive detects RAR encryption but cannot undo it: each operation says so, naming the entry
// where the names are readable, and nobody is asked for a password that could not help.
void TestLibArchive::unreadableEncryption()
{
    QFETCH(QByteArray, archive);
    QFETCH(bool, namesReadable);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("secret.rar"));
    QVERIFY(RarBytes::write(path, archive));

    ScriptedInteraction interaction;
    interaction.passwordAnswers = {{true, QStringLiteral("guess")}};
    Sandbox sandbox;
    const Outcome extracted = runJob(extractRequest(path, sandbox.destination()), &interaction);
    QVERIFY2(extracted.result.code == ResultCode::UnsupportedEncryption,
             qPrintable(describe(extracted.result)));
    QCOMPARE(extracted.result.entry, namesReadable ? QStringLiteral("secret.txt") : QString());
    QVERIFY(!QFileInfo::exists(sandbox.destination() + QStringLiteral("/plain.txt")));

    const Outcome tested = runJob(OperationRequest::test(path, QString()), &interaction);
    QCOMPARE(tested.result.code, ResultCode::UnsupportedEncryption);

    const Outcome listed = runJob(OperationRequest::list(path, QString()), &interaction);
    if (namesReadable) {
        QVERIFY2(listed.result.succeeded(), qPrintable(describe(listed.result)));
        QCOMPARE(listed.entries.size(), 2);
        QVERIFY(!listed.entries.at(0).encrypted);
        QVERIFY(listed.entries.at(1).encrypted);
    } else {
        QCOMPARE(listed.result.code, ResultCode::UnsupportedEncryption);
    }
    QVERIFY(interaction.passwordQuestions.isEmpty());
}

void TestLibArchive::legacyNames_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<LegacyNameLanguage>("language");
    QTest::addColumn<QString>("name");

    const QString simplified = QStringLiteral("报告/中文名称.txt");
    const QString traditional = QStringLiteral("報告/繁體中文.txt");
    const QByteArray gbk = QStringEncoder("GB18030").encode(simplified);
    const QByteArray big5 = QStringEncoder("Big5").encode(traditional);
    const auto rawRar = [](const QByteArray &name) {
        RarBytes::Entry entry = RarBytes::file(name, "content\n");
        entry.rawName = true;
        return RarBytes::rar4({entry});
    };
    QTest::newRow("rar4 GB18030") << "rar" << rawRar(gbk) << LegacyNameLanguage::SimplifiedChinese
                                  << simplified;
    QTest::newRow("rar4 Big5") << "rar" << rawRar(big5) << LegacyNameLanguage::TraditionalChinese
                               << traditional;
    QTest::newRow("rar4 Unicode form")
        << "rar" << RarBytes::rar4({RarBytes::file(simplified.toUtf8(), "content\n")})
        << LegacyNameLanguage::Western << simplified;
    QTest::newRow("tar.lz4 GB18030") << "tar.lz4" << TarBytes::build({TarBytes::file(gbk, "content\n")})
                                     << LegacyNameLanguage::SimplifiedChinese << simplified;
}

// Names libarchive cannot give as UTF-8 are decoded as the other readers decode legacy names, the
// same way in the listing and on disk.
void TestLibArchive::legacyNames()
{
    QFETCH(QString, suffix);
    QFETCH(QByteArray, archive);
    QFETCH(LegacyNameLanguage, language);
    QFETCH(QString, name);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("names.") + suffix);
    if (suffix == QLatin1String("tar.lz4")) {
        QVERIFY(TestTree::writeFile(path + QStringLiteral(".plain"), archive));
        QVERIFY(shell(QStringLiteral("lz4 -q < \"$1\" > \"$2\""), {path + QStringLiteral(".plain"), path}));
    } else {
        QVERIFY(TestTree::writeFile(path, archive));
    }

    OperationRequest list = OperationRequest::list(path, QString());
    list.legacyNameLanguage = language;
    const Outcome listed = runJob(list);
    QVERIFY2(listed.result.succeeded(), qPrintable(describe(listed.result)));
    QStringList names;
    for (const ArchiveEntry &entry : listed.entries)
        names.append(entry.name);
    QVERIFY2(names.contains(name), qPrintable(names.join(QLatin1Char('|'))));

    Sandbox sandbox;
    OperationRequest extract = extractRequest(path, sandbox.destination());
    extract.legacyNameLanguage = language;
    const Outcome extracted = runJob(extract);
    QVERIFY2(extracted.result.succeeded(), qPrintable(describe(extracted.result)));
    QCOMPARE(TestTree::readFile(sandbox.destination() + QLatin1Char('/') + name), QByteArray("content\n"));
}

void TestLibArchive::hardLinks_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("selection");
    QTest::addColumn<Tree>("expected");

    const QByteArray content = TestTree::sampleData(150000, 11);
    const Tree both = {{QStringLiteral("a/"), {}},
                       {QStringLiteral("a/first.bin"), content},
                       {QStringLiteral("second.bin"), content}};
    QTest::newRow("tar.lz4 whole") << "tar.lz4" << QStringList() << both;
    QTest::newRow("tar.lz4 only the link") << "tar.lz4" << QStringList{QStringLiteral("second.bin")}
                                           << Tree{{QStringLiteral("second.bin"), content}};
    QTest::newRow("rar5 whole") << "rar5" << QStringList() << both;
    // bsdtar's cpio stores the content with the last name of a set, the first name empty.
    QTest::newRow("cpio whole") << "cpio" << QStringList() << both;
    QTest::newRow("cpio only the first name") << "cpio" << QStringList{QStringLiteral("a/first.bin")}
                                              << Tree{{QStringLiteral("first.bin"), content}};
}

// Hard links become independent copies of the content they share, wherever the archive stores it.
void TestLibArchive::hardLinks()
{
    QFETCH(QString, format);
    QFETCH(QStringList, selection);
    QFETCH(Tree, expected);
    QTemporaryDir dir;
    const QByteArray content = TestTree::sampleData(150000, 11);
    QString archive;
    if (format == QLatin1String("tar.lz4")) {
        archive = buildCompressedTar(dir.filePath(QStringLiteral("links.tar.lz4")),
                                     {TarBytes::folder("a/"), TarBytes::file("a/first.bin", content),
                                      TarBytes::hardlink("second.bin", "a/first.bin")});
    } else if (format == QLatin1String("rar5")) {
        archive = dir.filePath(QStringLiteral("links.rar"));
        QVERIFY(RarBytes::write(archive,
                                RarBytes::rar5({RarBytes::folder("a"), RarBytes::file("a/first.bin", content),
                                                RarBytes::hardlink("second.bin", "a/first.bin")})));
    } else {
        const QString source = dir.filePath(QStringLiteral("source"));
        QVERIFY(TestTree::build(source, {{QStringLiteral("a/first.bin"), content}}));
        QCOMPARE(::link(QFile::encodeName(source + QStringLiteral("/a/first.bin")).constData(),
                        QFile::encodeName(source + QStringLiteral("/second.bin")).constData()),
                 0);
        archive = dir.filePath(QStringLiteral("links.cpio"));
        QVERIFY(shell(QStringLiteral("bsdtar -c --format newc -f \"$1\" a a/first.bin second.bin"), {archive},
                      source));
    }
    QVERIFY(!archive.isEmpty());

    Sandbox sandbox;
    OperationRequest request = extractRequest(archive, sandbox.destination());
    request.entryNames = selection;
    const Outcome outcome = runJob(request);
    QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
    const Tree extracted = TestTree::snapshot(sandbox.destination());
    QCOMPARE(extracted.keys(), expected.keys());
    QCOMPARE(extracted, expected);
}

void TestLibArchive::replaceQuestion_data()
{
    QTest::addColumn<ReplaceChoice>("choice");
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<ResultCode>("code");
    QTest::newRow("replace") << ReplaceChoice::Replace << QByteArray("top\n") << ResultCode::Success;
    QTest::newRow("skip") << ReplaceChoice::Skip << QByteArray("mine") << ResultCode::Success;
    QTest::newRow("cancel") << ReplaceChoice::Cancel << QByteArray("mine") << ResultCode::Cancelled;
}

// A clash with an existing file is asked about, as on every route, and the answer holds.
void TestLibArchive::replaceQuestion()
{
    QFETCH(ReplaceChoice, choice);
    QFETCH(QByteArray, kept);
    QFETCH(ResultCode, code);
    QTemporaryDir dir;
    const QString archive = buildArchive(QStringLiteral("rar5"), dir.path(), sampleTree());
    QVERIFY(!archive.isEmpty());
    Sandbox sandbox;
    QVERIFY(TestTree::build(sandbox.destination(), {{QStringLiteral("top.txt"), "mine"}}));

    ScriptedInteraction interaction;
    interaction.replaceAnswers = {{choice, false}};
    OperationRequest request = extractRequest(archive, sandbox.destination());
    request.replacePolicy = ReplacePolicy::Ask;
    const Outcome outcome = runJob(request, &interaction);
    QVERIFY2(outcome.result.code == code, qPrintable(describe(outcome.result)));
    QCOMPARE(interaction.replaceQuestions.size(), 1);
    QCOMPARE(interaction.replaceQuestions.first().entry, QStringLiteral("top.txt"));
    QCOMPARE(TestTree::readFile(sandbox.destination() + QStringLiteral("/top.txt")), kept);
    QCOMPARE(QFileInfo::exists(sandbox.destination() + QStringLiteral("/docs/说明.txt")),
             code == ResultCode::Success);
}

// Device nodes, FIFOs and sockets are neither listed nor made, also when the process could make
// them; the files beside them are.
void TestLibArchive::specialFilesNeverMade()
{
    QTemporaryDir dir;
    TarBytes::Entry device = TarBytes::file("dev/null", {});
    device.type = '3';
    device.deviceMajor = 1;
    device.deviceMinor = 3;
    TarBytes::Entry fifo = TarBytes::file("pipe", {});
    fifo.type = '6';
    const QString archive = buildCompressedTar(dir.filePath(QStringLiteral("special.tar.lz4")),
                                               {device, fifo, TarBytes::file("note.txt", "kept\n")});
    QVERIFY(!archive.isEmpty());

    const Outcome listed = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(listed.result.succeeded(), qPrintable(describe(listed.result)));
    QStringList names;
    for (const ArchiveEntry &entry : listed.entries)
        names.append(entry.name);
    // Not even the folder the device would imply: extraction does not make it either.
    QCOMPARE(names, QStringList{QStringLiteral("note.txt")});

    Sandbox sandbox;
    const Outcome extracted = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(extracted.result.succeeded(), qPrintable(describe(extracted.result)));
    QCOMPARE(TestTree::snapshot(sandbox.destination()), (Tree{{QStringLiteral("note.txt"), "kept\n"}}));
}

// Progress follows the archive bytes read and never goes back; a cancel stops the reading between
// blocks and leaves nothing behind.
void TestLibArchive::progressAndCancel()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("big.rar"));
    QList<RarBytes::Entry> entries;
    for (int index = 0; index < 8; ++index)
        entries.append(RarBytes::file(QByteArray("part") + QByteArray::number(index) + ".bin",
                                      TestTree::sampleData(4 << 20, quint32(index))));
    QVERIFY(RarBytes::write(archive, RarBytes::rar5(entries)));
    const qint64 size = QFileInfo(archive).size();

    Sandbox sandbox;
    const Outcome done = runJob(extractRequest(archive, sandbox.destination()));
    QVERIFY2(done.result.succeeded(), qPrintable(describe(done.result)));
    for (qsizetype index = 1; index < done.progress.size(); ++index) {
        QVERIFY(done.progress.at(index).percent >= done.progress.at(index - 1).percent);
        QVERIFY(done.progress.at(index).processedBytes >= done.progress.at(index - 1).processedBytes);
    }
    QCOMPARE(done.progress.last().totalBytes, size);
    QVERIFY(done.progress.last().processedBytes > size * 9 / 10);
    QVERIFY(done.progress.last().processedBytes <= size);

    Sandbox cancelled;
    QVERIFY(TestTree::build(cancelled.destination(), {{QStringLiteral("kept.txt"), "mine"}}));
    const Tree before = TestTree::snapshot(cancelled.destination());
    // The first update comes with the first header, long before the last block.
    const Outcome stopped = runJob(extractRequest(archive, cancelled.destination()), nullptr,
                                   [](ArchiveJob &job, const OperationProgress &) { job.cancel(); });
    QCOMPARE(stopped.result.code, ResultCode::Cancelled);
    QVERIFY(stopped.progress.last().processedBytes < size);
    QCOMPARE(TestTree::snapshot(cancelled.destination()), before);
}

void TestLibArchive::passwordsWhereLibArchiveDecrypts_data()
{
    QTest::addColumn<QString>("requestPassword");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<ResultCode>("code");
    QTest::addColumn<int>("questions");

    QTest::newRow("given up front") << "secret" << QStringList() << ResultCode::Success << 0;
    QTest::newRow("asked") << "" << QStringList{QStringLiteral("secret")} << ResultCode::Success << 1;
    QTest::newRow("wrong, then right")
        << "wrong" << QStringList{QStringLiteral("secret")} << ResultCode::Success << 1;
    QTest::newRow("asked, then cancelled") << "" << QStringList() << ResultCode::Cancelled << 1;
}

// libarchive decrypts ZIP's traditional encryption. ZIP normally goes to libzip; this drives the
// password loop of this backend directly on such an archive.
void TestLibArchive::passwordsWhereLibArchiveDecrypts()
{
    QFETCH(QString, requestPassword);
    QFETCH(QStringList, answers);
    QFETCH(ResultCode, code);
    QFETCH(int, questions);
    QTemporaryDir dir;
    QVERIFY(TestTree::build(dir.path(), {{QStringLiteral("in/secret.txt"), TestTree::sampleData(50000, 4)}}));
    const QString archive = dir.filePath(QStringLiteral("secret.zip"));
    QVERIFY(shell(QStringLiteral("zip -q -P secret -r \"$1\" secret.txt"), {archive},
                  dir.filePath(QStringLiteral("in"))));

    ScriptedInteraction interaction;
    for (const QString &answer : answers)
        interaction.passwordAnswers.append({true, answer});
    const std::atomic_bool cancel{false};
    OperationContext context(OperationRequest::test(archive, requestPassword), cancel, nullptr, &interaction);
    const OperationResult result = LibArchiveBackend().test(context);
    QVERIFY2(result.code == code, qPrintable(describe(result)));
    QCOMPARE(interaction.passwordQuestions.size(), questions);
    if (questions > 0)
        QCOMPARE(interaction.passwordQuestions.first().entry, QStringLiteral("secret.txt"));

    OperationContext unattended(OperationRequest::test(archive, QString()), cancel, nullptr, nullptr);
    QCOMPARE(LibArchiveBackend().test(unattended).code, ResultCode::PasswordNeeded);
}

void TestLibArchive::creationRefused()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("new.rar"));
    const std::atomic_bool cancel{false};
    OperationContext context(
        OperationRequest::create(QStringLiteral("RAR"), {dir.path()}, archive, QString()), cancel, nullptr,
        nullptr);
    QCOMPARE(LibArchiveBackend().create(context).code, ResultCode::UnsupportedFormat);
    QVERIFY(!QFileInfo::exists(archive));
    QVERIFY(!FormatRegistry::canCreate(archive));
}

// A name stored twice, or a link with an entry below its name, is still one row: the later entry, as
// extraction keeps it.
void TestLibArchive::listsEveryNameOnce()
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("twice.cpio");
    QVERIFY(
        CpioBytes::write(archive, {CpioBytes::file("dup.txt", "first"), CpioBytes::file("dup.txt", "second"),
                                   CpioBytes::symlink("abs", "/tmp"), CpioBytes::file("abs/x", "x")}));
    const Outcome outcome = runJob(OperationRequest::list(archive, QString()));
    QVERIFY2(outcome.result.succeeded(), qPrintable(describe(outcome.result)));
    QStringList rows;
    for (const ArchiveEntry &entry : outcome.entries)
        rows.append(entry.name +
                    (entry.isLink     ? " link"
                     : entry.isFolder ? " folder"
                                      : " file ") +
                    (entry.isLink || entry.isFolder ? QString() : QString::number(entry.size)));
    QCOMPARE(rows, (QStringList{"dup.txt file 6", "abs link", "abs/x file 1"}));
}

QTEST_GUILESS_MAIN(TestLibArchive)
#include "tst_libarchive.moc"
