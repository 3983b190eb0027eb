#include "terminal.h"

#include <cstdio>
#include <io.h>
#include <iostream>
#include <string>
#include <windows.h>

namespace {

int descriptorOf(Terminal::Stream stream)
{
    switch (stream) {
    case Terminal::Stream::Input:
        return _fileno(stdin);
    case Terminal::Stream::Output:
        return _fileno(stdout);
    case Terminal::Stream::Error:
        break;
    }
    return _fileno(stderr);
}

// Turns echo off on the console input for its lifetime.
class EchoOff
{
public:
    explicit EchoOff(bool wanted)
    {
        console = GetStdHandle(STD_INPUT_HANDLE);
        if (!wanted || !GetConsoleMode(console, &saved))
            return;
        active = SetConsoleMode(console, saved & ~DWORD(ENABLE_ECHO_INPUT));
    }
    ~EchoOff()
    {
        if (active)
            SetConsoleMode(console, saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;
    bool isActive() const { return active; }

private:
    HANDLE console = nullptr;
    DWORD saved = 0;
    bool active = false;
};

} // namespace

void Terminal::prepare()
{
    // Everything is written as UTF-8.
    SetConsoleOutputCP(CP_UTF8);
}

bool Terminal::isTerminal(Stream stream)
{
    return _isatty(descriptorOf(stream)) != 0;
}

int Terminal::columns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}

Terminal::ReadStatus Terminal::readLine(const QString &prompt, QString *line, bool hidden,
                                        const std::function<bool()> &cancelled)
{
    // The console's own line editing blocks until Enter; Ctrl+C reaches the control handler meanwhile.
    const EchoOff echoOff(hidden && isTerminal(Stream::Input));
    if (!prompt.isEmpty())
        write(Stream::Error, prompt);
    std::string text;
    const bool read = static_cast<bool>(std::getline(std::cin, text));
    if (echoOff.isActive())
        write(Stream::Error, QStringLiteral("\n"));
    if (cancelled && cancelled())
        return ReadStatus::Cancelled;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    *line = QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
    return read ? ReadStatus::Read : ReadStatus::EndOfInput;
}
