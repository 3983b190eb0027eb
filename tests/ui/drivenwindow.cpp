// The window program as src/main.cpp starts it, shown on a folder, with one command given through the
// window's own buttons once its loop runs; for the tests that end the program by a signal in the middle
// of an operation the window started:
//   kelvane_drivenwindow extract-here FOLDER ARCHIVE
//   kelvane_drivenwindow extract-here-and-close FOLDER ARCHIVE
//   kelvane_drivenwindow compress FOLDER INPUT [ARCHIVE]
// The save dialog of compress is answered with ARCHIVE when one is given. "-and-close" closes the
// window as its user would once the operation has started, which asks whether to cancel it. Any other
// dialog is named on standard output ("asked: <ModalDialogDriver::describe>") and left open. The exit
// status is the program's.
#include "compressionhandler.h"
#include "mainwindow.h"
#include "modaldialogdriver.h"
#include "programstart.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

MainWindow *programWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<MainWindow *>(widget))
            return window;
    }
    return nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    CompressionHandler::tuneAllocatorForArchiveWork();
    CompressionHandler::pinTimeZoneForArchiveWork();
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    const QString folder = arguments.value(2);
    const QString selected = arguments.value(3);
    const bool compress = command == QLatin1String("compress");
    const bool thenClose = command == QLatin1String("extract-here-and-close");
    if (!compress && !thenClose && command != QLatin1String("extract-here"))
        return 2;

    ModalDialogDriver answers;
    if (compress && !arguments.value(4).isEmpty())
        answers.then(ModalDialogDriver::chooseFile(arguments.value(4)));
    answers.then(
        [](QWidget *dialog) { say(QStringLiteral("asked: ") + ModalDialogDriver::describe(dialog)); });

    QTimer::singleShot(0, &app, [&] {
        MainWindow *window = programWindow();
        if (!window || !window->showFolder(folder, selected)) {
            say(QStringLiteral("no window on %1").arg(folder));
            return;
        }
        auto *button = window->findChild<QAbstractButton *>(compress ? QStringLiteral("addButton")
                                                                     : QStringLiteral("extractHereButton"));
        if (!button || !button->isEnabled()) {
            say(QStringLiteral("no command for %1").arg(selected));
            return;
        }
        say(QStringLiteral("clicked: ") + button->objectName());
        button->click();
        if (thenClose)
            window->close();
    });
    return ProgramStart::run({QStringLiteral("kelvane"), folder});
}
