#include "progressdetails.h"

#include "datasize.h"

#include <algorithm>

namespace {

// Estimates from the first moments swing wildly (start-up of the external programs, the first
// entry's key derivation); they are left out.
constexpr qint64 settlingMs = 2000;
constexpr qint64 oneSecondMs = 1000;

bool bytesKnown(const ProgressDetails::Snapshot &snapshot)
{
    return snapshot.totalBytes > 0 && snapshot.processedBytes >= 0;
}

} // namespace

QStringList ProgressDetails::lines(const Snapshot &snapshot)
{
    QStringList lines;
    if (bytesKnown(snapshot)) {
        const QString processed = DataSize::text(snapshot.processedBytes);
        const QString total = DataSize::text(snapshot.totalBytes);
        const qint64 speed = bytesPerSecond(snapshot);
        lines.append(speed == unknown
                         ? tr("已处理: %1 / %2").arg(processed, total)
                         : tr("已处理: %1 / %2 | 速度: %3/秒").arg(processed, total, DataSize::text(speed)));
    }
    const QString elapsed = duration(snapshot.elapsedMs);
    const qint64 remaining = remainingMs(snapshot);
    lines.append(remaining == unknown
                     ? tr("已用时间: %1").arg(elapsed)
                     : tr("已用时间: %1 | 剩余时间: 约 %2").arg(elapsed, duration(remaining)));
    return lines;
}

qint64 ProgressDetails::bytesPerSecond(const Snapshot &snapshot)
{
    if (!bytesKnown(snapshot) || snapshot.elapsedMs < oneSecondMs)
        return unknown;
    return snapshot.processedBytes * oneSecondMs / snapshot.elapsedMs;
}

qint64 ProgressDetails::remainingMs(const Snapshot &snapshot)
{
    if (snapshot.elapsedMs < settlingMs)
        return unknown;
    double done = 0;
    if (bytesKnown(snapshot))
        done = double(std::min(snapshot.processedBytes, snapshot.totalBytes)) / double(snapshot.totalBytes);
    else
        done = std::clamp(snapshot.percent, 0, 100) / 100.0;
    if (done < 0.01 || done >= 1.0)
        return unknown;
    return qint64(double(snapshot.elapsedMs) * (1.0 - done) / done);
}

QString ProgressDetails::duration(qint64 milliseconds)
{
    const qint64 seconds = std::max<qint64>(0, milliseconds) / 1000;
    const QChar zero = QLatin1Char('0');
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}
