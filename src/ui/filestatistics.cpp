#include "filestatistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <thread>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// One file query costs a few microseconds, so only large jobs are worth a second thread.
constexpr qsizetype minItemsPerThread = 4096;

struct Span {
    qsizetype begin;
    qsizetype end;
};

// Equal runs, one per thread.
QList<Span> spansOf(qsizetype count)
{
    const qsizetype threads =
        std::clamp<qsizetype>(count / minItemsPerThread, 1, std::max(1, QThread::idealThreadCount()));
    QList<Span> spans;
    for (qsizetype part = 0; part < threads; ++part)
        spans.append({count * part / threads, count * (part + 1) / threads});
    return spans;
}

// The sum of work over the runs of count items: the first run on the calling thread, each other on
// a thread of its own, joined before the sum. Small jobs start no thread at all. Plain threads rather
// than the toolkit's mapped-reduce, whose locking lives in the uninstrumented toolkit: their start and
// join order every access for ThreadSanitizer as well.
template <typename Result, typename Work, typename Add>
Result sumOverSpans(qsizetype count, const Work &work, const Add &add)
{
    const QList<Span> spans = spansOf(count);
    std::vector<Result> parts(size_t(spans.size()));
    std::vector<std::thread> helpers;
    for (qsizetype part = 1; part < spans.size(); ++part)
        helpers.emplace_back([&, part] { parts[size_t(part)] = work(spans.at(part)); });
    parts.front() = work(spans.front());
    for (std::thread &helper : helpers)
        helper.join();
    Result total{};
    for (const Result &part : parts)
        add(total, part);
    return total;
}

void addTotals(FileStatistics::FolderTotals &sum, const FileStatistics::FolderTotals &part)
{
    sum.folders += part.folders;
    sum.files += part.files;
    sum.bytes += part.bytes;
}

void addBytes(qint64 &sum, qint64 part)
{
    sum += part;
}

} // namespace

FileStatistics::FolderTotals FileStatistics::countFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    // QDir builds a QFileInfo with its own path conversions per entry, which costs three times the
    // system calls themselves; the raw names and fstatat on the open folder give the same answer.
    DIR *folder = ::opendir(QFile::encodeName(path).constData());
    if (!folder)
        return {};
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(folder)) {
        // Hidden entries, "." and ".." among them, are not listed.
        if (entry->d_name[0] != '.')
            names.append(QByteArray(entry->d_name));
    }
    const int folderDescriptor = ::dirfd(folder);
    const FolderTotals totals = sumOverSpans<FolderTotals>(
        names.size(),
        [&](const Span &span) {
            FolderTotals part;
            for (qsizetype i = span.begin; i < span.end; ++i) {
                struct stat status;
                // A dangling link fails here; like devices, pipes and sockets it is a system entry.
                if (::fstatat(folderDescriptor, names.at(i).constData(), &status, 0) != 0)
                    continue;
                if (S_ISDIR(status.st_mode)) {
                    ++part.folders;
                } else if (S_ISREG(status.st_mode)) {
                    ++part.files;
                    part.bytes += status.st_size;
                }
            }
            return part;
        },
        addTotals);
    ::closedir(folder);
    return totals;
#else
    FolderTotals totals;
    const QFileInfoList entries =
        QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            ++totals.folders;
        } else {
            ++totals.files;
            totals.bytes += entry.size();
        }
    }
    return totals;
#endif
}

qint64 FileStatistics::totalFileSize(const QString &folder, const QStringList &names)
{
#ifdef Q_OS_UNIX
    // Names looked up in the open folder spare the kernel walking the folder's path again for every
    // one. A folder that cannot be opened leaves only the absolute names to be found.
    const int folderDescriptor =
        folder.isEmpty() ? AT_FDCWD
                         : ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const qint64 total = sumOverSpans<qint64>(
        names.size(),
        [&](const Span &span) {
            qint64 bytes = 0;
            for (qsizetype i = span.begin; i < span.end; ++i) {
                struct stat status;
                if (::fstatat(folderDescriptor, QFile::encodeName(names.at(i)).constData(), &status, 0) ==
                        0 &&
                    S_ISREG(status.st_mode))
                    bytes += status.st_size;
            }
            return bytes;
        },
        addBytes);
    if (folderDescriptor >= 0)
        ::close(folderDescriptor);
    return total;
#else
    const QDir parent(folder);
    return sumOverSpans<qint64>(
        names.size(),
        [&](const Span &span) {
            qint64 bytes = 0;
            for (qsizetype i = span.begin; i < span.end; ++i) {
                const QFileInfo info(parent.filePath(names.at(i)));
                if (info.isFile())
                    bytes += info.size();
            }
            return bytes;
        },
        addBytes);
#endif
}
