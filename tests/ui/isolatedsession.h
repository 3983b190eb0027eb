#pragma once

// Support for widget tests that need the settings store and modal dialogs: a private home and
// configuration folder set before the application exists, and a way to answer the next modal
// dialog from the test itself.

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace isolatedsession {

// Runs `handler` once on the next modal dialog, as soon as it is shown. The returned timer polls
// until then; keep it alive until the dialog has been answered.
inline std::unique_ptr<QTimer> whenModalDialogOpens(std::function<void(QWidget *)> handler)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(20);
    QTimer *raw = timer.get();
    QObject::connect(raw, &QTimer::timeout, raw, [raw, handler] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            raw->stop();
            handler(dialog);
        }
    });
    timer->start();
    return timer;
}

inline QString desktopPath()
{
    return QDir::homePath() + QStringLiteral("/Desktop");
}

// Points HOME and the configuration folder at a fresh temporary folder, then runs the test
// object under a QApplication. Nothing the test does reaches the real user's files.
template <typename Test> int runIsolated(int argc, char *argv[])
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qunsetenv("XDG_DESKTOP_DIR");
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace isolatedsession
