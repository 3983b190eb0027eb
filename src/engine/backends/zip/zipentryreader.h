#pragma once

#include "operationresult.h"
#include "zipcatalogue.h"

#include <QByteArray>
#include <QString>

#include <functional>

#include <zip.h>

class OperationContext;
class StagedFile;

// Reads entries of one libzip handle completely, in 64 KiB blocks, into a StagedFile: checksums and
// decryption are checked by libzip as the data passes. Adds the bytes read to the context's progress.
// Not thread-safe; one reader per handle and thread.
class ZipEntryReader
{
public:
    ZipEntryReader(OperationContext &context, zip_t *archive, const QByteArray &password);

    void setPassword(const QByteArray &password) { passwordBytes = password; }
    // Called after every block, on the reading thread.
    void setBlockHandler(std::function<void()> handler) { onBlock = std::move(handler); }

    // Copies the entry into output and finishes it, or discards it on any failure. stop is polled
    // between blocks; when it answers true the result is Cancelled. Failures carry libzip's text.
    OperationResult copy(const ZipCatalogueEntry &entry, StagedFile *output,
                         const std::function<bool()> &stop);

    // UnsupportedMethod or UnsupportedEncryption for an entry libzip cannot read, before opening it
    // (libzip 1.7 leaks what it built for an encryption it does not know).
    static OperationResult checkSupported(const ZipCatalogueEntry &entry);

private:
    OperationContext &context;
    zip_t *archive;
    QByteArray passwordBytes;
    QByteArray buffer;
    std::function<void()> onBlock;
};

// A StagedFile that keeps nothing: testing reads every byte and writes none.
class DiscardedOutput
{
public:
    static std::unique_ptr<StagedFile> create();
};

// Collects a link's target, at most maxSize bytes; more is refused as UnsafeEntry.
class LinkTargetOutput
{
public:
    static std::unique_ptr<StagedFile> create(const QString &entry, qint64 maxSize, QByteArray *target);
};
