#include "freename.h"

#include "archiveformat.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool taken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The ending to keep after the number: the longest the registry knows, else the last one.
qsizetype endingLength(const QString &name)
{
    const FormatInfo &format = FormatRegistry::info(FormatRegistry::formatForFileName(name));
    for (const QLatin1String &suffix : format.suffixes) {
        if (name.size() > suffix.size() + 1 && name.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
            return suffix.size() + 1;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.size() - dot : 0;
}

} // namespace

QString FreeName::next(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype ending = endingLength(name);
    const QString stem = name.left(name.size() - ending);
    const QString suffix = name.right(ending);
    for (int number = 2;; ++number) {
        const QString candidate =
            info.dir().filePath(QStringLiteral("%1 (%2)%3").arg(stem, QString::number(number), suffix));
        if (!taken(candidate))
            return candidate;
    }
}
