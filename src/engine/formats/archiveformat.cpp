#include "archiveformat.h"

#include <QFileInfo>

#include <algorithm>

namespace {

using L = QLatin1String;

QList<FormatInfo> buildTable()
{
    // One row a format. Creation names and suffixes are what users and callers type; the MIME types
    // are shared-mime-info's.
    return {
        {ArchiveFormat::Zip,
         L("ZIP"),
         {L("zip")},
         BackendKind::Zip,
         L(),
         true,
         true,
         true,
         L("application/zip")},
        {ArchiveFormat::SevenZip,
         L("7Z"),
         {L("7z")},
         BackendKind::SevenZip,
         L(),
         true,
         true,
         true,
         L("application/x-7z-compressed")},
        {ArchiveFormat::Tar,
         L("TAR"),
         {L("tar")},
         BackendKind::TarPipeline,
         L(),
         true,
         true,
         false,
         L("application/x-tar")},
        {ArchiveFormat::TarGzip,
         L("GZIP"),
         {L("tar.gz"), L("tgz")},
         BackendKind::TarPipeline,
         L("gzip"),
         true,
         true,
         false,
         L("application/x-compressed-tar")},
        {ArchiveFormat::TarBzip2,
         L("BZIP2"),
         {L("tar.bz2"), L("tbz2"), L("tbz")},
         BackendKind::TarPipeline,
         L("bzip2"),
         true,
         true,
         false,
         L("application/x-bzip-compressed-tar")},
        {ArchiveFormat::TarXz,
         L("XZ"),
         {L("tar.xz"), L("txz")},
         BackendKind::TarPipeline,
         L("xz"),
         true,
         true,
         false,
         L("application/x-xz-compressed-tar")},
        {ArchiveFormat::TarZstd,
         L("ZSTD"),
         {L("tar.zst"), L("tzst")},
         BackendKind::TarPipeline,
         L("zstd"),
         true,
         true,
         false,
         L("application/x-zstd-compressed-tar")},
        // A name ending in ".gz" alone is created as a tar.gz, as users have always been able to;
        // on extraction its content decides between a tar archive and a single file.
        {ArchiveFormat::Gzip,
         L("GZIP"),
         {L("gz")},
         BackendKind::TarPipeline,
         L("gzip"),
         false,
         true,
         false,
         L("application/gzip"),
         true},
        {ArchiveFormat::Bzip2,
         L("BZIP2"),
         {L("bz2")},
         BackendKind::TarPipeline,
         L("bzip2"),
         false,
         true,
         false,
         L("application/x-bzip"),
         true},
        {ArchiveFormat::Xz,
         L("XZ"),
         {L("xz")},
         BackendKind::TarPipeline,
         L("xz"),
         false,
         true,
         false,
         L("application/x-xz"),
         true},
        {ArchiveFormat::Zstd,
         L("ZSTD"),
         {L("zst")},
         BackendKind::TarPipeline,
         L("zstd"),
         false,
         true,
         false,
         L("application/zstd"),
         true},
        // Read-only formats. libarchive recognises each by its content, so a misnamed archive of another
        // of its formats still opens. Only unambiguous endings: ".a" is left to static libraries, and
        // "tlz" is the tar.lzma of GNU tar and shared-mime-info. None holds a password libarchive can
        // use, so none asks for one.
        {ArchiveFormat::Rar,
         L(),
         {L("rar")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/vnd.rar")},
        {ArchiveFormat::Iso,
         L(),
         {L("iso")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-cd-image")},
        {ArchiveFormat::Cpio,
         L(),
         {L("cpio")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-cpio")},
        {ArchiveFormat::Ar,
         L(),
         {L("ar")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-archive")},
        {ArchiveFormat::Deb,
         L(),
         {L("deb")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/vnd.debian.binary-package")},
        {ArchiveFormat::Cab,
         L(),
         {L("cab")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/vnd.ms-cab-compressed")},
        {ArchiveFormat::Lha,
         L(),
         {L("lha"), L("lzh")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-lha")},
        {ArchiveFormat::Xar,
         L(),
         {L("xar")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-xar")},
        {ArchiveFormat::TarLz4,
         L(),
         {L("tar.lz4")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-lz4-compressed-tar")},
        {ArchiveFormat::TarLzma,
         L(),
         {L("tar.lzma"), L("tlz")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-lzma-compressed-tar")},
        {ArchiveFormat::TarLzip,
         L(),
         {L("tar.lz")},
         BackendKind::LibArchive,
         L(),
         false,
         true,
         false,
         L("application/x-lzip-compressed-tar")},
    };
}

// Every (suffix, format) pair, longest suffix first, so "tar.gz" wins over "gz".
struct SuffixEntry {
    QLatin1String suffix;
    ArchiveFormat format;
};

QList<SuffixEntry> buildSuffixIndex(const QList<FormatInfo> &table)
{
    QList<SuffixEntry> index;
    for (const FormatInfo &info : table) {
        for (const QLatin1String &suffix : info.suffixes)
            index.append({suffix, info.format});
    }
    std::stable_sort(index.begin(), index.end(), [](const SuffixEntry &a, const SuffixEntry &b) {
        return a.suffix.size() > b.suffix.size();
    });
    return index;
}

const QList<SuffixEntry> &suffixIndex()
{
    static const QList<SuffixEntry> index = buildSuffixIndex(FormatRegistry::formats());
    return index;
}

QStringList patterns(bool (*wanted)(const FormatInfo &))
{
    QStringList result;
    for (const FormatInfo &info : FormatRegistry::formats()) {
        if (!wanted(info))
            continue;
        for (const QLatin1String &suffix : info.suffixes) {
            const QString pattern = QLatin1String("*.") + suffix;
            if (!result.contains(pattern))
                result.append(pattern);
        }
    }
    return result;
}

} // namespace

namespace FormatRegistry {

const QList<FormatInfo> &formats()
{
    static const QList<FormatInfo> table = buildTable();
    return table;
}

const FormatInfo &info(ArchiveFormat format)
{
    static const FormatInfo unknown;
    const QList<FormatInfo> &table = formats();
    const auto match = std::find_if(table.cbegin(), table.cend(),
                                    [format](const FormatInfo &info) { return info.format == format; });
    return match == table.cend() ? unknown : *match;
}

ArchiveFormat formatForFileName(const QString &fileName)
{
    // Only the name counts, never the folders above it; compared without building a QFileInfo, since
    // a Ctrl+A over a large folder asks this of every row.
    const QStringView name = QStringView(fileName).mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    for (const SuffixEntry &entry : suffixIndex()) {
        const qsizetype dot = name.size() - entry.suffix.size() - 1;
        if (dot > 0 && name.at(dot) == QLatin1Char('.') &&
            name.mid(dot + 1).compare(entry.suffix, Qt::CaseInsensitive) == 0)
            return entry.format;
    }
    return ArchiveFormat::Unknown;
}

ArchiveFormat formatForCreationName(const QString &creationName)
{
    for (const FormatInfo &info : formats()) {
        if (info.canCreate && info.creationName == creationName)
            return info.format;
    }
    return ArchiveFormat::Unknown;
}

QString creationNameForFileName(const QString &fileName)
{
    const FormatInfo &format = info(formatForFileName(fileName));
    if (!format.creationName.isEmpty())
        return format.creationName;
    return QFileInfo(fileName).suffix().toUpper();
}

QString lastSuffix(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

bool canExtract(const QString &fileName)
{
    return info(formatForFileName(fileName)).canExtract;
}

bool canCreate(const QString &fileName)
{
    return !info(formatForCreationName(creationNameForFileName(fileName))).creationName.isEmpty();
}

QStringList creatablePatterns()
{
    return patterns([](const FormatInfo &info) { return info.canCreate; });
}

QStringList extractablePatterns()
{
    return patterns([](const FormatInfo &info) { return info.canExtract; });
}

QStringList extractableMimeTypes()
{
    QStringList types;
    for (const FormatInfo &info : formats()) {
        if (info.canExtract && !types.contains(info.mimeType))
            types.append(info.mimeType);
    }
    return types;
}

} // namespace FormatRegistry
