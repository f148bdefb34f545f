#include "base/heap.h"

#include <windows.h>

HeapRef HeapOpen() { return HeapCreate(0, 4096, 0); }

void HeapClose(HeapRef heap)
{
    if (heap)
        HeapDestroy(heap);
}

void* HeapBlockAlloc(HeapRef heap, std::size_t size, bool zeroFill)
{
    return HeapAlloc(heap, zeroFill ? HEAP_ZERO_MEMORY : 0, size);
}

void* HeapBlockResize(HeapRef heap, void* block, std::size_t size)
{
    return HeapReAlloc(heap, 0, block, size);
}

void HeapBlockFree(HeapRef heap, void* block)
{
    if (block)
        HeapFree(heap, 0, block);
}

std::size_t HeapBlockCount(HeapRef heap)
{
    std::size_t count = 0;
    if (!heap)
        return count;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
            ++count;
    return count;
}
