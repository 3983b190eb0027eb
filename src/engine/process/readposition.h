#pragma once

#include <QtGlobal>

// How far a running program has read in one of its open files, where the system tells (Linux's
// /proc). It lets a program read an archive itself, sparing a copy of every byte through this
// process, while progress still follows what it has read.
namespace ReadPosition {

// True where positions can be asked for.
constexpr bool isAvailable()
{
#ifdef Q_OS_LINUX
    return true;
#else
    return false;
#endif
}

// The file offset of descriptor fd in process pid, or -1 when it cannot be told (the program has
// ended, or the system does not say).
qint64 of(qint64 pid, int fd);

} // namespace ReadPosition
