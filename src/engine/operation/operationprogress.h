#pragma once

#include <QMetaType>
#include <QString>

// A snapshot of a running operation, as it reaches the window at most twenty times a second.
struct OperationProgress {
    // 0 to 99 while running; 100 only once the operation has succeeded.
    int percent = 0;
    // Bytes of the input handled so far and in all; totalBytes is 0 when not known.
    qint64 processedBytes = 0;
    qint64 totalBytes = 0;
    // The entry (or input) being worked on.
    QString currentEntry;
};

Q_DECLARE_METATYPE(OperationProgress)
