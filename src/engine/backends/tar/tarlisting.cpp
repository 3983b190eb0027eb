#include "tarlisting.h"

#include "legacynamedecoder.h"

#include <QDate>
#include <QSet>
#include <QTime>

#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

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

// The digits of text as a number; -1 when text is empty or holds anything else.
int digitsValue(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 9)
        return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "2024-01-01" and "00:00:00[.fraction]" in UTC, or the seconds alone when tar cannot show them as a
// date. Read by hand: a listing has one per member, and hundreds of thousands of members are common.
// The space-separated fields before a listing line's name: mode, owner, size, date and time.
struct Fields {
    std::array<QByteArrayView, 6> at;
    qsizetype count = 0;
};

// A non-negative decimal number, -1 for anything else.
qint64 numberValue(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

QDateTime parseTime(const Fields &fields)
{
    if (fields.count == 5 && fields.at[3].size() == 10 && fields.at[4].size() >= 8) {
        const QByteArrayView day = fields.at[3];
        const QByteArrayView clock = fields.at[4];
        const QDate date(digitsValue(day.first(4)), digitsValue(day.sliced(5, 2)),
                         digitsValue(day.sliced(8, 2)));
        // The fraction to the millisecond: ".25" is 250.
        int milliseconds = 0;
        for (qsizetype i = 9; i < 12; ++i) {
            const char c = i < clock.size() ? clock.at(i) : '0';
            milliseconds = milliseconds * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
        }
        if (clock.size() > 8 && clock.at(8) != '.')
            return QDateTime();
        const QTime time(digitsValue(clock.first(2)), digitsValue(clock.sliced(3, 2)),
                         digitsValue(clock.sliced(6, 2)), milliseconds);
        if (date.isValid() && time.isValid() && day.at(4) == '-' && clock.at(2) == ':')
            return QDateTime(date, time, Qt::UTC);
    }
    if (fields.count == 4) {
        bool ok = false;
        const qint64 seconds = fields.at[3].toByteArray().toLongLong(&ok);
        if (ok)
            return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    }
    return QDateTime();
}

// The fields before position, split at spaces; more than the array holds makes no listing line.
bool fieldsBefore(QByteArrayView line, qsizetype position, Fields *fields)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= position; ++i) {
        const bool space = i == position || line.at(i) == ' ';
        if (space && start >= 0) {
            if (fields->count == qsizetype(fields->at.size()))
                return false;
            fields->at[size_t(fields->count++)] = line.sliced(start, i - start);
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return true;
}

} // namespace

TarListing::TarListing(LegacyNameLanguage language) : language(language) {}

bool TarListing::unquote(QByteArrayView text, qsizetype *position, QByteArray *raw)
{
    qsizetype i = *position;
    if (i >= text.size() || text[i] != '"')
        return false;
    raw->clear();
    raw->reserve(text.size() - i);
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
    Fields fields;
    if (!fieldsBefore(line, position, &fields) || fields.count < 4 || fields.at[0].size() < 10)
        return false;
    Member parsed;
    parsed.type = fields.at[0].front();
    // A device shows "major,minor" where other members show their size.
    const QByteArrayView size = fields.at[2];
    if (!size.contains(',')) {
        parsed.size = numberValue(size);
        if (parsed.size < 0)
            return false;
    }
    parsed.modified = parseTime(fields);
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
    *member = std::move(parsed);
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
    members.append(std::move(entry));
}

ArchiveEntryList TarListing::entries() const
{
    // Sorted by name once: same names end up side by side, and a folder is found by bisection.
    // Hashing every name cost three times as much over hundreds of thousands of members.
    std::vector<qsizetype> order(size_t(members.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](qsizetype a, qsizetype b) { return members.at(a).name < members.at(b).name; });

    // Of members sharing a name, extraction keeps the last; it takes the place of the first.
    std::vector<qsizetype> source(order.size());
    std::iota(source.begin(), source.end(), 0);
    std::vector<bool> kept(order.size(), true);
    for (size_t run = 0; run < order.size();) {
        size_t end = run + 1;
        while (end < order.size() && members.at(order[end]).name == members.at(order[run]).name)
            ++end;
        source[size_t(order[run])] = order[end - 1];
        for (size_t i = run + 1; i < end; ++i)
            kept[size_t(order[i])] = false;
        run = end;
    }
    const auto listed = [this, &order](QStringView name) {
        const auto at =
            std::lower_bound(order.cbegin(), order.cend(), name, [this](qsizetype index, QStringView wanted) {
                return QStringView(members.at(index).name) < wanted;
            });
        return at != order.cend() && members.at(*at).name == name;
    };

    ArchiveEntryList all;
    all.reserve(members.size());
    for (qsizetype i = 0; i < members.size(); ++i) {
        if (kept[size_t(i)])
            all.append(members.at(source[size_t(i)]));
    }
    QSet<QString> implied;
    const qsizetype count = all.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString name = all.at(i).name;
        qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
        while (slash > 0) {
            const QString folder = name.left(slash);
            if (listed(folder) || implied.contains(folder))
                break;
            implied.insert(folder);
            ArchiveEntry entry;
            entry.name = folder;
            entry.isFolder = true;
            all.append(entry);
            slash = folder.lastIndexOf(QLatin1Char('/'));
        }
    }
    return all;
}

QString TarListing::text(const QByteArray &raw) const
{
    // ASCII reads the same in every code page the decoder weighs.
    const bool ascii = std::all_of(raw.cbegin(), raw.cend(), [](char c) { return quint8(c) < 0x80; });
    return ascii ? QString::fromLatin1(raw) : LegacyNameDecoder::decode(raw, {}, language);
}
