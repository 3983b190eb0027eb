#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

// The program's own catalogues, compiled into the resources of kelvane_catalogues: which one suits a
// locale, and loading it. Qt Core only, so the command-line program shares them with the window.
class InterfaceCatalogue
{
public:
    // The language whose texts the program has (simplified Chinese is the source language).
    static inline const QString sourceLanguage = QStringLiteral("zh_CN");

    // "zh_CN", "zh_TW" or "en_US": the first of the locale's interface languages the program speaks,
    // Chinese by its script or region; English when it speaks none of them.
    static QString languageFor(const QLocale &locale);
    // Resource path of a language's compiled catalogue.
    static QString cataloguePath(const QString &language);
    // Loads the language's catalogue into translator; false for the source language (which needs
    // none) and when the catalogue is missing or unreadable.
    static bool load(QTranslator &translator, const QString &language);
};
