#pragma once

#include <QByteArray>

// Removes a file, link or whole folder tree by descriptors and raw names: at any depth, whatever the
// names' encoding, read-only folders included (made writable first), never following a link.
// Thread-safe (no shared state).
namespace TreeRemover {

// Removes name inside dirFd and everything below it. True when nothing of it is left (also when it
// did not exist); on failure removes what it can and returns false.
bool remove(int dirFd, const QByteArray &name);

} // namespace TreeRemover
