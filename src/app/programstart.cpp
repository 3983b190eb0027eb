#include "programstart.h"

#include "batchrunner.h"
#include "exitcode.h"
#include "firstframereport.h"
#include "interfacecatalogue.h"
#include "interruptwatcher.h"
#include "mainwindow.h"
#include "startuparguments.h"
#include "windowsettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <memory>

namespace {

// The program's and the toolkit's catalogues for the texts written before any window exists;
// removed from the application when destroyed.
struct StartupCatalogues {
    QTranslator program;
    QTranslator toolkit;

    explicit StartupCatalogues(const QString &language)
    {
        if (InterfaceCatalogue::load(program, language))
            QCoreApplication::installTranslator(&program);
        if (toolkit.load(QStringLiteral("qt_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&toolkit);
    }
};

void writeTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int ProgramStart::run(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return runWindow(StartupRequest());

    const QString language = WindowSettings::language();
    auto catalogues = std::make_unique<StartupCatalogues>(language);
    StartupArguments parser;
    if (!parser.parse(arguments)) {
        reportError(parser.error() + QLatin1Char('\n') + tr("运行 kelvane --help 查看用法。"));
        return int(ExitCode::BadUsage);
    }
    const StartupRequest request = parser.request();
    switch (request.action) {
    case StartupRequest::Action::ShowHelp:
        writeTo(stdout, StartupArguments::helpText());
        return int(ExitCode::Success);
    case StartupRequest::Action::ShowVersion:
        writeTo(stdout, StartupArguments::versionText());
        return int(ExitCode::Success);
    case StartupRequest::Action::MissingPath:
        reportError(tr("路径不存在: %1").arg(QDir::toNativeSeparators(request.target)));
        return int(ExitCode::Failure);
    default:
        break;
    }
    if (request.isBatch()) {
        // Sizes and dates in the questions follow the interface language, as in the window.
        QLocale::setDefault(QLocale(language));
        return int(BatchRunner(language).run(request));
    }
    // The window installs its own catalogues and changes them with its language menu.
    catalogues.reset();
    return runWindow(request);
}

int ProgramStart::runWindow(const StartupRequest &request)
{
    MainWindow window;
    // SIGINT and SIGTERM close the window without asking: a running operation is cancelled and has
    // removed what it had written before the program ends, with 128 + the signal's number, the status
    // a shell expects of a program a signal ended. Made after the window, the watcher is destroyed
    // first, so no interrupt reaches a window being destroyed.
    InterruptWatcher interruptWatcher;
    int interruptedStatus = 0;
    const auto closeOnInterrupt = [&window, &interruptedStatus](int signalNumber) {
        if (interruptedStatus != 0)
            return;
        interruptedStatus = 128 + signalNumber;
        window.closeWithoutAsking();
        // Also ends the loops of dialogs still open over the window (a folder or a name asked for, the
        // user's own close asking whether to cancel). Before the program's loop runs there is none.
        QCoreApplication::exit(interruptedStatus);
    };
    QObject::connect(&interruptWatcher, &InterruptWatcher::interrupted, &window, closeOnInterrupt);
    switch (request.action) {
    case StartupRequest::Action::OpenFolder:
        window.showFolder(request.target);
        break;
    case StartupRequest::Action::OpenArchive:
        // Its folder first, with the archive selected: what stays shown when it cannot be listed.
        window.showFolder(QFileInfo(request.target).absolutePath(), request.target);
        break;
    case StartupRequest::Action::ShowFile:
        window.showFolder(QFileInfo(request.target).absolutePath(), request.target);
        break;
    default:
        break;
    }
    FirstFrameReport::watchIfAsked(&window);
    window.show();
    if (request.action == StartupRequest::Action::OpenArchive)
        openArchiveInWindow(window, request.target);
    // Interrupted while the archive was being listed, before the loop started.
    if (interruptedStatus != 0)
        return interruptedStatus;
    const int status = QApplication::exec();
    return interruptedStatus != 0 ? interruptedStatus : status;
}

void ProgramStart::openArchiveInWindow(MainWindow &window, const QString &archivePath)
{
    // Once the window is shown, so the listing's progress and password questions sit over it.
    window.openArchive(archivePath);
}

void ProgramStart::reportError(const QString &text)
{
    writeTo(stderr, QStringLiteral("kelvane: %1\n").arg(text));
    QMessageBox::warning(nullptr, tr("错误"), text);
}
