#pragma once

#include <QByteArray>

namespace DeflateStream {

// bytes deflated at level 6 by zlib; windowBits as deflateInit2 takes it: -15 for a raw stream (what
// a ZIP entry holds), 16 + 15 for the gzip format. Empty when zlib refuses.
QByteArray compress(const QByteArray &bytes, int windowBits);

} // namespace DeflateStream
