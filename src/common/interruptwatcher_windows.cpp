#include "interruptwatcher.h"

#include <QMetaObject>

#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

std::atomic<InterruptWatcher *> currentWatcher{nullptr};
std::atomic_bool interruptSeen{false};

// Runs on a thread of its own that the system starts, so handing the news to the watcher's thread
// through the event loop is safe.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    int signalNumber = 0;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        signalNumber = SIGINT;
        break;
    case CTRL_CLOSE_EVENT:
        signalNumber = SIGTERM;
        break;
    default:
        return FALSE;
    }
    interruptSeen = true;
    if (InterruptWatcher *watcher = currentWatcher.load())
        QMetaObject::invokeMethod(
            watcher, [watcher, signalNumber] { emit watcher->interrupted(signalNumber); },
            Qt::QueuedConnection);
    return TRUE;
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent) : QObject(parent)
{
    currentWatcher = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatcher::~InterruptWatcher()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    currentWatcher = nullptr;
}

bool InterruptWatcher::wasInterrupted()
{
    return interruptSeen.load();
}
