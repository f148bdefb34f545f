#pragma once
// Private heaps: the one seam between the runtime base and the platform's
// memory manager. On Windows a heap is a Win32 private heap; the host build
// uses arenas that keep their blocks on a list so that a whole heap can be
// released at once. Every block of a heap is freed with its heap.

#include <cstddef>

using HeapRef = void*;

// A new, empty heap (HeapCreate with no options, 4096 bytes initially, no
// maximum); null when the platform refuses.
HeapRef HeapOpen();
// Releases the heap and every block still allocated from it.
void HeapClose(HeapRef heap);

// A block of size bytes, zero-filled when asked; null when the heap cannot
// supply it. A size of 0 is a valid request.
void* HeapBlockAlloc(HeapRef heap, std::size_t size, bool zeroFill);
// Resizes a block, keeping its contents up to the smaller size; bytes added
// are undefined. Null when the heap cannot supply the new size, in which case
// the old block is untouched and still owned by the caller.
void* HeapBlockResize(HeapRef heap, void* block, std::size_t size);
// Returns a block to its heap; null is ignored.
void HeapBlockFree(HeapRef heap, void* block);
// Blocks currently allocated from the heap: how tests prove that what an
// operation allocated has all been given back.
std::size_t HeapBlockCount(HeapRef heap);

// The three heaps of the runtime, each set once at start-up.
extern HeapRef MainHeap;   // registries, toolkit records, arrays
extern HeapRef StringHeap; // string variables and the temporary text buffer
extern HeapRef MemoryHeap; // application memory blocks (MemAlloc)
