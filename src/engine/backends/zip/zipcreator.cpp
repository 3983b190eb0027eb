#include "zipcreator.h"

#include "operationcontext.h"
#include "zipclosemonitor.h"
#include "zipentrywriter.h"
#include "zipparallelwriter.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <memory>

namespace {

// Share of the parallel writer's progress for compressing; merging the parts only copies bytes.
constexpr int compressionShare = 95;

} // namespace

ZipCreator::ZipCreator(OperationContext &context) : context(context) {}

OperationResult ZipCreator::create()
{
    const QString archivePath = context.request().archivePath;
    const std::function<bool()> cancelled = [this] { return context.isCancelled(); };
    QList<ZipInputItem> items;
    const OperationResult walked =
        ZipInputWalker(archivePath, cancelled).walk(context.request().inputs, &items);
    if (!walked.succeeded())
        return walked;
    QList<qint64> weights;
    weights.reserve(items.size());
    qint64 totalWeight = 0;
    for (const ZipInputItem &item : std::as_const(items)) {
        weights.append(ZipEntryWriter::weight(item));
        totalWeight += weights.last();
    }
    context.setTotalBytes(totalWeight);
    const QByteArray password = context.request().password.toUtf8();

    // The parts live next to the archive: the same disk, and no size limit of a memory-backed /tmp.
    // Made before the archive, so the archive's handle, which reads from them, goes first.
    const int threads = QThread::idealThreadCount();
    const QFileInfo target(archivePath);
    std::unique_ptr<QTemporaryDir> partsFolder;
    std::unique_ptr<ZipParallelWriter> parallel;
    if (threads > 1) {
        partsFolder = std::make_unique<QTemporaryDir>(target.absolutePath() + QLatin1String("/.") +
                                                      target.fileName() + QLatin1String("-XXXXXX"));
        if (partsFolder->isValid())
            parallel = std::make_unique<ZipParallelWriter>(context, items, password, partsFolder->path());
        if (!parallel || !parallel->worthwhile(threads)) {
            parallel.reset();
            partsFolder.reset();
        }
    }

    ZipError error;
    ZipArchive archive = ZipArchive::open(archivePath, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive.isOpen())
        return error.writeFailure(archivePath);

    if (parallel) {
        const OperationResult compressed = parallel->compressParts(threads, compressionShare);
        if (!compressed.succeeded())
            return compressed;
        const OperationResult filled = parallel->fill(archive.get());
        if (!filled.succeeded())
            return filled;
        ZipCloseMonitor monitor(weights, cancelled);
        monitor.setUpdateHandler([&] {
            const qint64 merged = monitor.doneWeight() * (100 - compressionShare) / 100;
            context.setProcessedBytes(totalWeight * compressionShare / 100 + merged);
            context.publish();
        });
        monitor.attach(archive.get(), 0.001);
        return close(archive, monitor, items);
    }

    ZipEntryWriter writer(archive.get(), password);
    for (const ZipInputItem &item : std::as_const(items)) {
        zip_uint64_t index = 0;
        const OperationResult added = writer.add(item, &index);
        if (!added.succeeded())
            return added;
    }
    if (context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    ZipCloseMonitor monitor(weights, cancelled);
    monitor.setUpdateHandler([&] {
        context.setProcessedBytes(monitor.doneWeight());
        if (monitor.currentEntry() >= 0)
            context.setCurrentEntry(items.at(monitor.currentEntry()).name);
        context.publish();
    });
    monitor.attach(archive.get(), 0.0001);
    return close(archive, monitor, items);
}

OperationResult ZipCreator::close(ZipArchive &archive, ZipCloseMonitor &monitor,
                                  const QList<ZipInputItem> &items)
{
    if (archive.close()) {
        context.setProcessedBytes(context.totalBytes());
        return OperationResult::success();
    }
    const ZipError failure = archive.error();
    archive = ZipArchive();
    if (failure.zipCode == ZIP_ER_CANCELLED || context.isCancelled())
        return OperationResult::failure(ResultCode::Cancelled);
    // libzip opens and reads the inputs while closing; its error then concerns the entry at hand.
    if ((failure.zipCode == ZIP_ER_READ || failure.zipCode == ZIP_ER_OPEN) && !items.isEmpty()) {
        const qsizetype current = std::max<qsizetype>(0, monitor.currentEntry());
        return OperationResult::pathFailure(ResultCode::InputUnreadable, items.at(current).sourcePath,
                                            failure.text);
    }
    return failure.writeFailure(context.request().archivePath);
}
