#pragma once

#include "archiveformat.h"
#include "operationresult.h"

#include <QString>

class OperationContext;
class ToolPipeline;

// The archive a tar pipeline reads: which program decompresses it and, for a single compressed file,
// whether it holds a tar archive or one plain file. Runs on the operation's thread.
class TarSource
{
public:
    explicit TarSource(OperationContext &context);

    // Looks at what a single compressed file holds by decompressing its first block (a tar header
    // whose checksum matches makes it a tar archive). Fails as the decompressor does.
    OperationResult inspect();
    bool holdsTar() const { return tar; }
    // The name of the one file a single compressed file holds: its own name without the suffix.
    QString innerFileName() const;
    qint64 size() const { return archiveSize; }
    // True for a tar archive stored as it is, which tar can read (and seek in) by itself.
    bool isPlainTar() const { return tar && decompressor.isEmpty(); }
    QString path() const { return archivePath; }

    // Puts the decompressor (when there is one) first in pipeline and feeds it the archive; the bytes
    // handed over are the operation's progress, against the archive's size.
    void feed(ToolPipeline &pipeline) const;

private:
    OperationContext &context;
    QString archivePath;
    FormatInfo format;
    QString decompressor;
    qint64 archiveSize = 0;
    bool tar = true;
};
