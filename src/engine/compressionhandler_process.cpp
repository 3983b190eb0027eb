#include "compressionhandler.h"

namespace {
QString unsupported(const QString &name)
{
    return CompressionHandler::tr("压缩格式 %1 暂不支持").arg(name);
}
} // namespace

bool CompressionHandler::createTarArchive(const QStringList &, const QString &)
{
    lastErrorText = unsupported(QStringLiteral("TAR"));
    return false;
}

bool CompressionHandler::create7zArchive(const QStringList &, const QString &, const QString &)
{
    lastErrorText = unsupported(QStringLiteral("7Z"));
    return false;
}

bool CompressionHandler::extractTarArchive(const QString &, const QString &)
{
    lastErrorText = unsupported(QStringLiteral("tar"));
    return false;
}

bool CompressionHandler::extract7zArchive(const QString &, const QString &, const QString &)
{
    lastErrorText = unsupported(QStringLiteral("7z"));
    return false;
}

bool CompressionHandler::createCompressedTarArchive(const QString &compressor, const QStringList &,
                                                    const QString &)
{
    lastErrorText = unsupported(compressor);
    return false;
}

bool CompressionHandler::extractCompressedTarArchive(const QString &decompressor, const QString &,
                                                     const QString &)
{
    lastErrorText = unsupported(decompressor);
    return false;
}

bool CompressionHandler::runCompressProcess(const QString &program, const QStringList &, const QStringList &)
{
    lastErrorText = unsupported(program);
    return false;
}

bool CompressionHandler::runExtractProcess(const QString &program, const QStringList &, const QString &)
{
    lastErrorText = unsupported(program);
    return false;
}
