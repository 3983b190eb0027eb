#include "terminalprogressbar.h"

#include "terminal.h"

#include <QLocale>

#include <algorithm>

namespace {

// Operations shorter than this never show a line, so quick commands do not flicker.
constexpr qint64 graceMs = 150;

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1);
}

} // namespace

TerminalProgressBar::TerminalProgressBar(bool enabled) : enabled(enabled)
{
    sinceStart.start();
}

void TerminalProgressBar::show(const OperationProgress &progress)
{
    if (!enabled || sinceStart.elapsed() < graceMs)
        return;
    // The last column stays free: writing into it makes some terminals wrap.
    const QString line = render(progress, Terminal::columns() - 1);
    Terminal::write(Terminal::Stream::Error, QLatin1Char('\r') + line + QLatin1String("\x1b[K"));
    drawn = true;
}

void TerminalProgressBar::clear()
{
    if (!drawn)
        return;
    Terminal::write(Terminal::Stream::Error, QStringLiteral("\r\x1b[K"));
    drawn = false;
}

QString TerminalProgressBar::render(const OperationProgress &progress, int width)
{
    const int percent = std::clamp(progress.percent, 0, 100);
    const int barWidth = width >= 60 ? 24 : std::max(4, width / 4);
    const int filled = barWidth * percent / 100;
    QString bar = QString(filled, QLatin1Char('='));
    if (filled < barWidth)
        bar += QLatin1Char('>') + QString(barWidth - filled - 1, QLatin1Char(' '));
    QString line = QStringLiteral("[%1] %2%").arg(bar).arg(percent, 3);
    if (progress.totalBytes > 0)
        line +=
            QStringLiteral("  %1 / %2").arg(sizeText(progress.processedBytes), sizeText(progress.totalBytes));
    if (Terminal::displayWidth(line) > width)
        return Terminal::fitTail(QStringLiteral("%1%").arg(percent, 3), width);
    const int room = width - Terminal::displayWidth(line) - 2;
    if (!progress.currentEntry.isEmpty() && room >= 8)
        line += QLatin1String("  ") + Terminal::fitTail(progress.currentEntry, room);
    return line;
}
