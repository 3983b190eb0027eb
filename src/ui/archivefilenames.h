#pragma once

#include <QString>
#include <QStringList>

// The save dialog's view of the format registry: pure functions, any thread.
namespace ArchiveFileNames {

// One filter a creatable format, in the registry's order, named by its usual ending:
// "tar.gz (*.tar.gz *.tgz)".
QStringList formatFilters();
// The path as the archive is to be written: when the chosen filter is one of formatFilters() and the
// name has no ending the registry knows, that format's usual ending is appended; otherwise the path
// as typed.
QString completedPath(const QString &path, const QString &chosenFilter);
// True when the format chosen by this name can hold a password.
bool canHoldPassword(const QString &path);

} // namespace ArchiveFileNames
