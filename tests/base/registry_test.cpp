#include "base/registry.h"

#include "base_heaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

struct TestRecord {
    std::uintptr_t handle;  // non-zero: live
    std::int32_t payload;
};

ObjectRegistry* Current = nullptr;
std::vector<ObjectNumber> FreeCalls;

// Frees like a kind does: find the live object, drop its handle, release the record.
void FreeObject(ObjectNumber identifier)
{
    FreeCalls.push_back(identifier);
    if (RegistryLookup(Current, identifier))
        RegistryRelease(Current, identifier);
}

class RegistryTest : public BaseHeaps {
protected:
    void SetUp() override
    {
        BaseHeaps::SetUp();
        FreeCalls.clear();
        registry = RegistryCreate(sizeof(TestRecord), 16, FreeObject);
        ASSERT_NE(registry, nullptr);
        Current = registry;
    }

    TestRecord* Make(ObjectNumber number, std::uintptr_t handle)
    {
        auto* record = static_cast<TestRecord*>(RegistryAllocate(registry, number));
        if (record)
            record->handle = handle;
        return record;
    }

    std::vector<std::pair<ObjectNumber, std::uintptr_t>> Enumerate()
    {
        std::vector<std::pair<ObjectNumber, std::uintptr_t>> seen;
        RegistryBeginEnumeration(registry);
        ObjectNumber identifier = 0;
        while (auto* record = static_cast<TestRecord*>(RegistryNext(registry, &identifier)))
            seen.emplace_back(identifier, record->handle);
        return seen;
    }

    bool TableIsZeroFrom(std::int32_t first)
    {
        const auto begin = registry->table + static_cast<std::size_t>(first) * sizeof(TestRecord);
        const auto end = registry->table + static_cast<std::size_t>(registry->capacity) * sizeof(TestRecord);
        return std::all_of(begin, end, [](unsigned char byte) { return byte == 0; });
    }

    ObjectRegistry* registry = nullptr;
};

TEST_F(RegistryTest, TableGrowsToNumberPlusStep)
{
    struct Step {
        ObjectNumber number;
        std::int32_t capacity;
    };
    const Step steps[] = {{15, 16}, {16, 32}, {31, 32}, {100, 116}, {0, 116}, {116, 132}};
    for (const Step& step : steps) {
        ASSERT_NE(Make(step.number, 0x1000 + static_cast<std::uintptr_t>(step.number)), nullptr) << step.number;
        EXPECT_EQ(registry->capacity, step.capacity) << "after number " << step.number;
    }
    // Growth keeps existing records and zeroes the added ones.
    EXPECT_EQ(static_cast<TestRecord*>(RegistryLookup(registry, 15))->handle, 0x100Fu);
    EXPECT_EQ(static_cast<TestRecord*>(RegistryLookup(registry, 100))->handle, 0x1064u);
    for (ObjectNumber n : {17, 50, 99, 101, 115, 117, 131})
        EXPECT_EQ(RegistryLookup(registry, n), nullptr) << n;
    EXPECT_TRUE(TableIsZeroFrom(117));
}

TEST_F(RegistryTest, AllocatingANumberFreesTheObjectThatHeldIt)
{
    ASSERT_NE(Make(5, 0xA), nullptr);
    EXPECT_EQ(FreeCalls, std::vector<ObjectNumber>{5}); // called although the slot was free

    FreeCalls.clear();
    auto* again = static_cast<TestRecord*>(RegistryAllocate(registry, 5));
    EXPECT_EQ(FreeCalls, std::vector<ObjectNumber>{5});
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->handle, 0u);
    EXPECT_EQ(again->payload, 0);
    EXPECT_EQ(again, static_cast<void*>(registry->table + 5 * sizeof(TestRecord)));
}

TEST_F(RegistryTest, TheSlotReturnedIsEmptyEvenWhenTheKindHasNoFreeRoutine)
{
    ObjectRegistry* plain = RegistryCreate(sizeof(TestRecord), 4, nullptr);
    auto* record = static_cast<TestRecord*>(RegistryAllocate(plain, 2));
    record->handle = 9;
    record->payload = 77;
    record = static_cast<TestRecord*>(RegistryAllocate(plain, 2));
    EXPECT_EQ(record->handle, 0u);
    EXPECT_EQ(record->payload, 0);
}

TEST_F(RegistryTest, AnyNumberObjectsLiveOutsideTheTableAtAStableAddress)
{
    TestRecord* a = Make(AnyNumber, 0xA);
    TestRecord* b = Make(AnyNumber, 0xB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_TRUE(FreeCalls.empty());
    EXPECT_TRUE(TableIsZeroFrom(0));

    const auto idA = reinterpret_cast<ObjectNumber>(a);
    const auto idB = reinterpret_cast<ObjectNumber>(b);
    for (ObjectNumber id : {idA, idB})
        EXPECT_TRUE(id < 0 || id >= registry->capacity);

    ASSERT_NE(Make(500, 0x500), nullptr); // a growth does not move them
    EXPECT_EQ(RegistryLookup(registry, idA), a);
    EXPECT_EQ(RegistryLookup(registry, idB), b);
    EXPECT_GT(idA, registry->capacity - 1);

    a->handle = 0; // not yet (or no longer) live
    EXPECT_EQ(RegistryLookup(registry, idA), nullptr);
    RegistryRelease(registry, idB);
    EXPECT_EQ(RegistryLookup(registry, idB), nullptr);
}

#ifndef _WIN32
TEST_F(RegistryTest, WhatTheHeapRefusesGivesNullAndLeavesTheRegistryAsItWas)
{
    ASSERT_NE(Make(1, 0x1), nullptr);
    const std::int32_t capacity = registry->capacity;
    {
        HeapRefusal refusal(0);
        EXPECT_EQ(RegistryAllocate(registry, capacity + 1), nullptr) << "the table's growth";
        EXPECT_EQ(RegistryAllocate(registry, AnyNumber), nullptr) << "the block list's push";
    }
    EXPECT_EQ(registry->capacity, capacity);
    EXPECT_EQ(registry->anyList, nullptr);
    auto* one = static_cast<TestRecord*>(RegistryLookup(registry, 1));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->handle, 0x1u);
    EXPECT_NE(Make(capacity + 1, 0x2), nullptr) << "and grows once the heap gives again";
}
#endif

TEST_F(RegistryTest, IdentifiersThatNameNothingAreHarmless)
{
    TestRecord stranger{0x5, 0}; // live-looking, but not this registry's
    const auto strangerId = reinterpret_cast<ObjectNumber>(&stranger);
    const std::size_t blocks = MainBlocks();
    for (ObjectNumber id : {ObjectNumber{16}, ObjectNumber{17}, AnyNumber, ObjectNumber{-2}, strangerId,
                            ObjectNumber{INTPTR_MAX}, ObjectNumber{INTPTR_MIN}}) {
        EXPECT_EQ(RegistryLookup(registry, id), nullptr) << id;
        RegistryRelease(registry, id);
    }
    EXPECT_EQ(stranger.handle, 0x5u);
    EXPECT_EQ(MainBlocks(), blocks);
    EXPECT_EQ(RegistryAllocate(registry, -2), nullptr);
    EXPECT_EQ(RegistryAllocate(registry, INTPTR_MIN), nullptr);
}

TEST_F(RegistryTest, ANumberTooLargeForTheTableLeavesItAsItWas)
{
    // Megabyte records: the largest 32-bit capacity needs more bytes than any
    // address space holds (and overflows the size on 32-bit words).
    constexpr std::int32_t RecordSize = 1 << 20;
    Current = RegistryCreate(RecordSize, 16, FreeObject);
    ASSERT_NE(Current, nullptr);
    auto* record = static_cast<TestRecord*>(RegistryAllocate(Current, 3));
    record->handle = 0x3;
    const std::int32_t capacity = Current->capacity;
    unsigned char* table = Current->table;
    FreeCalls.clear();
    const ObjectNumber tooLarge[] = {
        ObjectNumber{INT32_MAX},      // number + step passes the 32-bit capacity
        ObjectNumber{INT32_MAX - 16}, // the largest capacity: the heap refuses it
        ObjectNumber{INTPTR_MAX},
    };
    for (ObjectNumber number : tooLarge) {
        EXPECT_EQ(RegistryAllocate(Current, number), nullptr) << number;
        EXPECT_EQ(Current->capacity, capacity);
        EXPECT_EQ(Current->table, table);
    }
    EXPECT_TRUE(FreeCalls.empty());
    EXPECT_EQ(static_cast<TestRecord*>(RegistryLookup(Current, 3))->handle, 0x3u);
}

TEST_F(RegistryTest, EnumerationGivesNumbersAscendingThenAnyNumberObjectsOldestFirst)
{
    TestRecord* a = Make(AnyNumber, 0xA);
    Make(7, 0x7);
    TestRecord* b = Make(AnyNumber, 0); // never made live: still enumerated
    Make(3, 0x3);
    RegistryAllocate(registry, 5); // first field never set: skipped
    const auto idA = reinterpret_cast<ObjectNumber>(a);
    const auto idB = reinterpret_cast<ObjectNumber>(b);

    const std::vector<std::pair<ObjectNumber, std::uintptr_t>> expected = {{3, 0x3}, {7, 0x7}, {idA, 0xA}, {idB, 0}};
    EXPECT_EQ(Enumerate(), expected);

    ObjectNumber identifier = 1234;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(RegistryNext(registry, &identifier), nullptr);
    EXPECT_EQ(identifier, 1234);
}

TEST_F(RegistryTest, FreeingWhileEnumeratingSkipsNothing)
{
    const std::size_t blocks = MainBlocks();
    std::vector<ObjectNumber> created;
    for (ObjectNumber n : {0, 1, 2, 15, 40})
        Make(n, 0x100 + static_cast<std::uintptr_t>(n));
    for (int i = 0; i < 4; ++i)
        created.push_back(reinterpret_cast<ObjectNumber>(Make(AnyNumber, 0xA0 + static_cast<std::uintptr_t>(i))));

    std::vector<ObjectNumber> freed;
    RegistryBeginEnumeration(registry);
    ObjectNumber identifier = 0;
    while (RegistryNext(registry, &identifier)) {
        freed.push_back(identifier);
        FreeObject(identifier);
    }
    const std::vector<ObjectNumber> expected = {0, 1, 2, 15, 40, created[0], created[1], created[2], created[3]};
    EXPECT_EQ(freed, expected);
    EXPECT_TRUE(Enumerate().empty());
    EXPECT_EQ(MainBlocks(), blocks);
}

TEST_F(RegistryTest, ReleasingTheNextAnyNumberObjectDuringEnumerationDoesNotDerailIt)
{
    std::vector<ObjectNumber> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(reinterpret_cast<ObjectNumber>(Make(AnyNumber, 0xC0 + static_cast<std::uintptr_t>(i))));
    RegistryBeginEnumeration(registry);
    ObjectNumber identifier = 0;
    ASSERT_NE(RegistryNext(registry, &identifier), nullptr);
    EXPECT_EQ(identifier, ids[0]);
    RegistryRelease(registry, ids[1]); // the block the cursor stands on
    ASSERT_NE(RegistryNext(registry, &identifier), nullptr);
    EXPECT_EQ(identifier, ids[2]);
    EXPECT_EQ(RegistryNext(registry, &identifier), nullptr);
}

// The registry against a plain model under a long random run of creations,
// releases, handle changes, lookups and enumerations.
TEST_F(RegistryTest, BehavesLikeAReferenceModel)
{
    std::mt19937_64 random(20261207);
    std::map<ObjectNumber, std::uintptr_t> numbered; // live numbered objects
    std::vector<std::pair<ObjectNumber, std::uintptr_t>> anys; // any-number blocks, oldest first
    std::int32_t capacity = 16;
    std::uintptr_t nextHandle = 1;
    const std::size_t blocks = MainBlocks();

    auto pick = [&](std::uint64_t bound) { return static_cast<std::int64_t>(random() % bound); };
    auto someIdentifier = [&]() -> ObjectNumber {
        if (!anys.empty() && pick(2) == 0)
            return anys[static_cast<std::size_t>(pick(anys.size()))].first;
        return pick(capacity + 20);
    };

    for (int step = 0; step < 20000; ++step) {
        switch (pick(8)) {
        case 0:
        case 1: { // create under a number, mostly small, sometimes past the table
            const ObjectNumber number = pick(10) == 0 ? pick(400) : pick(40);
            auto* record = static_cast<TestRecord*>(RegistryAllocate(registry, number));
            ASSERT_NE(record, nullptr);
            if (number >= capacity)
                capacity = static_cast<std::int32_t>(number) + 16;
            numbered.erase(number);
            if (pick(5) != 0) { // now and then the kind never finishes creating
                record->handle = nextHandle;
                numbered[number] = nextHandle++;
            }
            break;
        }
        case 2: {
            auto* record = static_cast<TestRecord*>(RegistryAllocate(registry, AnyNumber));
            ASSERT_NE(record, nullptr);
            const std::uintptr_t handle = pick(4) == 0 ? 0 : nextHandle++;
            record->handle = handle;
            anys.emplace_back(reinterpret_cast<ObjectNumber>(record), handle);
            break;
        }
        case 3:
        case 4: { // release something, or nothing
            const ObjectNumber id = someIdentifier();
            RegistryRelease(registry, id);
            numbered.erase(id);
            std::erase_if(anys, [id](const auto& any) { return any.first == id; });
            break;
        }
        case 5: { // the kind through its free routine
            const ObjectNumber id = someIdentifier();
            FreeObject(id);
            numbered.erase(id);
            std::erase_if(anys, [id](const auto& any) { return any.first == id && any.second != 0; });
            break;
        }
        case 6: {
            const ObjectNumber id = someIdentifier();
            auto* record = static_cast<TestRecord*>(RegistryLookup(registry, id));
            std::uintptr_t expected = 0;
            if (auto found = numbered.find(id); found != numbered.end())
                expected = found->second;
            for (const auto& any : anys)
                if (any.first == id)
                    expected = any.second;
            ASSERT_EQ(record ? record->handle : 0u, expected) << "step " << step << " id " << id;
            break;
        }
        default: {
            std::vector<std::pair<ObjectNumber, std::uintptr_t>> expected(numbered.begin(), numbered.end());
            expected.insert(expected.end(), anys.begin(), anys.end());
            ASSERT_EQ(Enumerate(), expected) << "step " << step;
            break;
        }
        }
        ASSERT_EQ(registry->capacity, capacity) << "step " << step;
    }

    RegistryBeginEnumeration(registry);
    ObjectNumber identifier = 0;
    while (RegistryNext(registry, &identifier))
        RegistryRelease(registry, identifier);
    EXPECT_EQ(MainBlocks(), blocks); // the table grows in place: still one block
    EXPECT_TRUE(TableIsZeroFrom(0));
}

} // namespace
