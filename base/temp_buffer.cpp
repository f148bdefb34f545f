#include "base/heap.h"
#include "base/strings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

char* TempBuffer = nullptr;
std::int32_t TempCapacity = 0;
std::int32_t TempLength = 0;

namespace {

constexpr std::int32_t InitialCapacity = 16;
constexpr std::int32_t GrowthHeadroom = 16384;

// Offsets set directly are kept inside the block; TempCapacity + 1 is where a
// text argument's protecting byte can leave the end.
std::int32_t ClampToBuffer(std::int64_t offset)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(offset, 0, static_cast<std::int64_t>(TempCapacity) + 1));
}

// A buffer block outgrown while text was under construction. A routine may
// still hold a pointer into it (its argument, built by its caller in the
// buffer), so it stays readable until the buffer is empty again.
struct RetiredBlock {
    RetiredBlock* next;
    char* block;
};

RetiredBlock* Retired = nullptr;

void ReleaseRetiredBlocks()
{
    while (Retired) {
        RetiredBlock* next = Retired->next;
        HeapBlockFree(StringHeap, Retired->block);
        HeapBlockFree(StringHeap, Retired);
        Retired = next;
    }
}

// Moves the buffer to a new block of capacity + StringBlockSlack bytes,
// keeping its contents; false, with nothing changed, when the heap refuses.
bool GrowBuffer(std::int64_t capacity)
{
    auto* retired = static_cast<RetiredBlock*>(HeapBlockAlloc(StringHeap, sizeof(RetiredBlock), false));
    if (!retired)
        return false;
    auto* grown = static_cast<char*>(HeapBlockAlloc(StringHeap, static_cast<std::size_t>(capacity) + StringBlockSlack, false));
    if (!grown) {
        HeapBlockFree(StringHeap, retired);
        return false;
    }
    std::memcpy(grown, TempBuffer, static_cast<std::size_t>(TempCapacity) + StringBlockSlack);
    *retired = RetiredBlock{Retired, TempBuffer};
    Retired = retired;
    TempBuffer = grown;
    TempCapacity = static_cast<std::int32_t>(capacity);
    return true;
}

// Copies a zero-terminated text to position; a text that cannot be reserved is
// left out and the current end is terminated instead.
void CopyTextAt(const char* text, std::int32_t position)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    char* destination = length <= INT32_MAX ? TempReserve(static_cast<std::int32_t>(length), position) : nullptr;
    if (!destination) {
        TempSetLength(TempLength);
        return;
    }
    // The text may lie in the buffer itself (an argument); a growth has kept
    // its old block readable.
    if (length > 0)
        std::memmove(destination, text, length);
    destination[length] = 0;
}

} // namespace

void StringServiceStart()
{
    Retired = nullptr;
    StringHeap = HeapOpen();
    if (!StringHeap)
        return;
    TempBuffer = static_cast<char*>(HeapBlockAlloc(StringHeap, InitialCapacity + StringBlockSlack, false));
    TempCapacity = TempBuffer ? InitialCapacity : 0;
    TempLength = 0;
}

char* TempReserve(std::int32_t length, std::int32_t position)
{
    if (!TempBuffer || length < 0 || position < 0)
        return nullptr;
    // An empty buffer means no statement is under construction: nothing can
    // point into an outgrown block any more.
    if (TempLength == 0)
        ReleaseRetiredBlocks();
    // Measured from the later of the current end and the position, so that a
    // position past the end still gets the room it writes into.
    const std::int64_t end = static_cast<std::int64_t>(std::max(TempLength, position)) + length;
    if (end >= TempCapacity - 4) {
        const std::int64_t capacity = end + GrowthHeadroom;
        if (capacity > INT32_MAX - StringBlockSlack || !GrowBuffer(capacity))
            return nullptr;
    }
    TempLength = position + length;
    return TempBuffer + position;
}

void TempShrink(std::int32_t amount) { TempLength = ClampToBuffer(static_cast<std::int64_t>(TempLength) - amount); }

void TempSetLength(std::int32_t length)
{
    TempLength = ClampToBuffer(length);
    if (TempBuffer)
        TempBuffer[TempLength] = 0;
}

void TempAppend(const char* text)
{
    if (!text) {
        TempSetLength(TempLength);
        return;
    }
    CopyTextAt(text, TempLength);
}

void TextFromMemory(const void* address, std::int32_t position)
{
    CopyTextAt(static_cast<const char*>(address), position);
}
