#include "interfacecatalogue.h"

#include <QTranslator>

namespace {

bool writesTraditionalChinese(const QLocale &locale)
{
    if (locale.script() == QLocale::TraditionalChineseScript)
        return true;
    if (locale.script() == QLocale::SimplifiedChineseScript)
        return false;
    const QLocale::Territory territory = locale.territory();
    return territory == QLocale::Taiwan || territory == QLocale::HongKong || territory == QLocale::Macao;
}

} // namespace

QString InterfaceCatalogue::languageFor(const QLocale &locale)
{
    // uiLanguages() lists the user's preferences in order (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG).
    for (const QString &name : locale.uiLanguages()) {
        const QLocale preferred(name);
        if (preferred.language() == QLocale::Chinese)
            return writesTraditionalChinese(preferred) ? QStringLiteral("zh_TW") : sourceLanguage;
        if (preferred.language() == QLocale::English)
            return QStringLiteral("en_US");
    }
    return QStringLiteral("en_US");
}

QString InterfaceCatalogue::cataloguePath(const QString &language)
{
    return QStringLiteral(":/translations/lang_%1.qm").arg(language);
}

bool InterfaceCatalogue::load(QTranslator &translator, const QString &language)
{
    if (language == sourceLanguage)
        return false;
    return translator.load(cataloguePath(language));
}
