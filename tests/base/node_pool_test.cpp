#include "base/node_pool.h"

#include "base_heaps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr std::int32_t Word = static_cast<std::int32_t>(sizeof(void*));

std::int32_t RoundToWord(std::int32_t bytes) { return (bytes + Word - 1) / Word * Word; }

class NodePoolTest : public BaseHeaps {
protected:
    void SetUp() override
    {
        BaseHeaps::SetUp();
        baseline = MainBlocks();
        pool = NodePoolCreate(20, 16, 256);
        ASSERT_NE(pool, nullptr);
    }

    // Takes one node; returns the capacity of the chunk the take created, or 0.
    std::int32_t TakeCountingChunk(std::vector<void*>& taken)
    {
        const std::int32_t before = pool->totalSlots;
        void* payload = NodePoolTake(pool);
        EXPECT_NE(payload, nullptr);
        std::memset(payload, 0x5A, 20); // the whole payload is the taker's
        taken.push_back(payload);
        return pool->totalSlots - before;
    }

    std::size_t baseline = 0;
    NodePool* pool = nullptr;
};

TEST_F(NodePoolTest, SlotSizeIsPayloadPlusOwnerWordRoundedToTheWord)
{
    struct Case {
        std::int32_t payload;
        std::int32_t slot32;  // the figures for 32-bit words
    };
    const Case cases[] = {{0, 4}, {1, 8}, {4, 8}, {20, 24}, {21, 28}, {24, 28}};
    for (const Case& c : cases) {
        NodePool* sized = NodePoolCreate(c.payload, 16, 256);
        ASSERT_NE(sized, nullptr);
        EXPECT_EQ(sized->slotSize, RoundToWord(c.payload + Word)) << c.payload;
        if (Word == 4) {
            EXPECT_EQ(sized->slotSize, c.slot32) << c.payload;
        }
        NodePoolDestroy(sized);
    }
}

TEST_F(NodePoolTest, UnusableLimitsAreRefused)
{
    struct Case {
        std::int32_t payload, minimum, maximum;
    };
    for (const Case& c : {Case{-1, 16, 256}, Case{20, 0, 256}, Case{20, 16, 15}, Case{INT32_MAX, 16, 256}})
        EXPECT_EQ(NodePoolCreate(c.payload, c.minimum, c.maximum), nullptr) << c.payload << " " << c.minimum;
}

TEST_F(NodePoolTest, PayloadsAreWordAlignedAndDistinct)
{
    std::set<void*> seen;
    for (int i = 0; i < 100; ++i) {
        void* payload = NodePoolTake(pool);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(payload) % sizeof(void*), 0u);
        EXPECT_TRUE(seen.insert(payload).second);
    }
}

TEST_F(NodePoolTest, ChunksHoldSixteenSlotsUntilThePoolHolds512)
{
    std::vector<void*> taken;
    EXPECT_EQ(TakeCountingChunk(taken), 16);
    for (int i = 1; i < 16; ++i)
        EXPECT_EQ(TakeCountingChunk(taken), 0);
    EXPECT_EQ(TakeCountingChunk(taken), 16); // the 17th take
    EXPECT_EQ(pool->totalSlots, 32);

    std::vector<std::int32_t> chunks = {16, 16};
    while (pool->totalSlots < 1100)
        if (std::int32_t chunk = TakeCountingChunk(taken))
            chunks.push_back(chunk);
    // A sixteenth of the pool, rounded down to a multiple of 16: 32 from 512
    // slots, 48 from 768, 64 from 1024.
    std::vector<std::int32_t> expected(32, 16);
    expected.insert(expected.end(), 8, 32);
    expected.insert(expected.end(), 6, 48);
    expected.push_back(64);
    EXPECT_EQ(chunks, expected);
}

TEST_F(NodePoolTest, ChunksStopGrowingAtTheMaximum)
{
    std::vector<void*> taken;
    std::int32_t last = 0;
    while (pool->totalSlots < 12000)
        if (std::int32_t chunk = TakeCountingChunk(taken)) {
            EXPECT_LE(chunk, 256);
            EXPECT_GE(chunk, last);
            last = chunk;
        }
    EXPECT_EQ(last, 256);
}

TEST_F(NodePoolTest, SlotsGivenBackAreTakenAgainLastInFirstOut)
{
    void* a = NodePoolTake(pool);
    void* b = NodePoolTake(pool);
    void* c = NodePoolTake(pool);
    void* d = NodePoolTake(pool);
    NodePoolGive(pool, b);
    NodePoolGive(pool, d);
    NodePoolGive(pool, c);
    EXPECT_EQ(NodePoolTake(pool), c);
    EXPECT_EQ(NodePoolTake(pool), d);
    EXPECT_EQ(NodePoolTake(pool), b);
    void* fresh = NodePoolTake(pool); // only now the never-used part
    EXPECT_NE(fresh, a);
    EXPECT_EQ(static_cast<unsigned char*>(fresh) - static_cast<unsigned char*>(a), 4 * pool->slotSize);
}

TEST_F(NodePoolTest, AFullChunkThatGetsASlotBackHandsItOutNext)
{
    std::vector<void*> first;
    for (int i = 0; i < 16; ++i)
        first.push_back(NodePoolTake(pool));
    EXPECT_EQ(pool->openChunks, nullptr);
    ASSERT_NE(pool->fullChunks, nullptr);
    NodePoolTake(pool); // opens a second chunk
    NodePoolGive(pool, first[7]);
    EXPECT_EQ(NodePoolTake(pool), first[7]);
    EXPECT_EQ(pool->totalSlots, 32);
}

TEST_F(NodePoolTest, AChunkIsReleasedAsSoonAsItsLastSlotComesBack)
{
    void* only = NodePoolTake(pool);
    EXPECT_EQ(MainBlocks(), baseline + 2); // the pool record and one chunk
    NodePoolGive(pool, only);
    EXPECT_EQ(pool->totalSlots, 0);
    EXPECT_EQ(pool->openChunks, nullptr);
    EXPECT_EQ(pool->fullChunks, nullptr);
    EXPECT_EQ(MainBlocks(), baseline + 1);

    EXPECT_NE(NodePoolTake(pool), nullptr); // a fresh chunk
    EXPECT_EQ(pool->totalSlots, 16);
}

#ifndef _WIN32
TEST_F(NodePoolTest, WithoutRoomForAChunkEachTakeGetsAChunkOfOneSlot)
{
    std::vector<void*> taken;
    {
        // Room for one slot of 24 bytes and the chunk's bookkeeping, not 16.
        HeapRefusal refusal(128);
        EXPECT_EQ(TakeCountingChunk(taken), 1);
        EXPECT_EQ(TakeCountingChunk(taken), 1);
    }
    EXPECT_NE(taken[0], taken[1]);
    EXPECT_EQ(TakeCountingChunk(taken), 16) << "full chunks again once the heap gives";
    for (void* payload : taken)
        NodePoolGive(pool, payload);
    EXPECT_EQ(MainBlocks(), baseline + 1) << "only the pool itself is left";
}
#endif

TEST_F(NodePoolTest, GivingNullChangesNothing)
{
    NodePoolTake(pool);
    NodePoolGive(pool, nullptr);
    EXPECT_EQ(pool->totalSlots, 16);
    EXPECT_EQ(pool->openChunks->freeCount, 0);
}

TEST_F(NodePoolTest, ClearAndDestroyReleaseEveryChunk)
{
    for (int i = 0; i < 700; ++i)
        NodePoolTake(pool);
    NodePoolClear(pool);
    EXPECT_EQ(pool->totalSlots, 0);
    EXPECT_EQ(MainBlocks(), baseline + 1);
    EXPECT_NE(NodePoolTake(pool), nullptr); // still usable
    NodePoolDestroy(pool);
    EXPECT_EQ(MainBlocks(), baseline);
    NodePoolDestroy(nullptr);
}

// Random takes and gives: every node keeps its contents while handed out,
// the total always matches the chunks, and giving everything back leaves no
// chunk behind.
TEST_F(NodePoolTest, RandomTakesAndGivesKeepNodesIntact)
{
    std::mt19937 random(7);
    struct Held {
        std::uint32_t* payload;
        std::uint32_t stamp;
    };
    std::vector<Held> held;
    std::uint32_t stamp = 0;
    auto checkTotal = [&] {
        std::int32_t sum = 0;
        for (NodeChunk* list : {pool->openChunks, pool->fullChunks})
            for (NodeChunk* chunk = list; chunk; chunk = chunk->next)
                sum += chunk->capacity;
        return sum == pool->totalSlots;
    };
    for (int step = 0; step < 30000; ++step) {
        const bool take = held.empty() || random() % 100 < (step < 15000 ? 60u : 40u);
        if (take) {
            auto* payload = static_cast<std::uint32_t*>(NodePoolTake(pool));
            ASSERT_NE(payload, nullptr);
            for (int i = 0; i < 5; ++i)
                payload[i] = stamp;
            held.push_back({payload, stamp++});
        } else {
            const std::size_t index = random() % held.size();
            for (int i = 0; i < 5; ++i)
                ASSERT_EQ(held[index].payload[i], held[index].stamp) << "step " << step;
            NodePoolGive(pool, held[index].payload);
            held[index] = held.back();
            held.pop_back();
        }
        if (step % 997 == 0) {
            ASSERT_TRUE(checkTotal()) << "step " << step;
        }
    }
    for (const Held& h : held)
        NodePoolGive(pool, h.payload);
    EXPECT_EQ(pool->totalSlots, 0);
    EXPECT_EQ(MainBlocks(), baseline + 1);
}

} // namespace
