#include "sevenzipcommands.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#ifdef Q_OS_UNIX
#include <unistd.h>
extern char **environ;
#endif

namespace SevenZipCommands {

namespace {

const QString sevenZipType = QStringLiteral("-t7z");

QString absoluteCleanPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The name an input is stored under and the folder it is named from.
void splitInput(const QString &input, QString *folder, QString *name)
{
    const QFileInfo item(absoluteCleanPath(input));
    *folder = item.absolutePath();
    *name = item.fileName();
    if (name->isEmpty()) // the root folder has no name of its own
        *name = QStringLiteral(".");
}

QStringList readingSwitches(bool withPassword)
{
    QStringList switches;
    if (!withPassword)
        switches << QStringLiteral("-p");
    return switches;
}

} // namespace

QList<CreateBatch> createBatches(const QStringList &inputs, qsizetype budget, qsizetype fixedCost)
{
    QList<CreateBatch> batches;
    QList<QString> folders;
    QList<QList<QPair<QString, QString>>> groups; // per folder: (name, input)
    for (const QString &input : inputs) {
        QString folder;
        QString name;
        splitInput(input, &folder, &name);
        qsizetype group = folders.indexOf(folder);
        if (group < 0) {
            group = folders.size();
            folders.append(folder);
            groups.append(QList<QPair<QString, QString>>());
        }
        groups[group].append({name, input});
    }

    for (qsizetype group = 0; group < folders.size(); ++group) {
        CreateBatch batch;
        batch.workingDirectory = folders.at(group);
        qsizetype cost = fixedCost;
        for (const auto &[name, input] : std::as_const(groups.at(group))) {
            const qsizetype nameCost = argumentCost(name);
            // A batch always takes at least one name, so no name is ever left out.
            if (!batch.names.isEmpty() && cost + nameCost > budget) {
                batches.append(batch);
                batch.names.clear();
                batch.inputs.clear();
                cost = fixedCost;
            }
            batch.names.append(name);
            batch.inputs.append(input);
            cost += nameCost;
        }
        batches.append(batch);
    }
    return batches;
}

QString firstDuplicateName(const QStringList &inputs)
{
    QSet<QString> seen;
    for (const QString &input : inputs) {
        QString folder;
        QString name;
        splitInput(input, &folder, &name);
        if (seen.contains(name))
            return input;
        seen.insert(name);
    }
    return QString();
}

QStringList createArguments(const QString &archivePath, const QStringList &names, const QString &excludedName,
                            bool withPassword)
{
    // "-spd": a selected file named "star*.txt" is that file, not a pattern that also takes in
    // "star-2.txt" beside it. "-snl": a link is stored as a link, as ZIP and tar do, instead of
    // pulling in what it points to. "-sse": an input that cannot be read fails the run instead of
    // being left out of an archive that looks complete.
    QStringList arguments{QStringLiteral("a"),    sevenZipType,           QStringLiteral("-spd"),
                          QStringLiteral("-snl"), QStringLiteral("-sse"), QStringLiteral("-bso0"),
                          QStringLiteral("-bsp1")};
    if (!excludedName.isEmpty())
        arguments << QStringLiteral("-xr!") + excludedName;
    if (withPassword)
        arguments << QStringLiteral("-p") << QStringLiteral("-mhe=on");
    // After "--" nothing is read as a switch or a list file, whatever the name starts with.
    arguments << QStringLiteral("--") << archivePath << names;
    return arguments;
}

QStringList extractArguments(const QString &archivePath, const QString &outputFolder, bool withPassword,
                             const QStringList &names, const QString &type)
{
    // "-aoa" never stops at a question on standard input; the output folder is fresh anyway.
    QStringList arguments{
        QStringLiteral("x"),    QStringLiteral("-t") + type, QStringLiteral("-o") + outputFolder,
        QStringLiteral("-aoa"), QStringLiteral("-bso0"),     QStringLiteral("-bsp1")};
    if (!names.isEmpty())
        arguments << QStringLiteral("-spd");
    arguments << readingSwitches(withPassword) << QStringLiteral("--") << archivePath << names;
    return arguments;
}

QStringList testArguments(const QString &archivePath, bool withPassword, const QString &type)
{
    QStringList arguments{QStringLiteral("t"), QStringLiteral("-t") + type, QStringLiteral("-bso0"),
                          QStringLiteral("-bsp1")};
    arguments << readingSwitches(withPassword) << QStringLiteral("--") << archivePath;
    return arguments;
}

QStringList listArguments(const QString &archivePath, bool withPassword, const QStringList &names, bool exact,
                          const QString &type)
{
    QStringList arguments{QStringLiteral("l"), QStringLiteral("-t") + type, QStringLiteral("-slt"),
                          QStringLiteral("-ba")};
    if (!names.isEmpty())
        arguments << (exact ? QStringLiteral("-spd") : QStringLiteral("-r"));
    arguments << readingSwitches(withPassword) << QStringLiteral("--") << archivePath << names;
    return arguments;
}

QByteArray passwordInput(const QString &password, int times)
{
    return (password.toUtf8() + '\n').repeated(times);
}

qsizetype argumentCost(const QString &argument)
{
#ifdef Q_OS_WIN
    // Quoted, with every quote and backslash possibly escaped.
    return 2 * argument.size() + 3;
#else
    // The bytes, their terminating NUL and the pointer to them.
    return argument.toUtf8().size() + 1 + qsizetype(sizeof(char *));
#endif
}

qsizetype commandLineBudget()
{
#ifdef Q_OS_WIN
    // CreateProcess takes at most 32767 characters, program name included.
    return 32767 - 1024;
#else
    // The limit covers the environment too. The margin takes in the program's path and what a
    // wrapper script in between (Debian's 7z is one) adds to the environment.
    constexpr qsizetype margin = 8 * 1024;
    qsizetype limit = qsizetype(::sysconf(_SC_ARG_MAX));
    if (limit <= 0)
        limit = 128 * 1024; // the smallest limit POSIX systems here have
    for (char **variable = environ; variable && *variable; ++variable)
        limit -= qsizetype(qstrlen(*variable)) + 1 + qsizetype(sizeof(char *));
    return qMax<qsizetype>(limit - margin, 16 * 1024);
#endif
}

} // namespace SevenZipCommands
