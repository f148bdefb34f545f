#include "base/heap.h"
#include "base/strings.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

char* AllocateBlock(std::size_t length)
{
    if (length > SIZE_MAX - StringBlockSlack)
        return nullptr;
    return static_cast<char*>(HeapBlockAlloc(StringHeap, length + StringBlockSlack, false));
}

char* ResizeBlock(char* block, std::size_t length)
{
    if (length > SIZE_MAX - StringBlockSlack)
        return nullptr;
    return static_cast<char*>(HeapBlockResize(StringHeap, block, length + StringBlockSlack));
}

// A new block for the variable, or its old one resized; null, with the old
// block untouched, when the heap refuses.
char* BlockFor(char* current, std::size_t length)
{
    return current ? ResizeBlock(current, length) : AllocateBlock(length);
}

void CopyInto(char* block, const char* text, std::size_t length)
{
    if (length > 0)
        std::memcpy(block, text, length);
    block[length] = 0;
}

// True when text lies within the variable's own text (itself or a suffix):
// resizing that block could move or free the source before it is copied.
bool LiesWithin(const char* text, const char* block)
{
    if (!block)
        return false;
    const auto address = reinterpret_cast<std::uintptr_t>(text);
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    return address >= begin && address <= begin + std::strlen(block);
}

} // namespace

std::int32_t StringStoreTemp(char** variable, std::int32_t start)
{
    if (start < 0 || start > TempLength)
        start = TempLength;
    const auto length = static_cast<std::size_t>(TempLength - start);
    if (char* block = BlockFor(*variable, length)) {
        CopyInto(block, TempBuffer + start, length);
        *variable = block;
    }
    TempLength = start;
    return start;
}

void StringAssign(char** variable, const char* text)
{
    if (!text) {
        StringFree(*variable);
        *variable = nullptr;
        return;
    }
    const std::size_t length = std::strlen(text);
    if (LiesWithin(text, *variable)) {
        char* block = AllocateBlock(length);
        if (!block)
            return;
        CopyInto(block, text, length);
        StringFree(*variable);
        *variable = block;
        return;
    }
    if (char* block = BlockFor(*variable, length)) {
        CopyInto(block, text, length);
        *variable = block;
    }
}

void StringInit(char** variable, const char* text)
{
    if (!text)
        return;
    const std::size_t length = std::strlen(text);
    char* block = AllocateBlock(length);
    if (block)
        CopyInto(block, text, length);
    *variable = block;
}

void StringFree(char* text)
{
    if (text)
        HeapBlockFree(StringHeap, text);
}

std::int32_t StringEquals(const char* a, const char* b)
{
    return std::strcmp(a ? a : "", b ? b : "") == 0 ? 1 : 0;
}
