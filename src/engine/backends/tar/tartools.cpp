#include "tartools.h"

#include "toolcommands.h"

#include <QStandardPaths>

namespace TarTools {

namespace {

QProcessEnvironment withLocale(const QString &locale)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    // It would override LC_ALL for the messages of some programs.
    environment.remove(QStringLiteral("LANGUAGE"));
    return environment;
}

} // namespace

QProcessEnvironment environment()
{
    return withLocale(QStringLiteral("C.UTF-8"));
}

QProcessEnvironment listingEnvironment()
{
    QProcessEnvironment environment = withLocale(QStringLiteral("C"));
    environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC0"));
    return environment;
}

QString program(const QString &compressor)
{
    if (compressor.isEmpty())
        return QString();
    return ToolCommands::compressorProgram(compressor, [](const QString &candidate) {
        return !QStandardPaths::findExecutable(candidate).isEmpty();
    });
}

} // namespace TarTools
