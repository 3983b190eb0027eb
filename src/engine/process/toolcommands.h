#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

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
// tar writes a checkpoint line "<program>: records=N" on standard error after every
// tarCheckpointInterval records of its stream; N times tarRecordBytes is the number of bytes written
// so far. tar writes those lines one character at a time, so a line per record would cost more
// system time than compressing with zstd; one per 2.5 MiB keeps progress smooth for little.
constexpr qint64 tarRecordBytes = 10240;
constexpr int tarCheckpointInterval = 256;
// The record count of a checkpoint line, or -1 for any other line.
qint64 tarCheckpointRecords(QByteArrayView line);
// Whether a program run in the C locale said, on standard error, that it could not write because the
// disk or the user's quota is full.
bool reportsFullDisk(QStringView errorOutput);
// tar reading the stream from standard input into destinationPath, naming each member on standard
// output as it goes (quoted as the C language quotes strings).
QStringList tarExtractArguments(const QString &destinationPath);
// tar listing archive ("-" for standard input): one line a member, the names quoted as C strings,
// full times, numeric owners. Given a file, tar seeks past the members' data instead of reading it.
QStringList tarListArguments(const QString &archive);
// The program that handles the standard format of compressor ("gzip", "bzip2", "xz", "zstd"): one
// that uses every core when installed (pigz, lbzip2), the standard one otherwise.
QString compressorProgram(const QString &compressor, const std::function<bool(const QString &)> &isInstalled);
// The compressor writing to standard output: xz and zstd on every core (their threaded output is the
// standard format, cut into independent blocks); pigz and lbzip2 use every core by themselves.
QStringList compressorArguments(const QString &program);
QStringList decompressorArguments();

} // namespace ToolCommands
