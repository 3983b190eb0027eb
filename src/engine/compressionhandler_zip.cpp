#include "archiveentryname.h"
#include "compressionhandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zip.h>

#include <algorithm>
#include <memory>

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
    QList<QByteArray> linkTargets; // libzip reads link sources from these buffers during zip_close
    for (const PackedEntry &entry : std::as_const(entries)) {
        const QByteArray name = entry.name.toUtf8();
        zip_int64_t index = -1;
        if (entry.kind == EntryKind::Folder) {
            index = zip_dir_add(archive.get(), name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t *source = nullptr;
            if (entry.kind == EntryKind::File) {
                source =
                    zip_source_file(archive.get(), QFile::encodeName(entry.sourcePath).constData(), 0, 0);
            } else {
                linkTargets.append(linkTarget(entry.sourcePath));
                source = zip_source_buffer(archive.get(), linkTargets.last().constData(),
                                           zip_uint64_t(linkTargets.last().size()), 0);
            }
            if (!source) {
                lastErrorText = tr("为文件创建源失败: %1").arg(entry.sourcePath);
                return false;
            }
            index = zip_file_add(archive.get(), name.constData(), source, ZIP_FL_ENC_UTF_8);
            if (index < 0)
                zip_source_free(source);
        }
        bool added = index >= 0;
        if (added && entry.kind != EntryKind::File && entry.modified >= 0)
            added = zip_file_set_mtime(archive.get(), zip_uint64_t(index), time_t(entry.modified), 0) == 0;
        if (added)
            added = zip_file_set_external_attributes(archive.get(), zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                                     entry.mode << 16) == 0;
        if (added && entry.kind == EntryKind::File)
            added = zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_DEFLATE,
                                             deflateLevel) == 0;
        if (added && entry.kind != EntryKind::Folder && !password.isEmpty())
            added = zip_file_set_encryption(archive.get(), zip_uint64_t(index), ZIP_EM_AES_256,
                                            passwordBytes.constData()) == 0;
        if (!added) {
            lastErrorText = tr("添加文件到压缩包失败: %1").arg(entry.sourcePath);
            return false;
        }
    }
    if (isCancelled())
        return failCancelled();

    // libzip reads and compresses everything inside zip_close, entry by entry in index order, and
    // reports each entry as an equal share of the whole. Reweigh by size so progress follows the data.
    struct WriteProgress {
        CompressionHandler *handler;
        const QList<PackedEntry> *entries;
        QList<qint64> weightBefore;
        qint64 totalWeight = 0;
        qsizetype currentEntry = -1;
    } progress{this, &entries, {}, 0, -1};
    for (const PackedEntry &entry : std::as_const(entries)) {
        progress.weightBefore.append(progress.totalWeight);
        progress.totalWeight += entry.size + perEntryWeight;
    }
    zip_register_progress_callback_with_state(
        archive.get(), 0.0001,
        [](zip_t *, double fraction, void *state) {
            auto *progress = static_cast<WriteProgress *>(state);
            const qsizetype count = progress->entries->size();
            const double scaled = std::clamp(fraction, 0.0, 1.0) * double(count);
            const qsizetype entry = std::min(count - 1, qsizetype(scaled));
            const double withinEntry = std::min(1.0, scaled - double(entry));
            if (entry != progress->currentEntry) {
                progress->currentEntry = entry;
                emit progress->handler->currentFileChanged(progress->entries->at(entry).name);
            }
            const qint64 entryWeight = progress->entries->at(entry).size + perEntryWeight;
            const double done = double(progress->weightBefore.at(entry)) + withinEntry * double(entryWeight);
            progress->handler->reportProgress(
                std::min(99, int(done * 100.0 / double(progress->totalWeight))));
        },
        nullptr, &progress);
    zip_register_cancel_callback_with_state(
        archive.get(),
        [](zip_t *, void *state) { return static_cast<CompressionHandler *>(state)->isCancelled() ? 1 : 0; },
        nullptr, this);

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
    zip_t *opened = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &errorCode);
    if (!opened) {
        lastErrorText = tr("打开ZIP压缩包失败: %1").arg(errorCode);
        return false;
    }
    ZipHandle archive(opened, &zip_discard);
    if (!password.isEmpty())
        zip_set_default_password(archive.get(), password.toUtf8().constData());

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

    QByteArray buffer(copyBufferSize, Qt::Uninitialized);
    qint64 weightDone = 0;
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        if (isCancelled())
            return failCancelled();
        if (entry.kind == EntryKind::Link)
            continue;
        emit currentFileChanged(entry.name);
        if (entry.kind == EntryKind::Folder) {
            if (!QDir().mkpath(entry.outputPath)) {
                lastErrorText = tr("创建文件失败: %1").arg(entry.outputPath);
                return false;
            }
            continue;
        }

        QDir().mkpath(QFileInfo(entry.outputPath).path());
        zip_file_t *file = zip_fopen_index(archive.get(), entry.index, 0);
        if (!file) {
            lastErrorText = tr("打开压缩包中的文件失败: %1").arg(entry.name);
            return false;
        }
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> fileGuard(file, &zip_fclose);
        // Unbuffered, so a full disk shows up at the write that hit it.
        QFile output(entry.outputPath);
        if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            lastErrorText = tr("创建文件失败: %1").arg(entry.outputPath);
            return false;
        }
        for (;;) {
            if (isCancelled()) {
                output.remove();
                return failCancelled();
            }
            const zip_int64_t read = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
            if (read == 0)
                break;
            if (read < 0) {
                output.remove();
                lastErrorText = tr("读取压缩包中的文件失败: %1").arg(entry.name);
                return false;
            }
            if (output.write(buffer.constData(), read) != read) {
                output.remove();
                lastErrorText = tr("写入文件失败: %1").arg(entry.outputPath);
                return false;
            }
            weightDone += read;
            reportProgress(std::min(99, int(double(weightDone) * 100.0 / totalWeight)));
        }
        if (zip_fclose(fileGuard.release()) != 0) {
            output.remove();
            lastErrorText = tr("读取压缩包中的文件失败: %1").arg(entry.name);
            return false;
        }
        if (entry.modified >= 0)
            output.setFileTime(QDateTime::fromSecsSinceEpoch(entry.modified),
                               QFileDevice::FileModificationTime);
        output.close();
        if (entry.permissions != 0)
            output.setPermissions(qtPermissions(entry.permissions));
        weightDone += perEntryWeight;
        reportProgress(std::min(99, int(double(weightDone) * 100.0 / totalWeight)));
    }

#ifdef Q_OS_UNIX
    for (const ExtractedEntry &entry : std::as_const(entries)) {
        if (entry.kind != EntryKind::Link)
            continue;
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
