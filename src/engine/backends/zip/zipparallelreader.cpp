#include "zipparallelreader.h"

#include "extractiontarget.h"
#include "operationcontext.h"
#include "ziparchive.h"
#include "zipentryreader.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <limits>

namespace {

// Opening an entry and its output costs about as much as this many bytes of data.
constexpr qint64 perEntryWeight = 16 * 1024;
// Each further thread needs this much data to pay for its own handle.
constexpr qint64 weightPerThread = 16 * 1024 * 1024;
// How often the operation's thread, once out of entries, reports the others' progress.
constexpr int pollIntervalMs = 50;
constexpr qsizetype noFailure = std::numeric_limits<qsizetype>::max();

} // namespace

ZipParallelReader::ZipParallelReader(OperationContext &context, zip_t *archive, const QByteArray &password)
    : context(context), archive(archive), password(password)
{
}

qint64 ZipParallelReader::weight(const ZipCatalogueEntry &entry)
{
    return entry.size + perEntryWeight;
}

OperationResult ZipParallelReader::read(const QList<const ZipCatalogueEntry *> &work,
                                        const OutputFactory &open)
{
    if (work.isEmpty())
        return context.isCancelled() ? OperationResult::failure(ResultCode::Cancelled)
                                     : OperationResult::success();
    // Threads by the data to inflate: each further handle reads the whole central directory again,
    // which costs more than many small entries would gain.
    qint64 packedBytes = 0;
    for (const ZipCatalogueEntry *entry : work)
        packedBytes += std::max(entry->compressedSize, entry->size / 4);
    const int threads = int(std::clamp<qint64>(std::min<qint64>(packedBytes / weightPerThread, work.size()),
                                               1, QThread::idealThreadCount()));

    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> failedAt{noFailure};
    QList<OperationResult> failures(threads);
    QList<qsizetype> failurePositions(threads, noFailure);

    // Names the latest entry begun, in order; a failed entry is named like the others.
    const auto report = [&] {
        const qsizetype failed = failedAt;
        const qsizetype begun =
            std::min({next.load(), work.size(), failed == noFailure ? failed : failed + 1});
        if (begun > 0)
            context.setCurrentEntry(work.at(begun - 1)->name);
        context.publish();
    };

    const auto readEntries = [&](zip_t *handle, int worker, bool operationThread) {
        ZipEntryReader reader(context, handle, password);
        if (operationThread)
            reader.setBlockHandler(report);
        for (;;) {
            if (context.isCancelled())
                return;
            const qsizetype position = next++;
            if (position >= work.size() || position > failedAt)
                return;
            if (operationThread)
                report();
            const ZipCatalogueEntry &entry = *work.at(position);
            const auto stop = [&] { return context.isCancelled() || position > failedAt; };
            std::unique_ptr<StagedFile> output;
            OperationResult result = open(entry, &output);
            if (result.succeeded())
                result = reader.copy(entry, output.get(), stop);
            if (result.succeeded()) {
                context.addProcessedBytes(perEntryWeight);
                continue;
            }
            // Stopped for a cancel or for an earlier failure: neither is this entry's fault.
            if (result.cancelled())
                return;
            failures[worker] = result;
            failurePositions[worker] = position;
            qsizetype failed = failedAt;
            while (position < failed && !failedAt.compare_exchange_weak(failed, position)) {
            }
            return;
        }
    };

    {
        const QString archivePath = context.request().archivePath;
        QThreadPool pool;
        pool.setMaxThreadCount(std::max(1, threads - 1));
        for (int worker = 1; worker < threads; ++worker) {
            pool.start([&, worker] {
                ZipError error;
                ZipArchive handle = ZipArchive::open(archivePath, ZIP_RDONLY, &error);
                // Without a handle of its own this thread leaves the entries to the others.
                if (handle.isOpen())
                    readEntries(handle.get(), worker, false);
            });
        }
        readEntries(archive, 0, true);
        while (!pool.waitForDone(pollIntervalMs))
            report();
    }
    report();
    const auto first = std::min_element(failurePositions.cbegin(), failurePositions.cend());
    if (*first != noFailure)
        return failures.at(first - failurePositions.cbegin());
    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    return OperationResult::success();
}
