#pragma once

#include <QObject>

class QWidget;

// For the start-up benchmark: when KELVANE_REPORT_FIRST_FRAME is set, writes the wall clock (whole
// microseconds since the epoch) on standard output once the window's first frame has been painted,
// and quits. GUI thread.
class FirstFrameReport : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *variable = "KELVANE_REPORT_FIRST_FRAME";

    // Watches window when the variable is set; does nothing otherwise.
    static void watchIfAsked(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FirstFrameReport(QObject *parent);

    bool painted = false;
};
