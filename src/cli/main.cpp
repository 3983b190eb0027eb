// kelvane-cli: the archive engine from a terminal, without widgets.

#include "cliargumentparser.h"
#include "clirunner.h"
#include "compressionhandler.h"
#include "helptext.h"
#include "interfacecatalogue.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QCoreApplication app(argc, argv);
    Terminal::prepare();

    // The system's language, not the window's setting: a terminal speaks what its locale says.
    const QString language = InterfaceCatalogue::languageFor(QLocale::system());
    QTranslator catalogue;
    if (InterfaceCatalogue::load(catalogue, language))
        QCoreApplication::installTranslator(&catalogue);
    // The toolkit's own texts, such as the argument parser's complaints.
    QTranslator toolkitCatalogue;
    if (toolkitCatalogue.load(QStringLiteral("qt_") + language,
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkitCatalogue);

    CliArgumentParser parser;
    switch (parser.parse(QCoreApplication::arguments())) {
    case CliArgumentParser::Outcome::ShowHelp:
        Terminal::write(Terminal::Stream::Output, HelpText::full());
        return int(ExitCode::Success);
    case CliArgumentParser::Outcome::ShowVersion:
        Terminal::write(Terminal::Stream::Output, HelpText::version());
        return int(ExitCode::Success);
    case CliArgumentParser::Outcome::BadUsage:
        Terminal::write(Terminal::Stream::Error,
                        QStringLiteral("kelvane-cli: %1\n%2\n").arg(parser.error(), HelpText::hint()));
        return int(ExitCode::BadUsage);
    case CliArgumentParser::Outcome::Run:
        break;
    }
    return int(CliRunner(parser.arguments(), language).run());
}
