#pragma once
// A block of the process heap, freed with its owner: scratch memory for the
// length of one call (a window's tab stops, a text converted for the system,
// a file's bytes), which no registry of numbered objects needs to keep.

#include <windows.h>

#include <cstddef>

class ProcessHeapBlock {
public:
    ProcessHeapBlock() = default;
    // At least one byte, so that an empty text or file still has a block;
    // data() is null when the heap refused.
    explicit ProcessHeapBlock(std::size_t size) : data_(HeapAlloc(GetProcessHeap(), 0, size ? size : 1)) {}
    ~ProcessHeapBlock()
    {
        if (data_)
            HeapFree(GetProcessHeap(), 0, data_);
    }
    ProcessHeapBlock(const ProcessHeapBlock&) = delete;
    ProcessHeapBlock& operator=(const ProcessHeapBlock&) = delete;

    // Keeps the contents up to the smaller size; false, with the block as it
    // was, when the heap refused.
    bool Resize(std::size_t size)
    {
        void* resized = data_ ? HeapReAlloc(GetProcessHeap(), 0, data_, size ? size : 1)
                              : HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
        if (!resized)
            return false;
        data_ = resized;
        return true;
    }

    template <typename T>
    T* As() const
    {
        return static_cast<T*>(data_);
    }

private:
    void* data_ = nullptr;
};
