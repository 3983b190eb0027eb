#include "archiveentryname.h"

#include <QDir>
#include <QLocale>
#include <QStringDecoder>

namespace {

bool decodesCleanly(const QByteArray &raw, const char *codec, QString *text)
{
    QStringDecoder decoder(codec);
    // Without ICU Qt knows no legacy code pages; the next candidate takes over.
    if (!decoder.isValid())
        return false;
    const QString decoded = decoder.decode(raw);
    if (decoder.hasError())
        return false;
    // Converters map bytes a code page leaves unassigned to control or private-use characters
    // rather than reporting them; a real file name holds neither.
    for (const QChar character : decoded) {
        const QChar::Category category = character.category();
        if (category == QChar::Other_Control || category == QChar::Other_PrivateUse ||
            category == QChar::Other_NotAssigned)
            return false;
    }
    *text = decoded;
    return true;
}

// Splits a stored name into components, treating "\" like "/". Returns false for absolute names
// and names with a drive letter.
bool relativeComponents(const QString &name, QStringList *components)
{
    QString normalized = name;
    normalized.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normalized.startsWith(QLatin1Char('/')))
        return false;
    if (normalized.size() >= 2 && normalized.at(1) == QLatin1Char(':') && normalized.at(0).isLetter())
        return false;
    *components = normalized.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return true;
}

} // namespace

QString ArchiveEntryName::decode(const QByteArray &raw, bool markedUtf8)
{
    if (markedUtf8)
        return QString::fromUtf8(raw);
    QString text;
    if (decodesCleanly(raw, "UTF-8", &text))
        return text;

    const bool traditional = prefersTraditionalChinese();
    const char *firstChoice = traditional ? "Big5" : "GB18030";
    const char *secondChoice = traditional ? "GB18030" : "Big5";
    if (decodesCleanly(raw, firstChoice, &text) || decodesCleanly(raw, secondChoice, &text))
        return text;
    if (decodesCleanly(raw, "IBM437", &text))
        return text;
    return QString::fromLatin1(raw);
}

bool ArchiveEntryName::prefersTraditionalChinese()
{
    const QLocale locale;
    if (locale.language() != QLocale::Chinese)
        return false;
    return locale.script() == QLocale::TraditionalChineseScript;
}

QString ArchiveEntryName::outputPath(const QString &destination, const QString &entryName)
{
    QStringList components;
    if (!relativeComponents(entryName, &components))
        return QString();
    int depth = 0;
    for (const QString &component : std::as_const(components)) {
        if (component == QLatin1String(".."))
            --depth;
        else if (component != QLatin1String("."))
            ++depth;
        if (depth < 0)
            return QString();
    }
    return QDir::cleanPath(destination + QLatin1Char('/') + components.join(QLatin1Char('/')));
}

bool ArchiveEntryName::isContainedLinkTarget(const QString &entryName, const QString &target)
{
    QStringList linkComponents;
    QStringList targetComponents;
    if (target.isEmpty() || !relativeComponents(entryName, &linkComponents) ||
        !relativeComponents(target, &targetComponents))
        return false;
    linkComponents.removeAll(QStringLiteral("."));
    if (linkComponents.contains(QStringLiteral("..")))
        return false;
    // Folders that hold the link; a ".." after a named component could pass through another
    // link and climb out, so ".." is accepted only at the start.
    const int linkDepth = int(linkComponents.size()) - 1;
    int climbs = 0;
    bool named = false;
    for (const QString &component : std::as_const(targetComponents)) {
        if (component == QLatin1String("..")) {
            if (named)
                return false;
            ++climbs;
        } else if (component != QLatin1String(".")) {
            named = true;
        }
    }
    return climbs <= linkDepth;
}
