// libFuzzer target: arbitrary bytes saved as a .zip and extracted through the whole pipeline (the ZIP
// reader, and the backend it hands an archive to when libzip refuses it), then tested. The sandbox
// oracle aborts on anything that escaped the destination or was left behind.

#include "fuzzsandbox.h"

#include <cstddef>
#include <cstdint>

namespace {
FuzzSandbox *sandbox = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzCoreApplication("fuzz_zipreader");
    FuzzSandbox::silenceMessages();
    sandbox = new FuzzSandbox(QStringLiteral("input.zip"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sandbox->writeInput(data, size);
    // The first byte picks the language legacy names are read in, so both decoders are reached.
    const LegacyNameLanguage language =
        size > 0 && data[0] % 2 ? LegacyNameLanguage::Western : LegacyNameLanguage::SimplifiedChinese;
    sandbox->extract(language);
    sandbox->checkAndReset();
    sandbox->test();
    sandbox->checkAndReset();
    return 0;
}
