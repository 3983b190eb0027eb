#include "compressionhandler.h"

#include "archivejob.h"
#include "resultmessage.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#ifdef Q_OS_LINUX
#include <malloc.h>
#endif

CompressionHandler::CompressionHandler(QObject *parent) : QObject(parent) {}

CompressionHandler::~CompressionHandler() = default;

QString CompressionHandler::lastError() const
{
    return lastErrorText;
}

OperationResult CompressionHandler::lastResult() const
{
    return lastOperationResult;
}

void CompressionHandler::setReplacePolicy(ReplacePolicy replacePolicy)
{
    policy = replacePolicy;
}

ReplacePolicy CompressionHandler::replacePolicy() const
{
    return policy;
}

void CompressionHandler::setLegacyNameLanguage(LegacyNameLanguage language)
{
    nameLanguage = language;
}

void CompressionHandler::setInteraction(Interaction *answerer)
{
    interaction = answerer;
}

void CompressionHandler::cancel()
{
    QMutexLocker locker(&runningMutex);
    if (runningJob)
        runningJob->cancel();
}

void CompressionHandler::tuneAllocatorForArchiveWork()
{
#ifdef Q_OS_LINUX
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

void CompressionHandler::pinTimeZoneForArchiveWork()
{
#ifdef Q_OS_LINUX
    const QString zoneFile = QStringLiteral("/etc/localtime");
    if (!qEnvironmentVariableIsSet("TZ") && QFileInfo::exists(zoneFile))
        qputenv("TZ", ":" + QFile::encodeName(zoneFile));
#endif
}

bool CompressionHandler::compressFiles(const QString &format, const QStringList &files,
                                       const QString &archivePath, const QString &password)
{
    return run(OperationRequest::create(format, files, archivePath, password));
}

bool CompressionHandler::extractArchive(const QString &archivePath, const QString &destinationPath,
                                        const QString &password)
{
    return run(OperationRequest::extract(archivePath, destinationPath, password));
}

bool CompressionHandler::listArchive(const QString &archivePath, const QString &password,
                                     QList<ArchiveEntry> *entries)
{
    return run(OperationRequest::list(archivePath, password), entries);
}

bool CompressionHandler::extractEntries(const QString &archivePath, const QStringList &entryNames,
                                        const QString &destinationPath, const QString &password)
{
    OperationRequest request = OperationRequest::extract(archivePath, destinationPath, password);
    request.entryNames = entryNames;
    return run(request);
}

bool CompressionHandler::testArchive(const QString &archivePath, const QString &password)
{
    return run(OperationRequest::test(archivePath, password));
}

bool CompressionHandler::run(OperationRequest request, ArchiveEntryList *entries)
{
    request.replacePolicy = policy;
    request.legacyNameLanguage = nameLanguage;
    lastErrorText.clear();

    ArchiveJob job(request);
    job.setInteraction(interaction);
    QString shownEntry;
    int shownPercent = -1;
    // Same thread: the job's throttled updates become the handler's two signals as they come.
    connect(
        &job, &ArchiveJob::progressChanged, this,
        [this, &shownEntry, &shownPercent](const OperationProgress &progress) {
            if (progress.percent != shownPercent) {
                shownPercent = progress.percent;
                emit progressChanged(progress.percent);
            }
            if (!progress.currentEntry.isEmpty() && progress.currentEntry != shownEntry) {
                shownEntry = progress.currentEntry;
                emit currentFileChanged(shownEntry);
            }
        },
        Qt::DirectConnection);
    {
        QMutexLocker locker(&runningMutex);
        runningJob = &job;
    }
    const OperationResult outcome = job.run();
    {
        QMutexLocker locker(&runningMutex);
        runningJob = nullptr;
    }
    lastOperationResult = outcome;
    lastErrorText = ResultMessage::text(outcome);
    if (entries)
        *entries = job.entries();
    return outcome.succeeded();
}
