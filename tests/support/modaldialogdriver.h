#pragma once

#include "userquestions.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers the modal dialogs an application opens, one after the other, as a user would: a polling
// timer finds each new modal dialog and runs the next step on it from a fresh event, so a step may
// open a nested dialog that is answered in turn. One line per dialog seen is kept:
// "box|<title>|<text>", "input|<title>|<label>", "file|<title>", "replace|<title>|<heading>" or
// "other|<title>". A dialog no step is left for is recorded as "unexpected ..." and rejected.
// Progress dialogs are never answered. GUI thread; keep the driver alive until its steps have run.
class ModalDialogDriver : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    ModalDialogDriver();

    ModalDialogDriver &then(Step step);
    // True once every step has run.
    bool finished() const { return steps.isEmpty() && pendingActions == 0; }
    // The dialogs seen so far, for the message of a failed wait.
    QString state() const;

    QStringList seen;
    // Whatever steps chose to note (chooseFile's dialog settings, for one).
    QStringList details;

    static QString describe(QWidget *dialog);

    // Accepts a file dialog with this path typed in (rejects it for an empty path). With details,
    // first notes the folder shown, the selected files, the name filters joined by ";;" and
    // "dirs only" or "all entries".
    static Step chooseFile(const QString &path, QStringList *details = nullptr);
    // Also picks the name filter before accepting.
    static Step chooseFileWithFilter(const QString &path, const QString &filter);
    static Step reject();
    // Types the password into a password prompt and accepts it; alsoDo runs first.
    static Step enterPassword(const QString &password, std::function<void()> alsoDo = {});
    static Step press(QMessageBox::StandardButton button);
    // Answers the replace question, ticking "apply to all" first when asked to.
    static Step answerReplace(ReplaceChoice choice, bool applyToAll = false);

private:
    void poll();

    QTimer pollTimer;
    QList<Step> steps;
    // A dialog under a nested one is active again for a moment after the nested one closes; it has
    // been answered already.
    QList<QPointer<QWidget>> answered;
    int pendingActions = 0;
};
