#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Keeps the first and the last bytes of an output of any length, and counts what lies between: a
// program's standard error stays readable and small even when it prints hundreds of megabytes.
// A plain value; not thread-safe.
class HeadTailBuffer
{
public:
    static constexpr qsizetype defaultPartBytes = 16 * 1024;

    explicit HeadTailBuffer(qsizetype headBytes = defaultPartBytes, qsizetype tailBytes = defaultPartBytes);

    void append(QByteArrayView data);
    bool isEmpty() const { return head.isEmpty(); }
    // Everything appended so far, also what is no longer kept.
    qint64 totalBytes() const { return total; }
    qint64 omittedBytes() const;

    // The kept text, trimmed; when bytes were left out, the head and the tail are cut at line ends
    // where there are any and a marker naming the number of bytes left out stands between them.
    QString text() const;

private:
    qsizetype headLimit;
    qsizetype tailLimit;
    QByteArray head;
    // Holds up to twice the limit, so dropping its front happens once per limit's worth of input.
    QByteArray tail;
    qint64 total = 0;
};
