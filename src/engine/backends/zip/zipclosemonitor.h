#pragma once

#include <QList>

#include <zip.h>

#include <atomic>
#include <functional>

// libzip reads and compresses every entry inside zip_close, in index order, and reports each entry
// as an equal share of the whole. A monitor turns that back into the entry being written and the
// weight done so far, so progress follows the data, and stops zip_close when asked to.
//
// attach() registers both callbacks on an archive; the monitor must outlive the archive's handle.
// The callbacks run on the thread that closes the archive; the counters may be read from any thread.
class ZipCloseMonitor
{
public:
    // weights: each entry's weight, in index order. stopRequested is polled often, also inside large
    // entries; when it answers true zip_close fails with ZIP_ER_CANCELLED.
    ZipCloseMonitor(const QList<qint64> &weights, std::function<bool()> stopRequested);

    void attach(zip_t *archive, double precision);
    // Called on the closing thread after every progress report.
    void setUpdateHandler(std::function<void()> handler) { onUpdate = std::move(handler); }

    qint64 doneWeight() const { return done; }
    // The index of the entry being written; -1 before the first report.
    qsizetype currentEntry() const { return current; }

private:
    static void progressed(zip_t *, double fraction, void *state);
    static int cancelRequested(zip_t *, void *state);

    QList<qint64> weights;
    QList<qint64> weightBefore;
    std::function<bool()> stopRequested;
    std::function<void()> onUpdate;
    std::atomic<qint64> done{0};
    std::atomic<qsizetype> current{-1};
};
