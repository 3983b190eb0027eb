#pragma once

#include <QString>
#include <QStringList>

// Command lines of the external archive programs. Pure functions, so the exact arguments can be
// checked without running anything.
namespace ToolCommands {

// tar writing its stream to standard output; every item is stored under its own name, relative
// to its parent folder ("-C parent name"), whatever the absolute path. Entries named excludedName
// (the folder the archive is being written in, when that lies inside an input) are left out.
QStringList tarCreateArguments(const QStringList &files, const QString &excludedName);
// tar reading the stream from standard input into destinationPath.
QStringList tarExtractArguments(const QString &destinationPath);
// The password is never part of the arguments: a bare "-p" makes 7z read it from standard input.
QStringList sevenZipCreateArguments(const QStringList &files, const QString &archivePath,
                                    const QString &excludedName, bool withPassword);
QStringList sevenZipExtractArguments(const QString &archivePath, const QString &destinationPath);
QStringList compressorArguments();
QStringList decompressorArguments();

} // namespace ToolCommands
