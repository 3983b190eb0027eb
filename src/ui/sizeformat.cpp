#include "sizeformat.h"

#include <QCoreApplication>

namespace SizeFormat {

QString text(qint64 bytes)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = kib * 1024;
    constexpr qint64 gib = mib * 1024;
    if (bytes >= gib)
        return QCoreApplication::translate("MainWindow", "%1 GB").arg(double(bytes) / double(gib), 0, 'f', 2);
    if (bytes >= mib)
        return QCoreApplication::translate("MainWindow", "%1 MB").arg(double(bytes) / double(mib), 0, 'f', 2);
    if (bytes >= kib)
        return QCoreApplication::translate("MainWindow", "%1 KB").arg(double(bytes) / double(kib), 0, 'f', 2);
    return QCoreApplication::translate("MainWindow", "%1 字节").arg(bytes);
}

} // namespace SizeFormat
