#include "sevenziprun.h"

#include "operationcontext.h"
#include "sevenzipprogress.h"
#include "toolpipeline.h"

#include <QProcessEnvironment>

#include <atomic>

namespace {

const QString sevenZipProgram = QStringLiteral("7z");

} // namespace

SevenZipRun::SevenZipRun(OperationContext &context) : context(context) {}

void SevenZipRun::setProgressShare(double start, double share)
{
    progressStart = start;
    progressShare = share;
}

OperationResult SevenZipRun::run(const QStringList &arguments)
{
    standardOutput.clear();
    standardError.clear();
    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);

    // The context's cancel flag is looked at on every tick below; the pipeline's own stays unset.
    const std::atomic_bool neverSet{false};
    ToolPipeline pipeline(neverSet);
    pipeline.append({sevenZipProgram, arguments, workingDirectory});
    if (!input.isEmpty())
        pipeline.setInputData(input);
    if (keepsOutput) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        pipeline.setEnvironment(environment);
    }

    SevenZipProgress progress;
    pipeline.setOutputHandler([&](const QByteArray &chunk) {
        if (keepsOutput) {
            standardOutput += chunk;
            return;
        }
        if (!progress.feed(chunk))
            return;
        context.setPercent(int(progressStart + progressShare * progress.percent() / 100));
        if (!progress.currentName().isEmpty())
            context.setCurrentEntry(progress.currentName());
    });
    pipeline.setTickHandler([&] {
        if (context.isCancelled()) {
            pipeline.stop(OperationResult::failure(ResultCode::Cancelled));
            return;
        }
        context.publish();
    });
    const OperationResult outcome = pipeline.run();
    standardError = pipeline.errorOutput(0).toUtf8();
    context.publish();
    return outcome;
}
