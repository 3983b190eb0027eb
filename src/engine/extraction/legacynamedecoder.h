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

// UTF-8 when marked or valid. Otherwise the legacy code page whose reading of the bytes is the most
// plausible name: GB18030 and Big5 read as common ideographs and punctuation score, rare ideographs
// and ideographs wedged alone between Latin letters count against them; the Western code page (CP437
// from DOS and Windows makers, Windows-1252 from Unix ones) scores accented letters and counts box
// drawing against itself. language orders the candidates that score the same. Linear in the
// name's length.
QString decode(const QByteArray &raw, const NameEvidence &evidence, LegacyNameLanguage language);

} // namespace LegacyNameDecoder
