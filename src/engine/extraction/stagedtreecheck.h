#pragma once

#include "operationrequest.h"
#include "operationresult.h"

#include <QString>

class OperationContext;
class StagedLinkCheck;

// Makes a tree an external program left safe to place, at any depth, by descriptors and raw names:
// a link that leads out of the destination fails the check (UnsafeEntry naming it as decoded text),
// device nodes, FIFOs and sockets are removed, set-id and sticky bits cleared. Folders it had to open
// up or remove something from get their modes and times back. Stops with Cancelled when the context
// is cancelled. Not thread-safe; on the operation's thread.
namespace StagedTreeCheck {

// rootFd: the tree (borrowed). entryPrefix: the archive folder the tree stands for ("" for the top),
// so results name entries as the archive does.
OperationResult run(OperationContext &context, int rootFd, const StagedLinkCheck &links,
                    const QString &entryPrefix, const QString &displayRoot);

// A hard link a program made to a file outside (an archive can ask for one) would let a later write
// or mode change reach that file. Fails with UnsafeEntry when a file below privateFd has names outside
// it, that is more links than names found below. Call before run(), which changes modes.
OperationResult checkHardLinks(OperationContext &context, int privateFd, const QString &displayRoot);

} // namespace StagedTreeCheck
