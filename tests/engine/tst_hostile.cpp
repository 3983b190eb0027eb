// Hostile archives in every format the engine unpacks: names that climb, absolute names, drive
// letters, backslashes, links that point outside followed by entries written through them, hard links
// to files outside and duplicate entries. Whatever the engine decides, nothing may appear or change
// beside the destination, and a refusal must name the entry it refused.
//
// The archives are written here by python3's zipfile and tarfile modules; 7z archives are made by
// 7z from placeholder names of the same length, which are then replaced by the hostile names in the
// uncompressed header (and the header checksums recomputed), since 7z itself refuses to store them.

#include "compressionhandler.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
Entry symlink(const QString &name, const QString &target)
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

} // namespace

Q_DECLARE_METATYPE(QList<Entry>)

class TestHostile : public QObject
{
    Q_OBJECT

private slots:
    void nothingEscapes_data();
    void nothingEscapes();

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
         {folder("docs"), file("docs/a.txt", "a"), file("b.txt", "b"), symlink("docs/link", "a.txt")},
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
         {symlink("link", "../sentinel"), file("link/escape.txt")},
         {"link", "link/escape.txt"},
         allFormats},
        {"absolute link out, then through it",
         {symlink("link", "@/sentinel"), file("link/escape.txt")},
         {"link", "link/escape.txt"},
         allFormats},
        {"link to a file outside, then a file of the same name",
         {symlink("keep.txt", "@/sentinel/keep.txt"), file("keep.txt", "overwritten")},
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

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
