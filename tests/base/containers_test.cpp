#include "base/block_list.h"
#include "base/state_block.h"

#include "base_heaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using ContainersTest = BaseHeaps;

struct Entry {
    std::intptr_t value;
};

std::vector<std::intptr_t> NewestFirst(ListBlock* head)
{
    std::vector<std::intptr_t> values;
    for (ListBlock* block = head; block; block = block->older)
        values.push_back(static_cast<Entry*>(BlockListRecord(block))->value);
    return values;
}

std::vector<std::intptr_t> OldestFirst(ListBlock* head)
{
    ListBlock* block = head;
    while (block && block->older)
        block = block->older;
    std::vector<std::intptr_t> values;
    for (; block; block = block->newer)
        values.push_back(static_cast<Entry*>(BlockListRecord(block))->value);
    return values;
}

TEST_F(ContainersTest, BlocksArePushedZeroedAtTheHead)
{
    ListBlock* head = nullptr;
    for (std::intptr_t i = 1; i <= 3; ++i) {
        auto* entry = static_cast<Entry*>(BlockListPush(&head, BlockListLinkSize + sizeof(Entry)));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->value, 0);
        EXPECT_EQ(BlockListBlockOf(entry), head);
        entry->value = i;
    }
    EXPECT_EQ(NewestFirst(head), (std::vector<std::intptr_t>{3, 2, 1}));
    EXPECT_EQ(OldestFirst(head), (std::vector<std::intptr_t>{1, 2, 3}));
    EXPECT_EQ(head->newer, nullptr);
}

TEST_F(ContainersTest, RemovingKeepsBothDirectionsLinked)
{
    struct Case {
        std::intptr_t removed;
        std::vector<std::intptr_t> left; // newest first
    };
    const Case cases[] = {{4, {3, 2, 1}}, {1, {4, 3, 2}}, {3, {4, 2, 1}}};
    for (const Case& c : cases) {
        const std::size_t blocks = MainBlocks();
        ListBlock* head = nullptr;
        std::vector<Entry*> entries;
        for (std::intptr_t i = 1; i <= 4; ++i) {
            entries.push_back(static_cast<Entry*>(BlockListPush(&head, BlockListLinkSize + sizeof(Entry))));
            entries.back()->value = i;
        }
        BlockListRemove(&head, entries[static_cast<std::size_t>(c.removed - 1)]);
        EXPECT_EQ(NewestFirst(head), c.left) << "removed " << c.removed;
        std::vector<std::intptr_t> oldestFirst(c.left.rbegin(), c.left.rend());
        EXPECT_EQ(OldestFirst(head), oldestFirst) << "removed " << c.removed;
        EXPECT_EQ(MainBlocks(), blocks + 3);
        while (head)
            BlockListRemove(&head, BlockListRecord(head));
        EXPECT_EQ(MainBlocks(), blocks);
    }
}

TEST_F(ContainersTest, ABlockTooSmallForItsLinksIsRefused)
{
    ListBlock* head = nullptr;
    EXPECT_EQ(BlockListPush(&head, BlockListLinkSize - 1), nullptr);
    EXPECT_EQ(head, nullptr);
    EXPECT_NE(BlockListPush(&head, BlockListLinkSize), nullptr); // a record of no bytes
    BlockListRemove(&head, nullptr);
    EXPECT_NE(head, nullptr);
}

struct LibraryGlobals {
    std::int32_t counter;
    void* handle;
};

int InitCalls = 0;
int ReleaseCalls = 0;

void InitGlobals(void* block)
{
    ++InitCalls;
    auto* globals = static_cast<LibraryGlobals*>(block);
    EXPECT_EQ(globals->counter, 0); // zeroed before the init routine sees it
    globals->counter = 41;
}

void ReleaseGlobals(void*) { ++ReleaseCalls; }

TEST_F(ContainersTest, AStateBlockComesZeroedFromTheMainHeapAndIsInitialisedOnce)
{
    // Bytes a former owner left behind, which the heap may hand out again.
    auto* used = static_cast<unsigned char*>(HeapBlockAlloc(MainHeap, 64, false));
    ASSERT_NE(used, nullptr);
    std::memset(used, 0xA5, 64);
    HeapBlockFree(MainHeap, used);

    const std::size_t blocks = MainBlocks();
    InitCalls = ReleaseCalls = 0;
    void* block = StateBlockCreate(sizeof(LibraryGlobals), InitGlobals, ReleaseGlobals);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MainBlocks(), blocks + 1);
    EXPECT_EQ(InitCalls, 1);
    EXPECT_EQ(ReleaseCalls, 0); // each library's end routine releases its own
    const auto* globals = static_cast<LibraryGlobals*>(StateBlockGet(block));
    EXPECT_EQ(globals->counter, 41);
    EXPECT_EQ(globals->handle, nullptr);

    auto* plain = static_cast<unsigned char*>(StateBlockCreate(64, nullptr, nullptr));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(std::count(plain, plain + 64, 0), 64);

    // No block means no init call, which would write through null.
    EXPECT_EQ(StateBlockCreate(-1, InitGlobals, nullptr), nullptr);
#ifndef _WIN32
    {
        HeapRefusal refusal(sizeof(LibraryGlobals) - 1);
        EXPECT_EQ(StateBlockCreate(sizeof(LibraryGlobals), InitGlobals, nullptr), nullptr);
    }
#endif
    EXPECT_EQ(InitCalls, 1);
    EXPECT_EQ(MainBlocks(), blocks + 2);
}

} // namespace
