#include "sevenziplisting.h"

#include <QHash>
#include <QSet>
#include <QTimeZone>

namespace SevenZipListing {

namespace {

const QByteArray pathKey = "Path";
const QByteArray separator = " = ";

qint64 numberOr(const QByteArray &value, qint64 fallback)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? number : fallback;
}

// "2024-01-31 12:34:56.1234567" in UTC; fractions beyond milliseconds are dropped.
QDateTime parseTime(const QByteArray &value)
{
    const QString text = QString::fromLatin1(value);
    QDateTime time = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!time.isValid())
        return {};
    time.setTimeZone(QTimeZone::utc());
    if (text.size() > 20 && text.at(19) == QLatin1Char('.'))
        time = time.addMSecs(text.mid(20, 3).leftJustified(3, QLatin1Char('0')).toInt());
    return time;
}

// "D drwxr-xr-x", "A -rw-r--r--", "A lrwxrwxrwx", or only the Windows letters ("DA", "RHA").
void applyAttributes(const QByteArray &value, ArchiveEntry *entry)
{
    const QList<QByteArray> parts = value.split(' ');
    const QByteArray windows = parts.value(0);
    const QByteArray unixMode = parts.value(1);
    entry->isFolder = windows.contains('D') || unixMode.startsWith('d');
    entry->isLink = unixMode.startsWith('l');
}

Record finish(Record record)
{
    if (record.entry.isFolder || record.entry.isLink)
        record.entry.size = 0;
    return record;
}

QString parentOf(const QString &name)
{
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QString() : name.left(slash);
}

} // namespace

QList<Record> parse(const QByteArray &output)
{
    QList<Record> records;
    Record current;
    bool inRecord = false;
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype split = line.indexOf(separator);
        const QByteArray key = split < 0 ? line : line.left(split);
        // The value as printed: a name keeps its trailing spaces and any carriage return.
        const QByteArray value = split < 0 ? QByteArray() : line.mid(split + separator.size());
        if (key == pathKey) {
            if (inRecord)
                records.append(finish(current));
            current = Record();
            current.printedName = QString::fromUtf8(value);
            while (current.printedName.endsWith(QLatin1Char('/')))
                current.printedName.chop(1);
            current.entry.name = current.printedName;
            inRecord = true;
            continue;
        }
        if (!inRecord || split < 0)
            continue;
        current.details += line + '\n';
        if (key == "Size")
            current.entry.size = numberOr(value, 0);
        else if (key == "Packed Size")
            current.packedSize = numberOr(value, -1);
        else if (key == "Modified")
            current.entry.modified = parseTime(value);
        else if (key == "Attributes")
            applyAttributes(value, &current.entry);
        else if (key == "Encrypted")
            current.entry.encrypted = value == "+";
        else if (key == "Block")
            current.block = numberOr(value, -1);
        else if (key == "Symbolic Link" && !value.isEmpty()) {
            current.entry.isLink = true;
            current.entry.linkTarget = QString::fromUtf8(value);
        }
    }
    if (inRecord)
        records.append(finish(current));
    return records;
}

ArchiveEntryList entries(const QList<Record> &records)
{
    QHash<qint64, int> entriesPerBlock;
    for (const Record &record : records) {
        if (record.block >= 0)
            ++entriesPerBlock[record.block];
    }

    // The last record of a name wins, in the place of its first.
    QHash<QString, qsizetype> positionOfName;
    ArchiveEntryList listed;
    for (const Record &record : records) {
        ArchiveEntry entry = record.entry;
        if (record.block < 0)
            entry.compressedSize = record.packedSize; // stored without data: 0
        else
            entry.compressedSize = entriesPerBlock.value(record.block) == 1 ? record.packedSize : -1;
        const auto known = positionOfName.constFind(entry.name);
        if (known != positionOfName.constEnd()) {
            listed[*known] = entry;
            continue;
        }

        // Folders that only the names of their contents mention, before the first of those.
        QStringList missing;
        for (QString parent = parentOf(entry.name); !parent.isEmpty() && !positionOfName.contains(parent);
             parent = parentOf(parent))
            missing.prepend(parent);
        for (const QString &folderName : std::as_const(missing)) {
            ArchiveEntry folder;
            folder.name = folderName;
            folder.isFolder = true;
            positionOfName.insert(folderName, listed.size());
            listed.append(folder);
        }
        positionOfName.insert(entry.name, listed.size());
        listed.append(entry);
    }
    return listed;
}

} // namespace SevenZipListing
