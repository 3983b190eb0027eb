#include "tarheader.h"

namespace TarHeader {

namespace {

constexpr qsizetype checksumOffset = 148;
constexpr qsizetype checksumBytes = 8;

// The checksum field: octal digits, maybe led by spaces, ended by a NUL or a space.
qint64 storedChecksum(QByteArrayView block)
{
    const QByteArrayView field = block.sliced(checksumOffset, checksumBytes);
    qsizetype i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    qint64 value = 0;
    qsizetype digits = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '7'; ++i, ++digits)
        value = value * 8 + (field[i] - '0');
    if (digits == 0 || (i < field.size() && field[i] != ' ' && field[i] != '\0'))
        return -1;
    return value;
}

} // namespace

bool looksLikeHeader(QByteArrayView block)
{
    if (block.size() < blockBytes)
        return false;
    const qint64 stored = storedChecksum(block);
    if (stored < 0)
        return false;
    // The checksum counts its own field as eight spaces.
    qint64 unsignedSum = 8 * ' ';
    qint64 signedSum = 8 * ' ';
    for (qsizetype i = 0; i < blockBytes; ++i) {
        if (i >= checksumOffset && i < checksumOffset + checksumBytes)
            continue;
        unsignedSum += quint8(block[i]);
        signedSum += qint8(block[i]);
    }
    return stored == unsignedSum || stored == signedSum;
}

} // namespace TarHeader
