#pragma once

#include "operationresult.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class OperationContext;

// One external program: its name (looked up on PATH) or path, its arguments, where it runs.
struct ToolCommand {
    QString program;
    QStringList arguments;
    // Empty: the caller's working folder.
    QString workingDirectory;
};

// Runs one external program, or a chain of them in which each reads the previous one's standard
// output through a direct pipe (file → xz -d → tar -x; tar -c → gzip → file; 7z alone), and waits
// for all of them in an event loop of its own on the calling thread. Every program's pipes are
// serviced at once, so none stalls behind another, and the cancel flag is looked at every 50 ms.
//
// The first program reads bytes given up front (a password, a list of names) or a file streamed in
// chunks; its standard input is closed after either, and is empty without. The last program's
// standard output goes straight into an output file, to the output handler chunk by chunk, or
// nowhere. Every program's standard
// error is drained as it comes and only its first and last 16 KiB are kept.
//
// run() returns:
// - Success when every program exited with 0, or died of a broken pipe while every program after it
//   succeeded (tar stops reading at its end marker while a decompressor still writes padding);
// - ToolMissing (path: the program) when it is not found, before anything is started;
// - ToolNotStarted (path: the program, detail: the system's reason) when it is found but fails to
//   start;
// - ToolFailed (path: the program, detail: the head and tail of its standard error) for the first
//   program of the chain that exited with another code or crashed for a reason of its own;
// - ReadFailed (path: the input file) when the input file cannot be read;
// - Cancelled when the cancel flag was set;
// - whatever a handler passed to stop().
// Whenever run() ends early, it asks every program still running to terminate, kills those still
// running after a grace period, and returns only once all have ended.
//
// Handlers are called on the calling thread, inside run(). One object runs once; not thread-safe,
// except that the cancel flag may be set from any thread.
class ToolPipeline
{
public:
    using OutputHandler = std::function<void(const QByteArray &chunk)>;
    // Returns true when it consumed the line, which is then not kept for the failure's detail.
    using ErrorLineHandler = std::function<bool(const QByteArray &line)>;
    using ProgressHandler = std::function<void(qint64 bytes)>;
    using TickHandler = std::function<void()>;

    explicit ToolPipeline(const std::atomic_bool &cancelFlag);
    // Follows the operation's cancel flag.
    explicit ToolPipeline(const OperationContext &context);
    ~ToolPipeline();
    ToolPipeline(const ToolPipeline &) = delete;
    ToolPipeline &operator=(const ToolPipeline &) = delete;

    // Appends a program to the chain; returns its index.
    int append(const ToolCommand &command);
    // The environment of every program; the caller's own by default.
    void setEnvironment(const QProcessEnvironment &environment);

    void setInputData(const QByteArray &data);
    // Where the system tells how far a program has read (Linux), the first program reads path
    // itself; elsewhere the bytes pass through this process.
    void setInputFile(const QString &path);
    // Called with the number of input bytes the first program has taken so far, as it grows
    // (about every 50 ms when it reads the file itself).
    void setInputProgressHandler(ProgressHandler handler);

    void setOutputHandler(OutputHandler handler);
    // The last program writes into path itself (created or emptied first), so the bytes never pass
    // through this process; takes the place of an output handler. A file that cannot be created or
    // emptied fails the run with WriteFailed before any program starts.
    void setOutputFile(const QString &path);
    // Called with each line (without its line end) program index prints on standard error.
    void setErrorLineHandler(int index, ErrorLineHandler handler);
    // Called about every 50 ms while the programs run, for instance to publish progress.
    void setTickHandler(TickHandler handler);

    OperationResult run();
    // From a handler: ends the run with result once every program has been stopped.
    void stop(const OperationResult &result);

    // After run(): what program index printed on standard error (head and tail), and how it ended.
    QString errorOutput(int index) const;
    bool exitedNormally(int index) const;
    int exitCode(int index) const;

private:
    class Private;
    std::unique_ptr<Private> d;
};
