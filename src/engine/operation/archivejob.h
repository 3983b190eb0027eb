#pragma once

#include "archiveentry.h"
#include "interaction.h"
#include "operationcontext.h"
#include "operationprogress.h"
#include "operationrequest.h"
#include "operationresult.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <mutex>

// One archive operation, created with its request and its own cancel flag. Create it on the thread
// that shows its questions (the GUI thread), run() it on a worker, keep it alive until run() returns.
//
// cancel() may be called from any thread at any time, also before run() starts: the flag belongs to
// this job from birth. Signals are emitted on run()'s thread; connect them queued to a window.
// Questions: with setInteraction() they are asked there, on run()'s thread; with
// setAsksThroughSignals(true) they are emitted as passwordRequested / replaceRequested and run() waits
// until answerPassword / answerReplace or cancel() is called. With neither, the request's password and
// replace policy decide alone.
class ArchiveJob : public QObject, private ProgressListener, private Interaction
{
    Q_OBJECT

public:
    explicit ArchiveJob(const OperationRequest &request, QObject *parent = nullptr);
    ~ArchiveJob() override;

    const OperationRequest &request() const { return operationRequest; }

    // Runs the whole operation on the calling thread and returns its result; emits finished() first.
    OperationResult run();
    void cancel();
    bool isCancelled() const { return cancelRequested.load(); }

    void setInteraction(Interaction *interaction);
    void setAsksThroughSignals(bool enabled);
    void answerPassword(const PasswordAnswer &answer);
    void answerReplace(const ReplaceAnswer &answer);

    // After run(): the result again, and for a listing its entries.
    OperationResult result() const;
    ArchiveEntryList entries() const;

signals:
    void progressChanged(const OperationProgress &progress);
    void passwordRequested(const PasswordQuestion &question);
    void replaceRequested(const ReplaceQuestion &question);
    void finished(const OperationResult &result);

private:
    OperationResult execute(OperationContext &context);
    void progressUpdated(const OperationProgress &progress) override;
    PasswordAnswer askPassword(const PasswordQuestion &question) override;
    ReplaceAnswer askReplace(const ReplaceQuestion &question) override;

    const OperationRequest operationRequest;
    std::atomic_bool cancelRequested{false};
    Interaction *externalInteraction = nullptr;
    bool asksThroughSignals = false;

    // Standard primitives rather than the toolkit's: a QWaitCondition releases its QMutex inside the
    // uninstrumented toolkit, where ThreadSanitizer cannot see it, and then reports every answer.
    mutable std::mutex mutex;
    std::condition_variable answered;
    bool passwordAnswered = false;
    PasswordAnswer pendingPassword;
    bool replaceAnswered = false;
    ReplaceAnswer pendingReplace;

    OperationResult finalResult;
    ArchiveEntryList listedEntries;
};
