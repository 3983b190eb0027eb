#include "interruptwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The self-pipe: the handler writes the signal's number as a byte, the notifier on the read end wakes
// the event loop.
int wakePipe[2] = {-1, -1};
volatile sig_atomic_t interruptSeen = 0;
struct sigaction previousInt {
};
struct sigaction previousTerm {
};

extern "C" void onInterrupt(int signalNumber)
{
    const int savedErrno = errno;
    interruptSeen = 1;
    const char byte = char(signalNumber);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent) : QObject(parent)
{
    if (::pipe(wakePipe) != 0)
        return;
    for (const int descriptor : wakePipe) {
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
        ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    }
    notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &InterruptWatcher::wake);

    struct sigaction action {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

InterruptWatcher::~InterruptWatcher()
{
    if (!notifier)
        return;
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    delete notifier;
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

bool InterruptWatcher::wasInterrupted()
{
    return interruptSeen != 0;
}

void InterruptWatcher::wake()
{
    // Signals that came together are one interrupt, reported with the last of them.
    char bytes[64];
    int signalNumber = 0;
    ssize_t count;
    while ((count = ::read(wakePipe[0], bytes, sizeof bytes)) > 0)
        signalNumber = bytes[count - 1];
    if (signalNumber != 0)
        emit interrupted(signalNumber);
}
