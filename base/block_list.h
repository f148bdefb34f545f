#pragma once
// The linked block list: a doubly linked list of individually allocated,
// zero-filled blocks from the MainHeap. Each block is the two links followed by
// one record; callers hold record pointers. The head is the newest block;
// walk the list from the head along the older links:
//
//     for (ListBlock* block = head; block; block = block->older)
//         use(BlockListRecord(block));

#include <cstddef>

struct ListBlock {
    ListBlock* older;
    ListBlock* newer;
};

// Bytes of a block before its record.
constexpr std::size_t BlockListLinkSize = sizeof(ListBlock);

// A new zeroed block of blockSize bytes (links included) at the head of the
// list; returns its record part. Null, with the list unchanged, when the heap
// cannot supply it or blockSize does not even hold the links.
void* BlockListPush(ListBlock** head, std::size_t blockSize);

// Unlinks the block holding the record and releases it. The record must be
// one that BlockListPush returned for this list; null is ignored.
void BlockListRemove(ListBlock** head, void* record);

inline void* BlockListRecord(ListBlock* block) { return reinterpret_cast<unsigned char*>(block) + BlockListLinkSize; }

inline ListBlock* BlockListBlockOf(void* record)
{
    return reinterpret_cast<ListBlock*>(static_cast<unsigned char*>(record) - BlockListLinkSize);
}
