#include "sevenzipprogress.h"

#include <QRegularExpression>

bool SevenZipProgress::feed(const QByteArray &output)
{
    pending += output;
    bool updated = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < pending.size(); ++i) {
        const char c = pending.at(i);
        if (c != '\b' && c != '\r' && c != '\n')
            continue;
        if (i > start && parseSegment(pending.mid(start, i - start)))
            updated = true;
        start = i + 1;
    }
    // The text after the last separator may still be growing.
    pending.remove(0, start);
    return updated;
}

bool SevenZipProgress::parseSegment(const QByteArray &segment)
{
    // "42% 3 + name" while working; "100% 3 : 0% : 0 MiB / 6 MiB : temporary archive moving ..."
    // while 7z puts an archive it added to in place, which names no entry.
    static const QRegularExpression update(
        QStringLiteral("^(\\d{1,3})%(?:\\s+\\d+)?(?:\\s+[^\\s:]\\s+(.+)|\\s+:\\s.*)?$"));
    const QRegularExpressionMatch match = update.match(QString::fromUtf8(segment).trimmed());
    if (!match.hasMatch())
        return false;
    lastPercent = qMin(match.captured(1).toInt(), 100);
    if (match.hasCaptured(2))
        lastName = match.captured(2);
    return true;
}
