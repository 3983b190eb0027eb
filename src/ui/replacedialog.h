#pragma once

#include "userquestions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// Asks what to do when an extracted item would take the place of an existing one: Replace, Skip,
// Keep both, or Cancel the whole operation, optionally for every remaining clash. GUI thread only.
class ReplaceDialog : public QDialog
{
    Q_OBJECT

public:
    ReplaceDialog(const ReplaceQuestion &question, QWidget *parent = nullptr);

    // Shows the dialog modally and returns the answer; closing it counts as Cancel.
    static ReplaceAnswer ask(const ReplaceQuestion &question, QWidget *parent);

    ReplaceAnswer answer() const;

private:
    void choose(ReplaceChoice choice);
    // One line about one side of the clash: kind, size and date.
    QString describe(const ItemDescription &item) const;

    ReplaceChoice chosen = ReplaceChoice::Cancel;
    QCheckBox *applyToAllBox;
    QPushButton *replaceButton;
    QPushButton *skipButton;
    QPushButton *keepBothButton;
    QPushButton *cancelButton;
};
