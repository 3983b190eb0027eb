#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Command lines of the 7z program. Pure functions, so the exact arguments can be checked without
// running anything. The password is never an argument: a bare "-p" (creation) or no "-p" at all
// (reading) makes 7z read it from standard input; reading without a password passes "-p" with no
// value, the empty password, so 7z never stops to ask.
namespace SevenZipCommands {

// One "7z a" run: items of one folder named relative to it, 7z running in that folder.
struct CreateBatch {
    QString workingDirectory;
    QStringList names;
    // The inputs as given, in the same order as names.
    QStringList inputs;
};

// The inputs grouped by their folder (in order of first appearance) and cut into runs whose
// arguments, together with fixedCost for the rest of the command line, fit in budget. Names are
// passed as they stand, so trailing spaces, line breaks, wildcards and leading dashes survive.
QList<CreateBatch> createBatches(const QStringList &inputs, qsizetype budget, qsizetype fixedCost);

// The first input whose name (last path component) an earlier input already has: in one archive
// the later would replace the earlier. Empty when all differ.
QString firstDuplicateName(const QStringList &inputs);

// Adds names to archivePath (created by the first run, added to by later ones). Entries named
// excludedName (the private folder the archive is written in) are left out; links are stored as
// links; an unreadable input stops the run. With a password the names are encrypted too.
QStringList createArguments(const QString &archivePath, const QStringList &names, const QString &excludedName,
                            bool withPassword);
// Reading takes the archive as the type 7z is told ("7z", or "zip" for the ZIP archives libzip
// refuses); 7z never guesses it from the content.
// Unpacks into outputFolder, which is fresh: everything, or the entries named exactly (a folder
// with its contents). 7z's own checks against dangerous links stay on.
QStringList extractArguments(const QString &archivePath, const QString &outputFolder, bool withPassword,
                             const QStringList &names = {}, const QString &type = QStringLiteral("7z"));
QStringList testArguments(const QString &archivePath, bool withPassword,
                          const QString &type = QStringLiteral("7z"));
// The technical listing of every entry, or with names only of the entries matching them: exactly
// (exact) or as wildcards at any depth.
QStringList listArguments(const QString &archivePath, bool withPassword, const QStringList &names = {},
                          bool exact = true, const QString &type = QStringLiteral("7z"));

// What 7z reads on standard input: the password once per time 7z asks for it (a run that adds to an
// archive with encrypted names asks twice: to open it and for the new entries).
QByteArray passwordInput(const QString &password, int times);

// Bytes (Unix) or characters (Windows) one argument takes of the system's command-line limit.
qsizetype argumentCost(const QString &argument);
// What the system leaves for a program's arguments, with a safety margin.
qsizetype commandLineBudget();

} // namespace SevenZipCommands
