#include "jsonlisting.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString typeOf(const ArchiveEntry &entry)
{
    if (entry.isLink)
        return QStringLiteral("link");
    return entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file");
}

QJsonObject entryObject(const ArchiveEntry &entry)
{
    QJsonObject object{
        {QStringLiteral("name"), entry.name},
        {QStringLiteral("type"), typeOf(entry)},
        {QStringLiteral("size"), entry.size},
        {QStringLiteral("compressedSize"),
         entry.compressedSize < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(entry.compressedSize)},
        {QStringLiteral("modified"), entry.modified.isValid()
                                         ? QJsonValue(entry.modified.toUTC().toString(Qt::ISODate))
                                         : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("encrypted"), entry.encrypted},
    };
    if (entry.isLink)
        object.insert(QStringLiteral("linkTarget"), entry.linkTarget);
    return object;
}

} // namespace

QByteArray JsonListing::document(const QString &archivePath, ArchiveFormat format,
                                 const ArchiveEntryList &entries)
{
    QJsonArray list;
    for (const ArchiveEntry &entry : entries)
        list.append(entryObject(entry));
    const QList<QLatin1String> &suffixes = FormatRegistry::info(format).suffixes;
    const QJsonObject root{
        {QStringLiteral("archive"), archivePath},
        {QStringLiteral("format"), suffixes.isEmpty() ? QString() : QString(suffixes.constFirst())},
        {QStringLiteral("entries"), list},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}
