#include "gadget/brush_cache.h"

#include "base/block_list.h"
#include "window/section_lock.h"

namespace {

struct BrushEntry {
    std::int32_t colour;
    HBRUSH brush;
    std::int32_t references;
};

CRITICAL_SECTION BrushCacheLock;
ListBlock* BrushCacheHead = nullptr; // newest entry first

template <typename Match>
BrushEntry* FindEntry(Match match)
{
    for (ListBlock* block = BrushCacheHead; block; block = block->older) {
        auto* entry = static_cast<BrushEntry*>(BlockListRecord(block));
        if (match(*entry))
            return entry;
    }
    return nullptr;
}

} // namespace

void BrushCacheStart() { InitializeCriticalSection(&BrushCacheLock); }

HBRUSH AcquireBrush(std::int32_t colour)
{
    const SectionLock guard(BrushCacheLock);
    if (BrushEntry* entry = FindEntry([colour](const BrushEntry& e) { return e.colour == colour; })) {
        ++entry->references;
        return entry->brush;
    }
    // Only entries with a live brush are kept, so a hit never hands out 0.
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
    if (!brush)
        return nullptr;
    auto* entry = static_cast<BrushEntry*>(BlockListPush(&BrushCacheHead, BlockListLinkSize + sizeof(BrushEntry)));
    if (!entry) {
        DeleteObject(brush);
        return nullptr;
    }
    *entry = BrushEntry{colour, brush, 1};
    return brush;
}

void ReleaseBrush(HBRUSH brush)
{
    if (!brush)
        return;
    const SectionLock guard(BrushCacheLock);
    BrushEntry* entry = FindEntry([brush](const BrushEntry& e) { return e.brush == brush; });
    if (!entry || --entry->references > 0)
        return;
    DeleteObject(brush);
    BlockListRemove(&BrushCacheHead, entry);
}
