#pragma once
// Fresh runtime heaps for each test: the MainHeap, the StringHeap with its
// temporary buffer, and the array hooks, as the program's start-up makes them.
// Each test measures what it left behind by counting the heaps' blocks.

#include "base/arrays.h"
#include "base/heap.h"
#include "base/strings.h"

#include <gtest/gtest.h>

#include <cstddef>

#ifndef _WIN32
#include "base/heap_refusal.h"

#include <cstdint>

// While it lives, every heap refuses blocks of more than `bytes` bytes.
struct HeapRefusal {
    explicit HeapRefusal(std::size_t bytes) { HeapRefuseLargerThan(bytes); }
    ~HeapRefusal() { HeapRefuseLargerThan(SIZE_MAX); }
    HeapRefusal(const HeapRefusal&) = delete;
    HeapRefusal& operator=(const HeapRefusal&) = delete;
};
#endif

class BaseHeaps : public ::testing::Test {
protected:
    void SetUp() override
    {
        MainHeap = HeapOpen();
        ASSERT_NE(MainHeap, nullptr);
        StringServiceStart();
        ASSERT_NE(TempBuffer, nullptr);
        ArrayServiceStart();
    }

    void TearDown() override
    {
        HeapClose(MainHeap);
        HeapClose(StringHeap);
        MainHeap = nullptr;
        StringHeap = nullptr;
        TempBuffer = nullptr;
        TempCapacity = 0;
        TempLength = 0;
        MemberHooks = {};
    }

    static std::size_t MainBlocks() { return HeapBlockCount(MainHeap); }
    static std::size_t StringBlocks() { return HeapBlockCount(StringHeap); }
};
