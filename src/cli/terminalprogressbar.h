#pragma once

#include "operationprogress.h"

#include <QElapsedTimer>
#include <QString>

// The progress line on standard error while an operation runs; draws nothing when disabled (standard
// error is not a terminal). Used on the operation's thread only, where progress arrives and questions
// are asked, so the line and a prompt never interleave.
class TerminalProgressBar
{
public:
    explicit TerminalProgressBar(bool enabled);

    void show(const OperationProgress &progress);
    // Erases the line (before a prompt or the final message); the next show() draws it again.
    void clear();

    // The line for a terminal width in columns, without control characters.
    static QString render(const OperationProgress &progress, int width);

private:
    bool enabled;
    bool drawn = false;
    QElapsedTimer sinceStart;
};
