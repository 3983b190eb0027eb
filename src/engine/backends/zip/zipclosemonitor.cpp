#include "zipclosemonitor.h"

#include <algorithm>

ZipCloseMonitor::ZipCloseMonitor(const QList<qint64> &weights, std::function<bool()> stopRequested)
    : weights(weights), stopRequested(std::move(stopRequested))
{
    qint64 sum = 0;
    weightBefore.reserve(weights.size());
    for (const qint64 weight : weights) {
        weightBefore.append(sum);
        sum += weight;
    }
}

void ZipCloseMonitor::attach(zip_t *archive, double precision)
{
    zip_register_progress_callback_with_state(archive, precision, &ZipCloseMonitor::progressed, nullptr,
                                              this);
    zip_register_cancel_callback_with_state(archive, &ZipCloseMonitor::cancelRequested, nullptr, this);
}

void ZipCloseMonitor::progressed(zip_t *, double fraction, void *state)
{
    auto *monitor = static_cast<ZipCloseMonitor *>(state);
    const qsizetype count = monitor->weights.size();
    if (count == 0)
        return;
    const double scaled = std::clamp(fraction, 0.0, 1.0) * double(count);
    const qsizetype position = std::min(count - 1, qsizetype(scaled));
    const double withinEntry = std::min(1.0, scaled - double(position));
    const qint64 done =
        monitor->weightBefore.at(position) + qint64(withinEntry * double(monitor->weights.at(position)));
    // libzip's fraction is monotonic, but a rounding step must not move progress back.
    if (done > monitor->done)
        monitor->done = done;
    monitor->current = position;
    if (monitor->onUpdate)
        monitor->onUpdate();
}

int ZipCloseMonitor::cancelRequested(zip_t *, void *state)
{
    return static_cast<ZipCloseMonitor *>(state)->stopRequested() ? 1 : 0;
}
