#pragma once

#include "cliarguments.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Reads kelvane-cli's command line (QCommandLineParser underneath). Refuses any form of a password
// argument without repeating it, so a password typed by mistake never reaches a log.
class CliArgumentParser
{
    Q_DECLARE_TR_FUNCTIONS(CliArgumentParser)

public:
    enum class Outcome { Run, ShowHelp, ShowVersion, BadUsage };

    // arguments as QCoreApplication::arguments() gives them, the program first.
    Outcome parse(const QStringList &arguments);
    const CliArguments &arguments() const { return parsed; }
    // Why the command line was refused, translated; empty unless parse() returned BadUsage.
    QString error() const { return problem; }

private:
    Outcome refuse(const QString &why);

    CliArguments parsed;
    QString problem;
};
