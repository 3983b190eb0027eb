#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM (on Windows: Ctrl+C, Ctrl+Break and closing the console) into the signal
// interrupted(), emitted on the thread that created the watcher with the signal's number (on Windows
// SIGINT for the keys, SIGTERM for the console's close). The system's handler only notes the
// request and wakes that thread; nothing else runs in it. One watcher at a time; the previous
// handling is restored when it is destroyed.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    // True once an interrupt arrived while the watcher existed.
    static bool wasInterrupted();

signals:
    void interrupted(int signalNumber);

#ifdef Q_OS_UNIX
private:
    void wake();

    QSocketNotifier *notifier = nullptr;
#endif
};
