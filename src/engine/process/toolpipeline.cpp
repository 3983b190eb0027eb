#include "toolpipeline.h"

#include "headtailbuffer.h"
#include "operationcontext.h"
#include "readposition.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>
#include <vector>

namespace {

constexpr int tickMs = 50;
// How long a program asked to terminate may take before it is killed.
constexpr int terminateGraceMs = 2000;
// After one program failed, how long the others may take to end on their own (their own complaint may
// be the cause) before they are stopped.
constexpr int settleMs = 1000;
constexpr qint64 inputChunkBytes = 256 * 1024;
// What may wait in our memory for the first program to take it.
constexpr qint64 maxQueuedInputBytes = 1024 * 1024;
// A standard error line longer than this is kept as it is instead of waiting for its end.
constexpr qsizetype maxErrorLineBytes = 64 * 1024;

#ifdef Q_OS_UNIX
constexpr int brokenPipeSignal = SIGPIPE;
#else
constexpr int brokenPipeSignal = -1;
#endif

} // namespace

class ToolPipeline::Private
{
public:
    struct Stage {
        ToolCommand command;
        QString executable;
        std::unique_ptr<QProcess> process;
        HeadTailBuffer errors;
        QByteArray partialErrorLine;
        ErrorLineHandler errorLineHandler;
        bool started = false;
        bool startFailed = false;
        QString startError;
        bool ended = false;
        bool stoppedByUs = false;
        QProcess::ExitStatus exitStatus = QProcess::NormalExit;
        int exitCode = -1;

        bool failed() const { return ended && (exitStatus != QProcess::NormalExit || exitCode != 0); }
        bool diedOfBrokenPipe() const
        {
            return ended && exitStatus == QProcess::CrashExit && exitCode == brokenPipeSignal;
        }
    };

    explicit Private(std::function<bool()> cancelled) : isCancelled(std::move(cancelled)) {}

    OperationResult run();
    OperationResult findPrograms();
    void startAll();
    void feedInput();
    void reportInputPosition();
    void readErrors(Stage &stage, bool atEnd);
    void keepErrorText(Stage &stage, QByteArrayView text);
    void stageEnded(Stage &stage, int exitCode, QProcess::ExitStatus status);
    void stageFailedToStart(Stage &stage);
    void tick();
    void stopAll(const OperationResult &result);
    void terminateAll();
    void killRemaining();
    bool allEnded() const;
    void quitWhenDone();
    OperationResult verdict() const;

    const std::function<bool()> isCancelled;
    std::vector<Stage> stages;
    bool hasEnvironment = false;
    QProcessEnvironment environment;

    bool hasInputData = false;
    QByteArray inputData;
    QString inputPath;
    QFile inputFile;
    // The first program reads inputPath itself; its position there is the progress.
    bool inputReadDirectly = false;
    bool inputClosed = false;
    qint64 inputTaken = 0;
    ProgressHandler inputProgressHandler;
    OutputHandler outputHandler;
    QString outputPath;
    TickHandler tickHandler;

    QEventLoop *loop = nullptr;
    bool stopping = false;
    bool hasStopResult = false;
    OperationResult stopResult;
    bool settling = false;
    QTimer settleTimer;
    QTimer killTimer;
};

ToolPipeline::ToolPipeline(const std::atomic_bool &cancelFlag)
    : d(new Private([&cancelFlag] { return cancelFlag.load(); }))
{
}

ToolPipeline::ToolPipeline(const OperationContext &context)
    : d(new Private([&context] { return context.isCancelled(); }))
{
}

ToolPipeline::~ToolPipeline() = default;

int ToolPipeline::append(const ToolCommand &command)
{
    Private::Stage stage;
    stage.command = command;
    d->stages.push_back(std::move(stage));
    return int(d->stages.size()) - 1;
}

void ToolPipeline::setEnvironment(const QProcessEnvironment &environment)
{
    d->hasEnvironment = true;
    d->environment = environment;
}

void ToolPipeline::setInputData(const QByteArray &data)
{
    d->hasInputData = true;
    d->inputData = data;
    d->inputPath.clear();
}

void ToolPipeline::setInputFile(const QString &path)
{
    d->hasInputData = false;
    d->inputPath = path;
}

void ToolPipeline::setInputProgressHandler(ProgressHandler handler)
{
    d->inputProgressHandler = std::move(handler);
}

void ToolPipeline::setOutputHandler(OutputHandler handler)
{
    d->outputHandler = std::move(handler);
    d->outputPath.clear();
}

void ToolPipeline::setOutputFile(const QString &path)
{
    d->outputPath = path;
    d->outputHandler = nullptr;
}

void ToolPipeline::setErrorLineHandler(int index, ErrorLineHandler handler)
{
    d->stages.at(size_t(index)).errorLineHandler = std::move(handler);
}

void ToolPipeline::setTickHandler(TickHandler handler)
{
    d->tickHandler = std::move(handler);
}

OperationResult ToolPipeline::run()
{
    return d->run();
}

void ToolPipeline::stop(const OperationResult &result)
{
    d->stopAll(result);
}

QString ToolPipeline::errorOutput(int index) const
{
    return d->stages.at(size_t(index)).errors.text();
}

bool ToolPipeline::exitedNormally(int index) const
{
    const Private::Stage &stage = d->stages.at(size_t(index));
    return stage.ended && stage.exitStatus == QProcess::NormalExit;
}

int ToolPipeline::exitCode(int index) const
{
    return d->stages.at(size_t(index)).exitCode;
}

OperationResult ToolPipeline::Private::findPrograms()
{
    for (Stage &stage : stages) {
        const QString &program = stage.command.program;
        if (program.contains(QLatin1Char('/')) || QDir::isAbsolutePath(program)) {
            const QFileInfo file(program);
            if (!file.exists())
                return OperationResult::pathFailure(ResultCode::ToolMissing, program);
            stage.executable = file.absoluteFilePath();
        } else {
            stage.executable = QStandardPaths::findExecutable(program);
            if (stage.executable.isEmpty())
                return OperationResult::pathFailure(ResultCode::ToolMissing, program);
        }
    }
    return OperationResult::success();
}

OperationResult ToolPipeline::Private::run()
{
    if (stages.empty())
        return OperationResult::success();
    if (isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    const OperationResult found = findPrograms();
    if (!found.succeeded())
        return found;
    if (!inputPath.isEmpty()) {
        inputFile.setFileName(inputPath);
        if (!inputFile.open(QIODevice::ReadOnly))
            return OperationResult::pathFailure(ResultCode::ReadFailed, inputPath, inputFile.errorString());
        inputReadDirectly = ReadPosition::isAvailable();
    }
    if (!outputPath.isEmpty()) {
        QFile output(outputPath);
        if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return OperationResult::pathFailure(ResultCode::WriteFailed, outputPath, output.errorString());
    }

    QEventLoop eventLoop;
    loop = &eventLoop;
    QTimer ticker;
    ticker.setInterval(tickMs);
    QObject::connect(&ticker, &QTimer::timeout, &eventLoop, [this] { tick(); });
    settleTimer.setSingleShot(true);
    QObject::connect(&settleTimer, &QTimer::timeout, &eventLoop, [this] { terminateAll(); });
    killTimer.setSingleShot(true);
    QObject::connect(&killTimer, &QTimer::timeout, &eventLoop, [this] { killRemaining(); });

    startAll();
    ticker.start();
    if (!allEnded())
        eventLoop.exec(QEventLoop::ExcludeUserInputEvents);
    ticker.stop();
    settleTimer.stop();
    killTimer.stop();
    loop = nullptr;
    inputFile.close();
    for (Stage &stage : stages) {
        if (stage.process)
            stage.process->disconnect();
    }
    return verdict();
}

void ToolPipeline::Private::startAll()
{
    const size_t count = stages.size();
    for (Stage &stage : stages) {
        stage.process = std::make_unique<QProcess>();
        if (hasEnvironment)
            stage.process->setProcessEnvironment(environment);
        if (!stage.command.workingDirectory.isEmpty())
            stage.process->setWorkingDirectory(stage.command.workingDirectory);
    }
    for (size_t i = 0; i + 1 < count; ++i)
        stages[i].process->setStandardOutputProcess(stages[i + 1].process.get());
    if (!hasInputData && inputPath.isEmpty())
        stages.front().process->setStandardInputFile(QProcess::nullDevice());
    if (inputReadDirectly) {
        stages.front().process->setStandardInputFile(inputPath);
        inputClosed = true;
    }
    // Emptied in run() and only appended to here: ext4 writes a whole file out when a descriptor
    // that truncated it is closed (its guard for files rewritten in place), and the program's exit
    // would wait for that on every archive.
    if (!outputPath.isEmpty())
        stages.back().process->setStandardOutputFile(outputPath, QIODevice::Append);
    else if (!outputHandler)
        stages.back().process->setStandardOutputFile(QProcess::nullDevice());

    for (size_t i = 0; i < count; ++i) {
        Stage &stage = stages[i];
        QProcess *process = stage.process.get();
        QObject::connect(process, &QProcess::readyReadStandardError, process,
                         [this, &stage] { readErrors(stage, false); });
        QObject::connect(
            process, &QProcess::finished, process,
            [this, &stage](int code, QProcess::ExitStatus status) { stageEnded(stage, code, status); });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [this, &stage](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart)
                                 stageFailedToStart(stage);
                         });
        if (i == 0 && !inputPath.isEmpty() && !inputReadDirectly) {
            QObject::connect(process, &QProcess::bytesWritten, process, [this](qint64 bytes) {
                inputTaken += bytes;
                if (inputProgressHandler)
                    inputProgressHandler(inputTaken);
                feedInput();
            });
        }
        if (i + 1 == count && outputHandler) {
            QObject::connect(process, &QProcess::readyReadStandardOutput, process, [this, process] {
                const QByteArray chunk = process->readAllStandardOutput();
                if (!chunk.isEmpty() && !hasStopResult)
                    outputHandler(chunk);
            });
        }
    }

    // Readers first, so a writer never starts without the program it writes to.
    for (size_t i = count; i-- > 0;) {
        Stage &stage = stages[i];
        stage.process->start(stage.executable, stage.command.arguments);
        stage.started = true;
        if (stopping)
            return;
    }
    if (hasInputData) {
        stages.front().process->write(inputData);
        stages.front().process->closeWriteChannel();
        inputClosed = true;
    } else if (!inputPath.isEmpty() && !inputReadDirectly) {
        feedInput();
    }
}

void ToolPipeline::Private::feedInput()
{
    if (inputClosed || stopping)
        return;
    QProcess *first = stages.front().process.get();
    if (first->state() == QProcess::NotRunning)
        return;
    while (first->bytesToWrite() < maxQueuedInputBytes) {
        if (inputFile.atEnd()) {
            first->closeWriteChannel();
            inputClosed = true;
            return;
        }
        const QByteArray chunk = inputFile.read(inputChunkBytes);
        if (chunk.isEmpty()) {
            stopAll(OperationResult::pathFailure(ResultCode::ReadFailed, inputPath, inputFile.errorString()));
            return;
        }
        first->write(chunk);
    }
}

void ToolPipeline::Private::reportInputPosition()
{
    const qint64 position = ReadPosition::of(stages.front().process->processId(), 0);
    if (position <= inputTaken)
        return;
    inputTaken = position;
    inputProgressHandler(inputTaken);
}

void ToolPipeline::Private::readErrors(Stage &stage, bool atEnd)
{
    const QByteArray chunk = stage.process->readAllStandardError();
    if (!stage.errorLineHandler) {
        stage.errors.append(chunk);
        return;
    }
    QByteArrayView rest(chunk);
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf('\n');
        if (end < 0) {
            stage.partialErrorLine.append(rest);
            break;
        }
        stage.partialErrorLine.append(rest.first(end));
        rest = rest.sliced(end + 1);
        if (!stage.errorLineHandler(stage.partialErrorLine))
            keepErrorText(stage, stage.partialErrorLine + '\n');
        stage.partialErrorLine.clear();
    }
    if (stage.partialErrorLine.size() > maxErrorLineBytes || (atEnd && !stage.partialErrorLine.isEmpty())) {
        if (!stage.errorLineHandler(stage.partialErrorLine))
            keepErrorText(stage, stage.partialErrorLine);
        stage.partialErrorLine.clear();
    }
}

void ToolPipeline::Private::keepErrorText(Stage &stage, QByteArrayView text)
{
    stage.errors.append(text);
}

void ToolPipeline::Private::stageEnded(Stage &stage, int exitCode, QProcess::ExitStatus status)
{
    readErrors(stage, true);
    stage.ended = true;
    stage.exitCode = exitCode;
    stage.exitStatus = status;
    if (&stage == &stages.front() && !inputClosed) {
        // The first program no longer reads: what is left of the input has nowhere to go.
        inputClosed = true;
    }
    // A program that ended well has read its input to the end; its position can no longer be asked.
    if (&stage == &stages.front() && inputReadDirectly && inputProgressHandler && !stage.failed() &&
        !stage.stoppedByUs && inputFile.size() > inputTaken) {
        inputTaken = inputFile.size();
        inputProgressHandler(inputTaken);
    }
    if (!stopping && !settling && stage.failed() && !stage.diedOfBrokenPipe()) {
        // Programs before it may still be reading our input or writing into the pipe it left.
        settling = true;
        if (!inputClosed && stages.front().process->state() != QProcess::NotRunning) {
            stages.front().process->closeWriteChannel();
            inputClosed = true;
        }
        settleTimer.start(settleMs);
    }
    quitWhenDone();
}

void ToolPipeline::Private::stageFailedToStart(Stage &stage)
{
    if (stage.startFailed)
        return;
    stage.startFailed = true;
    stage.ended = true;
    stage.startError = stage.process->errorString();
    stopAll(
        OperationResult::failure(ResultCode::ToolNotStarted, {}, stage.command.program, stage.startError));
    quitWhenDone();
}

void ToolPipeline::Private::tick()
{
    if (isCancelled() && !stopping)
        stopAll(OperationResult::failure(ResultCode::Cancelled));
    if (inputReadDirectly && inputProgressHandler && !stopping && !stages.front().ended)
        reportInputPosition();
    if (tickHandler && !stopping)
        tickHandler();
}

void ToolPipeline::Private::stopAll(const OperationResult &result)
{
    if (!hasStopResult) {
        hasStopResult = true;
        stopResult = result;
    }
    terminateAll();
}

void ToolPipeline::Private::terminateAll()
{
    if (stopping)
        return;
    stopping = true;
    settleTimer.stop();
    for (Stage &stage : stages) {
        if (stage.process && stage.process->state() != QProcess::NotRunning) {
            stage.stoppedByUs = true;
            stage.process->terminate();
        }
    }
    killTimer.start(terminateGraceMs);
    quitWhenDone();
}

void ToolPipeline::Private::killRemaining()
{
    for (Stage &stage : stages) {
        if (stage.process && stage.process->state() != QProcess::NotRunning)
            stage.process->kill();
    }
}

bool ToolPipeline::Private::allEnded() const
{
    for (const Stage &stage : stages) {
        if (stage.started && (!stage.ended || stage.process->state() != QProcess::NotRunning))
            return false;
    }
    return true;
}

void ToolPipeline::Private::quitWhenDone()
{
    if (loop && allEnded())
        loop->quit();
}

OperationResult ToolPipeline::Private::verdict() const
{
    for (const Stage &stage : stages) {
        if (stage.startFailed)
            return OperationResult::failure(ResultCode::ToolNotStarted, {}, stage.command.program,
                                            stage.startError);
    }
    // A cancel, or a failure a handler met, is the cause; whatever the programs did after it is our
    // doing.
    if (hasStopResult && !stopResult.succeeded())
        return stopResult;
    // The first program that failed for a reason of its own is the cause. One killed by a broken pipe
    // only lost its reader: the program after it either failed too (and is named) or succeeded, having
    // read all it needed.
    for (size_t i = 0; i < stages.size(); ++i) {
        const Stage &stage = stages[i];
        if (!stage.failed() || stage.stoppedByUs)
            continue;
        if (stage.diedOfBrokenPipe() && i + 1 < stages.size())
            continue;
        QString detail = stage.errors.text();
        if (detail.isEmpty() && stage.exitStatus == QProcess::CrashExit)
            detail = stage.process->errorString();
        else if (detail.isEmpty())
            detail = QStringLiteral("exit code %1").arg(stage.exitCode);
        return OperationResult::failure(ResultCode::ToolFailed, {}, stage.command.program, detail);
    }
    return OperationResult::success();
}
