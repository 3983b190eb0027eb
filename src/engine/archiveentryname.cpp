#include "archiveentryname.h"

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
