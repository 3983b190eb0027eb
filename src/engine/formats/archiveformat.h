#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

// Every archive format the engine knows. What each can do lives in FormatRegistry's one table.
enum class ArchiveFormat {
    Unknown,
    Zip,
    Tar,
    TarGzip,
    TarBzip2,
    TarXz,
    TarZstd,
    SevenZip,
    // A single compressed file; when it holds a tar archive it is unpacked as one.
    Gzip,
    Bzip2,
    Xz,
    Zstd,
    // Read through libarchive only.
    Rar,
    Iso,
    Cpio,
    Ar,
    Deb,
    Cab,
    Lha,
    Xar,
    TarLz4,
    TarLzma,
    TarLzip,
};

// The code that reads and writes a format.
enum class BackendKind {
    None,
    Zip,         // libzip, in-process
    TarPipeline, // tar and a compressor as external programs
    SevenZip,    // the 7z program
    LibArchive,  // libarchive, in-process, read-only
};

struct FormatInfo {
    ArchiveFormat format = ArchiveFormat::Unknown;
    // The name compressFiles takes ("ZIP", "GZIP", ...); empty for formats that are not created.
    QLatin1String creationName;
    // Lower-case file name endings without the leading dot, the usual one first. Compound endings
    // ("tar.gz") are matched before single ones ("gz") whatever the order of the table.
    QList<QLatin1String> suffixes;
    BackendKind backend = BackendKind::None;
    // The compressor of a tar pipeline or of a single compressed file ("gzip"); empty otherwise.
    QLatin1String compressor;
    bool canCreate = false;
    bool canExtract = false;
    bool canHoldPassword = false;
    QLatin1String mimeType;
    // A single compressed file: unpacked into one file named without the suffix, unless what it holds
    // is a tar archive, which is then unpacked as one.
    bool singleFile = false;
};

// The one list of formats: the engine's dispatch, the window's buttons, double-click, the save
// dialog and the save-name-to-format rule all ask it. Pure functions over a constant table, safe on
// any thread.
namespace FormatRegistry {

const QList<FormatInfo> &formats();
const FormatInfo &info(ArchiveFormat format);

// The format a file name ends in (case-insensitive, longest ending first); Unknown when none.
ArchiveFormat formatForFileName(const QString &fileName);
// The format with this creation name, compared exactly; Unknown when none.
ArchiveFormat formatForCreationName(const QString &creationName);

// The creation name for a chosen archive path: the known format's name for a known ending,
// otherwise the path's last suffix upper-cased (so the engine refuses it naming what was typed).
QString creationNameForFileName(const QString &fileName);
// The last suffix of a file name, lower-cased, as refusals name it ("rar", "" without a dot).
QString lastSuffix(const QString &fileName);

bool canExtract(const QString &fileName);
bool canCreate(const QString &fileName);
// Globs ("*.tar.gz") of every ending that can be created, or extracted, in table order.
QStringList creatablePatterns();
QStringList extractablePatterns();
// MIME types of every format that can be opened.
QStringList extractableMimeTypes();

} // namespace FormatRegistry
