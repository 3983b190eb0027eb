#include "sevenzipdiagnosis.h"

#include <QDir>
#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace SevenZipDiagnosis {

namespace {

const QString separator = QStringLiteral(" : ");

QStringList messageLines(const QByteArray &errors)
{
    QStringList lines;
    for (QString line : QString::fromUtf8(errors).split(QLatin1Char('\n'))) {
        for (const QLatin1String prefix : {QLatin1String("ERROR: "), QLatin1String("Open ERROR: ")}) {
            if (line.startsWith(prefix))
                line.remove(0, prefix.size());
        }
        lines.append(line);
    }
    return lines;
}

// "errno=28 : No space left on device" anywhere in the line: the number and the system's words.
bool systemError(const QString &line, int *number, QString *reason)
{
    static const QRegularExpression pattern(QStringLiteral("errno=(\\d+) : ([^:]*[^: ])"));
    const QRegularExpressionMatch match = pattern.match(line);
    if (!match.hasMatch())
        return false;
    *number = match.captured(1).toInt();
    *reason = match.captured(2);
    return true;
}

bool diskFull(int number)
{
    return number == ENOSPC
#ifdef EDQUOT
           || number == EDQUOT
#endif
        ;
}

// The entry a "<message> : <name>" line names: everything after the message.
QString namedAfter(const QString &line, const QString &message)
{
    return line.mid(message.size() + separator.size());
}

bool startsWithMessage(const QString &line, const QString &message)
{
    return line.startsWith(message + separator);
}

// A path 7z wrote below the private output folder, named where it was meant to go.
QString shownPath(const QString &path, const QString &outputFolder, const QString &destination)
{
    if (outputFolder.isEmpty() || destination.isEmpty())
        return path;
    const QString folder = QDir::cleanPath(outputFolder);
    if (path == folder)
        return destination;
    if (path.startsWith(folder + QLatin1Char('/')))
        return QDir::cleanPath(destination) + path.mid(folder.size());
    return path;
}

OperationResult passwordRefusal(const QStringList &lines, bool passwordGiven)
{
    for (const QString &line : lines) {
        const qsizetype at = line.indexOf(QLatin1String("Wrong password"));
        if (at < 0)
            continue;
        // "Cannot open encrypted archive. Wrong password?" and "Headers Error in encrypted archive.
        // Wrong password?" concern the names themselves; the others end in " : <entry>".
        const qsizetype named = line.indexOf(separator, at);
        const QString entry = named < 0 ? QString() : line.mid(named + separator.size());
        return OperationResult::entryFailure(
            passwordGiven ? ResultCode::WrongPassword : ResultCode::PasswordNeeded, entry);
    }
    return OperationResult::success();
}

OperationResult refusedLink(const QStringList &lines)
{
    for (const QString &line : lines) {
        for (const QString &message : {QStringLiteral("Dangerous link path was ignored"),
                                       QStringLiteral("Dangerous link via another link was ignored")}) {
            if (!startsWithMessage(line, message))
                continue;
            // "<message> : <name> : <target>"; a target holding " : " is rarer than such a name.
            const QString rest = namedAfter(line, message);
            const qsizetype target = rest.lastIndexOf(separator);
            return OperationResult::entryFailure(ResultCode::UnsafeEntry,
                                                 target < 0 ? rest : rest.left(target), message);
        }
    }
    return OperationResult::success();
}

OperationResult writeFailure(const QStringList &lines, const QString &outputFolder,
                             const QString &destination)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        int number = 0;
        QString reason;
        // "Cannot open output file : errno=13 : Permission denied : /path" and the like.
        if (line.startsWith(QLatin1String("Cannot ")) && systemError(line, &number, &reason)) {
            const qsizetype pathAt = line.indexOf(separator + QLatin1Char('/'));
            const QString path =
                pathAt < 0 ? destination : shownPath(line.mid(pathAt + 3), outputFolder, destination);
            return OperationResult::pathFailure(
                diskFull(number) ? ResultCode::DiskFull : ResultCode::CreateFailed, path, reason);
        }
        // "System ERROR:" with "errno=28 : No space left on device" on the next line.
        if (line.startsWith(QLatin1String("System ERROR")) && i + 1 < lines.size() &&
            systemError(lines.at(i + 1), &number, &reason))
            return OperationResult::pathFailure(
                diskFull(number) ? ResultCode::DiskFull : ResultCode::WriteFailed, destination, reason);
    }
    return OperationResult::success();
}

OperationResult damage(const QStringList &lines)
{
    for (const QString &line : lines) {
        for (const QString &message :
             {QStringLiteral("CRC Failed"), QStringLiteral("Data Error"),
              QStringLiteral("Unexpected end of data"), QStringLiteral("Headers Error"),
              QStringLiteral("There are some data after the end of the payload data")}) {
            if (startsWithMessage(line, message))
                return OperationResult::entryFailure(ResultCode::DamagedEntry, namedAfter(line, message),
                                                     message);
        }
        const QString unsupported = QStringLiteral("Unsupported Method");
        if (startsWithMessage(line, unsupported))
            return OperationResult::entryFailure(ResultCode::UnsupportedMethod,
                                                 namedAfter(line, unsupported));
    }
    return OperationResult::success();
}

OperationResult openFailure(const QStringList &lines, const QString &archivePath)
{
    const bool notOpened = std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
        return line.startsWith(QLatin1String("Cannot open the file as"));
    });
    if (!notOpened)
        return OperationResult::success();
    for (const QString &line : lines) {
        int number = 0;
        QString reason;
        if (systemError(line, &number, &reason))
            return OperationResult::pathFailure(ResultCode::ReadFailed, archivePath, reason);
    }
    // The reason follows a line "ERRORS:" ("Unexpected end of archive", "Is not archive").
    const qsizetype reasons = lines.indexOf(QStringLiteral("ERRORS:"));
    const QString reason = reasons < 0 ? QString() : lines.value(reasons + 1).trimmed();
    return OperationResult::pathFailure(ResultCode::NotAnArchive, archivePath, reason);
}

} // namespace

OperationResult reading(const QByteArray &errors, bool passwordGiven, const QString &archivePath,
                        const QString &outputFolder, const QString &destination)
{
    // The first kind of trouble in this order is the cause: a wrong password also shows as damage.
    const QStringList lines = messageLines(errors);
    OperationResult outcome = passwordRefusal(lines, passwordGiven);
    if (outcome.succeeded())
        outcome = refusedLink(lines);
    if (outcome.succeeded())
        outcome = writeFailure(lines, outputFolder, destination);
    if (outcome.succeeded())
        outcome = damage(lines);
    if (outcome.succeeded())
        outcome = openFailure(lines, archivePath);
    return outcome;
}

OperationResult creation(const QByteArray &errors, const QString &workingDirectory,
                         const QString &archivePath)
{
    const QStringList lines = messageLines(errors);
    // "WARNING: errno=2 : No such file or directory" followed by the input's name on its own line.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        int number = 0;
        QString reason;
        if (!lines.at(i).startsWith(QLatin1String("WARNING: errno=")) ||
            !systemError(lines.at(i), &number, &reason))
            continue;
        QString name = lines.at(i + 1);
        while (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        const QString path = QDir::isAbsolutePath(name) ? name : QDir(workingDirectory).filePath(name);
        return OperationResult::pathFailure(ResultCode::InputUnreadable, QDir::cleanPath(path), reason);
    }
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        int number = 0;
        QString reason;
        if (lines.at(i).startsWith(QLatin1String("System ERROR")) &&
            systemError(lines.at(i + 1), &number, &reason))
            return OperationResult::pathFailure(
                diskFull(number) ? ResultCode::DiskFull : ResultCode::ArchiveNotWritten, archivePath, reason);
    }
    return OperationResult::success();
}

} // namespace SevenZipDiagnosis
