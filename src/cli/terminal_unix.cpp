#include "terminal.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How often a waiting prompt looks at the cancel flag.
constexpr int cancelPollMs = 100;

int descriptorOf(Terminal::Stream stream)
{
    switch (stream) {
    case Terminal::Stream::Input:
        return STDIN_FILENO;
    case Terminal::Stream::Output:
        return STDOUT_FILENO;
    case Terminal::Stream::Error:
        break;
    }
    return STDERR_FILENO;
}

// Turns echo off on standard input for its lifetime; does nothing when input is not a terminal.
class EchoOff
{
public:
    explicit EchoOff(bool wanted)
    {
        if (!wanted || tcgetattr(STDIN_FILENO, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;
    bool isActive() const { return active; }

private:
    termios saved{};
    bool active = false;
};

} // namespace

void Terminal::prepare() {}

bool Terminal::isTerminal(Stream stream)
{
    return isatty(descriptorOf(stream)) == 1;
}

int Terminal::columns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

Terminal::ReadStatus Terminal::readLine(const QString &prompt, QString *line, bool hidden,
                                        const std::function<bool()> &cancelled)
{
    const EchoOff echoOff(hidden && isTerminal(Stream::Input));
    if (!prompt.isEmpty())
        write(Stream::Error, prompt);
    QByteArray bytes;
    ReadStatus status = ReadStatus::EndOfInput;
    for (;;) {
        if (cancelled && cancelled()) {
            status = ReadStatus::Cancelled;
            break;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, cancelPollMs);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        // One byte at a time: nothing after the line is taken from a pipe another reader may share.
        char byte = 0;
        const ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            status = bytes.isEmpty() ? ReadStatus::EndOfInput : ReadStatus::Read;
            break;
        }
        if (byte == '\n') {
            status = ReadStatus::Read;
            break;
        }
        bytes.append(byte);
    }
    if (echoOff.isActive())
        write(Stream::Error, QStringLiteral("\n"));
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    *line = QString::fromLocal8Bit(bytes);
    return status;
}
