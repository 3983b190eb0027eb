#include "fuzzsandbox.h"

#include "archivejob.h"
#include "treeremover.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString fuzzPassword = QStringLiteral("kelvane");

QByteArray describe(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArrayLiteral("gone");
    QByteArray text = QByteArray::number(quint32(info.st_mode), 8) + ' ' +
                      QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
                      QByteArray::number(qint64(info.st_mtim.tv_nsec));
    if (S_ISLNK(info.st_mode)) {
        QByteArray target(4096, '\0');
        const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), 4096);
        text += " -> " + target.left(qMax<ssize_t>(0, length));
    } else if (S_ISREG(info.st_mode)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            text += ' ' + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    }
    return text;
}

void silent(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

void fuzzCoreApplication(const char *name)
{
    static int argc = 1;
    static QByteArray program(name);
    static char *argv[] = {program.data(), nullptr};
    static QCoreApplication app(argc, argv);
}

void FuzzSandbox::silenceMessages()
{
    qInstallMessageHandler(silent);
}

void FuzzSandbox::breach(const char *what, const QString &detail)
{
    std::fprintf(stderr, "ESCAPE: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

FuzzSandbox::FuzzSandbox(const QString &archiveName)
{
    // Kept for the whole run; removed by the fuzz script with the rest of its sandbox folder.
    folder.setAutoRemove(false);
    if (!folder.isValid())
        breach("cannot create the sandbox", folder.errorString());
    root = QDir(folder.path()).canonicalPath();
    const QDir rootDir(root);
    archive = rootDir.filePath(archiveName);
    rootDir.mkpath(QStringLiteral("a/b/c"));
    rootDir.mkpath(QStringLiteral("a/b/bait-folder"));
    destinationParent = rootDir.filePath(QStringLiteral("a/b/c"));
    destination = destinationParent + QStringLiteral("/destination");
    const auto bait = [](const QString &path, const QByteArray &content) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            breach("cannot write bait", path);
    };
    bait(rootDir.filePath(QStringLiteral("a/b/c/bait.txt")), "bait beside the destination\n");
    bait(rootDir.filePath(QStringLiteral("a/b/bait-folder/keep.txt")), "bait in a folder\n");
    bait(archive, QByteArray());
    QDir::setCurrent(destinationParent);
    baseline = outsideState();
    rootNames = QDir(QStringLiteral("/"))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .join(QLatin1Char('\n'))
                    .toUtf8();
}

FuzzSandbox::State FuzzSandbox::outsideState() const
{
    State state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path == destination || path.startsWith(destination + QLatin1Char('/')) || path == archive)
            continue;
        // The destination's parent changes its time whenever the destination comes and goes.
        state.insert(path.mid(root.size()),
                     path == destinationParent ? QByteArrayLiteral("parent") : describe(path));
    }
    return state;
}

void FuzzSandbox::writeInput(const uint8_t *data, size_t size)
{
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        breach("cannot write the input", archive);
}

OperationResult FuzzSandbox::runJob(const OperationRequest &request, ArchiveEntryList *entries)
{
    ArchiveJob job(request);
    const OperationResult result = job.run();
    if (entries)
        *entries = job.entries();
    return result;
}

OperationResult FuzzSandbox::extract(LegacyNameLanguage language)
{
    OperationRequest request = OperationRequest::extract(archive, destination, fuzzPassword);
    request.legacyNameLanguage = language;
    const OperationResult result = runJob(request);
    if (result.succeeded()) {
        // Nothing may stay under the staging folder's name.
        const QStringList left = QDir(destination)
                                     .entryList({QStringLiteral(".kelvane-extract-*")},
                                                QDir::AllEntries | QDir::Hidden | QDir::System);
        if (!left.isEmpty())
            breach("staging left after a success", left.join(QLatin1Char(' ')));
    } else {
        // The destination did not exist: a failure takes back everything, the folder too.
        struct stat info;
        if (::lstat(QFile::encodeName(destination).constData(), &info) == 0)
            breach("a failed extraction left the destination", QString::number(int(result.code)));
    }
    return result;
}

OperationResult FuzzSandbox::list(ArchiveEntryList *entries)
{
    return runJob(OperationRequest::list(archive, fuzzPassword), entries);
}

OperationResult FuzzSandbox::test()
{
    return runJob(OperationRequest::test(archive, fuzzPassword));
}

void FuzzSandbox::checkAndReset()
{
    const State now = outsideState();
    if (now != baseline) {
        QStringList changes;
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (baseline.value(it.key()) != it.value())
                changes.append(it.key() + QLatin1String(": ") + QString::fromUtf8(it.value()));
        }
        for (auto it = baseline.cbegin(); it != baseline.cend(); ++it) {
            if (!now.contains(it.key()))
                changes.append(it.key() + QLatin1String(": gone"));
        }
        breach("outside the destination changed", changes.join(QLatin1String("; ")));
    }
    const QByteArray names = QDir(QStringLiteral("/"))
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                                 .join(QLatin1Char('\n'))
                                 .toUtf8();
    if (names != rootNames)
        breach("the file system root changed", QString::fromUtf8(names));
    // Deeper than PATH_MAX is possible: removed by descriptors.
    const int parent = ::open(QFile::encodeName(QFileInfo(destination).path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool removed = parent >= 0 && TreeRemover::remove(parent, QByteArrayLiteral("destination"));
    if (parent >= 0)
        ::close(parent);
    if (!removed)
        breach("cannot empty the destination", destination);
}
