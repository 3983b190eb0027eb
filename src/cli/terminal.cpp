#include "terminal.h"

#include <QList>

#include <cstdio>

namespace {

bool isWide(char32_t code)
{
    // The East Asian wide and full-width blocks a terminal draws in two columns.
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0x303E) ||
           (code >= 0x3041 && code <= 0x33FF) || (code >= 0x3400 && code <= 0x4DBF) ||
           (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0xA000 && code <= 0xA4CF) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
           (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x1F300 && code <= 0x1F64F) ||
           (code >= 0x20000 && code <= 0x3FFFD);
}

int widthOf(char32_t code)
{
    if (QChar::category(code) == QChar::Mark_NonSpacing || QChar::category(code) == QChar::Mark_Enclosing)
        return 0;
    return isWide(code) ? 2 : 1;
}

} // namespace

int Terminal::displayWidth(const QString &text)
{
    int width = 0;
    for (const uint code : text.toUcs4())
        width += widthOf(code);
    return width;
}

QString Terminal::fitTail(const QString &text, int width)
{
    if (width <= 0)
        return QString();
    if (displayWidth(text) <= width)
        return text;
    const QList<uint> codes = text.toUcs4();
    // Three dots rather than "…", which some terminals draw one column wide and others two.
    const QString ellipsis = QStringLiteral("...");
    int used = int(ellipsis.size());
    qsizetype first = codes.size();
    while (first > 0 && used + widthOf(codes.at(first - 1)) <= width) {
        --first;
        used += widthOf(codes.at(first));
    }
    return ellipsis + QString::fromUcs4(reinterpret_cast<const char32_t *>(codes.constData()) + first,
                                        codes.size() - first);
}

void Terminal::write(Stream stream, const QString &text)
{
    FILE *file = stream == Stream::Output ? stdout : stderr;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
    std::fflush(file);
}
