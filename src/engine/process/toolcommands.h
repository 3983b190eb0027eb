#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Command lines of the external archive programs. Pure functions, so the exact arguments can be
// checked without running anything.
namespace ToolCommands {

struct TarCreateCommand {
    QStringList arguments;
    // Where tar runs; empty for the caller's own working folder.
    QString workingDirectory;
    // What tar reads on standard input: the names of the items, when it takes them from there.
    QByteArray standardInput;
};
// tar writing its stream to standard output; every item is stored under its own name, relative
// to its parent folder, whatever the absolute path. Items of one folder (a whole-folder selection
// among them) are named on standard input, tar running in that folder: tens of thousands of them
// would not fit on a command line. Items of several folders get "-C parent name" arguments.
// Entries named excludedName (the folder the archive is being written in, when that lies inside
// an input) are left out.
TarCreateCommand tarCreateCommand(const QStringList &files, const QString &excludedName);
// tar reading the stream from standard input into destinationPath.
QStringList tarExtractArguments(const QString &destinationPath);
// The compressor writing to standard output; xz on all cores (its threaded output is standard .xz,
// cut into independent blocks), gzip and bzip2 have a single thread.
QStringList compressorArguments(const QString &compressor);
QStringList decompressorArguments();

} // namespace ToolCommands
