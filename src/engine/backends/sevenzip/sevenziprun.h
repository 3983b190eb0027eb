#pragma once

#include "operationresult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class OperationContext;

// One run of the 7z program for an operation, on the operation's thread: what it reads on standard
// input (a password), its "-bsp1" progress turned into a share of the operation's percent and its
// current entry, a cancel of the operation stopping it. Results are ToolPipeline's: ToolMissing,
// ToolNotStarted, ToolFailed with the head and tail of 7z's standard error, Cancelled.
class SevenZipRun
{
public:
    explicit SevenZipRun(OperationContext &context);

    void setWorkingDirectory(const QString &folder) { workingDirectory = folder; }
    void setInput(const QByteArray &data) { input = data; }
    // This run's 0 to 100 % become start to start + share of the operation's percent.
    void setProgressShare(double start, double share);
    // Keeps standard output (a listing) instead of reading progress from it; 7z prints times in UTC.
    void setKeepsOutput(bool keeps) { keepsOutput = keeps; }

    OperationResult run(const QStringList &arguments);

    QByteArray output() const { return standardOutput; }
    // What 7z printed on standard error (head and tail), for SevenZipDiagnosis.
    QByteArray errors() const { return standardError; }

private:
    OperationContext &context;
    QString workingDirectory;
    QByteArray input;
    double progressStart = 0;
    double progressShare = 100;
    bool keepsOutput = false;
    QByteArray standardOutput;
    QByteArray standardError;
};
