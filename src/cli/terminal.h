#pragma once

#include <QString>

#include <functional>

// The console kelvane-cli talks to: which standard streams are terminals, how wide the error stream's
// terminal is, and reading one line from standard input, hidden when it holds a password.
// Platform parts live in terminal_unix.cpp and terminal_windows.cpp.
class Terminal
{
public:
    enum class Stream { Input, Output, Error };
    enum class ReadStatus { Read, EndOfInput, Cancelled };

    // Once at start-up, before anything is written.
    static void prepare();
    static bool isTerminal(Stream stream);
    // Columns of the terminal on standard error; 80 when it does not say.
    static int columns();

    // Writes prompt to standard error, then reads one line from standard input without its line
    // ending. hidden: a terminal does not echo what is typed; echo is off before the prompt shows, and
    // a new line follows the answer, since Enter was not echoed either. cancelled is polled while
    // waiting, so a prompt ends when the operation is cancelled.
    static ReadStatus readLine(const QString &prompt, QString *line, bool hidden,
                               const std::function<bool()> &cancelled);

    // Writes text as it is to standard output or standard error and flushes it.
    static void write(Stream stream, const QString &text);

    // Columns text takes on a terminal: two for East Asian wide characters, none for combining marks.
    static int displayWidth(const QString &text);
    // The tail of text that fits into width columns, "..." in front when something was cut.
    static QString fitTail(const QString &text, int width);
};
