#include "base/memory.h"

#include "base/heap.h"

HeapRef MainHeap = nullptr;
HeapRef StringHeap = nullptr;
HeapRef MemoryHeap = nullptr;

void MemoryServiceStart() { MemoryHeap = HeapOpen(); }

void MemoryServiceEnd() {}

void* MemAlloc(std::int32_t size)
{
    if (size <= 0 || !MemoryHeap)
        return nullptr;
    return HeapBlockAlloc(MemoryHeap, static_cast<std::size_t>(size), true);
}

void MemFree(void* block) { HeapBlockFree(MemoryHeap, block); }

std::int32_t MemReadByte(const void* address) { return *static_cast<const unsigned char*>(address); }
