#include "archivejob.h"

#include "archivebackend.h"
#include "archiveformat.h"
#include "extractiontarget.h"

#include <QFileInfo>

#include <memory>

namespace {

bool archiveExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

ArchiveJob::ArchiveJob(const OperationRequest &request, QObject *parent)
    : QObject(parent), operationRequest(request)
{
    qRegisterMetaType<OperationProgress>();
    qRegisterMetaType<OperationResult>();
    qRegisterMetaType<PasswordQuestion>();
    qRegisterMetaType<ReplaceQuestion>();
}

ArchiveJob::~ArchiveJob() = default;

void ArchiveJob::cancel()
{
    cancelRequested = true;
    // Under the mutex, so a question about to wait cannot miss the wake-up.
    const std::lock_guard<std::mutex> locker(mutex);
    answered.notify_all();
}

void ArchiveJob::setInteraction(Interaction *interaction)
{
    externalInteraction = interaction;
}

void ArchiveJob::setAsksThroughSignals(bool enabled)
{
    asksThroughSignals = enabled;
}

void ArchiveJob::answerPassword(const PasswordAnswer &answer)
{
    const std::lock_guard<std::mutex> locker(mutex);
    pendingPassword = answer;
    passwordAnswered = true;
    answered.notify_all();
}

void ArchiveJob::answerReplace(const ReplaceAnswer &answer)
{
    const std::lock_guard<std::mutex> locker(mutex);
    pendingReplace = answer;
    replaceAnswered = true;
    answered.notify_all();
}

OperationResult ArchiveJob::result() const
{
    const std::lock_guard<std::mutex> locker(mutex);
    return finalResult;
}

ArchiveEntryList ArchiveJob::entries() const
{
    const std::lock_guard<std::mutex> locker(mutex);
    return listedEntries;
}

OperationResult ArchiveJob::run()
{
    Interaction *asker = asksThroughSignals ? static_cast<Interaction *>(this) : externalInteraction;
    OperationContext context(operationRequest, cancelRequested, this, asker);
    OperationResult outcome =
        isCancelled() ? OperationResult::failure(ResultCode::Cancelled) : execute(context);
    // A program killed or a read broken off by a cancel fails in its own way; the user asked to stop.
    if (!outcome.succeeded() && isCancelled()) {
        const ArchiveFormat format = outcome.format;
        outcome = OperationResult::failure(ResultCode::Cancelled);
        outcome.format = format;
    }
    context.publishFinal(outcome.succeeded());
    {
        const std::lock_guard<std::mutex> locker(mutex);
        finalResult = outcome;
    }
    emit finished(outcome);
    return outcome;
}

OperationResult ArchiveJob::execute(OperationContext &context)
{
    const OperationRequest &request = operationRequest;
    if (request.kind == OperationKind::Create) {
        if (request.inputs.isEmpty())
            return OperationResult::failure(ResultCode::NoInputs);
        const ArchiveFormat format = FormatRegistry::formatForCreationName(request.formatName);
        if (format == ArchiveFormat::Unknown)
            return OperationResult::failure(ResultCode::UnsupportedFormat, {}, {}, request.formatName);
        OperationResult outcome = createBackend(format)->create(context);
        outcome.format = format;
        return outcome;
    }

    if (!archiveExists(request.archivePath))
        return OperationResult::failure(ResultCode::ArchiveMissing);
    // The name decides the route, never the content.
    const ArchiveFormat format = FormatRegistry::formatForFileName(request.archivePath);
    if (!FormatRegistry::info(format).canExtract)
        return OperationResult::failure(ResultCode::UnsupportedFormat, {}, {},
                                        FormatRegistry::lastSuffix(request.archivePath));
    if (request.kind == OperationKind::Extract && request.destinationPath.isEmpty())
        return OperationResult::failure(ResultCode::NoDestination);

    const std::unique_ptr<ArchiveBackend> backend = createBackend(format);
    OperationResult outcome;
    switch (request.kind) {
    case OperationKind::Extract: {
        ExtractionTarget target(context, request.destinationPath);
        target.setSelection(request.entryNames);
        outcome = target.open();
        if (outcome.succeeded())
            outcome = backend->extract(context, target);
        // Whichever way a backend read the archive, a requested name nothing matched fails here,
        // while everything is still in staging and the destination as it was.
        const QStringList unmatched = target.unmatchedSelection();
        if (outcome.succeeded() && !unmatched.isEmpty())
            outcome = OperationResult::entryFailure(ResultCode::EntryNotFound, unmatched.first());
        if (outcome.succeeded())
            outcome = target.commit();
        break;
    }
    case OperationKind::List: {
        ArchiveEntryList entries;
        outcome = backend->list(context, &entries);
        if (outcome.succeeded()) {
            const std::lock_guard<std::mutex> locker(mutex);
            listedEntries = entries;
        }
        break;
    }
    case OperationKind::Test:
        outcome = backend->test(context);
        break;
    case OperationKind::Create:
        break;
    }
    outcome.format = format;
    return outcome;
}

void ArchiveJob::progressUpdated(const OperationProgress &progress)
{
    emit progressChanged(progress);
}

PasswordAnswer ArchiveJob::askPassword(const PasswordQuestion &question)
{
    {
        const std::lock_guard<std::mutex> locker(mutex);
        passwordAnswered = false;
    }
    emit passwordRequested(question);
    std::unique_lock<std::mutex> locker(mutex);
    // cancel() notifies under the mutex, so the flag it set first is seen here.
    answered.wait(locker, [this] { return passwordAnswered || isCancelled(); });
    if (!passwordAnswered)
        return {};
    return pendingPassword;
}

ReplaceAnswer ArchiveJob::askReplace(const ReplaceQuestion &question)
{
    {
        const std::lock_guard<std::mutex> locker(mutex);
        replaceAnswered = false;
    }
    emit replaceRequested(question);
    std::unique_lock<std::mutex> locker(mutex);
    answered.wait(locker, [this] { return replaceAnswered || isCancelled(); });
    if (!replaceAnswered)
        return {ReplaceChoice::Cancel, false};
    return pendingReplace;
}
