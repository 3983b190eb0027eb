#include "archivefilenames.h"

#include "archiveformat.h"

namespace {

const FormatInfo &creationFormatOf(const QString &path)
{
    return FormatRegistry::info(
        FormatRegistry::formatForCreationName(FormatRegistry::creationNameForFileName(path)));
}

QString filterOf(const FormatInfo &format)
{
    QStringList patterns;
    for (const QLatin1String &suffix : format.suffixes)
        patterns.append(QLatin1String("*.") + suffix);
    return QStringLiteral("%1 (%2)").arg(format.suffixes.first(), patterns.join(QLatin1Char(' ')));
}

} // namespace

namespace ArchiveFileNames {

QStringList formatFilters()
{
    QStringList filters;
    for (const FormatInfo &format : FormatRegistry::formats()) {
        if (format.canCreate && !format.suffixes.isEmpty())
            filters.append(filterOf(format));
    }
    return filters;
}

QString completedPath(const QString &path, const QString &chosenFilter)
{
    if (FormatRegistry::formatForFileName(path) != ArchiveFormat::Unknown)
        return path;
    for (const FormatInfo &format : FormatRegistry::formats()) {
        if (format.canCreate && !format.suffixes.isEmpty() && filterOf(format) == chosenFilter)
            return path + QLatin1Char('.') + format.suffixes.first();
    }
    return path;
}

bool canHoldPassword(const QString &path)
{
    return creationFormatOf(path).canHoldPassword;
}

} // namespace ArchiveFileNames
