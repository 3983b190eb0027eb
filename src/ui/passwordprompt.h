#pragma once

#include "userquestions.h"

#include <QInputDialog>

// Asks for the password an operation needs: names the archive (and the encrypted entry when the
// operation knows it) and, after a refusal, says the last password was wrong. Cancel gives an
// answer that is not given, which ends the operation as cancelled. GUI thread.
class PasswordPrompt : public QInputDialog
{
    Q_OBJECT

public:
    PasswordPrompt(const PasswordQuestion &question, QWidget *parent);

    // The prompt's text for a question.
    static QString text(const PasswordQuestion &question);
    // What the user answered; call after the dialog has closed.
    PasswordAnswer answer() const;
};
