#include "tarstreamestimate.h"

#include "tarheader.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

qint64 entryBytes(const QFileInfo &info)
{
    const qint64 size = info.isFile() && !info.isSymLink() ? info.size() : 0;
    return TarHeader::blockBytes +
           (size + TarHeader::blockBytes - 1) / TarHeader::blockBytes * TarHeader::blockBytes;
}

} // namespace

TarStreamEstimate::TarStreamEstimate(const QStringList &inputs) : worker([this, inputs] { count(inputs); }) {}

TarStreamEstimate::~TarStreamEstimate()
{
    stopRequested = true;
    waitUntilReady();
}

void TarStreamEstimate::waitUntilReady()
{
    if (worker.joinable())
        worker.join();
}

void TarStreamEstimate::count(const QStringList &inputs)
{
    // The two blocks of zeros that end every archive.
    qint64 bytes = 2 * TarHeader::blockBytes;
    QList<qint64> inputEnds;
    for (const QString &input : inputs) {
        const QFileInfo root(input);
        if (root.exists())
            bytes += entryBytes(root);
        if (root.isDir() && !root.isSymLink()) {
            QDirIterator entries(input, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                 QDirIterator::Subdirectories);
            while (entries.hasNext() && !stopRequested) {
                entries.next();
                bytes += entryBytes(entries.fileInfo());
            }
        }
        inputEnds << bytes;
    }
    ends = inputEnds;
    ready.store(true, std::memory_order_release);
}
