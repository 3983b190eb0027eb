#include "zipparallelwriter.h"

#include "operationcontext.h"
#include "zipclosemonitor.h"
#include "zipentrywriter.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <limits>
#include <vector>

namespace {

// Work handed to one thread at least: below this, a thread and a part archive cost more than
// compressing in line.
constexpr qint64 minRunWeight = 4 * 1024 * 1024;
constexpr int runsPerThread = 4;
// How often the operation's thread reports the workers' progress and passes on a cancel.
constexpr int pollIntervalMs = 50;

} // namespace

ZipParallelWriter::ZipParallelWriter(OperationContext &context, const QList<ZipInputItem> &items,
                                     const QByteArray &password, const QString &partsFolder)
    : context(context), items(items), password(password), partsFolder(partsFolder)
{
}

bool ZipParallelWriter::worthwhile(int threads)
{
    if (threads < 2)
        return false;
    // Runs of roughly equal weight, a few per thread so the threads finish close together.
    qint64 total = 0;
    for (const ZipInputItem &item : items)
        total += ZipEntryWriter::weight(item);
    const qint64 target = std::max(minRunWeight, total / (qint64(threads) * runsPerThread));
    runs = QList<Run>(1);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (runs.last().weight >= target)
            runs.append(Run());
        if (items.at(i).kind != ZipInputItem::Kind::Folder)
            runs.last().members.append(i);
        runs.last().weight += ZipEntryWriter::weight(items.at(i));
    }
    return runs.size() > 1;
}

QString ZipParallelWriter::partPath(qsizetype run) const
{
    return partsFolder + QLatin1Char('/') + QString::number(run) + QLatin1String(".zip");
}

OperationResult ZipParallelWriter::compressRun(qsizetype run, const std::function<bool()> &stop,
                                               std::atomic<qint64> *done, std::atomic<qsizetype> *latest)
{
    const QList<qsizetype> &members = runs.at(run).members;
    ZipError error;
    ZipArchive part = ZipArchive::open(partPath(run), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!part.isOpen())
        return OperationResult::failure(ResultCode::TemporaryFileFailed, QString(), partPath(run),
                                        error.text);
    ZipEntryWriter writer(part.get(), password);
    QList<qint64> weights;
    for (const qsizetype member : members) {
        zip_uint64_t index = 0;
        const OperationResult added = writer.add(items.at(member), &index);
        if (!added.succeeded())
            return added;
        weights.append(ZipEntryWriter::weight(items.at(member)));
    }
    ZipCloseMonitor monitor(weights, stop);
    monitor.setUpdateHandler([&] {
        *done = monitor.doneWeight();
        *latest = members.at(std::max<qsizetype>(0, monitor.currentEntry()));
    });
    monitor.attach(part.get(), 0.0001);
    if (!part.close()) {
        const ZipError failure = part.error();
        // The handle points at the monitor; it must go before the monitor does.
        part = ZipArchive();
        if (failure.zipCode == ZIP_ER_CANCELLED)
            return OperationResult::failure(ResultCode::Cancelled);
        if (failure.zipCode == ZIP_ER_READ || failure.zipCode == ZIP_ER_OPEN) {
            const qsizetype failed = members.at(std::max<qsizetype>(0, monitor.currentEntry()));
            return OperationResult::pathFailure(ResultCode::InputUnreadable, items.at(failed).sourcePath,
                                                failure.text);
        }
        if (failure.diskFull())
            return OperationResult::pathFailure(ResultCode::DiskFull, context.request().archivePath,
                                                failure.text);
        return OperationResult::failure(ResultCode::TemporaryFileFailed, QString(), partPath(run),
                                        failure.text);
    }
    *done = runs.at(run).weight;
    return OperationResult::success();
}

OperationResult ZipParallelWriter::compressParts(int threads, int share)
{
    qint64 totalWeight = 0;
    QList<qsizetype> order;
    for (qsizetype run = 0; run < runs.size(); ++run) {
        totalWeight += runs.at(run).weight;
        if (!runs.at(run).members.isEmpty())
            order.append(run);
    }
    // Heaviest first: a big file started last would leave the other threads idle at the end.
    std::stable_sort(order.begin(), order.end(),
                     [this](qsizetype a, qsizetype b) { return runs.at(a).weight > runs.at(b).weight; });

    std::vector<std::atomic<qint64>> done(size_t(runs.size()));
    std::atomic<qsizetype> latest{-1};
    std::atomic_bool failed{false};
    constexpr qsizetype noFailure = std::numeric_limits<qsizetype>::max();
    QList<OperationResult> results(runs.size());
    const std::function<bool()> stop = [&] { return failed || context.isCancelled(); };

    const auto report = [&] {
        qint64 sum = 0;
        for (const std::atomic<qint64> &part : done)
            sum += part;
        context.setProcessedBytes(totalWeight > 0 ? sum * share / 100 : 0);
        const qsizetype entry = latest;
        if (entry >= 0)
            context.setCurrentEntry(items.at(entry).name);
        context.publish();
    };
    {
        QThreadPool pool;
        pool.setMaxThreadCount(threads);
        for (const qsizetype run : std::as_const(order)) {
            pool.start([&, run] {
                results[run] = compressRun(run, stop, &done[size_t(run)], &latest);
                if (!results.at(run).succeeded())
                    failed = true;
            });
        }
        while (!pool.waitForDone(pollIntervalMs))
            report();
    }
    report();
    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    // The first failure in entry order, as one thread would have met it; runs stopped because another
    // failed report Cancelled and do not count.
    qsizetype first = noFailure;
    for (qsizetype run = 0; run < runs.size(); ++run) {
        if (!results.at(run).succeeded() && !results.at(run).cancelled()) {
            first = run;
            break;
        }
    }
    if (first != noFailure)
        return results.at(first);
    return OperationResult::success();
}

OperationResult ZipParallelWriter::fill(zip_t *archive)
{
    ZipEntryWriter writer(archive, password);
    // Every entry is named first, so a clash of names fails before any copying.
    QList<zip_uint64_t> finalIndex(items.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        const OperationResult added = writer.addPlaceholder(items.at(i), &finalIndex[i]);
        if (!added.succeeded())
            return added;
    }
    parts.clear();
    parts.reserve(size_t(runs.size()));
    for (qsizetype run = 0; run < runs.size(); ++run) {
        const QList<qsizetype> &members = runs.at(run).members;
        ZipArchive part;
        if (!members.isEmpty()) {
            ZipError error;
            part = ZipArchive::open(partPath(run), ZIP_RDONLY, &error);
            if (!part.isOpen())
                return OperationResult::failure(ResultCode::TemporaryFileFailed, QString(), partPath(run),
                                                error.text);
        }
        for (qsizetype position = 0; position < members.size(); ++position) {
            const qsizetype member = members.at(position);
            const OperationResult copied =
                writer.copyFrom(finalIndex.at(member), part.get(), zip_uint64_t(position), items.at(member));
            if (!copied.succeeded())
                return copied;
        }
        parts.push_back(std::move(part));
    }
    return OperationResult::success();
}
