#pragma once

#include "operationrequest.h"

#include <QByteArray>
#include <QString>

// Turns a stored entry name into text. Pure functions, safe on any thread.
namespace LegacyNameDecoder {

// What an archive says about a name besides its bytes.
struct NameEvidence {
    // The maker marked the name as UTF-8 (or a checked Unicode path field supplied it).
    bool markedUtf8 = false;
    // The ZIP "version made by" host system, -1 when unknown (0 MS-DOS, 3 Unix, 10 NTFS, 19 OS X).
    int hostSystem = -1;
};

// UTF-8 when marked or valid; otherwise the legacy code page the evidence and the interface language
// make most plausible (GB18030, Big5, CP437, ...). Linear in the name's length.
QString decode(const QByteArray &raw, const NameEvidence &evidence, LegacyNameLanguage language);

} // namespace LegacyNameDecoder
