#include "filenameorder.h"

#include <QCollatorSortKey>
#include <QThread>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr char16_t firstPrintable = 0x20;
constexpr char16_t lastPrintable = 0x7e;
// Runs of digits longer than this are left to the collator, which splits very long numbers.
constexpr qsizetype longestFastNumber = 30;
// Sort keys of a large folder are worth making on several threads, this many for each.
constexpr qsizetype keysPerThread = 4096;

bool isDigit(char16_t character)
{
    return character >= u'0' && character <= u'9';
}

// The end of the run of digits starting at start.
qsizetype digitsEnd(QStringView text, qsizetype start)
{
    while (start < text.size() && isDigit(text.at(start).unicode()))
        ++start;
    return start;
}

bool hasLongNumber(QStringView name)
{
    qsizetype start = 0;
    while (start < name.size()) {
        if (!isDigit(name.at(start).unicode())) {
            ++start;
            continue;
        }
        const qsizetype end = digitsEnd(name, start);
        if (end - start > longestFastNumber)
            return true;
        start = end;
    }
    return false;
}

// For each of count items its place in the order compareAt gives (equal items share one).
template <typename Compare> QList<int> ranksBy(qsizetype count, Compare compareAt)
{
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return compareAt(a, b) < 0; });
    QList<int> rank(count);
    int current = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0 && compareAt(order.at(i - 1), order.at(i)) != 0)
            current = int(i);
        rank[order.at(i)] = current;
    }
    return rank;
}

int sign(qsizetype value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

} // namespace

FileNameOrder::FileNameOrder(const QLocale &locale)
    : collator(locale), tableMatchesCollator(locale.language() != QLocale::C)
{
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    QList<QString> characters;
    for (char16_t code = firstPrintable; code <= lastPrintable; ++code)
        characters.append(QString(QChar(code)));
    std::stable_sort(characters.begin(), characters.end(),
                     [this](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    int rank = 0;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        if (i > 0 && collator.compare(characters.at(i - 1), characters.at(i)) != 0)
            ++rank;
        characterRank[characters.at(i).at(0).unicode() - firstPrintable] = rank;
    }
}

bool FileNameOrder::isPrintableAscii(QStringView name)
{
    for (const QChar character : name) {
        if (character.unicode() < firstPrintable || character.unicode() > lastPrintable)
            return false;
    }
    return !hasLongNumber(name);
}

// The collator compares numbers by value (leading zeros do not count) and everything else by its
// characters' primary order; for printable ASCII that order has no contractions or expansions, so
// comparing character by character through the table gives the collator's answer.
int FileNameOrder::compareAscii(QStringView a, QStringView b) const
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t left = a.at(i).unicode();
        const char16_t right = b.at(j).unicode();
        if (isDigit(left) && isDigit(right)) {
            const qsizetype leftEnd = digitsEnd(a, i);
            const qsizetype rightEnd = digitsEnd(b, j);
            while (i < leftEnd - 1 && a.at(i) == QLatin1Char('0'))
                ++i;
            while (j < rightEnd - 1 && b.at(j) == QLatin1Char('0'))
                ++j;
            if (leftEnd - i != rightEnd - j)
                return sign((leftEnd - i) - (rightEnd - j));
            for (; i < leftEnd; ++i, ++j) {
                if (a.at(i) != b.at(j))
                    return sign(a.at(i).unicode() - b.at(j).unicode());
            }
            continue;
        }
        const int leftRank = characterRank[left - firstPrintable];
        const int rightRank = characterRank[right - firstPrintable];
        if (leftRank != rightRank)
            return sign(leftRank - rightRank);
        ++i;
        ++j;
    }
    return sign((a.size() - i) - (b.size() - j));
}

int FileNameOrder::compare(QStringView a, QStringView b) const
{
    if (tableMatchesCollator && isPrintableAscii(a) && isPrintableAscii(b))
        return compareAscii(a, b);
    return collator.compare(a, b);
}

QList<int> FileNameOrder::ranks(const QList<QStringView> &names) const
{
    // The C locale's collator compares code points, as cheap as any table (and its keys disagree
    // with it on case).
    if (!tableMatchesCollator)
        return ranksBy(names.size(),
                       [&](int a, int b) { return collator.compare(names.at(a), names.at(b)); });
    if (std::all_of(names.cbegin(), names.cend(), &FileNameOrder::isPrintableAscii))
        return ranksBy(names.size(), [&](int a, int b) { return compareAscii(names.at(a), names.at(b)); });

    // One key per name costs far less than the collator comparing the same names again and again.
    // A large folder's keys are made on several threads, each with a collator of its own, into
    // parts of one list that the threads' joins hand back.
    const qsizetype threads =
        std::clamp<qsizetype>(names.size() / keysPerThread, 1, std::max(1, QThread::idealThreadCount()));
    std::vector<std::optional<QCollatorSortKey>> keys(size_t(names.size()));
    const auto makeKeys = [&](qsizetype begin, qsizetype end) {
        QCollator own(collator.locale());
        own.setNumericMode(true);
        own.setCaseSensitivity(Qt::CaseInsensitive);
        for (qsizetype i = begin; i < end; ++i)
            keys[size_t(i)].emplace(own.sortKey(names.at(i).toString()));
    };
    std::vector<std::thread> helpers;
    for (qsizetype part = 1; part < threads; ++part)
        helpers.emplace_back(makeKeys, names.size() * part / threads, names.size() * (part + 1) / threads);
    makeKeys(0, names.size() / threads);
    for (std::thread &helper : helpers)
        helper.join();
    return ranksBy(names.size(),
                   [&keys](int a, int b) { return keys[size_t(a)]->compare(*keys[size_t(b)]); });
}
