// Hostile archives in every format the engine unpacks: names that climb, absolute names, drive
// letters, backslashes, links that point outside followed by entries written through them, hard links
// to files outside and duplicate entries. Whatever the engine decides, nothing may appear or change
// beside the destination, and a refusal must name the entry it refused.
//
// everyRoute: the classes an outside attack suite and real-world archives found, each written byte by
// byte for every route that can carry it (ZIP through libzip, tar and tar.gz through the tar program,
// cpio and RAR through libarchive, 7z through the 7z program from a real tree). Run it as root and as
// an unprivileged user: programs behave differently for each (tar makes device nodes only as root).
//
// The archives are written here by python3's zipfile and tarfile modules; 7z archives are made by
// 7z from placeholder names of the same length, which are then replaced by the hostile names in the
// uncompressed header (and the header checksums recomputed), since 7z itself refuses to store them.

#include "archivejob.h"
#include "compressionhandler.h"
#include "cpiobytes.h"
#include "deeptree.h"
#include "linktarget.h"
#include "rarbytes.h"
#include "sandbox.h"
#include "tarbytes.h"
#include "testtree.h"
#include "toolrun.h"
#include "zipbytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const char *const archiveWriter = R"PY(
import io, json, os, struct, subprocess, sys, tarfile, tempfile, zipfile, zlib

fmt, out, spec = sys.argv[1], sys.argv[2], json.loads(sys.argv[3])

def write_zip():
    with zipfile.ZipFile(out, "w") as archive:
        for entry in spec:
            name = entry["name"] + ("/" if entry["type"] == "dir" else "")
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.create_system = 3
            data = entry.get("data", "").encode()
            if entry["type"] == "dir":
                info.external_attr = (0o40755 << 16) | 0x10
            elif entry["type"] == "symlink":
                info.external_attr = 0o120777 << 16
                data = entry["target"].encode()
            else:
                info.external_attr = 0o100644 << 16
            archive.writestr(info, data)

def write_tar(mode):
    with tarfile.open(out, mode, format=tarfile.GNU_FORMAT) as archive:
        for entry in spec:
            info = tarfile.TarInfo(entry["name"])
            info.mtime = 1704067200
            data = entry.get("data", "").encode()
            kind = entry["type"]
            if kind == "dir":
                info.type, info.mode = tarfile.DIRTYPE, 0o755
            elif kind == "symlink":
                info.type, info.linkname, info.mode = tarfile.SYMTYPE, entry["target"], 0o777
            elif kind == "hardlink":
                info.type, info.linkname = tarfile.LNKTYPE, entry["target"]
            else:
                info.size, info.mode = len(data), 0o644
            archive.addfile(info, io.BytesIO(data) if kind == "file" else None)

def write_7z():
    with tempfile.TemporaryDirectory() as stage:
        placeholders = []
        for index, entry in enumerate(spec):
            # Same length in UTF-16 units as the real name, sorted like the entry order.
            placeholder = chr(ord("a") + index) + "q" * (len(entry["name"].encode("utf-16-le")) // 2 - 1)
            placeholders.append(placeholder)
            path = os.path.join(stage, placeholder)
            if entry["type"] == "dir":
                os.mkdir(path)
            elif entry["type"] == "symlink":
                os.symlink(entry["target"], path)
            elif entry["type"] == "file":
                with open(path, "w") as f:
                    f.write(entry.get("data", ""))
            else:
                sys.exit("7z archives here carry no hard links")
        subprocess.run(["7z", "a", "-snl", "-mhc=off", "-mhe=off", out] + placeholders, cwd=stage,
                       check=True, stdout=subprocess.DEVNULL)
    data = bytearray(open(out, "rb").read())
    offset, size = struct.unpack_from("<QQ", data, 12)
    start = 32 + offset
    header = data[start:start + size]
    for placeholder, entry in zip(placeholders, spec):
        old, new = placeholder.encode("utf-16-le"), entry["name"].encode("utf-16-le")
        if header.count(old) != 1:
            sys.exit("placeholder %s not found once in the 7z header" % placeholder)
        header = header.replace(old, new)
    data[start:start + size] = header
    struct.pack_into("<I", data, 28, zlib.crc32(header))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    open(out, "wb").write(data)

{"zip": write_zip, "tar": lambda: write_tar("w"), "tar.gz": lambda: write_tar("w:gz"),
 "7z": write_7z}[fmt]()
)PY";

struct Entry {
    QString type;
    QString name;
    QString data;
    QString target;
};

Entry file(const QString &name, const QString &data = QStringLiteral("escaped"))
{
    return {QStringLiteral("file"), name, data, {}};
}
Entry folder(const QString &name)
{
    return {QStringLiteral("dir"), name, {}, {}};
}
Entry symbolicLink(const QString &name, const QString &target)
{
    return {QStringLiteral("symlink"), name, {}, target};
}
Entry hardlink(const QString &name, const QString &target)
{
    return {QStringLiteral("hardlink"), name, {}, target};
}

// Everything under the sandbox except the destination: path -> kind and content (or link target).
QMap<QString, QByteArray> snapshotOutside(const QString &root, const QString &destination)
{
    QMap<QString, QByteArray> state;
    const QDir rootDir(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == destination || path.startsWith(destination + QLatin1Char('/')))
            continue;
        const QFileInfo info(path);
        QByteArray description;
        if (info.isSymLink()) {
            description = "link:" + info.symLinkTarget().toUtf8();
        } else if (info.isDir()) {
            description = "folder";
        } else {
            QFile content(path);
            if (content.open(QIODevice::ReadOnly))
                description =
                    "file:" + QCryptographicHash::hash(content.readAll(), QCryptographicHash::Sha256).toHex();
        }
        state.insert(rootDir.relativeFilePath(path), description);
    }
    return state;
}

// One item of a case, as every byte builder can store it.
struct Item {
    // 'f' file, 'd' folder, 'l' link (data: the target), 'h' hard link (data: the name it repeats),
    // 'c' 'b' devices, 'p' FIFO.
    char kind = 'f';
    QByteArray name;
    QByteArray data;
    // Permission bits, set-id bits included.
    quint32 permissions = 0644;
};

Item fileItem(const QByteArray &name, const QByteArray &data, quint32 permissions = 0644)
{
    return {'f', name, data, permissions};
}
Item folderItem(const QByteArray &name, quint32 permissions = 0755)
{
    return {'d', name, {}, permissions};
}
Item linkItem(const QByteArray &name, const QByteArray &target)
{
    return {'l', name, target, 0777};
}
Item hardLinkItem(const QByteArray &name, const QByteArray &target)
{
    return {'h', name, target, 0644};
}
Item specialItem(char kind, const QByteArray &name)
{
    return {kind, name, {}, 0644};
}

// How a route's archive departs from the plain one.
enum class Variant { Plain, Truncated, WithoutEndBlocks, DataAfterEnd };

quint32 typeBits(char kind)
{
    switch (kind) {
    case 'd':
        return 040000;
    case 'l':
        return 0120000;
    case 'c':
        return 020000;
    case 'b':
        return 060000;
    case 'p':
        return 010000;
    default:
        return 0100000;
    }
}

// The archive for a route, or empty when the route cannot carry the items. "@" in names and targets
// stands for the sandbox, known only when the test runs.
QByteArray archiveFor(const QString &route, QList<Item> items, Variant variant, const QString &sandbox)
{
    for (Item &item : items) {
        item.name.replace('@', QFile::encodeName(sandbox));
        item.data.replace('@', QFile::encodeName(sandbox));
    }
    const auto cut = [variant](QByteArray bytes) {
        return variant == Variant::Truncated ? bytes.left(bytes.size() * 3 / 5) : bytes;
    };
    const bool hardLinks =
        std::any_of(items.cbegin(), items.cend(), [](const Item &item) { return item.kind == 'h'; });
    if (route == QLatin1String("zip")) {
        if (hardLinks)
            return QByteArray();
        QList<ZipBytes::Entry> entries;
        for (const Item &item : std::as_const(items)) {
            ZipBytes::Entry entry = item.kind == 'd'   ? ZipBytes::unixFolder(item.name)
                                    : item.kind == 'l' ? ZipBytes::unixLink(item.name, item.data)
                                                       : ZipBytes::unixFile(item.name, item.data);
            entry.unixMode = typeBits(item.kind) | item.permissions;
            entries.append(entry);
        }
        return cut(ZipBytes::build(entries));
    }
    if (route.startsWith(QLatin1String("tar"))) {
        QList<TarBytes::Entry> entries;
        for (const Item &item : std::as_const(items)) {
            TarBytes::Entry entry = item.kind == 'd'   ? TarBytes::folder(item.name)
                                    : item.kind == 'l' ? TarBytes::symlink(item.name, item.data)
                                    : item.kind == 'h' ? TarBytes::hardlink(item.name, item.data)
                                                       : TarBytes::file(item.name, item.data);
            entry.mode = item.permissions;
            if (item.kind == 'c' || item.kind == 'b' || item.kind == 'p') {
                entry.type = item.kind == 'c' ? '3' : item.kind == 'b' ? '4' : '6';
                entry.deviceMajor = item.kind == 'b' ? 7 : 1;
                entry.deviceMinor = item.kind == 'b' ? 0 : 3;
            }
            entries.append(entry);
        }
        QByteArray tar = cut(TarBytes::build(entries, variant != Variant::WithoutEndBlocks));
        if (variant == Variant::DataAfterEnd)
            tar += QByteArray(3000, 'x');
        if (route == QLatin1String("tar.lzma")) {
            // Read by libarchive, not by the tar program: its filters unpack what tar's route does not.
            QTemporaryDir work;
            const QString plain = work.filePath(QStringLiteral("a.tar"));
            if (!TestTree::writeFile(plain, tar) ||
                ToolRun::run(QStringLiteral("xz"), {"--format=lzma", "-k", plain}).exitCode != 0)
                return QByteArray();
            return TestTree::readFile(plain + QStringLiteral(".lzma"));
        }
        return route == QLatin1String("tar.gz") ? TarBytes::gzip(tar) : tar;
    }
    if (variant == Variant::WithoutEndBlocks || variant == Variant::DataAfterEnd)
        return QByteArray();
    if (route == QLatin1String("cpio")) {
        if (hardLinks)
            return QByteArray();
        QList<CpioBytes::Entry> entries;
        for (const Item &item : std::as_const(items))
            entries.append({item.name, typeBits(item.kind) | item.permissions, item.data});
        return cut(CpioBytes::build(entries));
    }
    if (route == QLatin1String("rar")) {
        QList<RarBytes::Entry> entries;
        for (const Item &item : std::as_const(items)) {
            if (item.kind != 'f' && item.kind != 'd' && item.kind != 'l' && item.kind != 'h')
                return QByteArray();
            RarBytes::Entry entry = item.kind == 'd'   ? RarBytes::folder(item.name)
                                    : item.kind == 'l' ? RarBytes::symlink(item.name, item.data)
                                    : item.kind == 'h' ? RarBytes::hardlink(item.name, item.data)
                                                       : RarBytes::file(item.name, item.data);
            entry.mode = item.permissions;
            entries.append(entry);
        }
        return cut(RarBytes::rar5(entries));
    }
    // 7z: written by 7z itself from a real tree, so only what a tree can hold: no climbing or
    // repeated names, no NUL, nothing deeper than the system's path limit, no special files.
    QTemporaryDir tree;
    QSet<QByteArray> names;
    for (const Item &item : std::as_const(items)) {
        const QList<QByteArray> parts = item.name.split('/');
        if (item.kind == 'c' || item.kind == 'b' || item.kind == 'p' || item.kind == 'h' ||
            item.name.startsWith('/') || parts.contains("..") || item.data.contains('\0') ||
            item.name.size() > 200 || names.contains(item.name) || variant != Variant::Plain)
            return QByteArray();
        names.insert(item.name);
        const QString path = tree.filePath(QFile::decodeName(item.name));
        if (item.kind == 'd')
            QDir().mkpath(path);
        else if (item.kind == 'l')
            QFile::link(QFile::decodeName(item.data), path);
        else if (!QDir().mkpath(QFileInfo(path).path()) || !TestTree::writeFile(path, item.data))
            return QByteArray();
    }
    QStringList top;
    for (const QByteArray &name : std::as_const(names)) {
        const QString first = QFile::decodeName(name.split('/').first());
        if (!top.contains(first))
            top.append(first);
    }
    const QString archive = tree.filePath(QStringLiteral(".archive.7z"));
    if (ToolRun::run(QStringLiteral("7z"), QStringList{"a", "-snl", archive} + top, tree.path()).exitCode !=
        0)
        return QByteArray();
    return TestTree::readFile(archive);
}

using Builder = std::function<QByteArray(const QString &sandbox)>;

enum class Outcome { Succeeds, Refused, Either };

// What a walk of the destination found that must never be there.
struct Findings {
    QStringList problems;
    int topLevelItems = 0;
};

Findings inspect(const QString &destination, const QSet<QByteArray> &userLinks)
{
    Findings findings;
    // The folder names from the destination down to the item being visited.
    QList<QByteArray> folders;
    DeepTree::walk(destination, [&](int depth, const QByteArray &name, const struct stat &info,
                                    const QByteArray &target) {
        folders.resize(depth);
        // Only for a problem: joining every item's folders would cost the square of a deep tree's depth.
        const auto shown = [&] {
            return QString::fromLatin1(
                (folders.isEmpty() ? QByteArray() : folders.join('/').right(60) + '/') + name);
        };
        if (depth == 0) {
            ++findings.topLevelItems;
            if (name.startsWith(".kelvane-extract-"))
                findings.problems.append(QStringLiteral("staging left: ") + QString::fromLatin1(name));
        }
        if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode) ||
            S_ISSOCK(info.st_mode))
            findings.problems.append(QStringLiteral("special file: ") + shown());
        if (info.st_mode & (S_ISUID | S_ISGID | S_ISVTX))
            findings.problems.append(QStringLiteral("set-id or sticky bit: ") + shown());
        if (S_ISLNK(info.st_mode) &&
            !userLinks.contains(folders.isEmpty() ? name : folders.join('/') + '/' + name)) {
            // Resolved by its words: no absolute target, and never above the destination.
            int level = depth;
            bool escapes = target.startsWith('/');
            for (const QByteArray &part : target.split('/')) {
                if (part == "..")
                    escapes = escapes || --level < 0;
                else if (!part.isEmpty() && part != ".")
                    ++level;
            }
            if (escapes)
                findings.problems.append(QStringLiteral("link out: ") + shown());
        }
        if (S_ISDIR(info.st_mode))
            folders.append(name);
    });
    return findings;
}

} // namespace

Q_DECLARE_METATYPE(QList<Entry>)
Q_DECLARE_METATYPE(Builder)

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void nothingEscapes_data();
    void nothingEscapes();
    void everyRoute_data();
    void everyRoute();

private:
    bool writeArchive(const QString &format, const QString &path, const QList<Entry> &entries);
};

bool TestHostile::writeArchive(const QString &format, const QString &path, const QList<Entry> &entries)
{
    QJsonArray spec;
    for (const Entry &entry : entries) {
        spec.append(QJsonObject{{QStringLiteral("type"), entry.type},
                                {QStringLiteral("name"), entry.name},
                                {QStringLiteral("data"), entry.data},
                                {QStringLiteral("target"), entry.target}});
    }
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(archiveWriter), format, path,
                  QString::fromUtf8(QJsonDocument(spec).toJson(QJsonDocument::Compact))});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        qWarning() << "archive writer failed:" << python.readAllStandardError();
        return false;
    }
    return QFileInfo(path).size() > 0;
}

void TestHostile::nothingEscapes_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QList<Entry>>("entries");
    // A refusal must name one of these; empty for the control rows, which must succeed.
    QTest::addColumn<QStringList>("offending");

    // "@" stands for the absolute path of the sandbox, which is only known when the test runs.
    struct Case {
        const char *name;
        QList<Entry> entries;
        QStringList offending;
        QStringList formats;
    };
    const QStringList allFormats{"zip", "tar", "tar.gz", "7z"};
    const QStringList tarFormats{"tar", "tar.gz"};
    const QList<Case> cases{
        {"control: ordinary names",
         {folder("docs"), file("docs/a.txt", "a"), file("b.txt", "b"), symbolicLink("docs/link", "a.txt")},
         {},
         allFormats},
        {"dot-dot climbing",
         {file("inside.txt", "ok"), file("../sentinel/escape.txt")},
         {"../sentinel/escape.txt"},
         allFormats},
        {"dot-dot after a folder",
         {file("a/b/../../../sentinel/escape.txt")},
         {"a/b/../../../sentinel/escape.txt"},
         allFormats},
        {"absolute name", {file("@/sentinel/escape.txt")}, {"@/sentinel/escape.txt"}, allFormats},
        {"drive letter with slash", {file("C:/escape.txt")}, {"C:/escape.txt"}, allFormats},
        {"drive letter with backslash", {file("C:\\escape.txt")}, {"C:\\escape.txt"}, allFormats},
        {"backslash climbing", {file("..\\sentinel\\escape.txt")}, {"..\\sentinel\\escape.txt"}, allFormats},
        {"relative link out, then through it",
         {symbolicLink("link", "../sentinel"), file("link/escape.txt")},
         {"link", "link/escape.txt"},
         allFormats},
        {"absolute link out, then through it",
         {symbolicLink("link", "@/sentinel"), file("link/escape.txt")},
         {"link", "link/escape.txt"},
         allFormats},
        {"link to a file outside, then a file of the same name",
         {symbolicLink("keep.txt", "@/sentinel/keep.txt"), file("keep.txt", "overwritten")},
         {"keep.txt"},
         allFormats},
        {"duplicate files", {file("dup.txt", "first"), file("dup.txt", "second")}, {"dup.txt"}, allFormats},
        {"hard link to a file outside by absolute name, then written",
         {hardlink("hard.txt", "@/sentinel/keep.txt"), file("hard.txt", "overwritten")},
         {"hard.txt", "@/sentinel/keep.txt"},
         tarFormats},
        {"hard link to a file outside by climbing, then written",
         {hardlink("hard.txt", "../sentinel/keep.txt"), file("hard.txt", "overwritten")},
         {"hard.txt", "../sentinel/keep.txt"},
         tarFormats},
    };
    for (const Case &testCase : cases) {
        for (const QString &format : testCase.formats) {
            QTest::addRow("%s: %s", qPrintable(format), testCase.name)
                << format << testCase.entries << testCase.offending;
        }
    }
}

void TestHostile::nothingEscapes()
{
    QFETCH(QString, format);
    QFETCH(QList<Entry>, entries);
    QFETCH(QStringList, offending);

    QTemporaryDir sandbox;
    QVERIFY(sandbox.isValid());
    const QString root = QDir(sandbox.path()).canonicalPath();
    const auto resolve = [&root](QString text) { return text.replace(QLatin1Char('@'), root); };
    for (Entry &entry : entries) {
        entry.name = resolve(entry.name);
        entry.target = resolve(entry.target);
    }
    for (QString &name : offending)
        name = resolve(name);

    QVERIFY(QDir(root).mkpath("sentinel"));
    QFile keep(root + "/sentinel/keep.txt");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("sentinel\n");
    keep.close();
    const QString archive = root + "/archives/hostile." + format;
    QVERIFY(QDir(root).mkpath("archives"));
    QVERIFY2(writeArchive(format, archive, entries), "python3 could not write the archive");

    // The names must really be in the archive: an independent reader lists them as written.
    QProcess lister;
    lister.start("bsdtar", {"-tf", archive});
    QVERIFY(lister.waitForFinished(60000));
    // bsdtar shows a backslash as "/" in ZIP names and escaped as "\\" in tar names; compare with "/".
    const auto separators = [](QString name) {
        return name.replace(QLatin1String("\\\\"), QLatin1String("/"))
            .replace(QLatin1Char('\\'), QLatin1Char('/'));
    };
    QStringList listed;
    for (const QString &line :
         QString::fromUtf8(lister.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        listed.append(separators(line));
    for (const Entry &entry : std::as_const(entries)) {
        const QString name = separators(entry.name);
        const bool found = listed.contains(name) || (entry.type == "dir" && listed.contains(name + '/'));
        QVERIFY2(found, qPrintable("not in the archive as written: " + entry.name));
    }

    const QString destination = root + "/destination";
    const auto before = snapshotOutside(root, destination);
    CompressionHandler handler;
    const bool extracted = handler.extractArchive(archive, destination, QString());
    const auto after = snapshotOutside(root, destination);

    QCOMPARE(after, before);
    if (offending.isEmpty()) {
        QVERIFY2(extracted, qPrintable(handler.lastError()));
        QFile a(destination + "/docs/a.txt");
        QVERIFY(a.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), QByteArray("a"));
        QCOMPARE(QFileInfo(destination + "/docs/link").symLinkTarget(), destination + "/docs/a.txt");
        return;
    }
    if (!extracted) {
        const QString error = handler.lastError();
        const bool named = std::any_of(offending.cbegin(), offending.cend(),
                                       [&error](const QString &name) { return error.contains(name); });
        QVERIFY2(named, qPrintable("refusal does not name the entry: " + error));
    }
    // What an accepted archive wrote must lie inside the destination, links included.
    QDirIterator written(destination, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (written.hasNext()) {
        const QFileInfo info(written.next());
        if (!info.isSymLink())
            continue;
        const QString target = QDir::cleanPath(info.absoluteDir().absoluteFilePath(info.symLinkTarget()));
        QVERIFY2(target == destination || target.startsWith(destination + '/'),
                 qPrintable(info.filePath() + " points outside: " + info.symLinkTarget()));
    }
}

void TestHostile::everyRoute_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<Builder>("archive");
    // What the destination holds before ("@" in a link target: the sandbox).
    QTest::addColumn<TestTree::Tree>("before");
    QTest::addColumn<int>("outcome");
    // A refusal names one of these (the entry or path of the result); empty: any refusal.
    QTest::addColumn<QStringList>("named");
    // After a success the destination holds at least these.
    QTest::addColumn<TestTree::Tree>("expected");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("limitMs");
    // Only these entries are extracted, placed relative to their common folder.
    QTest::addColumn<QStringList>("selection");

    const QByteArray deepFolder = QByteArray("d/").repeated(2100);
    const QByteArray longName = QByteArray("n/").repeated(2100) + "f.txt";
    const QByteArray payload = TestTree::sampleData(96 * 1024, 7);
    // Two different contents under one name, large enough for the parallel reader to use threads.
    const QByteArray first = TestTree::sampleData(17 * 1024 * 1024, 1);
    const QByteArray second = TestTree::sampleData(17 * 1024 * 1024, 2);
    QList<Item> longNames;
    for (int i = 0; i < 24; ++i)
        longNames.append(fileItem(QByteArray("a/").repeated(32499 - i) + "b", "x"));

    struct Case {
        const char *name;
        QList<Item> items;
        QStringList routes;
        Outcome outcome;
        QStringList named = {};
        TestTree::Tree expected = {};
        TestTree::Tree before = {};
        Variant variant = Variant::Plain;
        LegacyNameLanguage language = LegacyNameLanguage::SimplifiedChinese;
        // Hangs ran for minutes; a linear run takes seconds, also under the sanitizers.
        int limitMs = 120000;
        QStringList selection = {};
    };
    const QStringList all{"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar", "7z"};
    const QStringList tars{"tar", "tar.gz", "tar.lzma"};
    const QList<Case> cases{
        // The system takes a link's target up to its first NUL: what is checked must be those bytes.
        {"link target holding a NUL",
         {linkItem("l", QByteArray("..\0/inside", 10)), fileItem("l/x", "x")},
         all,
         Outcome::Refused,
         {"l", "l/x"}},
        {"link already in the destination leading out, written through",
         {folderItem("x", 0777), fileItem("x/pwned.txt", "pwned")},
         all,
         Outcome::Either,
         {"x", "x/pwned.txt"},
         {},
         {{"x", "-> @/outside"}}},
        {"nested link already in the destination leading out",
         {folderItem("d"), folderItem("d/x", 0700), fileItem("d/x/pwned.txt", "pwned")},
         all,
         Outcome::Either,
         {"d/x", "d/x/pwned.txt"},
         {},
         {{"d/", {}}, {"d/x", "-> ../../outside"}}},
        {"link already in the destination to a file outside, replaced",
         {fileItem("f.txt", "overwritten")},
         all,
         Outcome::Either,
         {"f.txt"},
         {},
         {{"f.txt", "-> @/outside.txt"}}},
        {"escaping link deeper than PATH_MAX",
         {folderItem("d"), linkItem(deepFolder + "l", "@/outside"),
          fileItem(deepFolder + "l/pwned.txt", "x")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Refused,
         {}},
        {"link deeper than PATH_MAX staying inside",
         {linkItem(deepFolder + "l", "../../x.txt"), fileItem(deepFolder + "x.txt", "x")},
         {"zip", "tar.lzma", "cpio"},
         Outcome::Succeeds},
        // GNU tar and libarchive's RAR reader stop at names this long themselves.
        {"link deeper than PATH_MAX staying inside, where the reader may stop",
         {linkItem(deepFolder + "l", "../../x.txt"), fileItem(deepFolder + "x.txt", "x")},
         {"tar", "tar.gz", "rar"},
         Outcome::Either},
        {"device nodes, FIFOs and set-id bits",
         {specialItem('c', "null"), specialItem('b', "loop"), specialItem('p', "fifo"),
          fileItem("suid", "s", 06755), folderItem("sgid", 03775), fileItem("sgid/in.txt", "in"),
          fileItem("plain.txt", "plain")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Either,
         {},
         {{"plain.txt", "plain"}, {"suid", "s"}, {"sgid/in.txt", "in"}}},
        {"cut short inside a name longer than PATH_MAX",
         {fileItem("first.txt", "1"), fileItem(longName, payload), fileItem("z.txt", "z")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Refused,
         {},
         {},
         {},
         Variant::Truncated},
        {"a file, then a folder of the same name",
         {fileItem("a", "file"), fileItem("a/b", "inside")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Refused,
         {"a", "a/b"}},
        {"names that are not UTF-8",
         {fileItem("\xd6lf\xe4sser.txt", "oil"), folderItem("caf\xe9"), fileItem("caf\xe9/x.txt", "x")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio"},
         Outcome::Succeeds,
         {},
         {},
         {},
         Variant::Plain,
         LegacyNameLanguage::Western},
        // Large enough for the ZIP reader to use threads; the other routes read one entry at a time.
        {"two large entries under one name",
         {fileItem("same.bin", first), fileItem("same.bin", second)},
         {"zip"},
         Outcome::Succeeds,
         {},
         {{"same.bin", second}}},
        {"two entries under one name",
         {fileItem("same.bin", payload), fileItem("same.bin", "second")},
         {"tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Succeeds,
         {},
         {{"same.bin", "second"}}},
        {"one name in two spellings",
         {fileItem("dir/same.txt", "first"), fileItem("dir//./same.txt", "second")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Succeeds,
         {},
         {{"dir/same.txt", "second"}}},
        {"hard link to a file outside, then written through",
         {hardLinkItem("hard.txt", "@/outside.txt"), fileItem("hard.txt", "overwritten")},
         all,
         Outcome::Either,
         {"hard.txt"}},
        {"hard link climbing to a file outside, then written through",
         {hardLinkItem("hard.txt", "../outside.txt"), fileItem("hard.txt", "overwritten")},
         all,
         Outcome::Either,
         {"hard.txt"}},
        {"hard link to a link leading out",
         {linkItem("l", "@/outside.txt"), hardLinkItem("h", "l"), fileItem("h", "overwritten")},
         all,
         Outcome::Refused,
         {"l", "h"}},
        {"hard link to a file of the archive",
         {fileItem("a.txt", "shared"), hardLinkItem("b.txt", "a.txt")},
         all,
         Outcome::Succeeds,
         {},
         {{"a.txt", "shared"}, {"b.txt", "shared"}}},
        // Placed without their common folder, the link would climb one level more than in the archive.
        {"selected entries holding a link that climbs out of their common folder",
         {folderItem("docs"), fileItem("docs/a.txt", "a"), linkItem("docs/up", "../b.txt"),
          fileItem("b.txt", "b")},
         all,
         Outcome::Either,
         {"docs/up"},
         {},
         {},
         Variant::Plain,
         LegacyNameLanguage::SimplifiedChinese,
         120000,
         {"docs/a.txt", "docs/up"}},
        {"24 names of 65,000 bytes",
         longNames,
         {"zip", "tar", "cpio"},
         Outcome::Either,
         {},
         {},
         {},
         Variant::Plain,
         LegacyNameLanguage::SimplifiedChinese,
         120000},
        {"tar without its end blocks",
         {fileItem("a.txt", "a"), fileItem("b.txt", "b")},
         tars,
         Outcome::Succeeds,
         {},
         {{"a.txt", "a"}, {"b.txt", "b"}},
         {},
         Variant::WithoutEndBlocks},
        {"data after the end blocks",
         {fileItem("a.txt", "a")},
         tars,
         Outcome::Succeeds,
         {},
         {{"a.txt", "a"}},
         {},
         Variant::DataAfterEnd},
        {"links that stay inside",
         {folderItem("docs"), fileItem("docs/a.txt", "a"), fileItem("b.txt", "b"),
          linkItem("docs/up", "../b.txt"), linkItem("top", "docs"), linkItem("docs/self", "../docs/a.txt")},
         {"zip", "tar", "tar.gz", "tar.lzma", "cpio", "rar"},
         Outcome::Succeeds,
         {},
         {{"docs/up", "-> ../b.txt"}, {"top", "-> docs"}, {"docs/self", "-> ../docs/a.txt"}}},
        // 7z refuses every link holding "..", even one that stays inside.
        {"links that stay inside without climbing",
         {folderItem("docs"), fileItem("docs/a.txt", "a"), linkItem("top", "docs"),
          linkItem("docs/b", "a.txt")},
         {"7z"},
         Outcome::Succeeds,
         {},
         {{"top", "-> docs"}, {"docs/b", "-> a.txt"}}},
    };
    for (const Case &testCase : cases) {
        for (const QString &route : testCase.routes) {
            const QList<Item> items = testCase.items;
            const Variant variant = testCase.variant;
            const Builder builder = [route, items, variant](const QString &sandbox) {
                return archiveFor(route, items, variant, sandbox);
            };
            QTest::addRow("%s: %s", qPrintable(route), testCase.name)
                << route << builder << testCase.before << int(testCase.outcome) << testCase.named
                << testCase.expected << int(testCase.language) << testCase.limitMs << testCase.selection;
        }
    }
}

void TestHostile::everyRoute()
{
    QFETCH(QString, route);
    QFETCH(Builder, archive);
    QFETCH(TestTree::Tree, before);
    QFETCH(int, outcome);
    QFETCH(QStringList, named);
    QFETCH(TestTree::Tree, expected);
    QFETCH(int, language);
    QFETCH(int, limitMs);
    QFETCH(QStringList, selection);

    Sandbox sandbox;
    QVERIFY(sandbox.isValid());
    const QString root = QDir(sandbox.path()).canonicalPath();
    const QByteArray bytes = archive(root);
    if (bytes.isEmpty())
        QSKIP("this route cannot carry the case");
    const QString archivePath = root + QStringLiteral("/archive.") + route;
    QVERIFY(TestTree::writeFile(archivePath, bytes));
    QSet<QByteArray> userLinks;
    for (auto it = before.begin(); it != before.end(); ++it) {
        it.value().replace('@', QFile::encodeName(root));
        if (it.value().startsWith("-> "))
            userLinks.insert(it.key().toUtf8());
    }
    if (!before.isEmpty())
        QVERIFY(TestTree::build(sandbox.destination(), before));
    const TestTree::Tree destinationBefore =
        before.isEmpty() ? TestTree::Tree() : TestTree::snapshot(sandbox.destination());
    const TestTree::Tree outside = sandbox.outside();
    const TestTree::Tree outsideMetadata = sandbox.outsideMetadata();

    OperationRequest request = OperationRequest::extract(archivePath, sandbox.destination(), QString());
    request.legacyNameLanguage = LegacyNameLanguage(language);
    request.entryNames = selection;
    ArchiveJob job(request);
    QElapsedTimer clock;
    clock.start();
    const OperationResult result = job.run();
    QVERIFY2(clock.elapsed() < limitMs, qPrintable(QStringLiteral("took %1 ms").arg(clock.elapsed())));

    QCOMPARE(sandbox.outside(), outside);
    QCOMPARE(sandbox.outsideMetadata(), outsideMetadata);
    const QString detail = QStringLiteral("code %1, entry %2, path %3, detail %4")
                               .arg(int(result.code))
                               .arg(result.entry.left(200), result.path.left(200), result.detail.left(300));
    if (Outcome(outcome) == Outcome::Either)
        qInfo("%s",
              result.succeeded() ? "extracted" : qPrintable(QStringLiteral("refused: ") + detail.left(160)));
    if (Outcome(outcome) == Outcome::Succeeds)
        QVERIFY2(result.succeeded(), qPrintable(detail));
    if (Outcome(outcome) == Outcome::Refused)
        QVERIFY2(!result.succeeded(), "extracted what must be refused");
    if (!result.succeeded()) {
        QVERIFY2(!result.cancelled(), qPrintable(detail));
        if (!named.isEmpty() && result.code == ResultCode::UnsafeEntry)
            QVERIFY2(named.contains(result.entry), qPrintable(detail));
        // A failure takes back everything it made.
        if (before.isEmpty())
            QVERIFY2(!QFileInfo::exists(sandbox.destination()) &&
                         !QFileInfo(sandbox.destination()).isSymLink(),
                     qPrintable(QStringLiteral("destination left after: ") + detail));
        else
            QCOMPARE(TestTree::snapshot(sandbox.destination()), destinationBefore);
        return;
    }
    const Findings findings = inspect(sandbox.destination(), userLinks);
    QVERIFY2(findings.problems.isEmpty(), qPrintable(findings.problems.join(QLatin1String("; "))));
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString path = sandbox.destination() + QLatin1Char('/') + it.key();
        if (it.value().startsWith("-> "))
            QCOMPARE("-> " + LinkTarget::read(path), it.value());
        else
            QCOMPARE(TestTree::readFile(path), it.value());
    }
}

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
