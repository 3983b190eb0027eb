#include "operationcontext.h"

#include "interaction.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>

namespace {

// At most twenty updates a second: as often as a person can read them.
constexpr qint64 publishIntervalMs = 50;

} // namespace

OperationContext::OperationContext(const OperationRequest &request, const std::atomic_bool &cancelFlag,
                                   ProgressListener *listener, Interaction *interaction)
    : operationRequest(request), cancelFlag(cancelFlag), listener(listener), interaction(interaction),
      operationThread(QThread::currentThread())
{
}

void OperationContext::setTotalBytes(qint64 bytes)
{
    total = std::max<qint64>(0, bytes);
}

void OperationContext::addProcessedBytes(qint64 bytes)
{
    processed += bytes;
}

void OperationContext::setProcessedBytes(qint64 bytes)
{
    processed = bytes;
}

void OperationContext::setPercent(int percent)
{
    int current = reportedPercent;
    const int wanted = std::clamp(percent, 0, 99);
    while (wanted > current && !reportedPercent.compare_exchange_weak(current, wanted)) {
    }
}

void OperationContext::setCurrentEntry(const QString &name)
{
    QMutexLocker locker(&entryMutex);
    currentEntry = name;
}

int OperationContext::percentNow() const
{
    const qint64 all = total;
    int percent = reportedPercent;
    if (all > 0)
        percent = std::max(percent, int(std::min<qint64>(99, processed * 100 / all)));
    return percent;
}

void OperationContext::publish()
{
    if (!listener || QThread::currentThread() != operationThread)
        return;
    if (publishedOnce && sinceLastPublish.elapsed() < publishIntervalMs)
        return;
    OperationProgress progress;
    // Never backwards, also when a backend re-estimates its total.
    progress.percent = std::max(lastPublished.percent, percentNow());
    progress.processedBytes = processed;
    progress.totalBytes = total;
    {
        QMutexLocker locker(&entryMutex);
        progress.currentEntry = currentEntry;
    }
    if (publishedOnce && progress.percent == lastPublished.percent &&
        progress.processedBytes == lastPublished.processedBytes &&
        progress.currentEntry == lastPublished.currentEntry)
        return;
    publishedOnce = true;
    sinceLastPublish.start();
    lastPublished = progress;
    listener->progressUpdated(progress);
}

void OperationContext::publishFinal(bool succeeded)
{
    // A refusal before any work has nothing to report.
    if (!listener || (!succeeded && !publishedOnce))
        return;
    OperationProgress progress = lastPublished;
    progress.processedBytes = processed;
    progress.totalBytes = total;
    {
        QMutexLocker locker(&entryMutex);
        progress.currentEntry = currentEntry;
    }
    progress.percent = succeeded ? 100 : std::max(lastPublished.percent, percentNow());
    if (publishedOnce && progress.percent == lastPublished.percent &&
        progress.processedBytes == lastPublished.processedBytes &&
        progress.currentEntry == lastPublished.currentEntry)
        return;
    publishedOnce = true;
    lastPublished = progress;
    listener->progressUpdated(progress);
}

PasswordAnswer OperationContext::askPassword(const PasswordQuestion &question)
{
    if (!interaction || isCancelled())
        return {};
    return interaction->askPassword(question);
}

ReplaceAnswer OperationContext::resolveReplace(const ReplaceQuestion &question)
{
    const auto allowed = [&question](ReplaceChoice choice) {
        // Replacing must never delete a folder's contents; keeping both is the nearest safe answer.
        return choice == ReplaceChoice::Replace && !question.canReplace ? ReplaceChoice::KeepBoth : choice;
    };
    if (hasRememberedReplace)
        return {allowed(rememberedReplace), true};
    switch (operationRequest.replacePolicy) {
    case ReplacePolicy::Replace:
        return {allowed(ReplaceChoice::Replace), true};
    case ReplacePolicy::Skip:
        return {ReplaceChoice::Skip, true};
    case ReplacePolicy::KeepBoth:
        return {ReplaceChoice::KeepBoth, true};
    case ReplacePolicy::Refuse:
        return {ReplaceChoice::Cancel, false};
    case ReplacePolicy::Ask:
        break;
    }
    if (!interaction)
        return {ReplaceChoice::Cancel, false};
    if (isCancelled())
        return {ReplaceChoice::Cancel, false};
    ReplaceAnswer answer = interaction->askReplace(question);
    if (isCancelled())
        answer.choice = ReplaceChoice::Cancel;
    // Remembered as the user gave it: a later clash that may be replaced is replaced, even when this
    // one (a full folder) only allowed keeping both.
    if (answer.applyToAll && answer.choice != ReplaceChoice::Cancel) {
        hasRememberedReplace = true;
        rememberedReplace = answer.choice;
    }
    answer.choice = allowed(answer.choice);
    return answer;
}

OperationResult OperationContext::replaceDeclined(const QString &existingPath) const
{
    const bool userAnswered = operationRequest.replacePolicy == ReplacePolicy::Ask && interaction;
    if (userAnswered || isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    return OperationResult::pathFailure(ResultCode::DestinationExists, existingPath);
}

OperationResult OperationContext::nextPassword(const QString &entry, bool passwordRefused, QString *password)
{
    const ResultCode failure = passwordRefused ? ResultCode::WrongPassword : ResultCode::PasswordNeeded;
    if (!interaction)
        return OperationResult::entryFailure(failure, entry);
    const PasswordAnswer answer = askPassword({operationRequest.archivePath, entry, passwordRefused});
    if (isCancelled() || !answer.given)
        return OperationResult::failure(ResultCode::Cancelled);
    *password = answer.password;
    return OperationResult::success();
}
