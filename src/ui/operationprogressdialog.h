#pragma once

#include "progressdetails.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

class QLabel;

// The progress dialog of one archive operation: the percentage, the entry being processed and the
// figures of ProgressDetails, the elapsed time ticking on between reports. Cancel and Escape only
// emit canceled(); the dialog stays until finish(). Lives on the GUI thread.
class OperationProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    OperationProgressDialog(const QString &title, const QString &headline, const QString &cancelText,
                            QWidget *parent);

    // A report of the operation: percent 0–100, byte counts or ProgressDetails::unknown, the entry
    // being processed (empty while none has been named).
    void showProgress(int percent, qint64 processedBytes, qint64 totalBytes, const QString &currentEntry);
    int percent() const { return percentDone; }
    qint64 processedBytes() const { return processed; }
    qint64 totalBytes() const { return total; }
    QString currentEntry() const { return entry; }

    // Replaces the headline and the figures with the text, for good: reports still arriving only
    // move the bar.
    void showCancelling(const QString &text);
    // Closes the dialog for good and deletes it once control is back in the event loop.
    void finish();

private:
    void updateText();

    QLabel *label;
    QString headline;
    QString cancellingText;
    int percentDone = 0;
    qint64 processed = ProgressDetails::unknown;
    qint64 total = ProgressDetails::unknown;
    QString entry;
    QElapsedTimer clock;
    QTimer ticker;
};
