// libFuzzer target: arbitrary bytes saved as a .zip and extracted by CompressionHandler into a fresh
// destination. After every input the sandbox around the destination must be exactly as it was: an
// entry that escaped the destination (climbing, absolute names, links) aborts the run like a crash.
// The destination sits three folders deep, and the working folder is its parent, so that climbing
// names and relative writes land inside the watched sandbox instead of somewhere unknown.

#include "compressionhandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString fuzzPassword = QStringLiteral("kelvane");
const QByteArray sentinelContent = "sentinel: must never change\n";

struct Sandbox {
    QTemporaryDir root;
    QString archivePath;
    QString destinationParent;
    QString destinationPath;
    QString sentinelFile;
    QSet<QString> entriesOutsideDestination;
    QSet<QString> filesystemRoot;
};

QSet<QString> listFolder(const QString &path)
{
    const QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return QSet<QString>(names.begin(), names.end());
}

// Every path under the sandbox root except the destination and what lies below it.
QSet<QString> listOutsideDestination(const Sandbox &sandbox)
{
    const QDir rootDir(sandbox.root.path());
    const QString destinationRelative = rootDir.relativeFilePath(sandbox.destinationPath);
    QSet<QString> found;
    QDirIterator it(sandbox.root.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = rootDir.relativeFilePath(it.next());
        if (relative == destinationRelative || relative.startsWith(destinationRelative + QLatin1Char('/')))
            continue;
        found.insert(relative);
    }
    return found;
}

Sandbox *sandbox = nullptr;

[[noreturn]] void escaped(const char *what, const QString &detail)
{
    std::fprintf(stderr, "ESCAPE: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

void checkNothingEscaped()
{
    const QSet<QString> now = listOutsideDestination(*sandbox);
    if (now != sandbox->entriesOutsideDestination) {
        QStringList added = (now - sandbox->entriesOutsideDestination).values();
        QStringList removed = (sandbox->entriesOutsideDestination - now).values();
        escaped("sandbox changed", QStringLiteral("added [%1] removed [%2]")
                                       .arg(added.join(QLatin1Char(' ')), removed.join(QLatin1Char(' '))));
    }
    QFile sentinel(sandbox->sentinelFile);
    if (!sentinel.open(QIODevice::ReadOnly) || sentinel.readAll() != sentinelContent)
        escaped("sentinel file changed", sandbox->sentinelFile);
    const QSet<QString> rootNow = listFolder(QStringLiteral("/"));
    if (rootNow != sandbox->filesystemRoot)
        escaped("file system root changed",
                (rootNow - sandbox->filesystemRoot).values().join(QLatin1Char(' ')));
}

void silentMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_zipreader";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    qInstallMessageHandler(silentMessages);

    sandbox = new Sandbox;
    if (!sandbox->root.isValid())
        escaped("cannot create sandbox", sandbox->root.errorString());
    const QDir rootDir(sandbox->root.path());
    sandbox->archivePath = rootDir.filePath(QStringLiteral("input.zip"));
    sandbox->destinationParent = rootDir.filePath(QStringLiteral("a/b/c"));
    sandbox->destinationPath = sandbox->destinationParent + QStringLiteral("/destination");
    sandbox->sentinelFile = rootDir.filePath(QStringLiteral("sentinel/keep.txt"));
    rootDir.mkpath(QStringLiteral("sentinel"));
    rootDir.mkpath(QStringLiteral("a/b/c"));
    QFile sentinel(sandbox->sentinelFile);
    if (!sentinel.open(QIODevice::WriteOnly) || sentinel.write(sentinelContent) != sentinelContent.size())
        escaped("cannot write sentinel", sandbox->sentinelFile);
    sentinel.close();
    QFile archive(sandbox->archivePath);
    if (!archive.open(QIODevice::WriteOnly))
        escaped("cannot create input file", sandbox->archivePath);
    archive.close();
    QDir::setCurrent(sandbox->destinationParent);
    sandbox->entriesOutsideDestination = listOutsideDestination(*sandbox);
    sandbox->filesystemRoot = listFolder(QStringLiteral("/"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile archive(sandbox->archivePath);
    if (!archive.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        archive.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        escaped("cannot write input file", sandbox->archivePath);
    archive.close();

    CompressionHandler handler;
    const bool extracted =
        handler.extractArchive(sandbox->archivePath, sandbox->destinationPath, fuzzPassword);
    // A failure must say why; an empty text would reach the user as "Operation failed: ".
    if (!extracted && handler.lastError().isEmpty())
        escaped("failure without a message", QString());

    checkNothingEscaped();
    QDir(sandbox->destinationPath).removeRecursively();
    if (QFileInfo::exists(sandbox->destinationPath) || QFileInfo(sandbox->destinationPath).isSymLink())
        escaped("cannot clean the destination", sandbox->destinationPath);
    return 0;
}
