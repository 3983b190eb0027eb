#pragma once

#include <QByteArrayView>

// What the first block of a stream says about it. Pure functions, safe on any thread.
namespace TarHeader {

constexpr qsizetype blockBytes = 512;

// True when block is a tar header of any of its formats (old, GNU, POSIX): its checksum field holds
// the sum of its bytes, counted as unsigned or, as some old writers did, as signed bytes.
bool looksLikeHeader(QByteArrayView block);

} // namespace TarHeader
