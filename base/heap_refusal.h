#pragma once
// The host heap's refusal switch, for tests of what the runtime does when
// memory runs out: from the call on, every heap refuses a new or resized
// block of more than `bytes` bytes, until the switch is set to SIZE_MAX
// again. The Windows heaps have no such switch.

#include <cstddef>

void HeapRefuseLargerThan(std::size_t bytes);
