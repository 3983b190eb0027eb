#include "tarcreator.h"

#include "archiveformat.h"
#include "operationcontext.h"
#include "tarheader.h"
#include "tartools.h"
#include "toolcommands.h"
#include "toolpipeline.h"

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

qint64 tarEntryBytes(const QFileInfo &info)
{
    const qint64 size = info.isFile() && !info.isSymLink() ? info.size() : 0;
    return TarHeader::blockBytes +
           (size + TarHeader::blockBytes - 1) / TarHeader::blockBytes * TarHeader::blockBytes;
}

// What tar will write for one input: a header per entry plus the contents in whole blocks. Long names
// and record padding make the real stream slightly larger.
qint64 expectedTarBytes(const QString &path)
{
    const QFileInfo root(path);
    if (!root.exists())
        return 0;
    qint64 bytes = tarEntryBytes(root);
    if (root.isDir() && !root.isSymLink()) {
        QDirIterator entries(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            entries.next();
            bytes += tarEntryBytes(entries.fileInfo());
        }
    }
    return bytes;
}

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

    QList<qint64> itemEnds;
    qint64 expectedBytes = 2 * TarHeader::blockBytes;
    for (const QString &input : inputs) {
        expectedBytes += expectedTarBytes(input);
        itemEnds << expectedBytes;
    }
    context.setTotalBytes(expectedBytes);
    context.setCurrentEntry(inputs.first());
    context.publish();

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
        context.setProcessedBytes(std::min(written, expectedBytes));
        while (currentItem + 1 < inputs.size() && written > itemEnds.at(currentItem))
            ++currentItem;
        context.setCurrentEntry(inputs.at(currentItem));
        return true;
    });
    pipeline.setOutputHandler([&](const QByteArray &chunk) {
        if (output.write(chunk) == chunk.size())
            return;
        const ResultCode code = output.error() == QFileDevice::ResourceError ? ResultCode::DiskFull
                                                                             : ResultCode::ArchiveNotWritten;
        pipeline.stop(OperationResult::pathFailure(code, archivePath, output.errorString()));
    });
    pipeline.setTickHandler([this] { context.publish(); });

    const OperationResult streamed = pipeline.run();
    if (!streamed.succeeded())
        return streamed;
    output.close();
    if (output.error() != QFileDevice::NoError)
        return OperationResult::pathFailure(ResultCode::ArchiveNotWritten, archivePath, output.errorString());
    int error = 0;
    if (!replaceFile(output.fileName(), archivePath, &error))
        return OperationResult::systemFailure(ResultCode::ArchiveNotCreated, archivePath, error);
    context.setProcessedBytes(expectedBytes);
    return OperationResult::success();
}
