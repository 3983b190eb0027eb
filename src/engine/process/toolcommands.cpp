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
    command.arguments = QStringList{QStringLiteral("-cf"), QStringLiteral("-"),
                                    QStringLiteral("--checkpoint=%1").arg(tarCheckpointInterval),
                                    QStringLiteral("--checkpoint-action=echo=records=%u")};
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

qint64 tarCheckpointRecords(QByteArrayView line)
{
    // tar prefixes the line with its own name; the count is all that follows the marker.
    static constexpr QByteArrayView marker(": records=");
    const qsizetype at = line.lastIndexOf(marker);
    if (at < 0)
        return -1;
    const QByteArrayView digits = line.sliced(at + marker.size());
    bool ok = false;
    const qint64 records = digits.toByteArray().toLongLong(&ok);
    return ok && !digits.isEmpty() && digits.front() != '-' && digits.front() != '+' ? records : -1;
}

bool reportsFullDisk(QStringView errorOutput)
{
    // The C library's own words for ENOSPC and EDQUOT, which every program quotes after its name.
    return errorOutput.contains(QLatin1String("No space left on device")) ||
           errorOutput.contains(QLatin1String("Disk quota exceeded"));
}

QStringList tarExtractArguments(const QString &destinationPath)
{
    // Owners and set-id bits from a foreign archive are not restored, even when run as root; folder
    // modes and times are set at the end, so a read-only folder stored before its contents still
    // takes them in.
    return {QStringLiteral("-xvf"),
            QStringLiteral("-"),
            QStringLiteral("-C"),
            destinationPath,
            QStringLiteral("--no-same-owner"),
            QStringLiteral("--no-same-permissions"),
            QStringLiteral("--delay-directory-restore"),
            QStringLiteral("--quoting-style=c")};
}

QStringList tarListArguments(const QString &archive)
{
    // "--force-local": a colon in the file's name does not make it an archive on another host.
    return {QStringLiteral("-tvf"),          archive,
            QStringLiteral("--force-local"), QStringLiteral("--quoting-style=c"),
            QStringLiteral("--full-time"),   QStringLiteral("--numeric-owner")};
}

QString compressorProgram(const QString &compressor, const std::function<bool(const QString &)> &isInstalled)
{
    static const QList<std::pair<QLatin1String, QLatin1String>> parallel{
        {QLatin1String("gzip"), QLatin1String("pigz")},
        {QLatin1String("bzip2"), QLatin1String("lbzip2")},
    };
    for (const auto &[standard, alternative] : parallel) {
        if (compressor == standard && isInstalled(alternative))
            return alternative;
    }
    return compressor;
}

QStringList compressorArguments(const QString &program)
{
    if (program == QLatin1String("xz") || program == QLatin1String("zstd"))
        return {QStringLiteral("-T0"), QStringLiteral("-c")};
    return {QStringLiteral("-c")};
}

QStringList decompressorArguments()
{
    return {QStringLiteral("-d"), QStringLiteral("-c")};
}

} // namespace ToolCommands
