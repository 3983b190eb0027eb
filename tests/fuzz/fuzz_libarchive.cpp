// libFuzzer target: arbitrary bytes extracted through libarchive's route (which recognises every
// format it reads by content: cpio, RAR, ISO, ar, lha, cab, xar, 7z, ZIP, tar under any filter) into
// the pipeline, then listed. The sandbox oracle aborts on anything that escaped the destination or
// was left behind.

#include "fuzzsandbox.h"

#include <cstddef>
#include <cstdint>

namespace {
FuzzSandbox *sandbox = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzCoreApplication("fuzz_libarchive");
    FuzzSandbox::silenceMessages();
    sandbox = new FuzzSandbox(QStringLiteral("input.cpio"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    sandbox->writeInput(data, size);
    sandbox->extract();
    sandbox->checkAndReset();
    sandbox->list();
    sandbox->checkAndReset();
    return 0;
}
