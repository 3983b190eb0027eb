#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <functional>

// A pseudo-terminal to run a program as a person at a terminal would: the program gets the terminal
// as standard input and standard error (standard output stays a pipe of the QProcess), the test
// reads what it draws and types answers. Unix only.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return master >= 0; }
    // Call before process.start(). The process leads a session of its own with this terminal as its
    // controlling terminal: "\x03" typed interrupts its whole process group, as Ctrl+C does.
    void attach(QProcess &process) const;

    // Reads until what arrived so far satisfies done; false when timeoutMs pass or the process ends
    // first.
    bool waitFor(QProcess &process, const std::function<bool(const QByteArray &)> &done, int timeoutMs);
    bool waitForText(QProcess &process, const QString &text, int timeoutMs);
    // Waits for the process to end while reading the terminal, so its output never blocks it.
    bool waitForExit(QProcess &process, int timeoutMs);
    void type(const QByteArray &keys);
    // Everything the program wrote to the terminal (and the terminal echoed).
    const QByteArray &transcript() const { return received; }
    QString text() const { return QString::fromUtf8(received); }
    // Whether the terminal echoes input now (the program may turn it off and must turn it back on).
    bool echoes() const;

private:
    // Reads what is there, waiting up to waitMs for something; false when nothing came.
    bool drain(int waitMs);

    int master = -1;
    // Held open here too, so the master side never reads as hung up while no program holds it.
    int slave = -1;
    QByteArray slaveName;
    QByteArray received;
};
