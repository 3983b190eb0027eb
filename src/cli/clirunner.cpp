#include "clirunner.h"

#include "archiveformat.h"
#include "archivejob.h"
#include "freename.h"
#include "helptext.h"
#include "interruptwatcher.h"
#include "jsonlisting.h"
#include "resultmessage.h"
#include "terminal.h"
#include "terminalinteraction.h"
#include "terminalprogressbar.h"
#include "textlisting.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <memory>
#include <optional>

namespace {

QString absolutePath(const QString &path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

bool exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

LegacyNameLanguage legacyNameLanguageFor(const QString &language)
{
    if (language == QLatin1String("zh_TW"))
        return LegacyNameLanguage::TraditionalChinese;
    if (language == QLatin1String("zh_CN"))
        return LegacyNameLanguage::SimplifiedChinese;
    return LegacyNameLanguage::Western;
}

OperationResult withFormat(ResultCode code, ArchiveFormat format)
{
    OperationResult result = OperationResult::failure(code);
    result.format = format;
    return result;
}

bool interrupted()
{
    return InterruptWatcher::wasInterrupted();
}

} // namespace

CliRunner::CliRunner(const CliArguments &arguments, const QString &language)
    : arguments(arguments), language(language)
{
}

ExitCode CliRunner::run()
{
    // From the start: a Ctrl+C at a password prompt must still give the terminal its echo back.
    InterruptWatcher watcher;
    canAsk = Terminal::isTerminal(Terminal::Stream::Input) && Terminal::isTerminal(Terminal::Stream::Error);

    OperationRequest request;
    std::optional<ExitCode> ended = prepareRequest(&request);
    if (!ended && arguments.passwordFromStdin)
        ended = readPassword(&request);
    if (!ended && request.kind == OperationKind::Create)
        ended = settleExistingArchive(&request);
    if (ended)
        return *ended;
    return report(execute(request, watcher));
}

std::optional<ExitCode> CliRunner::prepareRequest(OperationRequest *request)
{
    request->archivePath = absolutePath(arguments.archivePath);
    request->legacyNameLanguage = legacyNameLanguageFor(language);
    switch (arguments.command) {
    case CliCommand::Add: {
        // The window's rule for a name to save as: a known ending, ".gz" alone making a tar.gz.
        if (!FormatRegistry::canCreate(arguments.archivePath)) {
            const FormatInfo &named =
                FormatRegistry::info(FormatRegistry::formatForFileName(arguments.archivePath));
            const QString why = named.canExtract
                                    ? tr("%1 格式的压缩包只能读取，不能创建")
                                          .arg(FormatRegistry::lastSuffix(arguments.archivePath).toUpper())
                                    : tr("无法从名称看出要创建的格式: %1").arg(arguments.archivePath);
            return usageError(
                why + QLatin1Char('\n') +
                tr("可创建: %1").arg(FormatRegistry::creatablePatterns().join(QLatin1Char(' '))));
        }
        const QString formatName = FormatRegistry::creationNameForFileName(arguments.archivePath);
        if (arguments.passwordFromStdin &&
            !FormatRegistry::info(FormatRegistry::formatForCreationName(formatName)).canHoldPassword)
            return usageError(tr("%1 格式的压缩包不能加密").arg(formatName));
        request->kind = OperationKind::Create;
        request->formatName = formatName;
        for (const QString &path : arguments.paths)
            request->inputs.append(absolutePath(path));
        break;
    }
    case CliCommand::Extract:
        request->kind = OperationKind::Extract;
        request->destinationPath =
            absolutePath(arguments.outputFolder.isEmpty() ? QStringLiteral(".") : arguments.outputFolder);
        request->entryNames = arguments.paths;
        switch (arguments.overwrite) {
        case OverwriteMode::Ask:
            askingImpossible = !canAsk;
            request->replacePolicy = canAsk ? ReplacePolicy::Ask : ReplacePolicy::Refuse;
            break;
        case OverwriteMode::Replace:
            request->replacePolicy = ReplacePolicy::Replace;
            break;
        case OverwriteMode::Skip:
            request->replacePolicy = ReplacePolicy::Skip;
            break;
        case OverwriteMode::Rename:
            request->replacePolicy = ReplacePolicy::KeepBoth;
            break;
        }
        break;
    case CliCommand::List:
        request->kind = OperationKind::List;
        break;
    case CliCommand::Test:
        request->kind = OperationKind::Test;
        break;
    }
    return std::nullopt;
}

std::optional<ExitCode> CliRunner::readPassword(OperationRequest *request)
{
    const bool typed = Terminal::isTerminal(Terminal::Stream::Input);
    const auto ask = [typed](const QString &prompt, QString *password) {
        return Terminal::readLine(typed ? prompt : QString(), password, typed, interrupted);
    };
    QString password;
    const Terminal::ReadStatus status = ask(tr("密码: "), &password);
    if (status == Terminal::ReadStatus::Cancelled)
        return report(OperationResult::failure(ResultCode::Cancelled));
    if (status == Terminal::ReadStatus::EndOfInput) {
        printError(tr("标准输入中没有密码"));
        return ExitCode::PasswordProblem;
    }
    if (request->kind == OperationKind::Create) {
        if (password.isEmpty()) {
            printError(tr("密码为空，未创建压缩包"));
            return ExitCode::PasswordProblem;
        }
        // Nobody sees what was typed, so a typing mistake would lock the new archive for good.
        if (typed) {
            QString repeated;
            const Terminal::ReadStatus again = ask(tr("再次输入密码: "), &repeated);
            if (again == Terminal::ReadStatus::Cancelled)
                return report(OperationResult::failure(ResultCode::Cancelled));
            if (again != Terminal::ReadStatus::Read || repeated != password) {
                printError(tr("两次输入的密码不一致，未创建压缩包"));
                return ExitCode::PasswordProblem;
            }
        }
    }
    request->password = password;
    return std::nullopt;
}

std::optional<ExitCode> CliRunner::settleExistingArchive(OperationRequest *request)
{
    if (!exists(request->archivePath))
        return std::nullopt;
    switch (arguments.overwrite) {
    case OverwriteMode::Replace:
        return std::nullopt;
    case OverwriteMode::Skip:
        printError(tr("压缩包已存在，已跳过: %1").arg(arguments.archivePath));
        return ExitCode::Success;
    case OverwriteMode::Rename:
        request->archivePath = FreeName::next(request->archivePath);
        printError(tr("压缩包已存在，改为写入: %1").arg(QDir::toNativeSeparators(request->archivePath)));
        return std::nullopt;
    case OverwriteMode::Ask:
        break;
    }
    if (!canAsk) {
        askingImpossible = true;
        return report(OperationResult::pathFailure(ResultCode::DestinationExists, request->archivePath));
    }
    TerminalProgressBar noProgress(false);
    TerminalInteraction asker(noProgress, interrupted);
    if (!asker.confirmReplaceArchive(arguments.archivePath))
        return report(OperationResult::failure(ResultCode::Cancelled));
    return std::nullopt;
}

OperationResult CliRunner::execute(const OperationRequest &request, InterruptWatcher &watcher)
{
    ArchiveJob job(request);
    TerminalProgressBar progressBar(Terminal::isTerminal(Terminal::Stream::Error));
    TerminalInteraction interaction(progressBar, [&job] { return job.isCancelled(); });
    if (canAsk)
        job.setInteraction(&interaction);
    // Progress arrives on the worker, where the questions are asked too: drawn there, in order.
    QObject::connect(&job, &ArchiveJob::progressChanged,
                     [&progressBar](const OperationProgress &progress) { progressBar.show(progress); });
    QObject::connect(&watcher, &InterruptWatcher::interrupted, &job, &ArchiveJob::cancel);
    if (interrupted())
        job.cancel();

    OperationResult result;
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        result = job.run();
        progressBar.clear();
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();

    listedEntries = job.entries();
    if (result.cancelled() && interaction.gaveUpOnPassword())
        return withFormat(ResultCode::WrongPassword, result.format);
    // A program of the pipeline may die of the same Ctrl+C before the job hears of it.
    if (!result.succeeded() && interrupted())
        return withFormat(ResultCode::Cancelled, result.format);
    return result;
}

ExitCode CliRunner::report(const OperationResult &result)
{
    if (result.succeeded()) {
        if (arguments.command == CliCommand::List) {
            if (arguments.json)
                Terminal::write(Terminal::Stream::Output,
                                QString::fromUtf8(JsonListing::document(arguments.archivePath, result.format,
                                                                        listedEntries)));
            else
                Terminal::write(Terminal::Stream::Output, TextListing::table(listedEntries));
        } else if (arguments.command == CliCommand::Test) {
            Terminal::write(Terminal::Stream::Output,
                            tr("压缩包完好: %1").arg(arguments.archivePath) + QLatin1Char('\n'));
        }
        return ExitCode::Success;
    }
    printError(QStringLiteral("%1: %2").arg(arguments.archivePath, ResultMessage::text(result)));
    if (result.code == ResultCode::DestinationExists && askingImpossible)
        printError(tr(
            "未询问，因为标准输入或标准错误不是终端；可用 --overwrite=replace、skip 或 rename 选择处理方式"));
    if (result.code == ResultCode::PasswordNeeded && !arguments.passwordFromStdin)
        printError(tr("可用 --password-stdin 从标准输入提供密码"));
    return exitCodeFor(result);
}

ExitCode CliRunner::usageError(const QString &message)
{
    printError(message);
    printError(HelpText::hint());
    return ExitCode::BadUsage;
}

void CliRunner::printError(const QString &message)
{
    Terminal::write(Terminal::Stream::Error, QStringLiteral("kelvane-cli: %1\n").arg(message));
}
