#include "textlisting.h"

#include "terminal.h"

#include <algorithm>

namespace {

QString padLeft(const QString &text, int width)
{
    return QString(std::max(0, width - Terminal::displayWidth(text)), QLatin1Char(' ')) + text;
}

QString padRight(const QString &text, int width)
{
    return text + QString(std::max(0, width - Terminal::displayWidth(text)), QLatin1Char(' '));
}

} // namespace

QString TextListing::table(const ArchiveEntryList &entries)
{
    const QString sizeTitle = tr("大小");
    const QString timeTitle = tr("修改时间");
    const QString nameTitle = tr("名称");
    const QString timeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

    int sizeWidth = Terminal::displayWidth(sizeTitle);
    for (const ArchiveEntry &entry : entries)
        sizeWidth = std::max(sizeWidth, int(QString::number(entry.size).size()));
    const int timeWidth = std::max(Terminal::displayWidth(timeTitle), int(timeFormat.size()));

    QString text = padLeft(sizeTitle, sizeWidth) + QLatin1String("  ") + padRight(timeTitle, timeWidth) +
                   QLatin1String("   ") + nameTitle + QLatin1Char('\n');
    qint64 files = 0;
    qint64 folders = 0;
    qint64 bytes = 0;
    for (const ArchiveEntry &entry : entries) {
        QString name = entry.name;
        if (entry.isFolder) {
            name += QLatin1Char('/');
            ++folders;
        } else {
            ++files;
            bytes += entry.size;
        }
        if (entry.isLink)
            name += QLatin1String(" -> ") + entry.linkTarget;
        const QString size = entry.isFolder ? QString() : QString::number(entry.size);
        const QString time =
            entry.modified.isValid() ? entry.modified.toLocalTime().toString(timeFormat) : QString();
        text += padLeft(size, sizeWidth) + QLatin1String("  ") + padRight(time, timeWidth) +
                QLatin1Char(' ') + (entry.encrypted ? QLatin1Char('*') : QLatin1Char(' ')) +
                QLatin1Char(' ') + name + QLatin1Char('\n');
    }
    text += tr("%1 个文件，%2 个文件夹，共 %3 字节").arg(files).arg(folders).arg(bytes) + QLatin1Char('\n');
    return text;
}
