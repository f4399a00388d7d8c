// libFuzzer's entry for one target, chosen when the target is built (tests/fuzz/native).
#include "tests/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return velto::fuzz::VELTO_FUZZ_TARGET(data, size);
}
