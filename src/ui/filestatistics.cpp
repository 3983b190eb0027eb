#include "filestatistics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <system_error>
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

// Sums countSpan(begin, end) over [0, count) split into equal spans, one per thread. The calling
// thread counts the first span and threads of this call's own count the others, joined before it
// returns: the status line never queues behind archive operations on the shared pool, and each span's
// part is written by one thread and read only after its join.
template <typename Part, typename CountSpan, typename Add>
Part countInSpans(qsizetype count, const CountSpan &countSpan, const Add &add)
{
    const qsizetype spans =
        std::clamp<qsizetype>(count / minItemsPerThread, 1, std::max(1, QThread::idealThreadCount()));
    const auto spanBegin = [count, spans](qsizetype span) { return count * span / spans; };
    std::vector<Part> parts(size_t(spans), Part{});
    std::vector<std::thread> helpers;
    for (qsizetype span = 1; span < spans; ++span) {
        try {
            helpers.emplace_back(
                [&, span] { parts[size_t(span)] = countSpan(spanBegin(span), spanBegin(span + 1)); });
        } catch (const std::system_error &) {
            // No thread to be had: the spans left are counted here.
            break;
        }
    }
    parts[0] = countSpan(0, spanBegin(1));
    for (qsizetype span = qsizetype(helpers.size()) + 1; span < spans; ++span)
        parts[size_t(span)] = countSpan(spanBegin(span), spanBegin(span + 1));
    for (std::thread &helper : helpers)
        helper.join();
    Part total{};
    for (const Part &part : parts)
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
    const FolderTotals totals = countInSpans<FolderTotals>(
        names.size(),
        [&](qsizetype begin, qsizetype end) {
            FolderTotals part;
            for (qsizetype i = begin; i < end; ++i) {
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
    const qint64 total = countInSpans<qint64>(
        names.size(),
        [&](qsizetype begin, qsizetype end) {
            qint64 bytes = 0;
            for (qsizetype i = begin; i < end; ++i) {
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
    return countInSpans<qint64>(
        names.size(),
        [&](qsizetype begin, qsizetype end) {
            qint64 bytes = 0;
            for (qsizetype i = begin; i < end; ++i) {
                const QFileInfo info(parent.filePath(names.at(i)));
                if (info.isFile())
                    bytes += info.size();
            }
            return bytes;
        },
        addBytes);
#endif
}
