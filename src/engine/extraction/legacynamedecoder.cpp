#include "legacynamedecoder.h"

#include <QStringDecoder>

#include <array>
#include <optional>

namespace {

constexpr int unixHost = 3;
constexpr int macHost = 19;

// Scores of one character as part of a file name.
constexpr int commonScore = 2;  // a common ideograph
constexpr int symbolScore = 1;  // punctuation or a letter a name plausibly holds
constexpr int rareScore = -3;   // a rare ideograph, box drawing: bytes read in the wrong code page
constexpr int wedgedScore = -2; // one ideograph alone between two Latin letters
constexpr int fourByteScore = -5;

bool isAsciiLetter(quint8 byte)
{
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
}

bool decodesCleanly(const QByteArray &raw, const char *codec, QString *text)
{
    QStringDecoder decoder(codec);
    // Without ICU Qt knows no legacy code pages; the next candidate takes over.
    if (!decoder.isValid())
        return false;
    const QString decoded = decoder.decode(raw);
    if (decoder.hasError())
        return false;
    // Converters map bytes a code page leaves unassigned to control or private-use characters
    // rather than reporting them; a real file name holds neither.
    for (const QChar character : decoded) {
        const QChar::Category category = character.category();
        if (category == QChar::Other_Control || category == QChar::Other_PrivateUse ||
            category == QChar::Other_NotAssigned)
            return false;
    }
    *text = decoded;
    return true;
}

// Walks the double-byte characters of a CJK code page. classify(lead, trail) scores one pair, or
// returns nullopt for a pair the code page does not have; isLead tells lead bytes.
template <typename IsLead, typename Classify>
std::optional<int> doubleByteScore(const QByteArray &raw, IsLead isLead, Classify classify,
                                   bool fourByteForms)
{
    const auto byteAt = [&raw](qsizetype i) { return i < raw.size() ? quint8(raw.at(i)) : quint8(0); };
    int score = 0;
    bool afterLetter = false;
    qsizetype i = 0;
    while (i < raw.size()) {
        const quint8 lead = byteAt(i);
        if (lead < 0x80) {
            afterLetter = isAsciiLetter(lead);
            ++i;
            continue;
        }
        if (!isLead(lead) || i + 1 >= raw.size())
            return std::nullopt;
        const quint8 trail = byteAt(i + 1);
        if (fourByteForms && trail >= 0x30 && trail <= 0x39) {
            if (i + 3 >= raw.size() || !isLead(byteAt(i + 2)) || byteAt(i + 3) < 0x30 || byteAt(i + 3) > 0x39)
                return std::nullopt;
            score += fourByteScore;
            afterLetter = false;
            i += 4;
            continue;
        }
        const std::optional<int> pair = classify(lead, trail);
        if (!pair)
            return std::nullopt;
        score += *pair;
        if (afterLetter && isAsciiLetter(byteAt(i + 2)))
            score += wedgedScore;
        afterLetter = false;
        i += 2;
    }
    return score;
}

std::optional<int> gb18030Score(const QByteArray &raw)
{
    const auto isLead = [](quint8 byte) { return byte >= 0x81 && byte <= 0xFE; };
    const auto classify = [](quint8 lead, quint8 trail) -> std::optional<int> {
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return std::nullopt;
        // GB2312's own area: the common ideographs, and its punctuation and full-width forms.
        if (trail >= 0xA1) {
            if (lead >= 0xB0 && lead <= 0xF7)
                return commonScore;
            if (lead == 0xA1 || lead == 0xA3)
                return symbolScore;
            if (lead == 0xA9)
                return rareScore;
            if (lead >= 0xA2 && lead <= 0xA8)
                return 0;
        }
        // The extension areas GBK added around it hold rare ideographs.
        return rareScore;
    };
    return doubleByteScore(raw, isLead, classify, true);
}

std::optional<int> big5Score(const QByteArray &raw)
{
    const auto isLead = [](quint8 byte) { return byte >= 0xA1 && byte <= 0xF9; };
    const auto classify = [](quint8 lead, quint8 trail) -> std::optional<int> {
        if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE)))
            return std::nullopt;
        const int code = lead << 8 | trail;
        if (code >= 0xA440 && code <= 0xC67E)
            return commonScore;
        if (code >= 0xA140 && code <= 0xA3BF)
            return symbolScore;
        if (code >= 0xC940 && code <= 0xF9D5)
            return 0;
        return rareScore;
    };
    return doubleByteScore(raw, isLead, classify, false);
}

std::optional<int> cp437Score(const QByteArray &raw)
{
    int score = 0;
    for (const char character : raw) {
        const auto byte = quint8(character);
        if (byte < 0x80)
            continue;
        // Accented letters (and ß); box drawing and blocks never appear in a name.
        if (byte <= 0x9A || (byte >= 0xA0 && byte <= 0xA5) || byte == 0xE1)
            score += symbolScore;
        else if (byte >= 0xB0 && byte <= 0xDF)
            score += rareScore;
    }
    return score;
}

std::optional<int> windows1252Score(const QByteArray &raw)
{
    int score = 0;
    for (const char character : raw) {
        const auto byte = quint8(character);
        if (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7)
            score += symbolScore;
        else if (byte >= 0x80 && byte < 0xA0 &&
                 !QByteArrayView("\x8a\x8c\x8e\x9a\x9c\x9e\x9f").contains(char(byte)))
            score += rareScore;
    }
    return score;
}

struct Candidate {
    const char *codec;
    std::optional<int> (*score)(const QByteArray &);
};

} // namespace

namespace LegacyNameDecoder {

QString decode(const QByteArray &raw, const NameEvidence &evidence, LegacyNameLanguage language)
{
    if (evidence.markedUtf8)
        return QString::fromUtf8(raw);
    QString text;
    if (decodesCleanly(raw, "UTF-8", &text))
        return text;

    // DOS and Windows makers write the OEM code page; Unix makers the bytes of a legacy locale.
    const bool unixMaker = evidence.hostSystem == unixHost || evidence.hostSystem == macHost;
    const Candidate western =
        unixMaker ? Candidate{"windows-1252", &windows1252Score} : Candidate{"IBM437", &cp437Score};
    const Candidate simplified{"GB18030", &gb18030Score};
    const Candidate traditional{"Big5", &big5Score};
    std::array<Candidate, 3> candidates{simplified, traditional, western};
    if (language == LegacyNameLanguage::TraditionalChinese)
        candidates = {traditional, simplified, western};
    else if (language == LegacyNameLanguage::Western)
        candidates = {western, simplified, traditional};

    // The best score wins; among equal scores the language's order.
    std::array<std::optional<int>, 3> scores;
    for (size_t i = 0; i < candidates.size(); ++i)
        scores[i] = candidates[i].score(raw);
    for (size_t round = 0; round < candidates.size(); ++round) {
        std::optional<size_t> best;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (scores[i] && (!best || *scores[i] > *scores[*best]))
                best = i;
        }
        if (!best)
            break;
        if (decodesCleanly(raw, candidates[*best].codec, &text))
            return text;
        scores[*best].reset();
    }
    return QString::fromLatin1(raw);
}

} // namespace LegacyNameDecoder
