#pragma once

#include "operationprogress.h"
#include "operationrequest.h"
#include "operationresult.h"
#include "userquestions.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QString>

#include <atomic>

class Interaction;
class QThread;

// Receives the throttled progress of an operation, on the operation's own thread.
class ProgressListener
{
public:
    virtual ~ProgressListener() = default;
    virtual void progressUpdated(const OperationProgress &progress) = 0;
};

// What every backend of one operation shares: the request, the cancel flag, progress and the current
// entry, and the way to ask the user. Lives on the operation's thread for as long as the operation.
//
// Threads: isCancelled, addProcessedBytes and setCurrentEntry may be called from any thread (worker
// threads of a backend); listeners are told only from the thread that created the context, at most
// every 50 ms, so a backend with workers calls publish() from its own thread while it waits for them.
// Questions are asked only from the operation's thread.
class OperationContext
{
public:
    OperationContext(const OperationRequest &request, const std::atomic_bool &cancelFlag,
                     ProgressListener *listener, Interaction *interaction);

    const OperationRequest &request() const { return operationRequest; }
    bool isCancelled() const { return cancelFlag.load(std::memory_order_relaxed); }

    // Progress by bytes of input: percent = processed / total, capped at 99 until the end.
    void setTotalBytes(qint64 bytes);
    qint64 totalBytes() const { return total.load(); }
    void addProcessedBytes(qint64 bytes);
    qint64 processedBytes() const { return processed.load(); }
    void setProcessedBytes(qint64 bytes);
    // For programs that report a share of their own; progress never goes backwards.
    void setPercent(int percent);
    void setCurrentEntry(const QString &name);
    // Tells the listener when at least 50 ms have passed since it was last told (operation thread only).
    void publish();
    // Tells the listener at once: the last state, with 100 % when the operation succeeded.
    void publishFinal(bool succeeded);

    // True when somebody can answer questions; without, a backend reports PasswordNeeded or
    // WrongPassword and replace questions follow the request's policy (Ask acting as Refuse).
    bool canAsk() const { return interaction != nullptr; }
    // Asks for a password on the operation's thread. Without an Interaction returns an answer that is
    // not given; a backend then fails with PasswordNeeded or WrongPassword, never Cancelled.
    PasswordAnswer askPassword(const PasswordQuestion &question);
    // The answer for one clash under the request's policy and any earlier "apply to all"; asks only
    // when the policy is Ask and an Interaction exists. Replace is never answered when
    // question.canReplace is false (Ask then asks without it; Replace then keeps both).
    ReplaceAnswer resolveReplace(const ReplaceQuestion &question);
    // The result for a clash answered Cancel: Cancelled when the user said so, DestinationExists
    // (naming existingPath) when the policy refused (Refuse, or Ask with nobody to ask).
    OperationResult replaceDeclined(const QString &existingPath) const;

    // The common password loop. Call with the entry that failed and whether the password tried was
    // refused (false: none was given). On success *password holds the next one to try and the result
    // is success; otherwise the result is PasswordNeeded, WrongPassword or Cancelled.
    OperationResult nextPassword(const QString &entry, bool passwordRefused, QString *password);

private:
    int percentNow() const;

    OperationRequest operationRequest;
    const std::atomic_bool &cancelFlag;
    ProgressListener *listener;
    Interaction *interaction;
    QThread *operationThread;

    std::atomic<qint64> total{0};
    std::atomic<qint64> processed{0};
    std::atomic<int> reportedPercent{0};
    mutable QMutex entryMutex;
    QString currentEntry;
    QElapsedTimer sinceLastPublish;
    OperationProgress lastPublished;
    bool publishedOnce = false;

    bool hasRememberedReplace = false;
    ReplaceChoice rememberedReplace = ReplaceChoice::Cancel;
};
