#pragma once

#include "archiveentry.h"
#include "cliarguments.h"
#include "exitcode.h"
#include "operationrequest.h"
#include "operationresult.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class InterruptWatcher;

// Runs one parsed kelvane-cli command: reads the password, settles an existing archive, runs the
// operation on a worker thread while this thread watches for Ctrl+C, and reports the result (a
// listing on standard output, messages on standard error) as an exit code. Create and run it on
// the main thread, with a QCoreApplication.
class CliRunner
{
    Q_DECLARE_TR_FUNCTIONS(CliRunner)

public:
    // language: the interface language ("zh_CN", "zh_TW", "en_US"); it also decides which legacy code
    // page archive names that do not declare theirs are read in.
    CliRunner(const CliArguments &arguments, const QString &language);

    ExitCode run();

private:
    // Each step gives an exit code when the command ends there, nothing when it goes on.
    std::optional<ExitCode> prepareRequest(OperationRequest *request);
    std::optional<ExitCode> readPassword(OperationRequest *request);
    std::optional<ExitCode> settleExistingArchive(OperationRequest *request);
    OperationResult execute(const OperationRequest &request, InterruptWatcher &watcher);
    ExitCode report(const OperationResult &result);
    ExitCode usageError(const QString &message);
    void printError(const QString &message);

    const CliArguments arguments;
    const QString language;
    bool canAsk = false;
    // True when --overwrite=ask had to become a refusal, because nobody can be asked.
    bool askingImpossible = false;
    ArchiveEntryList listedEntries;
};
