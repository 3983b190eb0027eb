#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The figures under a progress dialog's headline, worked out from what is known of an operation at
// one moment. Pure functions; texts in the language installed at the moment of the call.
class ProgressDetails
{
    Q_DECLARE_TR_FUNCTIONS(ProgressDetails)

public:
    static constexpr qint64 unknown = -1;

    struct Snapshot {
        int percent = 0;
        qint64 processedBytes = unknown;
        qint64 totalBytes = unknown;
        qint64 elapsedMs = 0;
    };

    // One line with the processed and total size and the speed, when the bytes are known; one
    // with the elapsed time and, once an estimate means something, the remaining time.
    static QStringList lines(const Snapshot &snapshot);

    // Average bytes per second since the start, or `unknown` before a second has passed or
    // without byte counts.
    static qint64 bytesPerSecond(const Snapshot &snapshot);
    // Milliseconds still to go at the pace so far, from the bytes where known and the percentage
    // otherwise; `unknown` during the first seconds, before 1 % and once all is done.
    static qint64 remainingMs(const Snapshot &snapshot);
    // "m:ss" below an hour, "h:mm:ss" from an hour on.
    static QString duration(qint64 milliseconds);
};
