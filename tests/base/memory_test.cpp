#include "base/delay.h"
#include "base/heap.h"
#include "base/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!MemoryHeap)
            MemoryServiceStart();
    }
};

TEST_F(MemoryTest, NonPositiveSizesGiveNull)
{
    EXPECT_EQ(MemAlloc(0), nullptr);
    EXPECT_EQ(MemAlloc(-5), nullptr);
    EXPECT_EQ(MemAlloc(INT32_MIN), nullptr);
}

TEST_F(MemoryTest, BlocksReadAsZeroBeforeTheyAreWritten)
{
    for (std::int32_t size : {1, 7, 4096, 100000}) {
        auto* block = static_cast<unsigned char*>(MemAlloc(size));
        ASSERT_NE(block, nullptr) << size;
        for (std::int32_t i = 0; i < size; ++i)
            ASSERT_EQ(MemReadByte(block + i), 0) << "size " << size << " byte " << i;
        std::memset(block, 0xAB, static_cast<std::size_t>(size));
        MemFree(block);
    }
}

TEST_F(MemoryTest, ReadByteIsZeroExtended)
{
    const unsigned char bytes[] = {0xFF, 0x80, 0x7F, 0x00};
    EXPECT_EQ(MemReadByte(bytes + 0), 255);
    EXPECT_EQ(MemReadByte(bytes + 1), 128);
    EXPECT_EQ(MemReadByte(bytes + 2), 127);
    EXPECT_EQ(MemReadByte(bytes + 3), 0);
}

TEST_F(MemoryTest, FreeOfNullIsIgnored) { MemFree(nullptr); }

TEST(HeapTest, ClosingAHeapReleasesEveryBlockStillAllocated)
{
    HeapRef heap = HeapOpen();
    ASSERT_NE(heap, nullptr);
    void* kept = nullptr;
    for (int i = 0; i < 100; ++i) {
        void* block = HeapBlockAlloc(heap, static_cast<std::size_t>(16 + i), i % 2 == 0);
        ASSERT_NE(block, nullptr);
        if (i % 3 == 0)
            HeapBlockFree(heap, block);
        else
            kept = block;
    }
    kept = HeapBlockResize(heap, kept, 10000);
    ASSERT_NE(kept, nullptr);
    HeapClose(heap); // the leak checker of the sanitizer build proves the release
}

TEST(HeapTest, ResizeKeepsContents)
{
    HeapRef heap = HeapOpen();
    auto* block = static_cast<char*>(HeapBlockAlloc(heap, 6, false));
    std::memcpy(block, "hello", 6);
    block = static_cast<char*>(HeapBlockResize(heap, block, 20000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "hello");
    block = static_cast<char*>(HeapBlockResize(heap, block, 3));
    EXPECT_EQ(std::memcmp(block, "hel", 3), 0);
    HeapClose(heap);
}

TEST(DelayTest, NegativeAndZeroDelaysReturn)
{
    SleepMilliseconds(-1); // must not turn into an endless wait
    SleepMilliseconds(0);
}

TEST(DelayTest, TheClockCountsMilliseconds)
{
    const std::int64_t before = MonotonicMilliseconds();
    SleepMilliseconds(50);
    const std::int64_t slept = MonotonicMilliseconds() - before;
    // Sleeps may end a timer tick early and run long on a busy machine.
    EXPECT_GE(slept, 40);
    EXPECT_LT(slept, 5000);
}

} // namespace
