#pragma once

#include "archiveentry.h"
#include "operationprogress.h"
#include "operationrequest.h"
#include "operationresult.h"
#include "userquestions.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class ArchiveJob;
class OperationProgressDialog;
class QDialog;
class QWidget;

// Runs the window's archive operations, one at a time: each is an ArchiveJob of its own on the
// global thread pool, held here until its run() has returned. Shows and feeds the progress dialog,
// asks the job's questions (password, replace) on the GUI thread while the job waits, and passes
// Cancel to the job once. GUI thread only.
class ArchiveOperationRunner : public QObject
{
    Q_OBJECT

public:
    // The toolkit's dialogs (the password prompt) are children of dialogParent; the window's own (the
    // progress dialog, the replace question) of themedParent, which the window's theme reaches.
    ArchiveOperationRunner(QWidget *dialogParent, QWidget *themedParent, QObject *parent = nullptr);
    // Cancels a running operation and waits for it.
    ~ArchiveOperationRunner() override;

    bool isRunning() const { return job != nullptr; }
    // Shows the progress dialog for the next operation; call right before start().
    void showProgressDialog(const QString &title, const QString &headline);
    OperationProgressDialog *progressDialog() const;
    // Starts the operation; false (and nothing done) while another runs. Emits finished() when the
    // job has ended, unless cancelAndWait() took the end.
    bool start(const OperationRequest &request);

    // Runs the operation as start() does and returns once it has ended, serving the event loop
    // meanwhile (questions, Cancel); finished() is not emitted for it. The progress dialog appears only
    // when the operation lasts longer than a moment, so a quick one does not flash it. Nothing while
    // another operation runs. entries receives a listing's entries.
    std::optional<OperationResult> runToEnd(const OperationRequest &request, const QString &title,
                                            const QString &headline, ArchiveEntryList *entries = nullptr);

    // Asks the running job to stop; later calls do nothing until the next operation.
    void cancel();
    // Cancels the running job and returns once it has ended, serving only the event loop's
    // non-input events meanwhile; finished() is not emitted for it.
    void cancelAndWait();

    // Reports of the facade's kind: move the dialog's percentage or entry, keeping the rest.
    void showPercent(int percent);
    void showCurrentEntry(const QString &entry);

    // The password the user gave last to the operation that runs or ended last; empty when none was
    // asked for.
    QString passwordGiven() const { return givenPassword; }

    // The result of the operation that ended last and was not taken yet; taking it clears it.
    std::optional<OperationResult> takeResult();

signals:
    // The job's percentage and entry, as they reach the dialog.
    void percentChanged(int percent);
    void currentEntryChanged(const QString &entry);
    void finished(bool success);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectJob(quint64 run);
    void showJobProgress(const OperationProgress &progress);
    void askPassword(quint64 run, const PasswordQuestion &question);
    void askReplace(quint64 run, const ReplaceQuestion &question);
    // True while run's job waits for an answer (not cancelled, not ended).
    bool waitsForAnswer(quint64 run) const;
    void jobEnded();

    QWidget *dialogParent;
    QWidget *themedParent;
    std::unique_ptr<ArchiveJob> job;
    QFutureWatcher<OperationResult> watcher;
    // Tells apart the reports of one job from those of a job that has ended.
    quint64 runNumber = 0;
    bool cancelRequested = false;
    bool waitingForEnd = false;
    QPointer<OperationProgressDialog> dialog;
    QPointer<QDialog> openQuestion;
    std::optional<OperationResult> unreportedResult;
    // Set while runToEnd() waits: the end is its caller's, not finished()'s.
    bool endTakenByCaller = false;
    ArchiveEntryList endedEntries;
    QString givenPassword;
    QTimer dialogDelay;
};
