#pragma once

#include "operationrequest.h"
#include "operationresult.h"

#include <QString>

class ExtractionSelection;

// Takes the selected part out of a tree an external program unpacked with full archive names: every
// selected item moves, whole, to its place below the selection's common folder in another tree. The
// walk looks only into folders that hold selected names, by descriptors and raw names (decoded as the
// listing decodes them to compare). Folders it has to make on the way take their originals' times and
// modes. Marks the selection's matches. Not thread-safe.
namespace StagedSelection {

// unpackedFd, selectedFd: open folders (borrowed). displayRoot: the destination, for messages.
OperationResult apply(const ExtractionSelection &selection, int unpackedFd, int selectedFd,
                      LegacyNameLanguage language, const QString &displayRoot);

} // namespace StagedSelection
