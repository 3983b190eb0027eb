#include "datasize.h"

QString DataSize::text(qint64 bytes)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = kib * 1024;
    constexpr qint64 gib = mib * 1024;
    if (bytes >= gib)
        return tr("%1 GB").arg(double(bytes) / double(gib), 0, 'f', 2);
    if (bytes >= mib)
        return tr("%1 MB").arg(double(bytes) / double(mib), 0, 'f', 2);
    if (bytes >= kib)
        return tr("%1 KB").arg(double(bytes) / double(kib), 0, 'f', 2);
    return tr("%1 字节").arg(bytes);
}
