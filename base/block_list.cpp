#include "base/block_list.h"

#include "base/heap.h"

void* BlockListPush(ListBlock** head, std::size_t blockSize)
{
    if (blockSize < BlockListLinkSize)
        return nullptr;
    auto* block = static_cast<ListBlock*>(HeapBlockAlloc(MainHeap, blockSize, true));
    if (!block)
        return nullptr;
    if (*head) {
        (*head)->newer = block;
        block->older = *head;
    }
    *head = block;
    return BlockListRecord(block);
}

void BlockListRemove(ListBlock** head, void* record)
{
    if (!record)
        return;
    ListBlock* block = BlockListBlockOf(record);
    if (block == *head) {
        *head = block->older;
        if (block->older)
            block->older->newer = nullptr;
    } else {
        block->newer->older = block->older;
        if (block->older)
            block->older->newer = block->newer;
    }
    HeapBlockFree(MainHeap, block);
}
