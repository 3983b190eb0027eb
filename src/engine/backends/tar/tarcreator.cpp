#include "tarcreator.h"

#include "archiveformat.h"
#include "operationcontext.h"
#include "tarstreamestimate.h"
#include "tartools.h"
#include "toolcommands.h"
#include "toolpipeline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Replaces an existing file in one step.
bool replaceFile(const QString &from, const QString &to, int *error)
{
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(from).utf16()),
                    reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(to).utf16()),
                    MOVEFILE_REPLACE_EXISTING))
        return true;
    *error = EACCES;
    return false;
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = errno;
    return false;
#endif
}

} // namespace

TarCreator::TarCreator(OperationContext &context) : context(context) {}

OperationResult TarCreator::create()
{
    const OperationRequest &request = context.request();
    const QStringList &inputs = request.inputs;
    const QString &archivePath = request.archivePath;
    const ArchiveFormat format = FormatRegistry::formatForCreationName(request.formatName);

    // Written in a private folder next to the target, on the same file system, and moved over the
    // target only when complete: a failure or a cancel leaves an existing file untouched and nothing
    // half-written behind.
    QTemporaryDir work(QFileInfo(archivePath).absolutePath() + QLatin1String("/.kelvane-XXXXXX"));
    if (!work.isValid())
        return OperationResult::pathFailure(ResultCode::TemporaryFileFailed, archivePath, work.errorString());
    QFile output(work.filePath(QStringLiteral("archive")));
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return OperationResult::pathFailure(ResultCode::ArchiveNotCreated, archivePath, output.errorString());

    TarStreamEstimate estimate(inputs);
    context.setCurrentEntry(inputs.first());
    context.publish();
    bool totalKnown = false;
    const auto takeTotalWhenCounted = [&] {
        if (totalKnown || !estimate.isReady())
            return;
        totalKnown = true;
        context.setTotalBytes(estimate.totalBytes());
    };

    const ToolCommands::TarCreateCommand tarCommand =
        ToolCommands::tarCreateCommand(inputs, QFileInfo(work.path()).fileName());
    ToolPipeline pipeline(context);
    pipeline.setEnvironment(TarTools::environment());
    const int tar =
        pipeline.append({QStringLiteral("tar"), tarCommand.arguments, tarCommand.workingDirectory});
    pipeline.setInputData(tarCommand.standardInput);
    const QString compressor = TarTools::program(FormatRegistry::info(format).compressor);
    if (!compressor.isEmpty())
        pipeline.append({compressor, ToolCommands::compressorArguments(compressor), QString()});

    qsizetype currentItem = 0;
    pipeline.setErrorLineHandler(tar, [&](const QByteArray &line) {
        const qint64 records = ToolCommands::tarCheckpointRecords(line);
        if (records < 0)
            return false;
        const qint64 written = records * ToolCommands::tarRecordBytes;
        takeTotalWhenCounted();
        if (!totalKnown) {
            context.setProcessedBytes(written);
            return true;
        }
        context.setProcessedBytes(std::min(written, estimate.totalBytes()));
        const QList<qint64> &inputEnds = estimate.inputEnds();
        while (currentItem + 1 < inputs.size() && written > inputEnds.at(currentItem))
            ++currentItem;
        context.setCurrentEntry(inputs.at(currentItem));
        return true;
    });
    if (compressor.isEmpty()) {
        // On a short write tar says only how much it wrote; passing its stream through here gives the
        // system's own reason, a full disk among them.
        pipeline.setOutputHandler([&](const QByteArray &chunk) {
            // The rest of a short write is tried again: only a write that takes nothing sets the
            // file's error, a full disk being a resource error.
            qint64 written = 0;
            while (written < chunk.size()) {
                const qint64 taken = output.write(chunk.constData() + written, chunk.size() - written);
                if (taken <= 0)
                    break;
                written += taken;
            }
            if (written == chunk.size())
                return;
            const ResultCode code = output.error() == QFileDevice::ResourceError
                                        ? ResultCode::DiskFull
                                        : ResultCode::ArchiveNotWritten;
            pipeline.stop(OperationResult::pathFailure(code, archivePath, output.errorString()));
        });
    } else {
        // The compressor writes the archive itself, sparing a copy of every byte through this process,
        // and names a full disk in the C library's words.
        output.close();
        pipeline.setOutputFile(output.fileName());
    }
    pipeline.setTickHandler([&] {
        takeTotalWhenCounted();
        context.publish();
    });

    const OperationResult streamed = pipeline.run();
    if (streamed.code == ResultCode::ToolFailed && ToolCommands::reportsFullDisk(streamed.detail))
        return OperationResult::pathFailure(ResultCode::DiskFull, archivePath, streamed.detail);
    if (!streamed.succeeded())
        return streamed;
    output.close();
    if (output.error() != QFileDevice::NoError)
        return OperationResult::pathFailure(ResultCode::ArchiveNotWritten, archivePath, output.errorString());
    int error = 0;
    if (!replaceFile(output.fileName(), archivePath, &error))
        return OperationResult::systemFailure(ResultCode::ArchiveNotCreated, archivePath, error);
    estimate.waitUntilReady();
    context.setTotalBytes(estimate.totalBytes());
    context.setProcessedBytes(estimate.totalBytes());
    return OperationResult::success();
}
