#include "toolcommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ToolCommands {

namespace {
QString absoluteCleanPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}
} // namespace

TarCreateCommand tarCreateCommand(const QStringList &files, const QString &excludedName)
{
    QStringList parents;
    QStringList names;
    for (const QString &file : files) {
        const QFileInfo item(absoluteCleanPath(file));
        QString name = item.fileName();
        if (name.isEmpty()) // the root folder has no name of its own
            name = QStringLiteral(".");
        parents << item.absolutePath();
        names << name;
    }

    TarCreateCommand command;
    command.arguments = QStringList{QStringLiteral("-cf"), QStringLiteral("-")};
    if (!excludedName.isEmpty())
        command.arguments << QStringLiteral("--exclude=") + excludedName;
    if (!parents.isEmpty() && parents.count(parents.first()) == parents.size()) {
        // Names ended by a null byte are taken as they stand: none is read as an option, and a
        // line break or a backslash in a name needs no escaping.
        command.arguments << QStringLiteral("--null") << QStringLiteral("-T") << QStringLiteral("-");
        command.workingDirectory = parents.first();
        for (const QString &name : std::as_const(names))
            command.standardInput += QFile::encodeName(name) + '\0';
        return command;
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString name = names.at(i);
        if (name.startsWith(QLatin1Char('-'))) // or tar would read it as an option
            name.prepend(QLatin1String("./"));
        command.arguments << QStringLiteral("-C") << parents.at(i) << name;
    }
    return command;
}

QStringList tarExtractArguments(const QString &destinationPath)
{
    // Owners and set-id bits from a foreign archive are not restored, even when run as root.
    return {QStringLiteral("-xf"),
            QStringLiteral("-"),
            QStringLiteral("-C"),
            destinationPath,
            QStringLiteral("--no-same-owner"),
            QStringLiteral("--no-same-permissions")};
}

QStringList compressorArguments(const QString &compressor)
{
    if (compressor == QLatin1String("xz"))
        return {QStringLiteral("-T0"), QStringLiteral("-c")};
    return {QStringLiteral("-c")};
}

QStringList decompressorArguments()
{
    return {QStringLiteral("-d"), QStringLiteral("-c")};
}

} // namespace ToolCommands
