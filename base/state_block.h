#pragma once
// Library state blocks: one zeroed block from the MainHeap per library,
// holding that library's mutable globals. Libraries reach their globals only
// through StateBlockGet, never through a pointer kept from an earlier call.

#include <cstdint>

using StateBlockRoutine = void (*)(void* block);

// size zeroed bytes; the init routine, when given, runs once on the block.
// The release routine is accepted and not used: each library's end routine
// releases what its block owns. Null (and no init call) when the heap cannot
// supply the block or the size is negative.
void* StateBlockCreate(std::int32_t size, StateBlockRoutine init, StateBlockRoutine release);

// The block itself.
void* StateBlockGet(void* block);
