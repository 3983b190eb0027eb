#pragma once

#include "operationresult.h"
#include "zipcatalogue.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>

#include <zip.h>

class OperationContext;
class StagedFile;

// Reads entries completely on as many threads as the data pays for, each thread through its own
// libzip handle. Threads take entries in index order from one counter; after a failure the entries
// before the failing one still finish and the later ones stop, so the result is the one a single
// thread would give: the first failing entry in order. The operation's thread reads too and reports
// progress. Used on the operation's thread.
class ZipParallelReader
{
public:
    // Makes the output for one entry; called on the reading threads, for different entries at once.
    using OutputFactory =
        std::function<OperationResult(const ZipCatalogueEntry &, std::unique_ptr<StagedFile> *)>;

    // archive: the operation thread's own open handle; password: the one that opened the first
    // encrypted entry.
    ZipParallelReader(OperationContext &context, zip_t *archive, const QByteArray &password);

    // The weight of an entry in progress: its size plus the fixed cost of an entry.
    static qint64 weight(const ZipCatalogueEntry &entry);

    OperationResult read(const QList<const ZipCatalogueEntry *> &work, const OutputFactory &open);

private:
    OperationContext &context;
    zip_t *archive;
    QByteArray password;
};
