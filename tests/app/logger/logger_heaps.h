#pragma once
// The heaps and services the protocol and the dump allocate from, started
// once per test binary, as the program's start-up makes them.

#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"

inline void StartLoggerHeaps()
{
    if (!MainHeap)
        MainHeap = HeapOpen();
    if (!StringHeap)
        StringServiceStart();
    if (!MemoryHeap)
        MemoryServiceStart();
}
