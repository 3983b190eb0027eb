#pragma once

#include <QCoreApplication>
#include <QString>

// kelvane-cli's help, complete enough to use the program without other documentation: commands,
// options, formats, questions, exit codes and examples, in the interface language.
class HelpText
{
    Q_DECLARE_TR_FUNCTIONS(HelpText)

public:
    static QString full();
    // The line that follows a usage error.
    static QString hint();
    static QString version();

    // text broken into lines of at most width columns, each continuation indented by indent spaces.
    // Breaks at spaces, or between wide (CJK) characters, which need none.
    static QString wrap(const QString &text, int indent, int width);
};
