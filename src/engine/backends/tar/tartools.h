#pragma once

#include <QProcessEnvironment>
#include <QString>

// How the tar pipeline starts its programs. Safe on any thread.
namespace TarTools {

// The caller's environment with messages in plain English and names kept as UTF-8 bytes, whatever the
// user's locale, so what tar prints can be read back.
QProcessEnvironment environment();
// For listings: every byte outside ASCII printed as an escape, times in UTC.
QProcessEnvironment listingEnvironment();
// The program that reads and writes compressor's format, looked up on PATH now: pigz for gzip and
// lbzip2 for bzip2 when installed; empty for an empty compressor.
QString program(const QString &compressor);

} // namespace TarTools
