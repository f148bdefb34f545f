#include "base/heap.h"
#include "base/heap_refusal.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// An arena is a doubly linked list of malloc'd blocks, each behind a small
// header, so that closing the arena can free everything still allocated.
namespace {

struct BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
    alignas(std::max_align_t) unsigned char payload[1];
};

constexpr std::size_t PayloadOffset = offsetof(BlockHeader, payload);

struct Arena {
    BlockHeader* blocks;
};

BlockHeader* HeaderOf(void* block)
{
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - PayloadOffset);
}

void Link(Arena* arena, BlockHeader* header)
{
    header->prev = nullptr;
    header->next = arena->blocks;
    if (arena->blocks)
        arena->blocks->prev = header;
    arena->blocks = header;
}

void Unlink(Arena* arena, BlockHeader* header)
{
    if (header->prev)
        header->prev->next = header->next;
    else
        arena->blocks = header->next;
    if (header->next)
        header->next->prev = header->prev;
}

std::size_t LargestGranted = SIZE_MAX;

bool SizeFits(std::size_t size)
{
    return size <= static_cast<std::size_t>(PTRDIFF_MAX) - PayloadOffset && size <= LargestGranted;
}

} // namespace

void HeapRefuseLargerThan(std::size_t bytes) { LargestGranted = bytes; }

HeapRef HeapOpen() { return new (std::nothrow) Arena{nullptr}; }

void HeapClose(HeapRef heap)
{
    Arena* arena = static_cast<Arena*>(heap);
    if (!arena)
        return;
    while (arena->blocks) {
        BlockHeader* header = arena->blocks;
        arena->blocks = header->next;
        std::free(header);
    }
    delete arena;
}

void* HeapBlockAlloc(HeapRef heap, std::size_t size, bool zeroFill)
{
    if (!heap || !SizeFits(size))
        return nullptr;
    void* raw = zeroFill ? std::calloc(1, PayloadOffset + size) : std::malloc(PayloadOffset + size);
    if (!raw)
        return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    Link(static_cast<Arena*>(heap), header);
    return header->payload;
}

void* HeapBlockResize(HeapRef heap, void* block, std::size_t size)
{
    if (!heap || !block || !SizeFits(size))
        return nullptr;
    Arena* arena = static_cast<Arena*>(heap);
    BlockHeader* header = HeaderOf(block);
    Unlink(arena, header);
    void* raw = std::realloc(header, PayloadOffset + size);
    if (!raw) {
        Link(arena, header);
        return nullptr;
    }
    header = static_cast<BlockHeader*>(raw);
    Link(arena, header);
    return header->payload;
}

void HeapBlockFree(HeapRef heap, void* block)
{
    if (!heap || !block)
        return;
    BlockHeader* header = HeaderOf(block);
    Unlink(static_cast<Arena*>(heap), header);
    std::free(header);
}

std::size_t HeapBlockCount(HeapRef heap)
{
    std::size_t count = 0;
    if (heap)
        for (BlockHeader* header = static_cast<Arena*>(heap)->blocks; header; header = header->next)
            ++count;
    return count;
}
