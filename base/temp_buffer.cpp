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
// Bytes a block holds beyond its nominal size: the terminator and the spare
// bytes that let a reader write one byte past its reservation.
constexpr std::int32_t BlockSlack = 5;

// Offsets set directly are kept inside the block; TempCapacity + 1 is where a
// text argument's protecting byte can leave the end.
std::int32_t ClampToBuffer(std::int64_t offset)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(offset, 0, static_cast<std::int64_t>(TempCapacity) + 1));
}

// The offset of a text that lies inside the buffer itself (an argument built by
// a caller), or -1. Such a text moves with the buffer when a reservation grows it.
std::int64_t OffsetInBuffer(const char* text)
{
    const auto address = reinterpret_cast<std::uintptr_t>(text);
    const auto begin = reinterpret_cast<std::uintptr_t>(TempBuffer);
    if (!TempBuffer || address < begin || address >= begin + static_cast<std::uintptr_t>(TempCapacity) + BlockSlack)
        return -1;
    return static_cast<std::int64_t>(address - begin);
}

// Copies a zero-terminated text to position; a text that cannot be reserved is
// left out and the current end is terminated instead.
void CopyTextAt(const char* text, std::int32_t position)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    const std::int64_t offset = OffsetInBuffer(text);
    char* destination = length <= INT32_MAX ? TempReserve(static_cast<std::int32_t>(length), position) : nullptr;
    if (!destination) {
        TempSetLength(TempLength);
        return;
    }
    const char* source = offset >= 0 ? TempBuffer + offset : text;
    if (length > 0)
        std::memmove(destination, source, length);
    destination[length] = 0;
}

} // namespace

void StringServiceStart()
{
    StringHeap = HeapOpen();
    if (!StringHeap)
        return;
    TempBuffer = static_cast<char*>(HeapBlockAlloc(StringHeap, InitialCapacity + BlockSlack, false));
    TempCapacity = TempBuffer ? InitialCapacity : 0;
    TempLength = 0;
}

char* TempReserve(std::int32_t length, std::int32_t position)
{
    if (!TempBuffer || length < 0 || position < 0)
        return nullptr;
    // Measured from the later of the current end and the position, so that a
    // position past the end still gets the room it writes into.
    const std::int64_t end = static_cast<std::int64_t>(std::max(TempLength, position)) + length;
    if (end >= TempCapacity - 4) {
        const std::int64_t capacity = end + GrowthHeadroom;
        if (capacity > INT32_MAX - BlockSlack)
            return nullptr;
        auto* grown = static_cast<char*>(
            HeapBlockResize(StringHeap, TempBuffer, static_cast<std::size_t>(capacity) + BlockSlack));
        if (!grown)
            return nullptr;
        TempBuffer = grown;
        TempCapacity = static_cast<std::int32_t>(capacity);
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
