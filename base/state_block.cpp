#include "base/state_block.h"

#include "base/heap.h"

#include <cstddef>

void* StateBlockCreate(std::int32_t size, StateBlockRoutine init, StateBlockRoutine /*release*/)
{
    if (size < 0)
        return nullptr;
    void* block = HeapBlockAlloc(MainHeap, static_cast<std::size_t>(size), true);
    if (block && init)
        init(block);
    return block;
}

void* StateBlockGet(void* block) { return block; }
