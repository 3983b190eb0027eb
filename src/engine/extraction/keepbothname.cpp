#include "keepbothname.h"

namespace KeepBothName {

QByteArray candidate(const QByteArray &name, int number, bool isFolder)
{
    const QByteArray suffix = " (" + QByteArray::number(number) + ')';
    const qsizetype dot = isFolder ? -1 : name.lastIndexOf('.');
    if (dot <= 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

} // namespace KeepBothName
