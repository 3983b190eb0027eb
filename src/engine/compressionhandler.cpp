#include "compressionhandler.h"

#include <QFileInfo>

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

bool CompressionHandler::extractArchive(const QString &archivePath, const QString &destinationPath,
                                        const QString &password)
{
    beginOperation();
    if (!QFileInfo::exists(archivePath)) {
        lastErrorText = tr("压缩文件不存在");
        return false;
    }
    // The name decides the route: the text after the last full stop, lower-cased.
    const QString fileName = QFileInfo(archivePath).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot + 1).toLower();

    const bool supported = suffix == QLatin1String("zip") || suffix == QLatin1String("tar")
                           || suffix == QLatin1String("gz") || suffix == QLatin1String("tgz")
                           || suffix == QLatin1String("bz2") || suffix == QLatin1String("tbz2")
                           || suffix == QLatin1String("xz") || suffix == QLatin1String("txz")
                           || suffix == QLatin1String("7z");
    if (!supported) {
        lastErrorText = tr("压缩格式 %1 暂不支持").arg(suffix);
        return false;
    }
    if (destinationPath.isEmpty()) {
        lastErrorText = tr("未指定解压目标目录");
        return false;
    }

    if (suffix == QLatin1String("zip"))
        return extractZipArchive(archivePath, destinationPath, password);
    if (suffix == QLatin1String("tar"))
        return extractTarArchive(archivePath, destinationPath);
    if (suffix == QLatin1String("gz") || suffix == QLatin1String("tgz"))
        return extractCompressedTarArchive(QStringLiteral("gzip"), archivePath, destinationPath);
    if (suffix == QLatin1String("bz2") || suffix == QLatin1String("tbz2"))
        return extractCompressedTarArchive(QStringLiteral("bzip2"), archivePath, destinationPath);
    if (suffix == QLatin1String("xz") || suffix == QLatin1String("txz"))
        return extractCompressedTarArchive(QStringLiteral("xz"), archivePath, destinationPath);
    return extract7zArchive(archivePath, destinationPath, password);
}
