#include "pseudoterminal.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master)) {
        ::close(master);
        master = -1;
        return;
    }
    slaveName = ptsname(master);
    slave = ::open(slaveName.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    ioctl(master, TIOCSWINSZ, &size);
}

PseudoTerminal::~PseudoTerminal()
{
    if (slave >= 0)
        ::close(slave);
    if (master >= 0)
        ::close(master);
}

void PseudoTerminal::attach(QProcess &process) const
{
    const QByteArray name = slaveName;
    // Runs in the child between fork and exec: only async-signal-safe calls. A session of its own with
    // this terminal as the controlling one, so Ctrl+C typed reaches its whole process group.
    process.setChildProcessModifier([name] {
        ::setsid();
        const int terminal = ::open(name.constData(), O_RDWR);
        if (terminal < 0 || ::ioctl(terminal, TIOCSCTTY, 0) != 0)
            _exit(127);
        ::dup2(terminal, STDIN_FILENO);
        ::dup2(terminal, STDERR_FILENO);
        if (terminal > STDERR_FILENO)
            ::close(terminal);
    });
}

bool PseudoTerminal::drain(int waitMs)
{
    pollfd ready{master, POLLIN, 0};
    if (::poll(&ready, 1, waitMs) <= 0)
        return false;
    char buffer[4096];
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    received.append(buffer, got);
    return true;
}

bool PseudoTerminal::waitFor(QProcess &process, const std::function<bool(const QByteArray &)> &done,
                             int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done(received)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        if (drain(20))
            continue;
        process.waitForFinished(0);
        if (process.state() == QProcess::NotRunning && !drain(50))
            return done(received);
    }
    return true;
}

bool PseudoTerminal::waitForText(QProcess &process, const QString &text, int timeoutMs)
{
    const QByteArray bytes = text.toUtf8();
    return waitFor(
        process, [&bytes](const QByteArray &so) { return so.contains(bytes); }, timeoutMs);
}

bool PseudoTerminal::waitForExit(QProcess &process, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!process.waitForFinished(20)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (timer.elapsed() > timeoutMs)
            return false;
        drain(0);
    }
    // The last words may still be on their way, and in more than one piece.
    while (drain(50)) {
    }
    return true;
}

void PseudoTerminal::type(const QByteArray &keys)
{
    [[maybe_unused]] const ssize_t written = ::write(master, keys.constData(), size_t(keys.size()));
}

bool PseudoTerminal::echoes() const
{
    termios settings{};
    return tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}
