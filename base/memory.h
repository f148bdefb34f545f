#pragma once
// Application memory blocks and byte access. Blocks come zero-filled from the
// MemoryHeap; the service keeps no header or list of its own.

#include <cstdint>

// Starts the memory service: creates the MemoryHeap.
void MemoryServiceStart();
// Ends the memory service. The MemoryHeap lives until the process ends.
void MemoryServiceEnd();

// A zero-filled block of exactly size bytes, or null for a size of 0 or less
// and when the heap cannot supply it.
void* MemAlloc(std::int32_t size);
// Gives a block from MemAlloc back; null is ignored.
void MemFree(void* block);
// The byte at the address, zero-extended: always 0 to 255.
std::int32_t MemReadByte(const void* address);
