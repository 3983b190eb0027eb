#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include <sys/stat.h>

// Folder chains far deeper than PATH_MAX ("root/name/name/..."), made and followed by descriptors,
// since no path to their bottom can be passed to the system.
namespace DeepTree {

// Makes depth folders named name below root (which must exist) and returns a descriptor of the
// deepest one for the test to fill (the caller closes it), or -1.
int build(const QString &root, const QByteArray &name, int depth);
// Follows folders named name below root as far as they go: how many there are, and a descriptor of
// the deepest in *bottom (the caller closes it; root's own when there is none).
int follow(const QString &root, const QByteArray &name, int *bottom);
// Visits everything below root by descriptors, at any depth, links never followed: depth is the
// item's folder's depth below root (0: directly in root), linkTarget a link's exact target. False when
// some folder could not be read.
using Visitor = std::function<void(int depth, const QByteArray &name, const struct stat &info,
                                   const QByteArray &linkTarget)>;
bool walk(const QString &root, const Visitor &visit);
// Removes root and everything below it, at any depth (QDir's removal stops at PATH_MAX).
bool remove(const QString &root);

} // namespace DeepTree
