#include "tarsource.h"

#include "operationcontext.h"
#include "tarheader.h"
#include "tartools.h"
#include "toolcommands.h"
#include "toolpipeline.h"

#include <QFileInfo>

TarSource::TarSource(OperationContext &context)
    : context(context), archivePath(QFileInfo(context.request().archivePath).absoluteFilePath()),
      format(FormatRegistry::info(FormatRegistry::formatForFileName(archivePath))),
      decompressor(TarTools::program(format.compressor)), archiveSize(QFileInfo(archivePath).size())
{
}

OperationResult TarSource::inspect()
{
    tar = true;
    if (!format.singleFile)
        return OperationResult::success();
    QByteArray head;
    ToolPipeline pipeline(context);
    pipeline.setEnvironment(TarTools::environment());
    pipeline.append({decompressor, ToolCommands::decompressorArguments(), QString()});
    pipeline.setInputFile(archivePath);
    pipeline.setOutputHandler([&](const QByteArray &chunk) {
        head.append(chunk.left(TarHeader::blockBytes - head.size()));
        if (head.size() >= TarHeader::blockBytes)
            pipeline.stop(OperationResult::success());
    });
    const OperationResult decompressed = pipeline.run();
    if (!decompressed.succeeded())
        return decompressed;
    tar = TarHeader::looksLikeHeader(head);
    return OperationResult::success();
}

QString TarSource::innerFileName() const
{
    const QString name = QFileInfo(archivePath).fileName();
    for (const QLatin1String &suffix : format.suffixes) {
        if (name.size() > suffix.size() + 1 &&
            name.endsWith(QStringLiteral(".") + suffix, Qt::CaseInsensitive))
            return name.left(name.size() - suffix.size() - 1);
    }
    return name;
}

void TarSource::feed(ToolPipeline &pipeline) const
{
    if (!decompressor.isEmpty())
        pipeline.append({decompressor, ToolCommands::decompressorArguments(), QString()});
    pipeline.setInputFile(archivePath);
    context.setTotalBytes(archiveSize);
    OperationContext &progress = context;
    pipeline.setInputProgressHandler([&progress](qint64 bytes) { progress.setProcessedBytes(bytes); });
    pipeline.setTickHandler([&progress] { progress.publish(); });
}
