#pragma once

#include "filedescriptor.h"

#include <QByteArray>

#include <sys/types.h>
#include <vector>

// A position in a folder tree reached by descriptors, at any depth, with a bounded number of open
// descriptors: only the deepest few levels stay open; a shallower one is re-opened through ".." of
// the real folder below it, checked to be the very folder left earlier. Never follows a link.
// Not thread-safe; one walk per cursor.
class FolderCursor
{
public:
    // The cursor starts at (and keeps open) a duplicate of rootFd. traverseOnly opens folders with
    // O_PATH: enough to walk and to act on names inside, not to list them.
    FolderCursor(int rootFd, bool traverseOnly);

    bool isValid() const { return !levels.empty() && levels.front().fd.isValid(); }
    int fd() const { return levels.back().fd.get(); }
    // 0 at the root.
    int depth() const { return int(levels.size()) - 1; }
    // The name the cursor descended through to reach level (1 ... depth()).
    const QByteArray &nameAt(int level) const { return levels.at(size_t(level)).name; }

    // Enters the folder name of the current folder; 0 or errno (ELOOP or ENOTDIR for anything else).
    int descend(const QByteArray &name);
    // Back to the parent; 0 or errno (ESTALE when the folder was moved away meanwhile).
    int ascend();

private:
    struct Level {
        QByteArray name;
        dev_t device = 0;
        ino_t inode = 0;
        FileDescriptor fd;
    };

    int openFlags() const;

    // Enough for the walks here while staying far below any descriptor limit.
    static constexpr size_t openLevels = 16;
    bool traverseOnly;
    std::vector<Level> levels;
};
