#pragma once

#include "operationresult.h"
#include "ziparchive.h"
#include "zipinputwalker.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class OperationContext;

// Compresses disjoint runs of entries into part archives on worker threads (heaviest run first), then
// fills the final archive with the parts' entries copied unchanged (compressed and encrypted as they
// are), in entry order. The final archive is closed by the caller while this object and its parts
// still exist. Used on the operation's thread; the parts live in partsFolder.
class ZipParallelWriter
{
public:
    ZipParallelWriter(OperationContext &context, const QList<ZipInputItem> &items, const QByteArray &password,
                      const QString &partsFolder);

    // True when the entries are worth more than one run; otherwise write them in line.
    bool worthwhile(int threads);
    // Writes the parts, reporting progress up to share percent of the items' weight.
    OperationResult compressParts(int threads, int share);
    // Names every entry in archive and fills it from the parts.
    OperationResult fill(zip_t *archive);

private:
    struct Run {
        QList<qsizetype> members; // items with data; folders are written by the final archive alone
        qint64 weight = 0;
    };

    QString partPath(qsizetype run) const;
    OperationResult compressRun(qsizetype run, const std::function<bool()> &stop, std::atomic<qint64> *done,
                                std::atomic<qsizetype> *latest);

    OperationContext &context;
    const QList<ZipInputItem> &items;
    const QByteArray password;
    const QString partsFolder;
    QList<Run> runs;
    std::vector<ZipArchive> parts;
};
