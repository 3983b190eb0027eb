#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class MainWindow;
struct StartupRequest;

// The window program from its command line to its end: no argument starts the window as every day;
// a path opens the window on it; a batch command runs without the window; help, version and errors
// are written out (errors also in a box). The interface language is the window's setting. Call once,
// with the QApplication running on this thread.
class ProgramStart
{
    Q_DECLARE_TR_FUNCTIONS(ProgramStart)

public:
    // The exit status: ExitCode's values; for a window that SIGINT or SIGTERM closed, 128 + the
    // signal's number.
    static int run(const QStringList &arguments);

private:
    static int runWindow(const StartupRequest &request);
    // The window's form for an archive given alone.
    static void openArchiveInWindow(MainWindow &window, const QString &archivePath);
    static void reportError(const QString &text);
};
