// The libFuzzer entry point of one target; KORVANE_FUZZ_TARGET names it.
#include "fuzz_targets.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    KORVANE_FUZZ_TARGET(data, size);
    return 0;
}
