#pragma once

#include "archiveentry.h"
#include "operationrequest.h"
#include "operationresult.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class ArchiveJob;
class Interaction;

// The archive engine for callers that want one blocking call per operation. Each call runs one
// ArchiveJob on the calling thread (meant to be a worker thread); signals are emitted on that thread
// at most twenty times a second. Failures return false and leave one translated sentence in
// lastError(). cancel() may be called from any thread and stops the operation that is running.
// Without an interaction, clashes with existing files follow replacePolicy() (Replace by default) and
// an encrypted archive needs its password up front.
class CompressionHandler : public QObject
{
    Q_OBJECT

public:
    explicit CompressionHandler(QObject *parent = nullptr);
    ~CompressionHandler() override;

    bool compressFiles(const QString &format, const QStringList &files, const QString &archivePath,
                       const QString &password);
    bool extractArchive(const QString &archivePath, const QString &destinationPath, const QString &password);
    QString lastError() const;

    // Every entry of the archive once, folders included where the archive only implies them, into
    // *entries (emptied on failure). Writes nothing. Names are decoded as extraction decodes them.
    bool listArchive(const QString &archivePath, const QString &password, QList<ArchiveEntry> *entries);
    // Only the named entries (a folder's name takes in everything below it), each placed relative to
    // the deepest folder holding all of them, with the checks, staging and replace handling of
    // extractArchive. A name the archive does not hold fails with EntryNotFound naming it before
    // anything reaches the destination: ZIP finds out before unpacking, streamed formats and programs
    // once the whole archive has been read, always before the staged entries are placed. An empty
    // list extracts the whole archive.
    bool extractEntries(const QString &archivePath, const QStringList &entryNames,
                        const QString &destinationPath, const QString &password);
    // Reads every entry completely (checksums, decryption) and writes nothing; on failure the result
    // names the first damaged entry.
    bool testArchive(const QString &archivePath, const QString &password);

    // Thread-safe: asks the running operation to stop; it then returns false with "操作已取消".
    void cancel();

    // The same result as a value: the code, the entry and path concerned, and the detail.
    OperationResult lastResult() const;
    void setReplacePolicy(ReplacePolicy policy);
    ReplacePolicy replacePolicy() const;
    // Which legacy code page to try first for archive names that do not say how they are encoded.
    void setLegacyNameLanguage(LegacyNameLanguage language);
    // Who answers the password and replace questions of later calls, on the calling thread; null (the
    // default) for none. Not owned; it must outlive the calls that use it.
    void setInteraction(Interaction *interaction);

    // Call once at process start, before any thread runs: glibc would otherwise hand zlib's
    // per-entry state back to the kernel after every ZIP entry, costing seconds of page faults
    // over thousands of small files. Does nothing on other platforms.
    static void tuneAllocatorForArchiveWork();
    // Call once at process start, before any thread runs: without TZ, glibc looks at
    // /etc/localtime again for every time it converts, and libzip converts the time of every entry
    // of an archive it opens (100,000 file system calls for 100,000 entries). Naming the same zone
    // file in TZ lets glibc keep what it read. Does nothing when TZ is set or on other platforms.
    static void pinTimeZoneForArchiveWork();

signals:
    void progressChanged(int value);
    void operationCompleted(bool success);
    void currentFileChanged(QString filename);

private:
    bool run(OperationRequest request, ArchiveEntryList *entries = nullptr);

    QString lastErrorText;
    OperationResult lastOperationResult;
    ReplacePolicy policy = ReplacePolicy::Replace;
    LegacyNameLanguage nameLanguage = LegacyNameLanguage::SimplifiedChinese;
    Interaction *interaction = nullptr;
    mutable QMutex runningMutex;
    ArchiveJob *runningJob = nullptr;
};
