#pragma once

#include "archiveformat.h"

#include <QMetaType>
#include <QString>

// How an operation ended. Each code is one situation; resultmessage.h turns it into the sentence.
enum class ResultCode {
    Success,
    Cancelled,
    NoInputs,              // nothing to compress
    UnsupportedFormat,     // detail: the format name or suffix as given
    ArchiveMissing,        // the archive to read does not exist
    NoDestination,         // no folder to extract into
    InputUnreadable,       // path: an input that cannot be read or listed
    DuplicateEntryName,    // path: an input whose name another input already takes
    ArchiveNotCreated,     // path: the archive; detail: the library's or system's reason
    ArchiveNotWritten,     // path: the archive; detail: why its data could not be written
    NotAnArchive,          // path: the archive; detail: why it cannot be read as its format
    EntryNameUnreadable,   // a stored name that cannot be read
    EntryUnreadable,       // entry: cannot be opened (detail says why)
    DamagedEntry,          // entry: data or checksum wrong; detail says how
    UnsupportedMethod,     // entry: compressed with a method no backend here reads; detail: the method
    UnsafeEntry,           // entry: would leave the destination, or is a link leading out of it
    PasswordNeeded,        // entry: encrypted, and no password was given
    WrongPassword,         // entry: the password given does not open it
    UnsupportedEncryption, // entry: encrypted in a way no backend here reads
    EntryNotFound,         // entry: a requested name the archive does not hold
    DestinationExists,     // path: an existing item the policy does not allow to replace
    CreateFailed,          // path: a file or folder that cannot be created; detail: the system's reason
    WriteFailed,           // path; detail
    DiskFull,              // path: where the disk ran out of space
    ReadFailed,            // path: a file that cannot be read; detail
    TemporaryFileFailed,   // a private working file or folder cannot be made
    ToolMissing,           // path: the program, not found
    ToolNotStarted,        // path: the program, found but not started; detail: the system's reason
    ToolFailed,            // path: the program; detail: the head and tail of its standard error
};

// A finished operation: a code, what it concerns and a detail, never a translated text. A plain value.
struct OperationResult {
    ResultCode code = ResultCode::Success;
    // The format the operation worked on, so messages can name it; Unknown before dispatch.
    ArchiveFormat format = ArchiveFormat::Unknown;
    // The entry concerned, as named inside the archive.
    QString entry;
    // The file system path (or, for tool results, the program) concerned.
    QString path;
    // Untranslated detail: libzip's zip_error_strerror text, a tool's standard error, strerror().
    QString detail;

    bool succeeded() const { return code == ResultCode::Success; }
    bool cancelled() const { return code == ResultCode::Cancelled; }

    static OperationResult success() { return {}; }
    static OperationResult failure(ResultCode code, const QString &entry = QString(),
                                   const QString &path = QString(), const QString &detail = QString());
    static OperationResult entryFailure(ResultCode code, const QString &entry,
                                        const QString &detail = QString());
    static OperationResult pathFailure(ResultCode code, const QString &path,
                                       const QString &detail = QString());
    // The failure of a system call on path, from errno: ENOSPC and EDQUOT become DiskFull.
    static OperationResult systemFailure(ResultCode code, const QString &path, int errorNumber);
};

Q_DECLARE_METATYPE(OperationResult)
