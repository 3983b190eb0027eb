#pragma once

#include "interaction.h"

#include <QList>
#include <QMap>

// Answers an operation's questions from lists prepared by the test, in order, and records every
// question asked. An exhausted list answers Cancel (password: not given). A replace question whose
// entry has an answer in replaceAnswersByEntry gets that one instead (for clashes met in no fixed
// order).
class ScriptedInteraction : public Interaction
{
public:
    QList<PasswordAnswer> passwordAnswers;
    QList<ReplaceAnswer> replaceAnswers;
    QMap<QString, ReplaceAnswer> replaceAnswersByEntry;
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
        if (replaceAnswersByEntry.contains(question.entry))
            return replaceAnswersByEntry.value(question.entry);
        return replaceAnswers.isEmpty() ? ReplaceAnswer() : replaceAnswers.takeFirst();
    }
};
