#include "base/node_pool.h"

#include "base/heap.h"
#include "base/object_number.h"

#include <cstddef>
#include <cstdint>

namespace {

void ListPushFront(NodeChunk** head, NodeChunk* chunk)
{
    chunk->previous = nullptr;
    chunk->next = *head;
    if (*head)
        (*head)->previous = chunk;
    *head = chunk;
}

void ListUnlink(NodeChunk** head, NodeChunk* chunk)
{
    if (chunk->previous)
        chunk->previous->next = chunk->next;
    else
        *head = chunk->next;
    if (chunk->next)
        chunk->next->previous = chunk->previous;
}

void ReleaseList(NodeChunk* chunk)
{
    while (chunk) {
        NodeChunk* next = chunk->next;
        HeapBlockFree(MainHeap, chunk);
        chunk = next;
    }
}

unsigned char* SlotAt(NodeChunk* chunk, std::int32_t index, std::int32_t slotSize)
{
    return reinterpret_cast<unsigned char*>(chunk + 1) + static_cast<std::size_t>(index) * static_cast<std::size_t>(slotSize);
}

// The owner word of a slot: its chunk while handed out, the next free slot
// while on the chunk's free-slot list.
void*& OwnerWord(void* slot) { return *static_cast<void**>(slot); }

bool IsFull(const NodeChunk* chunk) { return chunk->freeCount == 0 && chunk->carved >= chunk->capacity; }

// A sixteenth of the pool, rounded down to a multiple of 16, within the
// pool's limits.
std::int32_t NextChunkCapacity(const NodePool* pool)
{
    std::int32_t capacity = pool->totalSlots / 16 / 16 * 16;
    if (capacity < pool->minimumChunk)
        capacity = pool->minimumChunk;
    else if (capacity > pool->maximumChunk)
        capacity = pool->maximumChunk;
    return capacity;
}

NodeChunk* AllocateChunk(const NodePool* pool, std::int32_t capacity)
{
    const auto slotSize = static_cast<std::size_t>(pool->slotSize);
    if (static_cast<std::size_t>(capacity) > (SIZE_MAX - sizeof(NodeChunk)) / slotSize)
        return nullptr;
    const std::size_t bytes = sizeof(NodeChunk) + static_cast<std::size_t>(capacity) * slotSize;
    auto* chunk = static_cast<NodeChunk*>(HeapBlockAlloc(MainHeap, bytes, false));
    if (chunk)
        chunk->capacity = capacity;
    return chunk;
}

// A new chunk whose first slot is already handed out.
NodeChunk* AddChunk(NodePool* pool)
{
    NodeChunk* chunk = AllocateChunk(pool, NextChunkCapacity(pool));
    if (!chunk)
        chunk = AllocateChunk(pool, 1);
    if (!chunk)
        return nullptr;
    if (chunk->capacity > INT32_MAX - pool->totalSlots) {
        HeapBlockFree(MainHeap, chunk);
        return nullptr;
    }
    pool->totalSlots += chunk->capacity;
    chunk->carved = 1;
    chunk->freeCount = 0;
    chunk->freeSlots = nullptr;
    ListPushFront(chunk->capacity > 1 ? &pool->openChunks : &pool->fullChunks, chunk);
    return chunk;
}

} // namespace

NodePool* NodePoolCreate(std::int32_t payloadSize, std::int32_t minimumChunk, std::int32_t maximumChunk)
{
    if (payloadSize < 0 || payloadSize > INT32_MAX - 2 * WordSize || minimumChunk < 1 || maximumChunk < minimumChunk)
        return nullptr;
    auto* pool = static_cast<NodePool*>(HeapBlockAlloc(MainHeap, sizeof(NodePool), true));
    if (!pool)
        return nullptr;
    pool->slotSize = (payloadSize + WordSize + WordSize - 1) / WordSize * WordSize;
    pool->minimumChunk = minimumChunk;
    pool->maximumChunk = maximumChunk;
    return pool;
}

void* NodePoolTake(NodePool* pool)
{
    NodeChunk* chunk = pool->openChunks;
    void* slot;
    if (chunk) {
        if (chunk->freeCount > 0) {
            slot = chunk->freeSlots;
            chunk->freeSlots = OwnerWord(slot);
            --chunk->freeCount;
        } else {
            slot = SlotAt(chunk, chunk->carved++, pool->slotSize);
        }
        if (IsFull(chunk)) {
            ListUnlink(&pool->openChunks, chunk);
            ListPushFront(&pool->fullChunks, chunk);
        }
    } else {
        chunk = AddChunk(pool);
        if (!chunk)
            return nullptr;
        slot = SlotAt(chunk, 0, pool->slotSize);
    }
    OwnerWord(slot) = chunk;
    return static_cast<unsigned char*>(slot) + WordSize;
}

void NodePoolGive(NodePool* pool, void* payload)
{
    if (!payload)
        return;
    void* slot = static_cast<unsigned char*>(payload) - WordSize;
    auto* chunk = static_cast<NodeChunk*>(OwnerWord(slot));
    const bool wasFull = IsFull(chunk);
    OwnerWord(slot) = chunk->freeSlots;
    chunk->freeSlots = slot;
    ++chunk->freeCount;
    if (chunk->freeCount == chunk->carved) {
        ListUnlink(wasFull ? &pool->fullChunks : &pool->openChunks, chunk);
        pool->totalSlots -= chunk->capacity;
        HeapBlockFree(MainHeap, chunk);
    } else if (wasFull) {
        ListUnlink(&pool->fullChunks, chunk);
        ListPushFront(&pool->openChunks, chunk);
    }
}

void NodePoolClear(NodePool* pool)
{
    ReleaseList(pool->fullChunks);
    ReleaseList(pool->openChunks);
    pool->fullChunks = nullptr;
    pool->openChunks = nullptr;
    pool->totalSlots = 0;
}

void NodePoolDestroy(NodePool* pool)
{
    if (!pool)
        return;
    NodePoolClear(pool);
    HeapBlockFree(MainHeap, pool);
}
