#pragma once

#include "filedescriptor.h"

#include <QByteArray>
#include <QList>

#include <sys/stat.h>

// System calls relative to a folder descriptor that never follow a link at the name they are given:
// the building blocks of everything the extraction does inside the destination. Names are raw bytes
// of one component. Functions returning int give 0 or an errno value. Thread-safe (no shared state).
namespace NoFollow {

// What a path turned out to be, for checks that look before they act.
enum class Kind { Missing, Folder, Link, Other };

// Opens the folder name inside dirFd, refusing links. traverseOnly opens with O_PATH: enough to walk
// through and to fstat, also in folders the user may not list. Invalid with errno set on failure.
FileDescriptor openFolder(int dirFd, const QByteArray &name, bool traverseOnly = false);
// lstat of name inside dirFd. False with errno set on failure.
bool status(int dirFd, const QByteArray &name, struct stat *info);
Kind kindOf(const struct stat &info);
// The names in the folder (without "." and ".."); *error is 0 or errno.
QList<QByteArray> listNames(int folderFd, int *error);
// True when the folder holds nothing; false also when it cannot be read (so nothing is deleted).
bool isEmptyFolder(int dirFd, const QByteArray &name);
// The exact stored target of the link; *error is 0 or errno.
QByteArray readLink(int dirFd, const QByteArray &name, int *error);
// chmod of name itself, never of what a link points to.
int setMode(int dirFd, const QByteArray &name, mode_t mode);
// Moves an item to a name that must not exist yet; EEXIST when it does. Nothing is ever clobbered,
// also on file systems without RENAME_NOREPLACE.
int move(int fromDir, const QByteArray &from, int toDir, const QByteArray &to);
// Swaps two existing items atomically. EINVAL or EOPNOTSUPP where the file system cannot.
int exchange(int firstDir, const QByteArray &first, int secondDir, const QByteArray &second);
// What components (relative to rootFd) are, without following any link on the way; a path through a
// file or a link is Missing. *linkTarget receives the target of a Link.
Kind lookup(int rootFd, const QList<QByteArray> &components, QByteArray *linkTarget);

} // namespace NoFollow
