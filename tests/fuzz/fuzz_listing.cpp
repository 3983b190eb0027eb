// libFuzzer target for the listing code. The first byte picks what reads the rest:
//   0: the ZIP listing of an archive (through the job, as the window lists), then the oracle;
//   1: the parser of "7z l -slt -ba" output;
//   2: the parsers of "tar -tv" and "tar -xv" output, fed in uneven chunks.
// Besides crashes and sanitizer reports, a listing that names one entry twice is a fault: every
// listing promises each entry once.

#include "fuzzsandbox.h"
#include "sevenziplisting.h"
#include "tarlisting.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

FuzzSandbox *sandbox = nullptr;

void checkUnique(const ArchiveEntryList &entries, const char *parser)
{
    QSet<QString> names;
    for (const ArchiveEntry &entry : entries) {
        if (names.contains(entry.name))
            FuzzSandbox::breach(parser, QStringLiteral("lists twice: ") + entry.name);
        names.insert(entry.name);
    }
}

void tarParsers(QByteArrayView text)
{
    TarListing listing(LegacyNameLanguage::SimplifiedChinese);
    // Chunks of 1, 2, 3 ... bytes, so lines and quoted names are split everywhere.
    qsizetype chunk = 1;
    for (qsizetype at = 0; at < text.size(); at += chunk++)
        listing.feed(text.sliced(at, std::min(chunk, text.size() - at)));
    listing.finish();
    checkUnique(listing.entries(), "tar listing");
    for (const QByteArray &line : text.toByteArray().split('\n'))
        listing.extractedName(line);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzCoreApplication("fuzz_listing");
    FuzzSandbox::silenceMessages();
    sandbox = new FuzzSandbox(QStringLiteral("input.zip"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView rest(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 3) {
    case 0: {
        sandbox->writeInput(data + 1, size - 1);
        ArchiveEntryList entries;
        sandbox->list(&entries);
        sandbox->checkAndReset();
        checkUnique(entries, "ZIP listing");
        break;
    }
    case 1:
        checkUnique(SevenZipListing::entries(SevenZipListing::parse(rest.toByteArray())), "7z listing");
        break;
    default:
        tarParsers(rest);
        break;
    }
    return 0;
}
