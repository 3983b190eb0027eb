#pragma once

#include "interaction.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

class TerminalProgressBar;

// Answers an operation's questions on the terminal: a password typed without echo, a choice for an
// existing item. Called on the operation's thread; a prompt ends as cancelled when the operation is.
// Only for when standard input and standard error are both terminals.
class TerminalInteraction : public Interaction
{
    Q_DECLARE_TR_FUNCTIONS(TerminalInteraction)

public:
    TerminalInteraction(TerminalProgressBar &progressBar, std::function<bool()> cancelled);

    PasswordAnswer askPassword(const PasswordQuestion &question) override;
    ReplaceAnswer askReplace(const ReplaceQuestion &question) override;

    // Whether an existing archive may be replaced by the one about to be written (y/N).
    bool confirmReplaceArchive(const QString &archivePath);
    // True once as many wrong passwords as allowed were given and no more were asked for.
    bool gaveUpOnPassword() const { return passwordGivenUp; }

private:
    bool readAnswer(const QString &prompt, QString *answer, bool hidden);

    TerminalProgressBar &progressBar;
    std::function<bool()> cancelled;
    int wrongPasswords = 0;
    bool passwordGivenUp = false;
};
