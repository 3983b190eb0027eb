#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <thread>

// How many bytes "tar -cf" will write for some inputs, and where in that stream each input ends,
// counted on a thread of its own: walking tens of thousands of files takes as long as zstd needs to
// compress them, and tar need not wait for a figure that only serves progress. A header per entry
// plus the contents in whole blocks; long names and record padding make the real stream slightly
// larger.
class TarStreamEstimate
{
public:
    // Starts counting.
    explicit TarStreamEstimate(const QStringList &inputs);
    // Stops a count still running and waits for its thread.
    ~TarStreamEstimate();
    TarStreamEstimate(const TarStreamEstimate &) = delete;
    TarStreamEstimate &operator=(const TarStreamEstimate &) = delete;

    bool isReady() const { return ready.load(std::memory_order_acquire); }
    void waitUntilReady();
    // Once ready: the whole stream, and the end of each input in it (in the order given).
    qint64 totalBytes() const { return ends.isEmpty() ? 0 : ends.last(); }
    const QList<qint64> &inputEnds() const { return ends; }

private:
    void count(const QStringList &inputs);

    std::atomic_bool stopRequested{false};
    std::atomic_bool ready{false};
    QList<qint64> ends;
    std::thread worker;
};
