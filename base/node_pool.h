#pragma once
// A pool of fixed-size nodes carved from chunks of the MainHeap (the event
// queue's nodes). A chunk holds a header and capacity slots; a slot is an owner
// word, then the payload. Chunks that can still hand out a slot are on the open
// list, the others on the full list; a chunk whose slots have all come back is
// released at once.
//
// New chunks hold about a sixteenth of the pool's slots, rounded down to a
// multiple of 16 and kept within the pool's minimum and maximum chunk. Neither
// chunks nor payloads are cleared: the taker fills the payload.

#include <cstdint>

struct NodeChunk {
    NodeChunk* next;      // in its list
    NodeChunk* previous;  // in its list
    void* freeSlots;      // head of the chunk's free-slot list
    std::int32_t capacity;
    std::int32_t carved;     // slots handed out from the never-used part, which is consumed from the front
    std::int32_t freeCount;  // slots on the free-slot list
};

struct NodePool {
    NodeChunk* fullChunks;
    NodeChunk* openChunks;
    std::int32_t totalSlots;  // sum of the capacities of all chunks
    std::int32_t slotSize;    // owner word + payload, rounded up to the word size
    std::int32_t minimumChunk;
    std::int32_t maximumChunk;
};

// Null when the pool record cannot be allocated, the payload size is negative
// or too large, the minimum chunk is below 1 or the maximum below the minimum.
NodePool* NodePoolCreate(std::int32_t payloadSize, std::int32_t minimumChunk, std::int32_t maximumChunk);

// A payload of the pool's size, aligned to the word size. When a chunk of the
// computed size cannot be allocated a 1-slot chunk is tried; null when even
// that fails.
void* NodePoolTake(NodePool* pool);

// Returns a payload from NodePoolTake of the same pool; null is ignored.
void NodePoolGive(NodePool* pool, void* payload);

// Releases every chunk; every payload handed out becomes invalid.
void NodePoolClear(NodePool* pool);

// NodePoolClear, then releases the pool record; null is ignored.
void NodePoolDestroy(NodePool* pool);
