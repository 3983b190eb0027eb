#include "libarchivereader.h"

#include "legacynamedecoder.h"
#include "operationcontext.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <locale.h>
#ifdef Q_OS_MACOS
#include <xlocale.h>
#endif
#endif

namespace {

// libarchive reads regular files in blocks of at least this size; larger ones cost fewer calls.
constexpr size_t readBlockSize = 256 * 1024;

// Failures of the file system underneath, as opposed to bytes that make no sense.
bool isSystemError(int code)
{
    switch (code) {
    case EIO:
    case EACCES:
    case EPERM:
    case ENOENT:
    case EISDIR:
    case ENXIO:
    case ENODEV:
        return true;
    default:
        return false;
    }
}

QString errorText(struct archive *handle)
{
    const char *text = archive_error_string(handle);
    return text ? QString::fromUtf8(text) : QString();
}

// UTF-8 when libarchive has or can make it, otherwise the stored bytes decoded as the other readers
// decode legacy names. False when the entry has neither.
bool decodeName(const char *utf8, const char *raw, LegacyNameLanguage language, QString *name)
{
    if (utf8) {
        *name = QString::fromUtf8(utf8);
        return true;
    }
    if (raw) {
        *name = LegacyNameDecoder::decode(QByteArray(raw), {}, language);
        return true;
    }
    return false;
}

} // namespace

// libarchive converts names through the thread's character type (wide strings for UTF-16 names,
// the locale's multibyte form for the rest). A UTF-8 character type for this thread alone, for as
// long as the reader lives, keeps names independent of whatever locale the process runs in.
class LibArchiveReader::ThreadCharacterType
{
public:
    ThreadCharacterType()
    {
#ifdef Q_OS_UNIX
        utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (utf8)
            previous = uselocale(utf8);
#endif
    }
    ~ThreadCharacterType()
    {
#ifdef Q_OS_UNIX
        if (utf8) {
            uselocale(previous);
            freelocale(utf8);
        }
#endif
    }

private:
#ifdef Q_OS_UNIX
    locale_t utf8 = locale_t(nullptr);
    locale_t previous = locale_t(nullptr);
#endif
};

LibArchiveReader::LibArchiveReader(OperationContext &context)
    : context(context), characterType(std::make_unique<ThreadCharacterType>())
{
}

LibArchiveReader::~LibArchiveReader()
{
    if (handle)
        archive_read_free(handle);
}

OperationResult LibArchiveReader::open(const QByteArray &passphrase)
{
    const QString path = context.request().archivePath;
    handle = archive_read_new();
    if (!handle)
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    archive_read_support_filter_all(handle);
    // Every format but mtree, which describes files of this computer instead of holding any.
    archive_read_support_format_7zip(handle);
    archive_read_support_format_ar(handle);
    archive_read_support_format_cab(handle);
    archive_read_support_format_cpio(handle);
    archive_read_support_format_iso9660(handle);
    archive_read_support_format_lha(handle);
    archive_read_support_format_rar(handle);
    archive_read_support_format_rar5(handle);
    archive_read_support_format_tar(handle);
    archive_read_support_format_warc(handle);
    archive_read_support_format_xar(handle);
    archive_read_support_format_zip(handle);
    if (!passphrase.isEmpty()) {
        archive_read_add_passphrase(handle, passphrase.constData());
        passphraseGiven = true;
    }

    context.setTotalBytes(QFileInfo(path).size());
#ifdef Q_OS_WIN
    const int status =
        archive_read_open_filename_w(handle, reinterpret_cast<const wchar_t *>(path.utf16()), readBlockSize);
#else
    const int status = archive_read_open_filename(handle, QFile::encodeName(path).constData(), readBlockSize);
#endif
    if (status == ARCHIVE_OK) {
        rar5Encryption = Rar5EncryptionScan::read(path);
        return OperationResult::success();
    }
    const ResultCode code =
        isSystemError(archive_errno(handle)) ? ResultCode::ReadFailed : ResultCode::NotAnArchive;
    return OperationResult::pathFailure(code, path, errorText(handle));
}

OperationResult LibArchiveReader::next(LibArchiveEntry *entry, bool *atEnd)
{
    *atEnd = false;
    struct archive_entry *header = nullptr;
    const int status = archive_read_next_header(handle, &header);
    reportProgress();
    if (status == ARCHIVE_EOF) {
        *atEnd = true;
        return OperationResult::success();
    }
    // A warning (a name libarchive could not convert, an unknown extension) still gives a usable
    // header; a retry means it skipped damaged bytes, which we do not pass over silently.
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
        if ((header && archive_entry_is_metadata_encrypted(header)) || rar5Encryption.headersEncrypted())
            return OperationResult::pathFailure(ResultCode::UnsupportedEncryption,
                                                context.request().archivePath, errorText(handle));
        return headerFailure();
    }

    const LegacyNameLanguage language = context.request().legacyNameLanguage;
    *entry = LibArchiveEntry();
    if (!decodeName(archive_entry_pathname_utf8(header), archive_entry_pathname(header), language,
                    &entry->name))
        return OperationResult::failure(ResultCode::EntryNameUnreadable, {}, context.request().archivePath,
                                        errorText(handle));
    currentName = entry->name;
    context.setCurrentEntry(entry->name);

    if (archive_entry_hardlink(header) || archive_entry_hardlink_utf8(header)) {
        entry->kind = LibArchiveEntry::Kind::HardLink;
        decodeName(archive_entry_hardlink_utf8(header), archive_entry_hardlink(header), language,
                   &entry->hardLinkTarget);
    } else {
        switch (archive_entry_filetype(header)) {
        case AE_IFREG:
            entry->kind = LibArchiveEntry::Kind::File;
            break;
        case AE_IFDIR:
            entry->kind = LibArchiveEntry::Kind::Folder;
            break;
        case AE_IFLNK: {
            entry->kind = LibArchiveEntry::Kind::Link;
            // The stored bytes as they are; the UTF-8 form only where the archive holds UTF-16.
            const char *target = archive_entry_symlink(header);
            if (!target)
                target = archive_entry_symlink_utf8(header);
            entry->linkTarget = QByteArray(target ? target : "");
            break;
        }
        default:
            entry->kind = LibArchiveEntry::Kind::Special;
            break;
        }
    }
    if (archive_entry_size_is_set(header))
        entry->size = archive_entry_size(header);
    if (archive_entry_mtime_is_set(header))
        entry->modified = archive_entry_mtime(header);
    entry->permissions = archive_entry_perm(header) & 07777;
    const char *storedUtf8 = archive_entry_pathname_utf8(header);
    entry->encrypted = archive_entry_is_data_encrypted(header) ||
                       (storedUtf8 && rar5Encryption.isEncrypted(QByteArray(storedUtf8)));
    currentEncrypted = entry->encrypted;
    currentSize = entry->size;
    return OperationResult::success();
}

OperationResult LibArchiveReader::readData(const Sink &sink)
{
    if (currentEncrypted && !canDecrypt())
        return OperationResult::entryFailure(ResultCode::UnsupportedEncryption, currentName);
    // Holes of sparse entries are written as zeros, a block at a time.
    static const QByteArray zeros(64 * 1024, '\0');
    qint64 written = 0;
    const auto fillTo = [&](qint64 offset) {
        while (written < offset) {
            const qint64 size = std::min<qint64>(offset - written, zeros.size());
            const OperationResult result = sink(zeros.constData(), size);
            if (!result.succeeded())
                return result;
            written += size;
        }
        return OperationResult::success();
    };

    for (;;) {
        const void *block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int status = archive_read_data_block(handle, &block, &size, &offset);
        reportProgress();
        if (status == ARCHIVE_EOF) {
            // Sparse entries name their full size at the end: a trailing hole. Never past the size
            // the header declared.
            const bool trailingHole = offset > written && (currentSize < 0 || offset <= currentSize);
            return trailingHole ? fillTo(offset) : OperationResult::success();
        }
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
            if (currentEncrypted && written == 0)
                return OperationResult::entryFailure(
                    passphraseGiven ? ResultCode::WrongPassword : ResultCode::PasswordNeeded, currentName);
            return dataFailure();
        }
        if (context.isCancelled())
            return OperationResult::failure(ResultCode::Cancelled);
        if (offset > written) {
            const OperationResult filled = fillTo(offset);
            if (!filled.succeeded())
                return filled;
        }
        if (size > 0) {
            const OperationResult result = sink(static_cast<const char *>(block), qint64(size));
            if (!result.succeeded())
                return result;
            written = offset + qint64(size);
        }
    }
}

OperationResult LibArchiveReader::skipData()
{
    const int status = archive_read_data_skip(handle);
    reportProgress();
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
        return dataFailure();
    return context.isCancelled() ? OperationResult::failure(ResultCode::Cancelled)
                                 : OperationResult::success();
}

bool LibArchiveReader::canDecrypt() const
{
    // Of libarchive's readers only ZIP's decrypts (traditional and AES); the others detect
    // encryption and stop there.
    return (archive_format(handle) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

OperationResult LibArchiveReader::headerFailure() const
{
    const QString path = context.request().archivePath;
    if (isSystemError(archive_errno(handle)))
        return OperationResult::pathFailure(ResultCode::ReadFailed, path, errorText(handle));
    return OperationResult::pathFailure(ResultCode::NotAnArchive, path, errorText(handle));
}

OperationResult LibArchiveReader::dataFailure() const
{
    if (isSystemError(archive_errno(handle)))
        return OperationResult::failure(ResultCode::ReadFailed, currentName, context.request().archivePath,
                                        errorText(handle));
    return OperationResult::entryFailure(ResultCode::DamagedEntry, currentName, errorText(handle));
}

void LibArchiveReader::reportProgress()
{
    context.setProcessedBytes(archive_filter_bytes(handle, -1));
    context.publish();
}
