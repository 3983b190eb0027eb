#pragma once

#include "operationresult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class OperationContext;
class StagedFile;

// Metadata an in-process reader restores on an entry.
struct EntryMetadata {
    // Seconds since the epoch; -1 when the archive does not say.
    qint64 modified = -1;
    // Permission bits as stored (only 0777 is ever applied: never set-id or sticky bits); 0 when the
    // archive stores none.
    quint32 permissions = 0;
};

// The one extraction pipeline every backend shares. Entries are written into a private staging
// folder inside the destination; only a complete, checked result is placed into the destination,
// without following links, asking before anything existing is replaced; a failure or cancel at any
// point leaves the destination exactly as it was and removes everything this extraction created.
//
// Use: open(); then either an external program unpacks into stagingPath() and adoptStagedTree()
// checks what it left, or an in-process reader calls createFolder / createFile / addLink and then
// finishStaging(); last, commit(). Names and paths are handled as bytes wherever they touch the file
// system, and every step inside the destination goes through folder descriptors that never follow a
// link (POSIX; on Windows plain paths, and links are not made). Failures are results, never thrown.
//
// Threads: isSelected, createFolder, createFile, addLink and StagedFile may be used from several
// threads at once, for different entries; two entries that land on the same path must not be written
// at the same time (the later one replaces the earlier when written one after the other). Everything
// else on the operation's thread. The context must outlive the target.
//
// Duplicates inside one archive: the later of two files, two links or a file and a link on one path
// wins; a folder and anything else on one path fail with UnsafeEntry naming the later entry.
class ExtractionTarget
{
public:
    ExtractionTarget(OperationContext &context, const QString &destinationPath);
    // Undoes an unfinished commit and removes the staging folder with everything in it (read-only
    // folders, any depth, any names). Without a successful commit it also removes the destination
    // folders open() made (when empty) and gives the destination its modification time back.
    ~ExtractionTarget();
    ExtractionTarget(const ExtractionTarget &) = delete;
    ExtractionTarget &operator=(const ExtractionTarget &) = delete;

    // Creates the destination (with any missing parents) and the private staging folder inside it
    // (".kelvane-extract-XXXXXX", mode 0700). CreateFailed or TemporaryFileFailed with the path and
    // the system's reason when either cannot be made. Calling it again does nothing.
    OperationResult open();
    QString destinationPath() const;

    // Only these archive names (a folder's name takes in everything below it), each placed relative
    // to the deepest folder that holds all of them. Empty: everything, as stored. Set it before any
    // entry is staged.
    void setSelection(const QStringList &entryNames);
    // True when the entry is to be extracted under the selection, and for names checkEntryName
    // refuses (so the reader goes on and createFile reports them). Lets a reader skip the work on
    // other entries; createFolder, createFile and addLink ignore unselected entries anyway (createFile
    // then hands out a file that discards its data).
    bool isSelected(const QString &entryName) const;
    // The selected names that matched no entry passed to isSelected / createFolder / createFile /
    // addLink, or found by adoptStagedTree, so far (for EntryNotFound).
    QStringList unmatchedSelection() const;

    // The path an archive name gets below the destination ("/"-separated, relative, normalised), or
    // UnsafeEntry for names that are absolute, carry a drive letter, climb above the destination, hold
    // a NUL or name the destination itself. Thread-safe, linear in the name's length.
    static OperationResult checkEntryName(const QString &entryName, QString *relativePath);

    // --- External programs ---
    // Where a program unpacks to, with the archive's full names; empty before open() and after a
    // successful commit.
    QString stagingPath() const;
    // Checks what a program left in stagingPath() once it ended, at any depth, by the names' bytes:
    // fails with UnsafeEntry (the entry decoded as the request's language says) on a link whose
    // target leads out of the destination, removes device nodes, FIFOs and sockets, and clears set-id
    // and sticky bits. With a selection only the selected part is kept, its common folder stripped.
    // Cancelled when the operation is cancelled meanwhile.
    OperationResult adoptStagedTree();

    // --- In-process readers ---
    // entryName is the decoded archive name; each is checked as checkEntryName does before anything
    // is written. Parents are made as needed and never through a link. A folder's time and mode are
    // applied by finishStaging. *file belongs to the caller; CreateFailed or DiskFull with the path.
    OperationResult createFolder(const QString &entryName, const EntryMetadata &metadata);
    OperationResult createFile(const QString &entryName, const EntryMetadata &metadata,
                               std::unique_ptr<StagedFile> *file);
    // The target exactly as stored (a NUL or an escaping target is refused as UnsafeEntry). Links
    // are made in finishStaging, after every file, so nothing is ever written through one.
    OperationResult addLink(const QString &entryName, const QByteArray &target);
    // After every createFolder / createFile / addLink returned: checks every link against the final
    // tree (the archive's links and what the destination holds; UnsafeEntry naming the first that
    // leads out), makes them, then applies folder times and modes, deepest first.
    OperationResult finishStaging();

    // --- Both ---
    // Throws away everything staged so far (files, folders, links and folder metadata noted, what a
    // program left, the selection's matches), so another reader can start afresh in the same
    // staging: for an archive one backend began and another reads. The destination is untouched.
    // Only between open() and commit(); TemporaryFileFailed when the staging cannot be emptied.
    OperationResult discardStaged();
    // Moves the staged tree into the destination (running finishStaging first when a reader did
    // not). New items are moved in whole; a folder merges into an existing real folder, which keeps
    // its own time and mode; any other clash goes through OperationContext::resolveReplace (Replace,
    // Skip, KeepBoth as "name (2).ext", Cancel). A failure, Cancel or a cancelled operation undoes
    // every move made so far and gives merged folders their times back. On success the staging
    // folder (with replaced and skipped items) is removed.
    OperationResult commit();

private:
    class Private;
    std::unique_ptr<Private> d;
};

// A file being written into staging. Not thread-safe itself; one thread per file. Destroyed before
// finish(), the partial file is removed as by discard().
class StagedFile
{
public:
    virtual ~StagedFile() = default;
    // Writes all of data; DiskFull when the disk is full, WriteFailed for other errors.
    virtual OperationResult write(const char *data, qint64 size) = 0;
    // Applies the metadata (mode: 0777 bits only) and closes; reports a failed write that the close
    // reveals.
    virtual OperationResult finish() = 0;
    // Removes the partial file.
    virtual void discard() = 0;
};
