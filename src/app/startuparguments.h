#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// What the window program's command line asks for.
struct StartupRequest {
    enum class Action {
        // No path: the window as it starts every day.
        OpenWindow,
        // A path given alone, classified by what it is on disk.
        OpenFolder,
        OpenArchive,
        ShowFile,
        MissingPath,
        // Batch commands: only the progress dialog and the questions, then the program ends.
        ExtractHere,
        ExtractTo,
        Compress,
        Test,
        ShowHelp,
        ShowVersion,
    };

    Action action = Action::OpenWindow;
    // The path of the window forms; the destination of ExtractTo and the archive of Compress, each
    // empty when a dialog is to ask for it. Absolute, except when empty.
    QString target;
    // The archives of ExtractHere, ExtractTo and Test; what Compress packs. Absolute.
    QStringList paths;

    bool isBatch() const;
};

// Reads the window program's arguments with QCommandLineParser: a path alone opens the window on it
// (an archive is told by the format registry, from its name; of several paths the first), the batch
// options take their archives or paths. Relative paths are made absolute against the current folder. Texts
// are in the language of the translators installed.
class StartupArguments
{
    Q_DECLARE_TR_FUNCTIONS(StartupArguments)

public:
    // False for a command line that cannot be run as given; error() says why.
    bool parse(const QStringList &arguments);
    StartupRequest request() const { return parsed; }
    QString error() const { return errorText; }

    // The usage, the options and the exit codes.
    static QString helpText();
    // "kelvane <version>".
    static QString versionText();

private:
    bool fail(const QString &text);

    StartupRequest parsed;
    QString errorText;
};
