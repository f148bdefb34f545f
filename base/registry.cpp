#include "base/registry.h"

#include "base/heap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool InTable(const ObjectRegistry* registry, ObjectNumber identifier)
{
    return identifier >= 0 && identifier < registry->capacity;
}

unsigned char* TableRecord(const ObjectRegistry* registry, ObjectNumber number)
{
    return registry->table + static_cast<std::size_t>(number) * static_cast<std::size_t>(registry->recordSize);
}

ObjectNumber IdentifierOf(ListBlock* block) { return reinterpret_cast<ObjectNumber>(BlockListRecord(block)); }

// Identifiers are checked against the registry's own blocks rather than
// dereferenced, so a stale or foreign identifier reads as "no object".
ListBlock* FindAnyBlock(const ObjectRegistry* registry, ObjectNumber identifier)
{
    for (ListBlock* block = registry->anyList; block; block = block->older)
        if (IdentifierOf(block) == identifier)
            return block;
    return nullptr;
}

bool IsLive(const void* record)
{
    std::uintptr_t firstField;
    std::memcpy(&firstField, record, sizeof firstField);
    return firstField != 0;
}

// An any-number identifier must never fall inside 0..capacity-1, where it
// would read as a table number.
bool AnyIdentifiersOutside(const ObjectRegistry* registry, std::int32_t capacity)
{
    for (ListBlock* block = registry->anyList; block; block = block->older)
        if (IdentifierOf(block) < capacity)
            return false;
    return true;
}

// Grows the table to number + growth step records; on any failure the table
// is left exactly as it was.
bool GrowTable(ObjectRegistry* registry, ObjectNumber number)
{
    if (number > INT32_MAX - registry->growthStep)
        return false;
    const auto capacity = static_cast<std::int32_t>(number + registry->growthStep);
    const auto recordSize = static_cast<std::size_t>(registry->recordSize);
    if (static_cast<std::size_t>(capacity) > SIZE_MAX / recordSize)
        return false;
    if (!AnyIdentifiersOutside(registry, capacity))
        return false;
    const std::size_t oldBytes = static_cast<std::size_t>(registry->capacity) * recordSize;
    const std::size_t newBytes = static_cast<std::size_t>(capacity) * recordSize;
    auto* table = static_cast<unsigned char*>(HeapBlockResize(MainHeap, registry->table, newBytes));
    if (!table)
        return false;
    std::memset(table + oldBytes, 0, newBytes - oldBytes);
    registry->table = table;
    registry->capacity = capacity;
    return true;
}

void* AllocateAnyNumber(ObjectRegistry* registry)
{
    const std::size_t blockSize = BlockListLinkSize + static_cast<std::size_t>(registry->recordSize);
    void* record = BlockListPush(&registry->anyList, blockSize);
    if (record && reinterpret_cast<ObjectNumber>(record) < registry->capacity) {
        BlockListRemove(&registry->anyList, record);
        return nullptr;
    }
    return record;
}

} // namespace

ObjectRegistry* RegistryCreate(std::int32_t recordSize, std::int32_t growthStep, RegistryFreeRoutine freeRoutine)
{
    if (recordSize < static_cast<std::int32_t>(sizeof(std::uintptr_t)) || growthStep <= 0)
        return nullptr;
    if (static_cast<std::size_t>(growthStep) > SIZE_MAX / static_cast<std::size_t>(recordSize))
        return nullptr;
    auto* registry = static_cast<ObjectRegistry*>(HeapBlockAlloc(MainHeap, sizeof(ObjectRegistry), true));
    if (!registry)
        return nullptr;
    const std::size_t tableBytes = static_cast<std::size_t>(growthStep) * static_cast<std::size_t>(recordSize);
    registry->table = static_cast<unsigned char*>(HeapBlockAlloc(MainHeap, tableBytes, true));
    if (!registry->table) {
        HeapBlockFree(MainHeap, registry);
        return nullptr;
    }
    registry->recordSize = recordSize;
    registry->growthStep = growthStep;
    registry->capacity = growthStep;
    registry->freeRoutine = freeRoutine;
    return registry;
}

void* RegistryAllocate(ObjectRegistry* registry, ObjectNumber number)
{
    if (number == AnyNumber)
        return AllocateAnyNumber(registry);
    if (number < 0)
        return nullptr;
    if (number >= registry->capacity && !GrowTable(registry, number))
        return nullptr;
    if (registry->freeRoutine)
        registry->freeRoutine(number);
    // The free routine may have reached this registry again: look the slot up
    // afresh.
    if (!InTable(registry, number))
        return nullptr;
    unsigned char* record = TableRecord(registry, number);
    std::memset(record, 0, static_cast<std::size_t>(registry->recordSize));
    return record;
}

void* RegistryLookup(ObjectRegistry* registry, ObjectNumber identifier)
{
    void* record = nullptr;
    if (InTable(registry, identifier)) {
        record = TableRecord(registry, identifier);
    } else if (ListBlock* block = FindAnyBlock(registry, identifier)) {
        record = BlockListRecord(block);
    }
    return record && IsLive(record) ? record : nullptr;
}

void RegistryRelease(ObjectRegistry* registry, ObjectNumber identifier)
{
    if (InTable(registry, identifier)) {
        std::memset(TableRecord(registry, identifier), 0, static_cast<std::size_t>(registry->recordSize));
        return;
    }
    ListBlock* block = FindAnyBlock(registry, identifier);
    if (!block)
        return;
    // An enumeration in progress must not be left pointing at a released block.
    if (registry->enumerationCursor == block)
        registry->enumerationCursor = block->newer;
    BlockListRemove(&registry->anyList, BlockListRecord(block));
}

void RegistryBeginEnumeration(ObjectRegistry* registry)
{
    registry->enumerationIndex = 0;
    ListBlock* oldest = registry->anyList;
    while (oldest && oldest->older)
        oldest = oldest->older;
    registry->enumerationCursor = oldest;
}

void* RegistryNext(ObjectRegistry* registry, ObjectNumber* identifier)
{
    while (registry->enumerationIndex >= 0 && registry->enumerationIndex < registry->capacity) {
        const std::int32_t number = registry->enumerationIndex++;
        unsigned char* record = TableRecord(registry, number);
        if (IsLive(record)) {
            *identifier = number;
            return record;
        }
    }
    ListBlock* block = registry->enumerationCursor;
    if (!block)
        return nullptr;
    registry->enumerationCursor = block->newer;
    *identifier = IdentifierOf(block);
    return BlockListRecord(block);
}
