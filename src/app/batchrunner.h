#pragma once

#include "exitcode.h"
#include "operationresult.h"
#include "startuparguments.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class ArchiveCommands;
class ArchiveOperationRunner;
class InterruptWatcher;
struct OperationRequest;

// Runs one batch command of the window program without its window: each archive operation in turn
// through ArchiveOperationRunner (its progress dialog, the password and replace questions), the
// dialogs that ask for a missing destination or archive name, and failures in one box at the end
// and on standard error as they happen. A cancel stops the whole command; a failure moves on to the
// next archive. SIGINT and SIGTERM cancel as the Cancel button does, so an interrupted command leaves
// nothing partial. GUI thread.
class BatchRunner
{
    Q_DECLARE_TR_FUNCTIONS(BatchRunner)

public:
    // interfaceLanguage: how legacy names in archives are read first ("zh_CN", "zh_TW", "en_US").
    explicit BatchRunner(const QString &interfaceLanguage);
    ~BatchRunner();
    BatchRunner(const BatchRunner &) = delete;
    BatchRunner &operator=(const BatchRunner &) = delete;

    // Runs a request whose isBatch() is true, serving the event loop until it has ended.
    ExitCode run(const StartupRequest &request);

    // Where --extract-here puts an archive: a new folder beside it, named after it without its
    // format's ending ("photos.tar.gz" -> "photos"), or "photos (2)", "photos (3)", ... when taken.
    static QString extractHereFolder(const QString &archivePath);

private:
    ExitCode extractEach(const QStringList &archives, const QString &destination);
    ExitCode compress(const QString &archivePath, const QStringList &inputs);
    ExitCode testEach(const QStringList &archives);
    // Runs one operation to its end; nothing when it could not start.
    OperationResult execute(const OperationRequest &request, const QString &title, const QString &headline);
    // Notes a failure for the final box and writes it on standard error.
    void noteFailure(const QString &archivePath, const OperationResult &result);
    void noteFailure(const QString &text);
    // Cancels the running operation and closes the question or dialog that waits for the user.
    void interrupt();
    // The code for how the command ended; shows the failures' box first.
    ExitCode finish(bool cancelled);

    // Hidden parents: the toolkit's dialogs under a plain one, the window's own (progress, replace)
    // under one with the window's theme.
    QWidget plainParent;
    QWidget themedParent;
    std::unique_ptr<ArchiveCommands> commands;
    std::unique_ptr<ArchiveOperationRunner> runner;
    std::unique_ptr<InterruptWatcher> interruptWatcher;
    bool interrupted = false;
    QString language;
    QStringList failures;
    bool passwordFailuresOnly = true;
};
