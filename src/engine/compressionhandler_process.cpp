#include "compressionhandler.h"

#include "extractionstaging.h"
#include "sevenzipprogress.h"
#include "toolcommands.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {

constexpr int startTimeoutMs = 30000;
// How often a waiting loop looks at cancel and at the other programs of a pipeline.
constexpr int tickMs = 100;
constexpr int terminateGraceMs = 3000;
constexpr qint64 chunkBytes = 256 * 1024;
// Bounds what waits in our memory for a slower program downstream.
constexpr qint64 maxQueuedBytes = 1024 * 1024;
constexpr qint64 tarBlockBytes = 512;

const QString tarProgram = QStringLiteral("tar");
const QString sevenZipProgram = QStringLiteral("7z");

bool hasFailed(const QProcess &tool)
{
    return tool.state() == QProcess::NotRunning &&
           (tool.exitStatus() == QProcess::CrashExit || tool.exitCode() != 0);
}

// For a program killed by a signal the exit code holds the signal's number.
bool diedOfBrokenPipe(const QProcess &tool)
{
    return tool.exitStatus() == QProcess::CrashExit && tool.exitCode() == SIGPIPE;
}

void stopTools(const QList<QProcess *> &tools)
{
    for (QProcess *tool : tools) {
        if (tool->state() != QProcess::NotRunning)
            tool->terminate();
    }
    for (QProcess *tool : tools) {
        if (tool->state() != QProcess::NotRunning && !tool->waitForFinished(terminateGraceMs)) {
            tool->kill();
            tool->waitForFinished(-1);
        }
    }
}

qint64 tarEntryBytes(const QFileInfo &info)
{
    const qint64 size = info.isFile() && !info.isSymLink() ? info.size() : 0;
    return tarBlockBytes + (size + tarBlockBytes - 1) / tarBlockBytes * tarBlockBytes;
}

// What tar will emit for one input: a header per entry plus the contents in whole blocks. Long
// names and record padding make the real stream slightly larger.
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

// Archives are written in a private folder next to the target, on the same file system, and moved
// over the target only when complete: a failure or a cancel leaves an existing file untouched and
// nothing half-written behind.
QString partialFolderTemplate(const QString &archivePath)
{
    return QFileInfo(archivePath).absolutePath() + QLatin1String("/.kelvane-XXXXXX");
}

// std::rename replaces an existing file in one step.
bool replaceFile(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

int percentOf(qint64 done, qint64 total)
{
    // 100 is kept for the moment the work is really over.
    return total > 0 ? int(qMin<qint64>(99, done * 100 / total)) : 0;
}

// 7z, told not to read names as wildcards, reports success with an empty archive when none of the
// selected items exists any more; it does fail, naming them, when only some are gone.
bool noneExists(const QStringList &files)
{
    return std::none_of(files.cbegin(), files.cend(), [](const QString &file) {
        const QFileInfo info(file);
        return info.exists() || info.isSymLink();
    });
}

// Moves a finished extraction into the destination, unless one of its links leads out of it (tar
// and 7z restore such links; the ZIP reader refuses them). Empty on success, else the failure text.
QString placeExtracted(ExtractionStaging &staging)
{
    const QString escaping = staging.firstEscapingLink();
    if (!escaping.isEmpty())
        return CompressionHandler::tr("压缩包中的路径不安全: %1").arg(escaping);
    QString failedPath;
    if (!staging.commit(&failedPath))
        return CompressionHandler::tr("创建文件失败: %1").arg(failedPath);
    return QString();
}

} // namespace

bool CompressionHandler::createTarArchive(const QStringList &files, const QString &archivePath)
{
    return runCompressProcess(QString(), files, archivePath);
}

bool CompressionHandler::create7zArchive(const QStringList &files, const QString &archivePath,
                                         const QString &password)
{
    if (noneExists(files)) {
        lastErrorText = tr("为文件创建源失败: %1").arg(files.first());
        return false;
    }
    QTemporaryDir work(partialFolderTemplate(archivePath));
    if (!work.isValid()) {
        lastErrorText = tr("创建临时文件失败");
        return false;
    }
    // 7z needs a name that does not exist yet: it would add to an archive found there.
    const QString partialArchive = work.filePath(QStringLiteral("archive.7z"));
    const QByteArray standardInput = password.isEmpty() ? QByteArray() : password.toUtf8() + '\n';
    const QStringList arguments = ToolCommands::sevenZipCreateArguments(
        files, partialArchive, QFileInfo(work.path()).fileName(), !password.isEmpty());
    // 7z names what it works on only when it runs long enough to print progress; the first input
    // is what it starts with.
    emit currentFileChanged(files.first());
    if (!runSevenZip(arguments, standardInput))
        return false;
    if (!replaceFile(partialArchive, archivePath)) {
        lastErrorText = tr("创建文件失败: %1").arg(archivePath);
        return false;
    }
    reportProgress(100);
    return true;
}

bool CompressionHandler::extractTarArchive(const QString &archivePath, const QString &destinationPath)
{
    return runExtractProcess(QString(), archivePath, destinationPath);
}

bool CompressionHandler::extract7zArchive(const QString &archivePath, const QString &destinationPath,
                                          const QString &password)
{
    ExtractionStaging staging(destinationPath);
    if (!staging.isValid()) {
        lastErrorText = tr("创建临时文件失败");
        return false;
    }
    // 7z reads a line only when the archive is encrypted; an empty line then reads as a wrong
    // password instead of a prompt that ends in "Break signaled".
    if (!runSevenZip(ToolCommands::sevenZipExtractArguments(archivePath, staging.path()),
                     password.toUtf8() + '\n'))
        return false;
    lastErrorText = placeExtracted(staging);
    if (!lastErrorText.isEmpty())
        return false;
    reportProgress(100);
    return true;
}

bool CompressionHandler::createCompressedTarArchive(const QString &compressor, const QStringList &files,
                                                    const QString &archivePath)
{
    return runCompressProcess(compressor, files, archivePath);
}

bool CompressionHandler::extractCompressedTarArchive(const QString &decompressor, const QString &archivePath,
                                                     const QString &destinationPath)
{
    return runExtractProcess(decompressor, archivePath, destinationPath);
}

bool CompressionHandler::runCompressProcess(const QString &compressor, const QStringList &files,
                                            const QString &archivePath)
{
    QTemporaryDir work(partialFolderTemplate(archivePath));
    if (!work.isValid()) {
        lastErrorText = tr("创建临时文件失败");
        return false;
    }
    QFile output(work.filePath(QStringLiteral("archive")));
    if (!output.open(QIODevice::WriteOnly)) {
        lastErrorText = tr("创建文件失败: %1").arg(archivePath);
        return false;
    }

    // Progress is the share of tar's stream handed on; the current item follows the same count.
    QList<qint64> itemEnds;
    qint64 expectedBytes = 2 * tarBlockBytes;
    for (const QString &file : files) {
        expectedBytes += expectedTarBytes(file);
        itemEnds << expectedBytes;
    }

    QProcess tar;
    QProcess compressorProcess;
    QList<QProcess *> tools{&tar};
    const bool compressed = !compressor.isEmpty();
    if (compressed) {
        if (!startTool(compressorProcess, compressor, ToolCommands::compressorArguments(compressor)))
            return false;
        tools << &compressorProcess;
    }
    const ToolCommands::TarCreateCommand tarCommand =
        ToolCommands::tarCreateCommand(files, QFileInfo(work.path()).fileName());
    tar.setWorkingDirectory(tarCommand.workingDirectory);
    if (!startTool(tar, tarProgram, tarCommand.arguments)) {
        stopTools(tools);
        return false;
    }
    // Handed over while the stream is read: the waits below keep writing it.
    tar.write(tarCommand.standardInput);
    tar.closeWriteChannel();

    QIODevice &sink = compressed ? static_cast<QIODevice &>(compressorProcess) : output;
    bool written = true;
    const auto saveCompressed = [&] {
        if (compressed) {
            const QByteArray data = compressorProcess.readAllStandardOutput();
            written = written && output.write(data) == data.size();
        }
    };

    qint64 emittedBytes = 0;
    int currentItem = -1;
    while (written) {
        if (!toolsHealthy(tools))
            return false;
        if (compressed && compressorProcess.bytesToWrite() > maxQueuedBytes) {
            compressorProcess.waitForBytesWritten(tickMs);
            saveCompressed();
            continue;
        }
        if (tar.bytesAvailable() == 0) {
            if (tar.state() == QProcess::NotRunning)
                break;
            tar.waitForReadyRead(tickMs);
        }
        const QByteArray data = tar.read(chunkBytes);
        if (!data.isEmpty()) {
            written = sink.write(data) == data.size();
            emittedBytes += data.size();
            reportProgress(percentOf(emittedBytes, expectedBytes));
            int item = currentItem < 0 ? 0 : currentItem;
            while (item + 1 < files.size() && emittedBytes > itemEnds.at(item))
                ++item;
            if (item != currentItem) {
                currentItem = item;
                emit currentFileChanged(files.at(item));
            }
        }
        saveCompressed();
    }

    if (!written)
        stopTools(tools);
    else if (!toolsHealthy(tools))
        return false;
    if (written && compressed) {
        while (compressorProcess.bytesToWrite() > 0) {
            compressorProcess.waitForBytesWritten(tickMs);
            saveCompressed();
            if (!toolsHealthy(tools))
                return false;
        }
        compressorProcess.closeWriteChannel();
        if (!waitForTools(tools, saveCompressed))
            return false;
        saveCompressed();
    }
    output.close();
    if (!written || output.error() != QFileDevice::NoError || !replaceFile(output.fileName(), archivePath)) {
        lastErrorText = tr("创建文件失败: %1").arg(archivePath);
        return false;
    }
    reportProgress(100);
    return true;
}

bool CompressionHandler::runExtractProcess(const QString &decompressor, const QString &archivePath,
                                           const QString &destinationPath)
{
    QFile archive(archivePath);
    if (!archive.open(QIODevice::ReadOnly)) {
        lastErrorText = tr("读取压缩包失败: %1").arg(archivePath);
        return false;
    }
    // Unpacked aside and moved into place only when whole: a full disk, a damaged archive or a
    // cancel leaves no half-written file under a real name.
    ExtractionStaging staging(destinationPath);
    if (!staging.isValid()) {
        lastErrorText = tr("创建临时文件失败");
        return false;
    }

    QProcess tar;
    QProcess decompressorProcess;
    QList<QProcess *> tools;
    tar.setStandardOutputFile(QProcess::nullDevice());
    // Read standard error while waiting on another program, so a chatty tar never blocks on it.
    tar.setReadChannel(QProcess::StandardError);
    const bool compressed = !decompressor.isEmpty();
    if (compressed) {
        decompressorProcess.setStandardOutputProcess(&tar);
        decompressorProcess.setReadChannel(QProcess::StandardError);
        tools << &decompressorProcess;
    }
    tools << &tar;
    if (!startTool(tar, tarProgram, ToolCommands::tarExtractArguments(staging.path())))
        return false;
    if (compressed && !startTool(decompressorProcess, decompressor, ToolCommands::decompressorArguments())) {
        stopTools({&tar});
        return false;
    }

    // We feed the archive ourselves, so progress is the share of its bytes handed over.
    QProcess &feeder = *tools.first();
    const qint64 archiveBytes = archive.size();
    qint64 queuedBytes = 0;
    // tar accepts an archive that stops cleanly after a member, without its closing zero blocks; the
    // last block seen tells whether a plain tar arrived whole.
    QByteArray lastBlock;
    while (feeder.state() != QProcess::NotRunning) {
        if (!toolsHealthy(tools))
            return false;
        if (!archive.atEnd() && feeder.bytesToWrite() < maxQueuedBytes) {
            const QByteArray chunk = archive.read(chunkBytes);
            if (chunk.isEmpty()) {
                stopTools(tools);
                lastErrorText = tr("读取压缩包失败: %1").arg(archivePath);
                return false;
            }
            feeder.write(chunk);
            queuedBytes += chunk.size();
            if (!compressed)
                lastBlock = (lastBlock + chunk.right(tarBlockBytes)).right(tarBlockBytes);
        } else if (feeder.bytesToWrite() > 0) {
            feeder.waitForBytesWritten(tickMs);
        } else {
            break;
        }
        reportProgress(percentOf(queuedBytes - feeder.bytesToWrite(), archiveBytes));
    }
    feeder.closeWriteChannel();
    if (!waitForTools(tools, {}))
        return false;
    if (!compressed && lastBlock != QByteArray(tarBlockBytes, '\0')) {
        lastErrorText = tr("读取压缩包失败: %1").arg(archivePath);
        return false;
    }
    lastErrorText = placeExtracted(staging);
    if (!lastErrorText.isEmpty())
        return false;
    reportProgress(100);
    return true;
}

bool CompressionHandler::runSevenZip(const QStringList &arguments, const QByteArray &standardInput)
{
    QProcess sevenZip;
    if (!startTool(sevenZip, sevenZipProgram, arguments))
        return false;
    sevenZip.write(standardInput);
    sevenZip.closeWriteChannel();

    SevenZipProgress progress;
    return waitForTools({&sevenZip}, [&] {
        const QString previousName = progress.currentName();
        if (!progress.feed(sevenZip.readAllStandardOutput()))
            return;
        reportProgress(qMin(progress.percent(), 99));
        if (progress.currentName() != previousName)
            emit currentFileChanged(progress.currentName());
    });
}

bool CompressionHandler::startTool(QProcess &tool, const QString &program, const QStringList &arguments)
{
    tool.start(program, arguments);
    if (tool.waitForStarted(startTimeoutMs))
        return true;
    lastErrorText = tr("启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。").arg(program);
    return false;
}

bool CompressionHandler::toolsHealthy(const QList<QProcess *> &tools)
{
    // A zero wait takes in output and a program's end without blocking. A program whose output
    // already waits unread is left alone, so its full pipe holds it back instead of our memory.
    for (QProcess *tool : tools) {
        const bool outputWaiting =
            tool->readChannel() == QProcess::StandardOutput && tool->bytesAvailable() >= maxQueuedBytes;
        if (tool->state() != QProcess::NotRunning && !outputWaiting)
            tool->waitForFinished(0);
    }
    if (isCancelled()) {
        stopTools(tools);
        return failCancelled();
    }
    // The first failed program in the pipeline is the cause, unless it only died of the broken
    // pipe a later program left behind. tar stops reading at the end of its archive, so a
    // decompressor still writing padding behind it dies that way although nothing is missing.
    QProcess *culprit = nullptr;
    for (QProcess *tool : tools) {
        if (hasFailed(*tool) && !diedOfBrokenPipe(*tool)) {
            culprit = tool;
            break;
        }
    }
    // A broken pipe is judged only once every program downstream has ended: it is harmless when
    // they all succeeded, and the programs' ends may be noticed in any order.
    for (qsizetype i = 0; !culprit && i < tools.size(); ++i) {
        if (!hasFailed(*tools.at(i)))
            continue;
        const auto readers = tools.mid(i + 1);
        const bool readersRunning = std::any_of(readers.begin(), readers.end(), [](const QProcess *reader) {
            return reader->state() != QProcess::NotRunning;
        });
        if (readersRunning)
            continue;
        const bool readersSucceeded = std::all_of(readers.begin(), readers.end(),
                                                  [](const QProcess *reader) { return !hasFailed(*reader); });
        if (readers.isEmpty() || !readersSucceeded)
            culprit = tools.at(i);
    }
    if (!culprit)
        return true;

    QString details = QString::fromUtf8(culprit->readAllStandardError()).trimmed();
    if (details.isEmpty() && culprit->exitStatus() == QProcess::CrashExit)
        details = culprit->errorString();
    lastErrorText = tr("%1 进程失败: %2").arg(culprit->program(), details);
    stopTools(tools);
    return false;
}

bool CompressionHandler::waitForTools(const QList<QProcess *> &tools,
                                      const std::function<void()> &afterEachWait)
{
    for (QProcess *tool : tools) {
        while (tool->state() != QProcess::NotRunning) {
            tool->waitForFinished(tickMs);
            if (afterEachWait)
                afterEachWait();
            if (!toolsHealthy(tools))
                return false;
        }
    }
    if (afterEachWait)
        afterEachWait();
    return toolsHealthy(tools);
}
