#include "archiveoperationrunner.h"

#include "archivejob.h"
#include "operationprogressdialog.h"
#include "passwordprompt.h"
#include "replacedialog.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

ArchiveOperationRunner::ArchiveOperationRunner(QWidget *dialogParent, QWidget *themedParent, QObject *parent)
    : QObject(parent), dialogParent(dialogParent), themedParent(themedParent)
{
    connect(&watcher, &QFutureWatcher<OperationResult>::finished, this, &ArchiveOperationRunner::jobEnded);
    dialogDelay.setSingleShot(true);
    dialogDelay.setInterval(400);
}

ArchiveOperationRunner::~ArchiveOperationRunner()
{
    cancelAndWait();
}

void ArchiveOperationRunner::showProgressDialog(const QString &title, const QString &headline)
{
    if (dialog)
        dialog->finish();
    dialog = new OperationProgressDialog(title, headline, tr("取消"), themedParent);
    dialog->setWindowModality(Qt::WindowModal);
    // Cancel and Escape ask the job to stop; a close of the dialog is caught by eventFilter.
    connect(dialog, &QProgressDialog::canceled, this, &ArchiveOperationRunner::cancel);
    dialog->installEventFilter(this);
    dialog->show();
}

OperationProgressDialog *ArchiveOperationRunner::progressDialog() const
{
    return dialog;
}

bool ArchiveOperationRunner::start(const OperationRequest &request)
{
    if (job)
        return false;
    ++runNumber;
    cancelRequested = false;
    unreportedResult.reset();
    givenPassword.clear();
    job = std::make_unique<ArchiveJob>(request);
    job->setAsksThroughSignals(true);
    connectJob(runNumber);
    ArchiveJob *running = job.get();
    watcher.setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [running] { return running->run(); }));
    return true;
}

std::optional<OperationResult> ArchiveOperationRunner::runToEnd(const OperationRequest &request,
                                                                const QString &title, const QString &headline,
                                                                ArchiveEntryList *entries)
{
    if (!start(request))
        return std::nullopt;
    endTakenByCaller = true;
    const QMetaObject::Connection showDialog =
        connect(&dialogDelay, &QTimer::timeout, this, [this, title, headline] {
            if (job)
                showProgressDialog(title, headline);
        });
    dialogDelay.start();
    // Connected after jobEnded, so the loop ends once the end has been taken, also when
    // cancelAndWait() takes it from a nested loop.
    QEventLoop loop;
    connect(&watcher, &QFutureWatcher<OperationResult>::finished, &loop, &QEventLoop::quit);
    if (job)
        loop.exec();
    dialogDelay.stop();
    disconnect(showDialog);
    endTakenByCaller = false;
    if (entries)
        *entries = std::exchange(endedEntries, {});
    endedEntries.clear();
    return takeResult();
}

void ArchiveOperationRunner::connectJob(quint64 run)
{
    // The job emits on its pool thread; these are queued to this object. A report that arrives after
    // its job has ended is dropped by its run number; a question after a cancel is not shown.
    connect(job.get(), &ArchiveJob::progressChanged, this, [this, run](const OperationProgress &progress) {
        if (run == runNumber && job)
            showJobProgress(progress);
    });
    connect(job.get(), &ArchiveJob::passwordRequested, this,
            [this, run](const PasswordQuestion &question) { askPassword(run, question); });
    connect(job.get(), &ArchiveJob::replaceRequested, this,
            [this, run](const ReplaceQuestion &question) { askReplace(run, question); });
}

void ArchiveOperationRunner::showJobProgress(const OperationProgress &progress)
{
    if (dialog)
        dialog->showProgress(progress.percent, progress.processedBytes, progress.totalBytes,
                             progress.currentEntry);
    emit percentChanged(progress.percent);
    emit currentEntryChanged(progress.currentEntry);
}

void ArchiveOperationRunner::showPercent(int percent)
{
    if (dialog && dialog->percent() != percent)
        dialog->showProgress(percent, dialog->processedBytes(), dialog->totalBytes(), dialog->currentEntry());
}

void ArchiveOperationRunner::showCurrentEntry(const QString &entry)
{
    if (dialog && dialog->currentEntry() != entry)
        dialog->showProgress(dialog->percent(), dialog->processedBytes(), dialog->totalBytes(), entry);
}

bool ArchiveOperationRunner::waitsForAnswer(quint64 run) const
{
    return run == runNumber && job && !cancelRequested;
}

void ArchiveOperationRunner::askPassword(quint64 run, const PasswordQuestion &question)
{
    // A cancelled job has stopped waiting; it needs no answer.
    if (!waitsForAnswer(run))
        return;
    QPointer<ArchiveOperationRunner> alive(this);
    QPointer<PasswordPrompt> prompt = new PasswordPrompt(question, dialogParent);
    openQuestion = prompt.data();
    prompt->exec();
    // The window may have gone, or the operation been cancelled, while the prompt was up.
    if (!alive)
        return;
    const PasswordAnswer answer = prompt ? prompt->answer() : PasswordAnswer();
    delete prompt;
    if (!waitsForAnswer(run))
        return;
    if (answer.given)
        givenPassword = answer.password;
    job->answerPassword(answer);
}

void ArchiveOperationRunner::askReplace(quint64 run, const ReplaceQuestion &question)
{
    if (!waitsForAnswer(run))
        return;
    QPointer<ArchiveOperationRunner> alive(this);
    // Built here rather than through ReplaceDialog::ask, so a cancel can close it.
    QPointer<ReplaceDialog> replaceDialog = new ReplaceDialog(question, themedParent);
    openQuestion = replaceDialog.data();
    replaceDialog->exec();
    if (!alive)
        return;
    const ReplaceAnswer answer = replaceDialog ? replaceDialog->answer() : ReplaceAnswer();
    delete replaceDialog;
    if (waitsForAnswer(run))
        job->answerReplace(answer);
}

void ArchiveOperationRunner::cancel()
{
    if (!job || cancelRequested)
        return;
    cancelRequested = true;
    job->cancel();
    if (dialog)
        dialog->showCancelling(tr("正在取消..."));
    // The job has stopped waiting for the question's answer.
    if (openQuestion)
        openQuestion->reject();
}

void ArchiveOperationRunner::cancelAndWait()
{
    if (!job)
        return;
    waitingForEnd = true;
    cancel();
    if (!watcher.isFinished()) {
        QEventLoop loop;
        connect(&watcher, &QFutureWatcher<OperationResult>::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The watcher's own report may still be queued; the end is taken here.
    if (job)
        jobEnded();
    waitingForEnd = false;
}

void ArchiveOperationRunner::jobEnded()
{
    if (!job)
        return;
    const OperationResult result = watcher.future().resultCount() > 0 ? watcher.result() : job->result();
    if (endTakenByCaller)
        endedEntries = job->entries();
    job.reset();
    if (dialog)
        dialog->finish();
    if (openQuestion)
        openQuestion->reject();
    if (waitingForEnd)
        return;
    unreportedResult = result;
    if (!endTakenByCaller)
        emit finished(result.succeeded());
}

std::optional<OperationResult> ArchiveOperationRunner::takeResult()
{
    std::optional<OperationResult> result;
    result.swap(unreportedResult);
    return result;
}

bool ArchiveOperationRunner::eventFilter(QObject *watched, QEvent *event)
{
    // The progress dialog stays until the job ends. Closing it from the window system means cancel;
    // a close sent by the application quitting (which closes modal dialogs first) is a close of the
    // window, which asks before it cancels.
    if (event->type() == QEvent::Close && job && watched == dialog) {
        event->ignore();
        if (event->spontaneous())
            cancel();
        else if (QWidget *window = dialogParent->window())
            window->close();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
