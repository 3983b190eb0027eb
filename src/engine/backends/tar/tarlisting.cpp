#include "tarlisting.h"

#include "legacynamedecoder.h"

#include <QDate>
#include <QSet>
#include <QTime>
#include <QTimeZone>

namespace {

// Members of these types describe the archive, not a file: a volume label, the continuation of a
// member from an earlier volume, an old list of mangled names.
bool describesNoFile(char type)
{
    return type == 'V' || type == 'M' || type == 'N';
}

// The name as extraction places it: without leading "./", doubled or trailing slashes.
QByteArray normalized(QByteArray name)
{
    while (name.startsWith("./"))
        name.remove(0, 2);
    while (name.contains("//"))
        name.replace("//", "/");
    while (name.startsWith("./"))
        name.remove(0, 2);
    while (name.endsWith('/') && name.size() > 1)
        name.chop(1);
    if (name == ".")
        return QByteArray();
    return name;
}

char escapedCharacter(char c)
{
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    default:
        return c;
    }
}

QDateTime parseTime(const QList<QByteArray> &fields)
{
    // "2024-01-01 00:00:00[.fraction]", or the seconds alone when tar cannot show them as a date.
    if (fields.size() >= 2) {
        const QDate date = QDate::fromString(QString::fromLatin1(fields.at(0)), Qt::ISODate);
        const QByteArray &clock = fields.at(1);
        const qsizetype dot = clock.indexOf('.');
        QTime time = QTime::fromString(QString::fromLatin1(dot < 0 ? clock : clock.left(dot)), Qt::ISODate);
        if (date.isValid() && time.isValid()) {
            if (dot >= 0)
                time = time.addMSecs(clock.mid(dot + 1, 3).leftJustified(3, '0').toInt());
            return QDateTime(date, time, QTimeZone::utc());
        }
    }
    if (fields.size() == 1) {
        bool ok = false;
        const qint64 seconds = fields.at(0).toLongLong(&ok);
        if (ok)
            return QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
    }
    return QDateTime();
}

} // namespace

TarListing::TarListing(LegacyNameLanguage language) : language(language) {}

bool TarListing::unquote(QByteArrayView text, qsizetype *position, QByteArray *raw)
{
    qsizetype i = *position;
    if (i >= text.size() || text[i] != '"')
        return false;
    raw->clear();
    for (++i; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            *position = i + 1;
            return true;
        }
        if (c != '\\') {
            raw->append(c);
            continue;
        }
        if (++i >= text.size())
            return false;
        const char escaped = text[i];
        if (escaped >= '0' && escaped <= '7') {
            int value = 0;
            int digits = 0;
            for (; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits, ++i)
                value = value * 8 + (text[i] - '0');
            --i;
            raw->append(char(value));
        } else {
            raw->append(escapedCharacter(escaped));
        }
    }
    return false;
}

bool TarListing::parseLine(QByteArrayView line, Member *member)
{
    // No field before the name holds a quote: mode, owner, size, date and time are plain tokens.
    qsizetype position = line.indexOf('"');
    if (position < 0)
        return false;
    const QList<QByteArray> fields = line.first(position).toByteArray().simplified().split(' ');
    if (fields.size() < 4 || fields.at(0).size() < 10)
        return false;
    Member parsed;
    parsed.type = fields.at(0).front();
    const QByteArray &size = fields.at(2);
    if (!size.contains(',')) {
        bool ok = false;
        parsed.size = size.toLongLong(&ok);
        if (!ok)
            return false;
    }
    parsed.modified = parseTime(fields.mid(3));
    if (!unquote(line, &position, &parsed.name))
        return false;
    const QByteArrayView rest = line.sliced(position);
    for (const QByteArrayView separator : {QByteArrayView(" -> "), QByteArrayView(" link to ")}) {
        if (rest.startsWith(separator)) {
            qsizetype targetPosition = position + separator.size();
            if (!unquote(line, &targetPosition, &parsed.linkTarget))
                return false;
        }
    }
    *member = parsed;
    return true;
}

QString TarListing::extractedName(QByteArrayView line) const
{
    qsizetype position = 0;
    QByteArray raw;
    if (!unquote(line, &position, &raw))
        return QString();
    return text(normalized(raw));
}

void TarListing::feed(QByteArrayView chunk)
{
    while (!chunk.isEmpty()) {
        const qsizetype end = chunk.indexOf('\n');
        if (end < 0) {
            partialLine.append(chunk);
            return;
        }
        if (partialLine.isEmpty()) {
            addLine(chunk.first(end));
        } else {
            partialLine.append(chunk.first(end));
            addLine(partialLine);
            partialLine.clear();
        }
        chunk = chunk.sliced(end + 1);
    }
}

void TarListing::finish()
{
    if (!partialLine.isEmpty())
        addLine(partialLine);
    partialLine.clear();
}

void TarListing::addLine(QByteArrayView line)
{
    Member member;
    if (!parseLine(line, &member) || describesNoFile(member.type))
        return;
    const QByteArray name = normalized(member.name);
    if (name.isEmpty())
        return;
    ArchiveEntry entry;
    entry.name = text(name);
    entry.isFolder = member.type == 'd';
    entry.isLink = member.type == 'l' || member.type == 'h';
    entry.size = entry.isFolder || entry.isLink ? 0 : member.size;
    entry.modified = member.modified;
    if (entry.isLink)
        entry.linkTarget = text(member.type == 'h' ? normalized(member.linkTarget) : member.linkTarget);
    lastMemberName = entry.name;
    const auto known = indexByName.constFind(entry.name);
    if (known != indexByName.cend()) {
        members[*known] = entry;
        return;
    }
    indexByName.insert(entry.name, members.size());
    members.append(entry);
}

ArchiveEntryList TarListing::entries() const
{
    ArchiveEntryList all = members;
    QSet<QString> named;
    named.reserve(indexByName.size());
    for (auto it = indexByName.cbegin(); it != indexByName.cend(); ++it)
        named.insert(it.key());
    for (const ArchiveEntry &member : members) {
        qsizetype slash = member.name.lastIndexOf(QLatin1Char('/'));
        while (slash > 0) {
            const QString folder = member.name.left(slash);
            if (named.contains(folder))
                break;
            named.insert(folder);
            ArchiveEntry implied;
            implied.name = folder;
            implied.isFolder = true;
            all.append(implied);
            slash = folder.lastIndexOf(QLatin1Char('/'));
        }
    }
    return all;
}

QString TarListing::text(const QByteArray &raw) const
{
    return LegacyNameDecoder::decode(raw, {}, language);
}
