#pragma once

#include "interaction.h"

#include <QList>

// Answers an operation's questions from lists prepared by the test, in order, and records every
// question asked. An exhausted list answers Cancel (password: not given).
class ScriptedInteraction : public Interaction
{
public:
    QList<PasswordAnswer> passwordAnswers;
    QList<ReplaceAnswer> replaceAnswers;
    QList<PasswordQuestion> passwordQuestions;
    QList<ReplaceQuestion> replaceQuestions;

    PasswordAnswer askPassword(const PasswordQuestion &question) override
    {
        passwordQuestions.append(question);
        return passwordAnswers.isEmpty() ? PasswordAnswer() : passwordAnswers.takeFirst();
    }
    ReplaceAnswer askReplace(const ReplaceQuestion &question) override
    {
        replaceQuestions.append(question);
        return replaceAnswers.isEmpty() ? ReplaceAnswer() : replaceAnswers.takeFirst();
    }
};
