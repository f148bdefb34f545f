#pragma once
// A run of bytes that grows at its end, on the process heap: bytes on their
// way to a file, kept in a record that another thread may share and that is
// freed as a whole. A zero-initialised run is empty.

#include <windows.h>

#include <cstddef>
#include <cstring>

struct ByteRun {
    char* bytes;
    std::size_t length;
    std::size_t capacity;
};

inline bool ByteRunAppend(ByteRun& run, const char* bytes, std::size_t length)
{
    if (length > run.capacity - run.length) {
        std::size_t capacity = run.capacity ? run.capacity : 4096;
        while (capacity - run.length < length)
            capacity *= 2;
        void* grown = run.bytes ? HeapReAlloc(GetProcessHeap(), 0, run.bytes, capacity)
                                : HeapAlloc(GetProcessHeap(), 0, capacity);
        if (!grown)
            return false;
        run.bytes = static_cast<char*>(grown);
        run.capacity = capacity;
    }
    if (length)
        std::memcpy(run.bytes + run.length, bytes, length);
    run.length += length;
    return true;
}

inline void ByteRunFree(ByteRun& run)
{
    if (run.bytes)
        HeapFree(GetProcessHeap(), 0, run.bytes);
    run = ByteRun{};
}

// `from`'s bytes after `to`'s; they stay in `from` when no memory was had.
inline void ByteRunMove(ByteRun& from, ByteRun& to)
{
    if (to.length == 0) {
        ByteRunFree(to);
        to = from;
        from = ByteRun{};
    } else if (ByteRunAppend(to, from.bytes, from.length)) {
        from.length = 0;
    }
}
