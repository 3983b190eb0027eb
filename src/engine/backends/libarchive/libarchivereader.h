#pragma once

#include "operationresult.h"
#include "rar5encryptionscan.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct archive;
class OperationContext;

// One entry header as libarchive reports it, its name already decoded.
struct LibArchiveEntry {
    enum class Kind { File, Folder, Link, HardLink, Special };

    // Decoded as stored (trailing "/" of folders kept); what the pipeline checks and creates.
    QString name;
    Kind kind = Kind::File;
    // Unpacked size; -1 when the format does not say. A hard link usually carries no data of its own.
    qint64 size = -1;
    // Seconds since the epoch; -1 when not stored.
    qint64 modified = -1;
    quint32 permissions = 0;
    // Link: the target's exact bytes. Hard link: the name of the entry it repeats, decoded.
    QByteArray linkTarget;
    QString hardLinkTarget;
    bool encrypted = false;
};

// One pass over an archive through libarchive: every format it reads except mtree (whose entries
// name files on this computer and would be read from there), every filter. Reports progress as the
// bytes read from the archive file against its size, polls the cancel flag between blocks, and
// turns libarchive's failures into results carrying archive_error_string. Names are read under a
// UTF-8 character type on the calling thread only, so libarchive's conversions never depend on the
// process locale. Use on one thread; one reader per pass.
class LibArchiveReader
{
public:
    using Sink = std::function<OperationResult(const char *data, qint64 size)>;

    explicit LibArchiveReader(OperationContext &context);
    ~LibArchiveReader();
    LibArchiveReader(const LibArchiveReader &) = delete;
    LibArchiveReader &operator=(const LibArchiveReader &) = delete;

    // Opens request().archivePath; passphrase, when not empty, is offered to formats that decrypt.
    OperationResult open(const QByteArray &passphrase = QByteArray());
    // The next header. At the end returns success with *atEnd set. The name decides nothing yet:
    // the pipeline checks it.
    OperationResult next(LibArchiveEntry *entry, bool *atEnd);
    // Streams the current entry's data to sink without copying it, holes of sparse entries as
    // zeros. A failure names the entry: DamagedEntry for wrong data, ReadFailed for the file system,
    // UnsupportedEncryption for encryption libarchive cannot undo, WrongPassword when a passphrase
    // did not open it.
    OperationResult readData(const Sink &sink);
    // Passes over the current entry's data (seeks where the format allows).
    OperationResult skipData();

    // True when the current archive's format can decrypt what it holds with a passphrase.
    bool canDecrypt() const;

private:
    OperationResult headerFailure() const;
    OperationResult dataFailure() const;
    void reportProgress();

    OperationContext &context;
    struct archive *handle = nullptr;
    class ThreadCharacterType;
    std::unique_ptr<ThreadCharacterType> characterType;
    Rar5EncryptionScan rar5Encryption;
    QString currentName;
    bool currentEncrypted = false;
    qint64 currentSize = -1;
    bool passphraseGiven = false;
};
