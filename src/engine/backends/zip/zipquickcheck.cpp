#include "zipquickcheck.h"

#include "legacynamedecoder.h"
#include "operationcontext.h"
#include "positionedfile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QThread>
#include <QThreadPool>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <optional>

namespace {

constexpr quint32 localHeaderSignature = 0x04034b50;
constexpr quint32 centralHeaderSignature = 0x02014b50;
constexpr quint32 endSignature = 0x06054b50;
constexpr quint32 zip64EndSignature = 0x06064b50;
constexpr quint32 zip64LocatorSignature = 0x07064b50;
constexpr qint64 localHeaderSize = 30;
constexpr qint64 centralHeaderSize = 46;
constexpr qint64 endRecordSize = 22;
constexpr qint64 zip64LocatorSize = 20;
constexpr qint64 zip64EndRecordSize = 56;
constexpr qint64 maxCommentSize = 0xFFFF;
constexpr quint16 zip64ExtraId = 0x0001;
constexpr quint16 unicodePathExtraId = 0x7075;
constexpr quint16 encryptedFlags = 0x0001 | 0x0040;
constexpr quint16 utf8NameFlag = 0x0800;
constexpr quint16 storedMethod = 0;
constexpr quint16 deflatedMethod = 8;
// A larger central directory is left to libzip rather than held in memory twice.
constexpr qint64 maxDirectoryBytes = 256LL * 1024 * 1024;
// Neighbouring entries come out of one read of this size.
constexpr qint64 windowSize = 1024 * 1024;
constexpr qint64 inflateBlockSize = 64 * 1024;
// Consecutive entries go to one thread together, so its reads stay sequential.
constexpr qint64 batchBytes = 4 * 1024 * 1024;
constexpr qsizetype batchEntries = 1024;
// Each further thread needs this much data to pay for its start.
constexpr qint64 bytesPerThread = 16 * 1024 * 1024;
constexpr int reportIntervalMs = 50;
// Progress is handed to the operation in steps of this size, not per entry.
constexpr qint64 progressStepBytes = 256 * 1024;
// The operation's thread looks at the clock once per this many entries.
constexpr qsizetype entriesPerReport = 64;

quint16 read16(const char *at)
{
    return qFromLittleEndian<quint16>(at);
}
quint32 read32(const char *at)
{
    return qFromLittleEndian<quint32>(at);
}
quint64 read64(const char *at)
{
    return qFromLittleEndian<quint64>(at);
}

struct Entry {
    qint64 headerOffset = 0;
    qint64 compressedSize = 0;
    qint64 size = 0;
    quint32 crc = 0;
    quint16 method = 0;
    // The name to show: where it sits in the directory's bytes, and how it is encoded.
    qsizetype nameOffset = 0;
    qsizetype nameLength = 0;
    bool nameIsUtf8 = false;
    int hostSystem = -1;
};

struct Directory {
    QByteArray bytes;
    // Where the central directory starts: every entry's data lies before it.
    qint64 offset = 0;
    QList<Entry> entries;
};

// The end records: where the central directory lies and how many entries it holds.
struct DirectoryPlace {
    quint64 offset = 0;
    quint64 size = 0;
    quint64 entryCount = 0;
};

std::optional<DirectoryPlace> findDirectory(PositionedFile &file)
{
    const qint64 fileSize = file.size();
    if (fileSize < endRecordSize)
        return {};
    const qint64 tailLength = std::min(fileSize, endRecordSize + maxCommentSize);
    const qint64 tailStart = fileSize - tailLength;
    QByteArray tail(tailLength, Qt::Uninitialized);
    if (file.read(tail.data(), tailLength, tailStart) != tailLength)
        return {};

    // The end record is the one whose comment runs exactly to the end of the file. A second such
    // record means an archive that reads two ways.
    qint64 endAt = -1;
    for (qint64 at = tailLength - endRecordSize; at >= 0; --at) {
        const char *record = tail.constData() + at;
        if (read32(record) != endSignature || at + endRecordSize + read16(record + 20) != tailLength)
            continue;
        if (endAt >= 0)
            return {};
        endAt = at;
    }
    if (endAt < 0)
        return {};
    const char *end = tail.constData() + endAt;
    const qint64 endPosition = tailStart + endAt;
    const quint16 disk = read16(end + 4);
    const quint16 directoryDisk = read16(end + 6);
    DirectoryPlace place{read32(end + 16), read32(end + 12), read16(end + 10)};
    const quint64 entriesOnDisk = read16(end + 8);
    const bool zip64 = disk == 0xFFFF || directoryDisk == 0xFFFF || entriesOnDisk == 0xFFFF ||
                       place.entryCount == 0xFFFF || place.size == 0xFFFFFFFF || place.offset == 0xFFFFFFFF;

    char locator[zip64LocatorSize];
    const bool hasLocator =
        endPosition >= zip64LocatorSize &&
        file.read(locator, zip64LocatorSize, endPosition - zip64LocatorSize) == zip64LocatorSize &&
        read32(locator) == zip64LocatorSignature;
    if (hasLocator != zip64)
        return {};
    quint64 directoryEnd = quint64(endPosition);
    if (!zip64) {
        if (disk != 0 || directoryDisk != 0 || entriesOnDisk != place.entryCount)
            return {};
    } else {
        const quint64 recordOffset = read64(locator + 8);
        if (read32(locator + 4) != 0 || read32(locator + 16) != 1 ||
            endPosition < zip64LocatorSize + zip64EndRecordSize ||
            recordOffset > quint64(endPosition - zip64LocatorSize - zip64EndRecordSize))
            return {};
        char record[zip64EndRecordSize];
        if (file.read(record, zip64EndRecordSize, qint64(recordOffset)) != zip64EndRecordSize ||
            read32(record) != zip64EndSignature || read32(record + 16) != 0 || read32(record + 20) != 0 ||
            read64(record + 24) != read64(record + 32))
            return {};
        place = {read64(record + 48), read64(record + 40), read64(record + 32)};
        directoryEnd = recordOffset;
    }
    // The directory ends where the end records begin, leaving no bytes to account for.
    if (place.size > quint64(maxDirectoryBytes) || place.offset > directoryEnd ||
        place.size != directoryEnd - place.offset || place.entryCount > place.size / centralHeaderSize)
        return {};
    return place;
}

// The directory's entries, or nothing when any entry is beyond this check: encrypted, another
// method, on another disk, or described inconsistently.
std::optional<Directory> readDirectory(PositionedFile &file)
{
    const std::optional<DirectoryPlace> place = findDirectory(file);
    if (!place)
        return {};
    Directory directory;
    directory.offset = qint64(place->offset);
    const qint64 directorySize = qint64(place->size);
    directory.bytes.resize(directorySize);
    if (file.read(directory.bytes.data(), directorySize, directory.offset) != directorySize)
        return {};
    const char *bytes = directory.bytes.constData();
    directory.entries.reserve(qsizetype(place->entryCount));

    qint64 at = 0;
    for (quint64 index = 0; index < place->entryCount; ++index) {
        if (at + centralHeaderSize > directorySize || read32(bytes + at) != centralHeaderSignature)
            return {};
        const char *header = bytes + at;
        const quint16 flags = read16(header + 8);
        Entry entry;
        entry.method = read16(header + 10);
        entry.crc = read32(header + 16);
        entry.hostSystem = quint8(header[5]);
        quint64 compressedSize = read32(header + 20);
        quint64 size = read32(header + 24);
        quint64 headerOffset = read32(header + 42);
        quint64 startDisk = read16(header + 34);
        const qint64 nameLength = read16(header + 28);
        const qint64 extraLength = read16(header + 30);
        const qint64 next = at + centralHeaderSize + nameLength + extraLength + read16(header + 32);
        if (next > directorySize || (flags & encryptedFlags) ||
            (entry.method != storedMethod && entry.method != deflatedMethod))
            return {};
        entry.nameOffset = at + centralHeaderSize;
        entry.nameLength = nameLength;
        entry.nameIsUtf8 = flags & utf8NameFlag;

        const bool wideSize = size == 0xFFFFFFFF;
        const bool wideCompressedSize = compressedSize == 0xFFFFFFFF;
        const bool wideOffset = headerOffset == 0xFFFFFFFF;
        const bool wideDisk = startDisk == 0xFFFF;
        bool zip64Read = false;
        qint64 field = entry.nameOffset + nameLength;
        const qint64 extraEnd = field + extraLength;
        while (field < extraEnd) {
            if (field + 4 > extraEnd)
                return {};
            const quint16 id = read16(bytes + field);
            const qint64 data = field + 4;
            const qint64 dataEnd = data + read16(bytes + field + 2);
            if (dataEnd > extraEnd)
                return {};
            if (id == zip64ExtraId && !zip64Read) {
                zip64Read = true;
                qint64 value = data;
                const auto take = [&](quint64 *target, qint64 width) {
                    if (value + width > dataEnd)
                        return false;
                    *target = width == 8 ? read64(bytes + value) : read32(bytes + value);
                    value += width;
                    return true;
                };
                if ((wideSize && !take(&size, 8)) || (wideCompressedSize && !take(&compressedSize, 8)) ||
                    (wideOffset && !take(&headerOffset, 8)) || (wideDisk && !take(&startDisk, 4)))
                    return {};
            } else if (id == unicodePathExtraId && dataEnd - data > 5 && bytes[data] == 1 &&
                       read32(bytes + data + 1) ==
                           crc32(0, reinterpret_cast<const Bytef *>(bytes + entry.nameOffset),
                                 uInt(nameLength))) {
                entry.nameOffset = data + 5;
                entry.nameLength = dataEnd - data - 5;
                entry.nameIsUtf8 = true;
            }
            field = dataEnd;
        }
        if ((wideSize || wideCompressedSize || wideOffset || wideDisk) && !zip64Read)
            return {};
        if (startDisk != 0 || headerOffset > place->offset ||
            quint64(localHeaderSize) > place->offset - headerOffset ||
            compressedSize > place->offset - headerOffset - localHeaderSize ||
            size > quint64(std::numeric_limits<qint64>::max()) ||
            (entry.method == storedMethod && compressedSize != size))
            return {};
        entry.headerOffset = qint64(headerOffset);
        entry.compressedSize = qint64(compressedSize);
        entry.size = qint64(size);
        directory.entries.append(entry);
        at = next;
    }
    if (at != directorySize)
        return {};
    return directory;
}

// Reads entries of one archive on one thread: bytes through a window over the file, one inflate
// state reset between entries.
class EntryChecker
{
public:
    // onStep, when given, is called each time progress is handed on, so a long entry still shows it.
    EntryChecker(PositionedFile &file, qint64 dataEnd, OperationContext &context,
                 const std::function<bool()> &stop, std::function<void()> onStep)
        : file(file), dataEnd(dataEnd), context(context), stop(stop), onStep(std::move(onStep))
    {
        window.resize(windowSize);
        output.resize(inflateBlockSize);
        inflating = inflateInit2(&stream, -MAX_WBITS) == Z_OK;
    }
    ~EntryChecker()
    {
        if (inflating)
            inflateEnd(&stream);
        context.addProcessedBytes(unreported);
    }
    EntryChecker(const EntryChecker &) = delete;
    EntryChecker &operator=(const EntryChecker &) = delete;

    // True when the entry's data is exactly what the directory says: its size and its checksum.
    bool check(const Entry &entry)
    {
        const char *header = bytesAt(entry.headerOffset, localHeaderSize);
        if (!header || read32(header) != localHeaderSignature || (read16(header + 6) & encryptedFlags))
            return false;
        const qint64 dataOffset =
            entry.headerOffset + localHeaderSize + read16(header + 26) + read16(header + 28);
        if (dataOffset > dataEnd - entry.compressedSize)
            return false;
        unreported += localHeaderSize;
        const bool intact =
            entry.method == storedMethod ? checkStored(entry, dataOffset) : checkDeflated(entry, dataOffset);
        return intact && !stop();
    }

private:
    void advance(qint64 bytes)
    {
        unreported += bytes;
        if (unreported < progressStepBytes)
            return;
        context.addProcessedBytes(unreported);
        unreported = 0;
        if (onStep)
            onStep();
    }

    // The bytes at [offset, offset + length), length at most the window's size; null when the file
    // ends before.
    const char *bytesAt(qint64 offset, qint64 length)
    {
        if (offset < windowStart || offset + length > windowStart + windowLength) {
            windowLength = 0;
            const qint64 got = file.read(window.data(), windowSize, offset);
            if (got < 0)
                return nullptr;
            windowStart = offset;
            windowLength = got;
            if (got < length)
                return nullptr;
        }
        return window.constData() + (offset - windowStart);
    }

    bool checkStored(const Entry &entry, qint64 dataOffset)
    {
        uLong crc = crc32(0, nullptr, 0);
        for (qint64 done = 0; done < entry.compressedSize;) {
            const qint64 piece = std::min(windowSize, entry.compressedSize - done);
            const char *data = bytesAt(dataOffset + done, piece);
            if (!data || stop())
                return false;
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(data), size_t(piece));
            done += piece;
            advance(piece);
        }
        return crc == entry.crc;
    }

    bool checkDeflated(const Entry &entry, qint64 dataOffset)
    {
        if (!inflating || inflateReset(&stream) != Z_OK)
            return false;
        stream.avail_in = 0;
        uLong crc = crc32(0, nullptr, 0);
        qint64 consumed = 0;
        qint64 produced = 0;
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            if (stream.avail_in == 0) {
                // The stream must end within the entry's own bytes.
                if (consumed == entry.compressedSize || stop())
                    return false;
                const qint64 piece = std::min(windowSize, entry.compressedSize - consumed);
                const char *data = bytesAt(dataOffset + consumed, piece);
                if (!data)
                    return false;
                stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
                stream.avail_in = uInt(piece);
                consumed += piece;
                advance(piece);
            }
            stream.next_out = reinterpret_cast<Bytef *>(output.data());
            stream.avail_out = uInt(inflateBlockSize);
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                return false;
            const qint64 got = inflateBlockSize - stream.avail_out;
            produced += got;
            // More than the directory promised is damage, and no reason to go on inflating.
            if (produced > entry.size)
                return false;
            crc = crc32_z(crc, reinterpret_cast<const Bytef *>(output.constData()), size_t(got));
        }
        // And it must use all of them.
        return stream.avail_in == 0 && consumed == entry.compressedSize && produced == entry.size &&
               crc == entry.crc;
    }

    PositionedFile &file;
    const qint64 dataEnd;
    OperationContext &context;
    const std::function<bool()> &stop;
    const std::function<void()> onStep;
    QByteArray window;
    qint64 windowStart = 0;
    qint64 windowLength = 0;
    QByteArray output;
    z_stream stream{};
    bool inflating = false;
    qint64 unreported = 0;
};

} // namespace

ZipQuickCheck::ZipQuickCheck(OperationContext &context) : context(context) {}

ZipQuickCheck::Verdict ZipQuickCheck::run()
{
    const QString archivePath = context.request().archivePath;
    PositionedFile file;
    int errorNumber = 0;
    if (!file.open(archivePath, &errorNumber))
        return Verdict::Undecided;
    const std::optional<Directory> directory = readDirectory(file);
    if (!directory)
        return Verdict::Undecided;
    const QList<Entry> &entries = directory->entries;

    // Batches of consecutive entries, as [batchStarts[i], batchStarts[i + 1]).
    QList<qsizetype> batchStarts{0};
    qint64 total = 0;
    qint64 batchTotal = 0;
    for (qsizetype index = 0; index < entries.size(); ++index) {
        const qint64 weight = localHeaderSize + entries.at(index).compressedSize;
        total += weight;
        batchTotal += weight;
        if (batchTotal >= batchBytes || index + 1 - batchStarts.last() >= batchEntries) {
            batchStarts << index + 1;
            batchTotal = 0;
        }
    }
    if (batchStarts.last() != entries.size())
        batchStarts << entries.size();
    const qsizetype batchCount = batchStarts.size() - 1;
    const int threads = int(std::clamp<qint64>(std::min<qint64>(total / bytesPerThread, batchCount), 1,
                                               QThread::idealThreadCount()));
    context.setTotalBytes(total);

    std::atomic<qsizetype> nextBatch{0};
    std::atomic<qsizetype> latestBegun{-1};
    std::atomic_bool failed{false};
    const std::function<bool()> stop = [&] { return failed.load() || context.isCancelled(); };

    const LegacyNameLanguage language = context.request().legacyNameLanguage;
    qsizetype shownEntry = -1;
    QElapsedTimer sinceReport;
    // Names the latest entry begun, decoding a name only when it is about to be shown.
    const auto report = [&](bool now) {
        if (!now && sinceReport.isValid() && sinceReport.elapsed() < reportIntervalMs)
            return;
        sinceReport.start();
        const qsizetype begun = latestBegun;
        if (begun >= 0 && begun != shownEntry) {
            shownEntry = begun;
            const Entry &entry = entries.at(begun);
            const QByteArray raw = directory->bytes.mid(entry.nameOffset, entry.nameLength);
            LegacyNameDecoder::NameEvidence evidence;
            evidence.markedUtf8 = entry.nameIsUtf8;
            evidence.hostSystem = entry.hostSystem;
            context.setCurrentEntry(entry.nameIsUtf8 ? QString::fromUtf8(raw)
                                                     : LegacyNameDecoder::decode(raw, evidence, language));
        }
        context.publish();
    };

    const auto checkBatches = [&](PositionedFile &source, bool operationThread) {
        EntryChecker checker(source, directory->offset, context, stop,
                             operationThread ? std::function<void()>([&] { report(false); }) : nullptr);
        for (;;) {
            const qsizetype batch = nextBatch++;
            if (batch >= batchCount)
                return;
            for (qsizetype index = batchStarts.at(batch); index < batchStarts.at(batch + 1); ++index) {
                if (stop())
                    return;
                qsizetype begun = latestBegun;
                while (begun < index && !latestBegun.compare_exchange_weak(begun, index)) {
                }
                if (operationThread && index % entriesPerReport == 0)
                    report(false);
                if (!checker.check(entries.at(index))) {
                    failed = true;
                    return;
                }
            }
        }
    };

    {
        QThreadPool pool;
        pool.setMaxThreadCount(std::max(1, threads - 1));
        for (int worker = 1; worker < threads; ++worker) {
            pool.start([&] {
                PositionedFile own;
                int error = 0;
                // Without a file of its own this thread leaves the batches to the others.
                if (own.open(archivePath, &error))
                    checkBatches(own, false);
            });
        }
        checkBatches(file, true);
        while (!pool.waitForDone(reportIntervalMs))
            report(true);
    }
    if (context.isCancelled())
        return Verdict::Cancelled;
    if (failed)
        return Verdict::Undecided;
    report(true);
    return Verdict::Intact;
}
