#pragma once

#include <QByteArray>
#include <QString>

// Symbolic links read as they are stored, never resolved. Safe on any thread.
namespace LinkTarget {

// The target of the link at path exactly as stored (not resolved against the file system); empty
// when path is no link or cannot be read.
QByteArray read(const QString &path);

} // namespace LinkTarget
