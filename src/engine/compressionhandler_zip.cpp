#include "compressionhandler.h"

bool CompressionHandler::createZipArchive(const QStringList &, const QString &, const QString &)
{
    lastErrorText = tr("压缩格式 %1 暂不支持").arg(QStringLiteral("ZIP"));
    return false;
}

bool CompressionHandler::extractZipArchive(const QString &, const QString &, const QString &)
{
    lastErrorText = tr("压缩格式 %1 暂不支持").arg(QStringLiteral("zip"));
    return false;
}
