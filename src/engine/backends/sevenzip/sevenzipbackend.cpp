#include "sevenzipbackend.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "sevenzipcommands.h"
#include "sevenzipdiagnosis.h"
#include "sevenziplisting.h"
#include "sevenzipnameresolver.h"
#include "sevenziprun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QString sevenZipProgram = QStringLiteral("7z");

// A failure 7z explains better than its standard error alone, or the runner's own result.
OperationResult explained(const OperationResult &outcome, const OperationResult &diagnosis)
{
    return outcome.code == ResultCode::ToolFailed && !diagnosis.succeeded() ? diagnosis : outcome;
}

bool passwordRefused(const OperationResult &diagnosis)
{
    return diagnosis.code == ResultCode::PasswordNeeded || diagnosis.code == ResultCode::WrongPassword;
}

// Bytes below an input as 7z will read them: links are stored as links and not followed.
qint64 inputBytes(const QString &path)
{
    const QFileInfo root(path);
    if (root.isSymLink() || !root.isDir())
        return root.isSymLink() ? 0 : root.size();
    qint64 bytes = 0;
    QDirIterator entries(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        if (!entries.fileInfo().isSymLink())
            bytes += entries.fileInfo().size();
    }
    return bytes;
}

// Replaces an existing file in one step, so the target is either the old archive or the new one.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// Everything a refused attempt left in a folder, the folder itself kept. Links are removed, never
// followed.
void emptyFolder(const QString &folder)
{
    const QDir dir(folder);
    for (const QFileInfo &item :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (item.isDir() && !item.isSymLink())
            QDir(item.filePath()).removeRecursively();
        else
            QFile::remove(item.filePath());
    }
}

} // namespace

OperationResult SevenZipBackend::create(OperationContext &context)
{
    const OperationRequest &request = context.request();
    const QString duplicate = SevenZipCommands::firstDuplicateName(request.inputs);
    if (!duplicate.isEmpty())
        return OperationResult::pathFailure(ResultCode::DuplicateEntryName, duplicate);

    // Written in a private folder beside the target, on the same file system, and renamed over it
    // once complete: 7z would add to an archive found at the target, and a failure or a cancel must
    // leave an existing file as it was.
    QTemporaryDir work(QFileInfo(request.archivePath).absolutePath() + QLatin1String("/.kelvane-XXXXXX"));
    if (!work.isValid())
        return OperationResult::failure(ResultCode::TemporaryFileFailed);
    const QString partialArchive = work.filePath(QStringLiteral("archive.7z"));
    const QString workName = QFileInfo(work.path()).fileName();
    const bool withPassword = !request.password.isEmpty();

    qsizetype fixedCost = SevenZipCommands::argumentCost(sevenZipProgram);
    for (const QString &argument :
         SevenZipCommands::createArguments(partialArchive, QStringList(), workName, withPassword))
        fixedCost += SevenZipCommands::argumentCost(argument);
    const QList<SevenZipCommands::CreateBatch> batches =
        SevenZipCommands::createBatches(request.inputs, SevenZipCommands::commandLineBudget(), fixedCost);

    // Each run's share of the progress: its bytes of the whole, when there is more than one run.
    QList<double> shares(batches.size(), 100.0 / double(batches.size()));
    if (batches.size() > 1) {
        QList<qint64> bytes;
        qint64 total = 0;
        for (const SevenZipCommands::CreateBatch &batch : batches) {
            qint64 batchBytes = 1;
            for (const QString &input : batch.inputs)
                batchBytes += inputBytes(input);
            bytes.append(batchBytes);
            total += batchBytes;
        }
        for (qsizetype i = 0; i < batches.size(); ++i)
            shares[i] = 100.0 * double(bytes.at(i)) / double(total);
    }

    // 7z names what it works on only once it runs long enough to print progress.
    context.setCurrentEntry(request.inputs.first());
    context.publish();
    double start = 0;
    for (qsizetype i = 0; i < batches.size(); ++i) {
        const SevenZipCommands::CreateBatch &batch = batches.at(i);
        SevenZipRun run(context);
        run.setWorkingDirectory(batch.workingDirectory);
        run.setProgressShare(start, shares.at(i));
        // A run adding to an archive whose names are encrypted asks once to open it and once more.
        if (withPassword)
            run.setInput(SevenZipCommands::passwordInput(request.password, i == 0 ? 1 : 2));
        const OperationResult outcome =
            run.run(SevenZipCommands::createArguments(partialArchive, batch.names, workName, withPassword));
        if (!outcome.succeeded())
            return explained(outcome, SevenZipDiagnosis::creation(run.errors(), batch.workingDirectory,
                                                                  request.archivePath));
        start += shares.at(i);
    }

    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    if (!replaceFile(partialArchive, request.archivePath))
        return OperationResult::systemFailure(ResultCode::CreateFailed, request.archivePath, errno);
    return OperationResult::success();
}

OperationResult SevenZipBackend::readWithPassword(OperationContext &context, SevenZipRun &run,
                                                  const std::function<QStringList(bool)> &arguments,
                                                  const QString &outputFolder, const QString &destination,
                                                  const std::function<void()> &beforeRetry)
{
    const QString archivePath = context.request().archivePath;
    currentPassword = context.request().password;
    for (;;) {
        const bool withPassword = !currentPassword.isEmpty();
        // 7z reads the line only when the archive is encrypted.
        run.setInput(withPassword ? SevenZipCommands::passwordInput(currentPassword, 1) : QByteArray());
        const OperationResult outcome = run.run(arguments(withPassword));
        if (outcome.succeeded())
            return outcome;
        const OperationResult diagnosis =
            SevenZipDiagnosis::reading(run.errors(), withPassword, archivePath, outputFolder, destination);
        if (outcome.code != ResultCode::ToolFailed || !passwordRefused(diagnosis))
            return explained(outcome, diagnosis);
        const OperationResult next = context.nextPassword(diagnosis.entry, withPassword, &currentPassword);
        if (!next.succeeded())
            return next;
        if (beforeRetry)
            beforeRetry();
    }
}

OperationResult SevenZipBackend::extract(OperationContext &context, ExtractionTarget &target)
{
    const QString archivePath = context.request().archivePath;
    const QString staging = target.stagingPath();
    // 7z unpacks only the selected entries when their names fit on its command line; otherwise all,
    // and the target keeps the selected part.
    QStringList names = context.request().entryNames;
    qsizetype cost = SevenZipCommands::argumentCost(sevenZipProgram);
    for (const QString &argument :
         SevenZipCommands::extractArguments(archivePath, staging, false, names, archiveType))
        cost += SevenZipCommands::argumentCost(argument);
    if (cost > SevenZipCommands::commandLineBudget())
        names.clear();

    SevenZipRun run(context);
    OperationResult outcome = readWithPassword(
        context, run,
        [&](bool withPassword) {
            return SevenZipCommands::extractArguments(archivePath, staging, withPassword, names, archiveType);
        },
        staging, target.destinationPath(), [&staging] { emptyFolder(staging); });
    if (outcome.succeeded())
        outcome = target.adoptStagedTree();
    if (!outcome.succeeded())
        return outcome;
    const QStringList unmatched = target.unmatchedSelection();
    if (!unmatched.isEmpty())
        return OperationResult::entryFailure(ResultCode::EntryNotFound, unmatched.first());
    return outcome;
}

OperationResult SevenZipBackend::list(OperationContext &context, ArchiveEntryList *entries)
{
    const QString archivePath = context.request().archivePath;
    SevenZipRun run(context);
    run.setKeepsOutput(true);
    OperationResult outcome = readWithPassword(context, run, [&](bool withPassword) {
        return SevenZipCommands::listArguments(archivePath, withPassword, {}, true, archiveType);
    });
    if (!outcome.succeeded())
        return outcome;
    QList<SevenZipListing::Record> records = SevenZipListing::parse(run.output());

    // Further listings of some names, with the password that opened the archive.
    const bool withPassword = !currentPassword.isEmpty();
    qsizetype fixedCost = SevenZipCommands::argumentCost(sevenZipProgram);
    for (const QString &argument :
         SevenZipCommands::listArguments(archivePath, withPassword, {}, true, archiveType))
        fixedCost += SevenZipCommands::argumentCost(argument);
    SevenZipNameResolver resolver(
        [&](const QStringList &names, bool exact, QList<SevenZipListing::Record> *matches) {
            SevenZipRun query(context);
            query.setKeepsOutput(true);
            if (withPassword)
                query.setInput(SevenZipCommands::passwordInput(currentPassword, 1));
            const OperationResult queried = query.run(
                SevenZipCommands::listArguments(archivePath, withPassword, names, exact, archiveType));
            *matches = SevenZipListing::parse(query.output());
            return queried;
        },
        SevenZipCommands::commandLineBudget() - fixedCost);
    outcome = resolver.resolve(&records);
    if (!outcome.succeeded())
        return outcome;
    *entries = SevenZipListing::entries(records);
    return OperationResult::success();
}

OperationResult SevenZipBackend::test(OperationContext &context)
{
    const QString archivePath = context.request().archivePath;
    SevenZipRun run(context);
    return readWithPassword(context, run, [&](bool withPassword) {
        return SevenZipCommands::testArguments(archivePath, withPassword, archiveType);
    });
}
