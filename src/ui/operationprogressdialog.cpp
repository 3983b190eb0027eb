#include "operationprogressdialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStyle>

#include <algorithm>

namespace {

// Wide enough for the figures; a long entry name is shortened in the middle rather than widening
// the dialog while it is shown.
constexpr int textWidth = 420;

} // namespace

OperationProgressDialog::OperationProgressDialog(const QString &title, const QString &headline,
                                                 const QString &cancelText, QWidget *parent)
    : QProgressDialog(parent), label(new QLabel(this)), headline(headline)
{
    setWindowTitle(title);
    setCancelButtonText(cancelText);
    setRange(0, 100);
    setValue(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    setLabel(label);
    // Room for the text and the dialog's margins, so that no report makes the dialog grow sideways.
    setMinimumWidth(textWidth + 2 * style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this));
    // Only finish() removes the dialog: the engine may still be finishing the archive at 100 %.
    setAutoClose(false);
    setAutoReset(false);
    // The dialog's own handling of Cancel would just hide it while the work goes on.
    disconnect(this, &QProgressDialog::canceled, this, nullptr);

    clock.start();
    ticker.setInterval(1000);
    connect(&ticker, &QTimer::timeout, this, &OperationProgressDialog::updateText);
    ticker.start();
    updateText();
}

void OperationProgressDialog::showProgress(int percent, qint64 processedBytes, qint64 totalBytes,
                                           const QString &currentEntry)
{
    percentDone = std::clamp(percent, 0, 100);
    processed = processedBytes;
    total = totalBytes;
    entry = currentEntry;
    setValue(percentDone);
    updateText();
}

void OperationProgressDialog::showCancelling(const QString &text)
{
    cancellingText = text;
    ticker.stop();
    updateText();
}

void OperationProgressDialog::finish()
{
    ticker.stop();
    // The dialog's own show timer (its minimum duration) would otherwise show it again, at 100 %,
    // over the result box whose nested event loop keeps this dialog alive; reset() stops it.
    reset();
    close();
    deleteLater();
}

void OperationProgressDialog::updateText()
{
    if (!cancellingText.isEmpty()) {
        setLabelText(cancellingText);
        return;
    }
    const QString firstLine = entry.isEmpty() ? headline : tr("正在处理: %1").arg(entry);
    QStringList lines{label->fontMetrics().elidedText(firstLine, Qt::ElideMiddle, textWidth)};
    lines += ProgressDetails::lines({percentDone, processed, total, clock.elapsed()});
    setLabelText(lines.join(QLatin1Char('\n')));
}
