#include "archiveentryname.h"
#include "compressionhandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Level 6 is the usual speed/size trade-off; libzip's default of 9 is markedly slower.
constexpr zip_uint32_t deflateLevel = 6;
constexpr qint64 copyBufferSize = 64 * 1024;
// Opening an entry, deriving its AES key and writing its headers cost about as much as this many
// bytes of data, so progress does not stall on archives of many small files.
constexpr qint64 perEntryWeight = 16 * 1024;
// Work handed to one writer thread at least: below this, a thread and a part archive cost more
// than compressing in line.
constexpr qint64 minBatchWeight = 4 * 1024 * 1024;
constexpr int batchesPerThread = 4;
// Share of the writer's progress for compressing; merging the parts only copies bytes.
constexpr int compressionShare = 95;
// Each further reader thread needs this much data to pay for its own handle.
constexpr qint64 extractionWeightPerThread = 16 * 1024 * 1024;
// How often a thread waiting for workers reports their progress and passes on a cancel.
constexpr int pollIntervalMs = 50;
// Link targets are short paths; anything longer is not a link we would restore.
constexpr qint64 maxLinkTargetSize = 4096;
// A stored size only weighs progress and bounds a link target, and a hostile archive may declare
// any 64-bit value: capped, sums of sizes can neither overflow nor turn negative.
constexpr zip_uint64_t maxDeclaredSize = zip_uint64_t(1) << 40;

constexpr zip_uint32_t unixTypeMask = 0170000;
constexpr zip_uint32_t unixRegularFile = 0100000;
constexpr zip_uint32_t unixFolder = 0040000;
constexpr zip_uint32_t unixSymbolicLink = 0120000;
constexpr zip_uint32_t permissionBits = 0777;

using ZipHandle = std::unique_ptr<zip_t, decltype(&zip_discard)>;

enum class EntryKind { File, Folder, Link };

struct PackedEntry {
    QString sourcePath;
    QString name;
    EntryKind kind;
    qint64 size;
    zip_uint32_t mode;
    qint64 modified;
};

struct ExtractedEntry {
    zip_uint64_t index;
    QString name;
    QString outputPath;
    EntryKind kind;
    zip_uint32_t permissions; // 0 when the archive stores none
    qint64 modified;          // -1 when unknown
    qint64 size;
    QByteArray linkTarget;
};

zip_uint32_t unixPermissions(QFileDevice::Permissions permissions)
{
    const auto bits = zip_uint32_t(permissions.toInt());
    return (((bits >> 12) & 07) << 6) | (((bits >> 4) & 07) << 3) | (bits & 07);
}

QFileDevice::Permissions qtPermissions(zip_uint32_t mode)
{
    const int bits = int(((mode >> 6) & 07) << 12 | ((mode >> 3) & 07) << 4 | (mode & 07));
    return QFileDevice::Permissions::fromInt(bits);
}

QByteArray linkTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    QByteArray target(maxLinkTargetSize, Qt::Uninitialized);
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), target.data(), target.size());
    return length < 0 ? QByteArray() : target.left(length);
#else
    return QFile::encodeName(QFileInfo(path).symLinkTarget());
#endif
}

// Lists what one selected item contributes, names relative to the item's parent folder. Links to
// folders (and dangling links) are kept as links, so a link cycle can never be walked. A link to a
// file stores the file's content, which is what the user sees when opening it. Sockets, pipes and
// devices carry no data an archive could keep and are left out.
// Returns false, with the folder in *unreadable, when a folder cannot be listed: packing it as
// empty would report success for content that is not in the archive.
bool collectEntries(const QFileInfo &info, const QString &name, const QString &archivePath,
                    QList<PackedEntry> *entries, QString *unreadable)
{
    const auto mode = unixPermissions(info.permissions());
    // A dangling link has no time of its own to report; libzip then stamps the current time.
    const QDateTime lastModified = info.lastModified();
    const qint64 modified = lastModified.isValid() ? lastModified.toSecsSinceEpoch() : -1;
    if (info.isSymLink() && !info.isFile()) {
        entries->append(
            {info.absoluteFilePath(), name, EntryKind::Link, 0, unixSymbolicLink | permissionBits, modified});
        return true;
    }
    if (info.isFile()) {
        // libzip would open it only inside zip_close, whose error does not say which file it was.
        if (!info.isReadable()) {
            *unreadable = info.absoluteFilePath();
            return false;
        }
        entries->append(
            {info.absoluteFilePath(), name, EntryKind::File, info.size(), unixRegularFile | mode, modified});
        return true;
    }
    if (!info.isDir())
        return true;
    if (!info.isReadable() || !info.isExecutable()) {
        *unreadable = info.absoluteFilePath();
        return false;
    }
    const QString prefix = name.isEmpty() ? QString() : name + QLatin1Char('/');
    if (!name.isEmpty())
        entries->append({info.absoluteFilePath(), prefix, EntryKind::Folder, 0, unixFolder | mode, modified});
    const QFileInfoList children =
        QDir(info.absoluteFilePath())
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &child : children) {
        // The archive being replaced may sit inside a selected folder; it must not pack itself.
        if (child.absoluteFilePath() == archivePath)
            continue;
        if (!collectEntries(child, prefix + child.fileName(), archivePath, entries, unreadable))
            return false;
    }
    return true;
}

qint64 entryWeight(const PackedEntry &entry)
{
    return entry.size + perEntryWeight;
}

zip_source_t *createSource(zip_t *archive, const PackedEntry &entry, QList<QByteArray> *linkTargets)
{
    if (entry.kind == EntryKind::File)
        return zip_source_file(archive, QFile::encodeName(entry.sourcePath).constData(), 0, 0);
    // libzip reads link sources from these buffers during zip_close
    linkTargets->append(linkTarget(entry.sourcePath));
    return zip_source_buffer(archive, linkTargets->last().constData(),
                             zip_uint64_t(linkTargets->last().size()), 0);
}

// Adds one entry with its time, mode, method and encryption; folders take no source. The source
// is freed when the entry cannot be added. Returns the entry's index, or -1.
zip_int64_t addEntry(zip_t *archive, const PackedEntry &entry, zip_source_t *source,
                     const QByteArray &password)
{
    const QByteArray name = entry.name.toUtf8();
    zip_int64_t index = -1;
    if (entry.kind == EntryKind::Folder) {
        index = zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8);
    } else {
        index = zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            zip_source_free(source);
    }
    bool added = index >= 0;
    if (added && entry.kind != EntryKind::File && entry.modified >= 0)
        added = zip_file_set_mtime(archive, zip_uint64_t(index), time_t(entry.modified), 0) == 0;
    if (added)
        added = zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                                 entry.mode << 16) == 0;
    if (added && entry.kind == EntryKind::File)
        added = zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, deflateLevel) == 0;
    if (added && entry.kind != EntryKind::Folder && !password.isEmpty())
        added =
            zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, password.constData()) == 0;
    return added ? index : -1;
}

// Adds the listed entries with their data. On failure returns false with the failing entry's
// position in the list and the message.
bool addEntriesWithData(zip_t *archive, const QList<PackedEntry> &entries, const QList<qsizetype> &members,
                        const QByteArray &password, QList<QByteArray> *linkTargets, qsizetype *failedMember,
                        QString *error)
{
    for (const qsizetype member : members) {
        const PackedEntry &entry = entries.at(member);
        zip_source_t *source = nullptr;
        if (entry.kind != EntryKind::Folder) {
            source = createSource(archive, entry, linkTargets);
            if (!source) {
                *failedMember = member;
                *error = CompressionHandler::tr("为文件创建源失败: %1").arg(entry.sourcePath);
                return false;
            }
        }
        if (addEntry(archive, entry, source, password) < 0) {
            *failedMember = member;
            *error = CompressionHandler::tr("添加文件到压缩包失败: %1").arg(entry.sourcePath);
            return false;
        }
    }
    return true;
}

// libzip reads and compresses everything inside zip_close, entry by entry in index order, and
// reports each entry as an equal share of the whole. This turns that back into the entry being
// written and the weight done so far, so progress follows the data.
struct EntryProgress {
    const QList<PackedEntry> *entries;
    QList<qsizetype> members; // the archive's entries, as positions in *entries
    std::function<void(qsizetype entry, qint64 weightDone)> report;
    QList<qint64> weightBefore{};
};

void trackEntryProgress(zip_t *archive, EntryProgress *progress)
{
    qint64 weight = 0;
    for (const qsizetype member : std::as_const(progress->members)) {
        progress->weightBefore.append(weight);
        weight += entryWeight(progress->entries->at(member));
    }
    zip_register_progress_callback_with_state(
        archive, 0.0001,
        [](zip_t *, double fraction, void *state) {
            auto *progress = static_cast<EntryProgress *>(state);
            const qsizetype count = progress->members.size();
            if (count == 0)
                return;
            const double scaled = std::clamp(fraction, 0.0, 1.0) * double(count);
            const qsizetype position = std::min(count - 1, qsizetype(scaled));
            const double withinEntry = std::min(1.0, scaled - double(position));
            const qsizetype entry = progress->members.at(position);
            const double done = double(progress->weightBefore.at(position)) +
                                withinEntry * double(entryWeight(progress->entries->at(entry)));
            progress->report(entry, qint64(done));
        },
        nullptr, progress);
}

void stopWhen(zip_t *archive, const std::function<bool()> *stopRequested)
{
    zip_register_cancel_callback_with_state(
        archive,
        [](zip_t *, void *state) { return (*static_cast<const std::function<bool()> *>(state))() ? 1 : 0; },
        nullptr, const_cast<std::function<bool()> *>(stopRequested));
}

// A contiguous run of entries compressed into one part archive by one worker.
struct WriteBatch {
    QList<qsizetype> members; // entries with data; folders are written by the final archive alone
    qint64 weight = 0;
};

// Cuts the entries into runs of roughly equal weight, a few per thread so the threads finish close
// together. A single run means one thread does the job and no merge is needed.
QList<WriteBatch> splitIntoBatches(const QList<PackedEntry> &entries, int threads)
{
    qint64 total = 0;
    for (const PackedEntry &entry : entries)
        total += entryWeight(entry);
    const qint64 target = std::max(minBatchWeight, total / (qint64(threads) * batchesPerThread));
    QList<WriteBatch> batches(1);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (batches.last().weight >= target)
            batches.append(WriteBatch());
        if (entries.at(i).kind != EntryKind::Folder)
            batches.last().members.append(i);
        batches.last().weight += entryWeight(entries.at(i));
    }
    return batches;
}

struct ParallelWrite {
    const QList<PackedEntry> &entries;
    const QByteArray &password;
    const QString &partsFolder;
    const std::function<bool()> &cancelled;
    const std::function<void(int percent)> &reportProgress;
    const std::function<void(const QString &name)> &reportEntry;
};

// Compresses the batches into part archives on worker threads, then copies their compressed (and
// encrypted) entries unchanged into the final archive, in entry order, and closes it. On failure
// returns false with the message of the first entry that failed; a cancel leaves the text empty.
bool writeInParallel(zip_t *archive, const QList<WriteBatch> &batches, int threads, const ParallelWrite &job,
                     QString *error)
{
    // Every entry is named in the final archive first, so a clash of names fails before any work.
    QList<zip_uint64_t> finalIndex(job.entries.size());
    for (qsizetype i = 0; i < job.entries.size(); ++i) {
        const PackedEntry &entry = job.entries.at(i);
        zip_source_t *placeholder =
            entry.kind == EntryKind::Folder ? nullptr : zip_source_buffer(archive, nullptr, 0, 0);
        const zip_int64_t index = addEntry(archive, entry, placeholder, QByteArray());
        if (index < 0) {
            *error = CompressionHandler::tr("添加文件到压缩包失败: %1").arg(entry.sourcePath);
            return false;
        }
        finalIndex[i] = zip_uint64_t(index);
    }

    const auto partPath = [&](qsizetype batch) {
        return QFile::encodeName(job.partsFolder + QLatin1Char('/') + QString::number(batch) + ".zip");
    };
    std::vector<std::atomic<qint64>> weightDone(size_t(batches.size()));
    std::atomic<qsizetype> latestEntry{-1};
    std::atomic_bool failed{false};
    QList<QString> errors(batches.size());
    QList<qsizetype> errorEntries(batches.size(), job.entries.size());
    const std::function<bool()> stopRequested = [&] { return failed || job.cancelled(); };

    const auto writePart = [&](qsizetype batch) {
        const QList<qsizetype> &members = batches.at(batch).members;
        const auto fail = [&](qsizetype entry, const QString &message) {
            errorEntries[batch] = entry;
            errors[batch] = message;
            failed = true;
        };
        int errorCode = 0;
        zip_t *opened = zip_open(partPath(batch).constData(), ZIP_CREATE | ZIP_TRUNCATE, &errorCode);
        if (!opened)
            return fail(members.first(), CompressionHandler::tr("创建ZIP压缩包失败: %1").arg(errorCode));
        ZipHandle part(opened, &zip_discard);
        QList<QByteArray> linkTargets;
        qsizetype failedMember = -1;
        QString message;
        if (!addEntriesWithData(part.get(), job.entries, members, job.password, &linkTargets, &failedMember,
                                &message))
            return fail(failedMember, message);
        EntryProgress progress{&job.entries, members, [&](qsizetype entry, qint64 done) {
                                   weightDone[size_t(batch)] = done;
                                   latestEntry = entry;
                               }};
        trackEntryProgress(part.get(), &progress);
        stopWhen(part.get(), &stopRequested);
        if (zip_close(part.get()) != 0) {
            if (!stopRequested())
                fail(members.first(), CompressionHandler::tr("关闭ZIP压缩包失败: %1")
                                          .arg(QString::fromUtf8(zip_strerror(part.get()))));
            return;
        }
        part.release();
        weightDone[size_t(batch)] = batches.at(batch).weight;
    };

    qint64 totalWeight = 0;
    QList<qsizetype> order;
    for (qsizetype batch = 0; batch < batches.size(); ++batch) {
        totalWeight += batches.at(batch).weight;
        if (!batches.at(batch).members.isEmpty())
            order.append(batch);
    }
    // Heaviest first: a big file started last would leave the other threads idle at the end.
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return batches.at(a).weight > batches.at(b).weight; });
    qsizetype shownEntry = -1;
    const auto showProgress = [&] {
        qint64 done = 0;
        for (const std::atomic<qint64> &part : weightDone)
            done += part;
        job.reportProgress(int(std::min<qint64>(compressionShare, done * compressionShare / totalWeight)));
        const qsizetype entry = latestEntry;
        if (entry >= 0 && entry != shownEntry) {
            shownEntry = entry;
            job.reportEntry(job.entries.at(entry).name);
        }
    };
    {
        QThreadPool pool;
        pool.setMaxThreadCount(threads);
        for (const qsizetype batch : std::as_const(order))
            pool.start([&writePart, batch] { writePart(batch); });
        while (!pool.waitForDone(pollIntervalMs))
            showProgress();
    }
    showProgress();
    if (job.cancelled())
        return false;
    if (failed) {
        const auto first = std::min_element(errorEntries.cbegin(), errorEntries.cend());
        *error = errors.at(first - errorEntries.cbegin());
        return false;
    }

    std::vector<ZipHandle> parts;
    QList<QByteArray> linkTargets;
    for (qsizetype batch = 0; batch < batches.size(); ++batch) {
        zip_t *part = nullptr;
        if (!batches.at(batch).members.isEmpty()) {
            int errorCode = 0;
            part = zip_open(partPath(batch).constData(), ZIP_RDONLY, &errorCode);
            if (!part) {
                *error = CompressionHandler::tr("关闭ZIP压缩包失败: %1").arg(errorCode);
                return false;
            }
        }
        parts.emplace_back(part, &zip_discard);
        const QList<qsizetype> &members = batches.at(batch).members;
        for (qsizetype position = 0; position < members.size(); ++position) {
            const zip_uint64_t target = finalIndex.at(members.at(position));
            zip_stat_t stat;
            zip_stat_init(&stat);
            const bool statted = zip_stat_index(part, zip_uint64_t(position), 0, &stat) == 0;
            const bool encrypted =
                statted && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
            bool copied = false;
            if (encrypted && !(stat.valid & ZIP_STAT_CRC)) {
                // libzip copies an encrypted entry only with its checksum, which AES leaves out
                // of very small entries; those few are encrypted again from their source.
                const PackedEntry &entry = job.entries.at(members.at(position));
                zip_source_t *source = createSource(archive, entry, &linkTargets);
                if (!source) {
                    *error = CompressionHandler::tr("为文件创建源失败: %1").arg(entry.sourcePath);
                    return false;
                }
                copied = zip_file_replace(archive, target, source, 0) == 0;
                if (!copied)
                    zip_source_free(source);
                if (copied)
                    copied = zip_set_file_compression(archive, target, ZIP_CM_DEFLATE, deflateLevel) == 0 &&
                             zip_file_set_encryption(archive, target, ZIP_EM_AES_256,
                                                     job.password.constData()) == 0;
            } else if (statted) {
                // The whole entry as stored: neither decrypted nor inflated, so it is copied as is.
                zip_source_t *source = zip_source_zip(archive, part, zip_uint64_t(position),
                                                      encrypted ? ZIP_FL_ENCRYPTED : 0, 0, -1);
                copied = source && zip_file_replace(archive, target, source, 0) == 0;
                if (source && !copied)
                    zip_source_free(source);
                if (copied)
                    copied = zip_set_file_compression(archive, target, zip_int32_t(stat.comp_method), 0) == 0;
                if (copied && encrypted)
                    copied = zip_file_set_encryption(archive, target, stat.encryption_method, nullptr) == 0;
            }
            if (!copied) {
                *error = CompressionHandler::tr("关闭ZIP压缩包失败: %1")
                             .arg(QString::fromUtf8(zip_strerror(archive)));
                return false;
            }
        }
    }

    zip_register_progress_callback_with_state(
        archive, 0.001,
        [](zip_t *, double fraction, void *state) {
            const auto *report = static_cast<const std::function<void(int)> *>(state);
            (*report)(compressionShare + int(std::clamp(fraction, 0.0, 1.0) * (99 - compressionShare)));
        },
        nullptr, const_cast<std::function<void(int)> *>(&job.reportProgress));
    stopWhen(archive, &job.cancelled);
    if (zip_close(archive) != 0) {
        if (!job.cancelled())
            *error =
                CompressionHandler::tr("关闭ZIP压缩包失败: %1").arg(QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    return true;
}

} // namespace

bool CompressionHandler::createZipArchive(const QStringList &files, const QString &archivePath,
                                          const QString &password)
{
    int errorCode = 0;
    zip_t *opened =
        zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &errorCode);
    if (!opened) {
        lastErrorText = tr("创建ZIP压缩包失败: %1").arg(errorCode);
        return false;
    }
    // Until zip_close succeeds nothing reaches the disk: every early return discards the archive and
    // leaves a file already at archivePath as it was.
    ZipHandle archive(opened, &zip_discard);

    const QString ownPath = QFileInfo(archivePath).absoluteFilePath();
    QList<PackedEntry> entries;
    for (const QString &path : files) {
        const QFileInfo info(QDir::cleanPath(path));
        if (!info.isSymLink() && !info.isFile() && !info.isDir()) {
            lastErrorText = tr("为文件创建源失败: %1").arg(path);
            return false;
        }
        QString unreadable;
        if (!collectEntries(info, info.fileName(), ownPath, &entries, &unreadable)) {
            lastErrorText = tr("为文件创建源失败: %1").arg(unreadable);
            return false;
        }
        if (isCancelled())
            return failCancelled();
    }
    const QByteArray passwordBytes = password.toUtf8();

    const int threads = QThread::idealThreadCount();
    const QList<WriteBatch> batches = splitIntoBatches(entries, threads);
    if (threads > 1 && batches.size() > 1) {
        // The parts live next to the archive: same disk, and no size limit of a memory-backed /tmp.
        const QFileInfo target(ownPath);
        QTemporaryDir partsFolder(target.absolutePath() + QLatin1String("/.") + target.fileName() +
                                  QLatin1String("-XXXXXX"));
        if (partsFolder.isValid()) {
            const std::function<bool()> cancelled = [this] { return isCancelled(); };
            const std::function<void(int)> progress = [this](int percent) { reportProgress(percent); };
            const std::function<void(const QString &)> entry = [this](const QString &name) {
                emit currentFileChanged(name);
            };
            QString error;
            if (!writeInParallel(archive.get(), batches, threads,
                                 {entries, passwordBytes, partsFolder.path(), cancelled, progress, entry},
                                 &error)) {
                if (isCancelled())
                    return failCancelled();
                lastErrorText = error;
                return false;
            }
            archive.release(); // a successful zip_close has freed the handle
            reportProgress(100);
            return true;
        }
    }

    QList<qsizetype> members(entries.size());
    std::iota(members.begin(), members.end(), 0);
    QList<QByteArray> linkTargets;
    qsizetype failedMember = -1;
    if (!addEntriesWithData(archive.get(), entries, members, passwordBytes, &linkTargets, &failedMember,
                            &lastErrorText))
        return false;
    if (isCancelled())
        return failCancelled();

    qint64 totalWeight = 0;
    for (const PackedEntry &entry : std::as_const(entries))
        totalWeight += entryWeight(entry);
    qsizetype currentEntry = -1;
    EntryProgress progress{&entries, members, [&](qsizetype entry, qint64 done) {
                               if (entry != currentEntry) {
                                   currentEntry = entry;
                                   emit currentFileChanged(entries.at(entry).name);
                               }
                               reportProgress(std::min(99, int(done * 100 / totalWeight)));
                           }};
    trackEntryProgress(archive.get(), &progress);
    const std::function<bool()> cancelled = [this] { return isCancelled(); };
    stopWhen(archive.get(), &cancelled);

    if (zip_close(archive.get()) != 0) {
        if (isCancelled())
            return failCancelled();
        lastErrorText = tr("关闭ZIP压缩包失败: %1").arg(QString::fromUtf8(zip_strerror(archive.get())));
        return false;
    }
    archive.release(); // a successful zip_close has freed the handle
    reportProgress(100);
    return true;
}

bool CompressionHandler::extractZipArchive(const QString &archivePath, const QString &destinationPath,
                                           const QString &password)
{
    int errorCode = 0;
    const QByteArray encodedArchivePath = QFile::encodeName(archivePath);
    zip_t *opened = zip_open(encodedArchivePath.constData(), ZIP_RDONLY, &errorCode);
    if (!opened) {
        lastErrorText = tr("打开ZIP压缩包失败: %1").arg(errorCode);
        return false;
    }
    ZipHandle archive(opened, &zip_discard);
    const QByteArray passwordBytes = password.toUtf8();
    if (!password.isEmpty())
        zip_set_default_password(archive.get(), passwordBytes.constData());
    const QString destination = QDir::cleanPath(destinationPath);
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);

    // Every name is checked before anything is written, so a hostile archive leaves no trace.
    QList<ExtractedEntry> entries;
    QSet<QString> linkPaths;
    double totalWeight = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = zip_uint64_t(i);
        const char *rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_RAW);
        if (!rawName) {
            lastErrorText = tr("从压缩包获取文件名失败");
            return false;
        }
        const QByteArray raw(rawName);
        // libzip returns the stored bytes unchanged under strict decoding only when the entry is
        // flagged as UTF-8 (or carries a valid Unicode path field); otherwise it converts from CP437.
        const char *strictName = zip_get_name(archive.get(), index, ZIP_FL_ENC_STRICT);
        const bool markedUtf8 = strictName && raw == strictName;

        ExtractedEntry entry{index, ArchiveEntryName::decode(raw, markedUtf8), {}, EntryKind::File, 0, -1, 0,
                             {}};
        entry.outputPath = ArchiveEntryName::outputPath(destination, entry.name);

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(archive.get(), index, 0, &system, &attributes);
        const zip_uint32_t unixMode = system == ZIP_OPSYS_UNIX ? attributes >> 16 : 0;
        entry.permissions = unixMode & permissionBits;
        if (entry.name.endsWith(QLatin1Char('/')) || entry.name.endsWith(QLatin1Char('\\')))
            entry.kind = EntryKind::Folder;
        else if ((unixMode & unixTypeMask) == unixSymbolicLink)
            entry.kind = EntryKind::Link;

        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), index, 0, &stat) == 0) {
            if (stat.valid & ZIP_STAT_MTIME)
                entry.modified = qint64(stat.mtime);
            if (stat.valid & ZIP_STAT_SIZE)
                entry.size = qint64(std::min(stat.size, maxDeclaredSize));
        }
        // Refused here, before anything is written (libzip 1.7 also leaks what it built when
        // asked to open such an entry).
        if (entry.kind != EntryKind::Folder && (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
            !zip_encryption_method_supported(stat.encryption_method, 0)) {
            lastErrorText = tr("打开压缩包中的文件失败: %1").arg(entry.name);
            return false;
        }

        const bool namesAFile = entry.kind != EntryKind::Folder;
        bool safe = !entry.outputPath.isEmpty() && !(namesAFile && entry.outputPath == destination);
        if (safe && entry.kind == EntryKind::Link) {
            if (entry.size > maxLinkTargetSize) {
                safe = false;
            } else {
                zip_file_t *file = zip_fopen_index(archive.get(), index, 0);
                if (!file) {
                    lastErrorText = tr("打开压缩包中的文件失败: %1").arg(entry.name);
                    return false;
                }
                entry.linkTarget.resize(entry.size);
                const zip_int64_t read = zip_fread(file, entry.linkTarget.data(), zip_uint64_t(entry.size));
                if (zip_fclose(file) != 0 || read != entry.size) {
                    lastErrorText = tr("读取压缩包中的文件失败: %1").arg(entry.name);
                    return false;
                }
                safe =
                    ArchiveEntryName::isContainedLinkTarget(entry.name, QFile::decodeName(entry.linkTarget));
                linkPaths.insert(entry.outputPath);
            }
        }
        if (!safe) {
            lastErrorText = tr("压缩包中的路径不安全: %1").arg(entry.name);
            return false;
        }
        if (entry.kind == EntryKind::File)
            totalWeight += double(entry.size + perEntryWeight);
        entries.append(entry);
    }
    // Links are made last; an entry stored beneath one would be written wherever the link points.
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        for (QString parent = QFileInfo(entry.outputPath).path(); parent.size() > destination.size();
             parent = QFileInfo(parent).path()) {
            if (linkPaths.contains(parent)) {
                lastErrorText = tr("压缩包中的路径不安全: %1").arg(entry.name);
                return false;
            }
        }
    }

    if (!QDir().mkpath(destination)) {
        lastErrorText = tr("创建文件失败: %1").arg(destination);
        return false;
    }

    // Workers pull entries in index order from one counter, each through its own libzip handle, so
    // entries start in the order the archive lists them. After a failure, entries listed before
    // the failing one still finish and later ones stop: the outcome is that of a single thread.
    QList<const ExtractedEntry *> work;
    qsizetype fileCount = 0;
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        if (entry.kind != EntryKind::Link)
            work.append(&entry);
        if (entry.kind == EntryKind::File)
            ++fileCount;
    }
    const int threads =
        int(std::clamp<qint64>(std::min<qint64>(qint64(totalWeight) / extractionWeightPerThread, fileCount),
                               1, QThread::idealThreadCount()));
    constexpr qsizetype noFailure = std::numeric_limits<qsizetype>::max();
    std::atomic<qsizetype> nextPosition{0};
    std::atomic<qsizetype> failedPosition{noFailure};
    std::atomic<qint64> weightDone{0};
    QList<QString> errors(threads);
    QList<qsizetype> errorPositions(threads, noFailure);

    qsizetype namedCount = 0;
    const auto showProgress = [&] {
        // A failed entry is named like the others; the ones after it never start.
        const qsizetype failed = failedPosition;
        const qsizetype begun =
            std::min({nextPosition.load(), work.size(), failed == noFailure ? failed : failed + 1});
        for (; namedCount < begun; ++namedCount)
            emit currentFileChanged(work.at(namedCount)->name);
        if (totalWeight > 0)
            reportProgress(std::min(99, int(double(weightDone) * 100.0 / totalWeight)));
    };

    enum class Outcome { Done, Failed, Stopped };
    const auto extractFile = [&](zip_t *handle, const ExtractedEntry &entry, qsizetype position,
                                 QByteArray &buffer, bool onCallingThread, QString *failure) {
        const auto stopRequested = [&] { return isCancelled() || position > failedPosition; };
        zip_file_t *file = zip_fopen_index(handle, entry.index, 0);
        if (!file) {
            *failure = tr("打开压缩包中的文件失败: %1").arg(entry.name);
            return Outcome::Failed;
        }
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> fileGuard(file, &zip_fclose);
        // Unbuffered, so a full disk shows up at the write that hit it.
        QFile output(entry.outputPath);
        if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            *failure = tr("创建文件失败: %1").arg(entry.outputPath);
            return Outcome::Failed;
        }
        for (;;) {
            if (stopRequested()) {
                output.remove();
                return Outcome::Stopped;
            }
            const zip_int64_t read = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
            if (read == 0)
                break;
            if (read < 0) {
                output.remove();
                *failure = tr("读取压缩包中的文件失败: %1").arg(entry.name);
                return Outcome::Failed;
            }
            if (output.write(buffer.constData(), read) != read) {
                output.remove();
                *failure = tr("写入文件失败: %1").arg(entry.outputPath);
                return Outcome::Failed;
            }
            weightDone += read;
            if (onCallingThread)
                showProgress();
        }
        if (zip_fclose(fileGuard.release()) != 0) {
            output.remove();
            *failure = tr("读取压缩包中的文件失败: %1").arg(entry.name);
            return Outcome::Failed;
        }
        // Through the open file and in UTC: no second path lookup and no time zone work per file.
        if (entry.modified >= 0)
            output.setFileTime(QDateTime::fromSecsSinceEpoch(entry.modified, Qt::UTC),
                               QFileDevice::FileModificationTime);
        if (entry.permissions != 0)
            output.setPermissions(qtPermissions(entry.permissions));
        output.close();
        weightDone += perEntryWeight;
        return Outcome::Done;
    };

    std::atomic_bool stoppedByCancel{false};
    const auto extractEntries = [&](zip_t *handle, int worker, bool onCallingThread) {
        QByteArray buffer(copyBufferSize, Qt::Uninitialized);
        QString knownFolder; // the parent made for the previous file, which is usually the next one's
        for (;;) {
            if (isCancelled()) {
                stoppedByCancel = true;
                return;
            }
            const qsizetype position = nextPosition++;
            if (position >= work.size() || position > failedPosition)
                return;
            const ExtractedEntry &entry = *work.at(position);
            if (onCallingThread)
                showProgress();
            QString failure;
            Outcome outcome = Outcome::Done;
            if (entry.kind == EntryKind::Folder) {
                if (!QDir().mkpath(entry.outputPath)) {
                    failure = tr("创建文件失败: %1").arg(entry.outputPath);
                    outcome = Outcome::Failed;
                }
            } else {
                const QString folder = QFileInfo(entry.outputPath).path();
                if (folder != knownFolder) {
                    QDir().mkpath(folder);
                    knownFolder = folder;
                }
                outcome = extractFile(handle, entry, position, buffer, onCallingThread, &failure);
            }
            if (onCallingThread)
                showProgress();
            if (outcome == Outcome::Stopped) {
                stoppedByCancel = stoppedByCancel || isCancelled();
                return;
            }
            if (outcome == Outcome::Failed) {
                errors[worker] = failure;
                errorPositions[worker] = position;
                qsizetype failed = failedPosition;
                while (position < failed && !failedPosition.compare_exchange_weak(failed, position)) {
                }
                return;
            }
        }
    };

    {
        QThreadPool pool;
        pool.setMaxThreadCount(threads - 1);
        for (int worker = 1; worker < threads; ++worker) {
            pool.start([&, worker] {
                int openError = 0;
                ZipHandle handle(zip_open(encodedArchivePath.constData(), ZIP_RDONLY, &openError),
                                 &zip_discard);
                // Without a handle of its own this worker leaves the entries to the others.
                if (!handle)
                    return;
                if (!password.isEmpty())
                    zip_set_default_password(handle.get(), passwordBytes.constData());
                extractEntries(handle.get(), worker, false);
            });
        }
        extractEntries(archive.get(), 0, true);
        while (!pool.waitForDone(pollIntervalMs))
            showProgress();
    }
    const auto firstError = std::min_element(errorPositions.cbegin(), errorPositions.cend());
    if (*firstError != noFailure) {
        lastErrorText = errors.at(firstError - errorPositions.cbegin());
        return false;
    }
    if (stoppedByCancel)
        return failCancelled();
    showProgress();

#ifdef Q_OS_UNIX
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        if (entry.kind != EntryKind::Link)
            continue;
        if (isCancelled())
            return failCancelled();
        emit currentFileChanged(entry.name);
        const QByteArray linkPath = QFile::encodeName(entry.outputPath);
        // Like a file, a link replaces what stands at its path, but never a real folder.
        const QFileInfo existing(entry.outputPath);
        if (existing.isSymLink() || existing.isFile())
            QFile::remove(entry.outputPath);
        if (::symlink(entry.linkTarget.constData(), linkPath.constData()) != 0) {
            lastErrorText = tr("创建文件失败: %1").arg(entry.outputPath);
            return false;
        }
    }
#endif

    // Folder times and modes last: writing into a folder changes its time, and a read-only folder
    // would refuse its content. Deeper folders first, so setting a child's time leaves the parent's.
    QList<const ExtractedEntry *> folders;
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        if (entry.kind == EntryKind::Folder)
            folders.append(&entry);
    }
    std::stable_sort(folders.begin(), folders.end(), [](const ExtractedEntry *a, const ExtractedEntry *b) {
        return a->outputPath.size() > b->outputPath.size();
    });
    for (const ExtractedEntry *folder : std::as_const(folders)) {
        // An entry such as "./" names the destination itself, which belongs to the user: its mode
        // and time are not the archive's to set.
        if (folder->outputPath == destination)
            continue;
#ifdef Q_OS_UNIX
        if (folder->modified >= 0) {
            const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(folder->modified), 0}};
            ::utimensat(AT_FDCWD, QFile::encodeName(folder->outputPath).constData(), times, 0);
        }
#endif
        if (folder->permissions != 0)
            QFile::setPermissions(folder->outputPath, qtPermissions(folder->permissions));
    }

    if (!entries.isEmpty())
        reportProgress(100);
    return true;
}
