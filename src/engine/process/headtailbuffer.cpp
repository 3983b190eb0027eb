#include "headtailbuffer.h"

HeadTailBuffer::HeadTailBuffer(qsizetype headBytes, qsizetype tailBytes)
    : headLimit(headBytes), tailLimit(tailBytes)
{
}

void HeadTailBuffer::append(QByteArrayView data)
{
    total += data.size();
    const qsizetype forHead = std::min(data.size(), headLimit - head.size());
    if (forHead > 0) {
        head.append(data.first(forHead));
        data = data.sliced(forHead);
    }
    if (data.isEmpty())
        return;
    if (data.size() >= tailLimit) {
        tail = data.last(tailLimit).toByteArray();
        return;
    }
    tail.append(data);
    if (tail.size() > 2 * tailLimit)
        tail.remove(0, tail.size() - tailLimit);
}

qint64 HeadTailBuffer::omittedBytes() const
{
    return total - head.size() - std::min(tail.size(), tailLimit);
}

QString HeadTailBuffer::text() const
{
    const qint64 omitted = omittedBytes();
    QByteArrayView keptTail(tail);
    if (keptTail.size() > tailLimit)
        keptTail = keptTail.last(tailLimit);
    if (omitted == 0)
        return QString::fromUtf8(head + keptTail.toByteArray()).trimmed();

    // Whole lines read better than lines cut in two, when the parts hold line ends at all.
    QByteArrayView keptHead(head);
    const qsizetype headEnd = keptHead.lastIndexOf('\n');
    if (headEnd > 0)
        keptHead = keptHead.first(headEnd);
    const qsizetype tailStart = keptTail.indexOf('\n');
    if (tailStart >= 0 && tailStart + 1 < keptTail.size())
        keptTail = keptTail.sliced(tailStart + 1);
    const qint64 left = total - keptHead.size() - keptTail.size();
    return QString::fromUtf8(keptHead.toByteArray()).trimmed() +
           QStringLiteral("\n[… %1 bytes left out …]\n").arg(left) +
           QString::fromUtf8(keptTail.toByteArray()).trimmed();
}
