#include "compressionhandler.h"

#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <malloc.h>
#endif

#include <algorithm>
#include <iterator>

CompressionHandler::CompressionHandler(QObject *parent) : QObject(parent) {}

CompressionHandler::~CompressionHandler() = default;

QString CompressionHandler::lastError() const
{
    return lastErrorText;
}

void CompressionHandler::cancel()
{
    cancelRequested = true;
}

void CompressionHandler::tuneAllocatorForArchiveWork()
{
#ifdef Q_OS_LINUX
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
#endif
}

void CompressionHandler::beginOperation()
{
    lastErrorText.clear();
    cancelRequested = false;
    lastReportedProgress = -1;
}

bool CompressionHandler::isCancelled() const
{
    return cancelRequested;
}

bool CompressionHandler::failCancelled()
{
    lastErrorText = tr("操作已取消");
    return false;
}

void CompressionHandler::reportProgress(int value)
{
    if (value <= lastReportedProgress)
        return;
    lastReportedProgress = value;
    emit progressChanged(value);
}

bool CompressionHandler::compressFiles(const QString &format, const QStringList &files,
                                       const QString &archivePath, const QString &password)
{
    beginOperation();
    if (files.isEmpty()) {
        lastErrorText = tr("未选择要压缩的文件");
        return false;
    }
    if (format == QLatin1String("ZIP"))
        return createZipArchive(files, archivePath, password);
    if (format == QLatin1String("TAR"))
        return createTarArchive(files, archivePath);
    if (format == QLatin1String("7Z"))
        return create7zArchive(files, archivePath, password);
    if (format == QLatin1String("GZIP"))
        return createCompressedTarArchive(QStringLiteral("gzip"), files, archivePath);
    if (format == QLatin1String("BZIP2"))
        return createCompressedTarArchive(QStringLiteral("bzip2"), files, archivePath);
    if (format == QLatin1String("XZ"))
        return createCompressedTarArchive(QStringLiteral("xz"), files, archivePath);
    lastErrorText = tr("压缩格式 %1 暂不支持").arg(format);
    return false;
}

namespace {
enum class ExtractRoute { Zip, Tar, CompressedTar, SevenZip };

struct SuffixRoute {
    QLatin1String suffix;
    ExtractRoute route;
    const char *decompressor;
};

// The name decides the route, never the content: the suffix after the last full stop, lower-cased.
const SuffixRoute extractRoutes[] = {
    {QLatin1String("zip"), ExtractRoute::Zip, nullptr},
    {QLatin1String("tar"), ExtractRoute::Tar, nullptr},
    {QLatin1String("gz"), ExtractRoute::CompressedTar, "gzip"},
    {QLatin1String("tgz"), ExtractRoute::CompressedTar, "gzip"},
    {QLatin1String("bz2"), ExtractRoute::CompressedTar, "bzip2"},
    {QLatin1String("tbz2"), ExtractRoute::CompressedTar, "bzip2"},
    {QLatin1String("xz"), ExtractRoute::CompressedTar, "xz"},
    {QLatin1String("txz"), ExtractRoute::CompressedTar, "xz"},
    {QLatin1String("7z"), ExtractRoute::SevenZip, nullptr},
};
} // namespace

bool CompressionHandler::extractArchive(const QString &archivePath, const QString &destinationPath,
                                        const QString &password)
{
    beginOperation();
    if (!QFileInfo::exists(archivePath)) {
        lastErrorText = tr("压缩文件不存在");
        return false;
    }
    const QString fileName = QFileInfo(archivePath).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();

    const auto match = std::find_if(std::begin(extractRoutes), std::end(extractRoutes),
                                    [&suffix](const SuffixRoute &entry) { return entry.suffix == suffix; });
    if (match == std::end(extractRoutes)) {
        lastErrorText = tr("压缩格式 %1 暂不支持").arg(suffix);
        return false;
    }
    if (destinationPath.isEmpty()) {
        lastErrorText = tr("未指定解压目标目录");
        return false;
    }

    switch (match->route) {
    case ExtractRoute::Zip:
        return extractZipArchive(archivePath, destinationPath, password);
    case ExtractRoute::Tar:
        return extractTarArchive(archivePath, destinationPath);
    case ExtractRoute::CompressedTar:
        return extractCompressedTarArchive(QLatin1String(match->decompressor), archivePath, destinationPath);
    case ExtractRoute::SevenZip:
        return extract7zArchive(archivePath, destinationPath, password);
    }
    return false;
}
