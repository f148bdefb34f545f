#include "base/arrays.h"

#include "base/heap.h"
#include "base/structure_walk.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

MemberHookTable MemberHooks = {};

namespace {

constexpr std::size_t ArrayKind = 0;  // the -4 row of the member hooks

// Arrays being created inside the creation of an element of another array. A
// descriptor whose member arrays contain themselves would otherwise create
// arrays without end; past the limit the member array is left null.
int CreationDepth = 0;

unsigned char* ElementAt(void* element0, std::intptr_t elementSize, std::intptr_t index)
{
    return static_cast<unsigned char*>(element0) + index * elementSize;
}

void SetOwner(void** owner, void* value)
{
    if (owner)
        std::memcpy(owner, &value, sizeof value);
}

void CreateHook(DescriptorWord elementSize, DescriptorWord count, DescriptorWord typeCode, DescriptorWord descriptor,
                DescriptorWord variable)
{
    ArrayCreate(static_cast<std::int32_t>(elementSize), static_cast<std::int32_t>(count),
                static_cast<std::int32_t>(typeCode), reinterpret_cast<const DescriptorWord*>(descriptor),
                reinterpret_cast<void**>(variable));
}

} // namespace

void ArrayServiceStart()
{
    MemberHooks.create[ArrayKind] = CreateHook;
    MemberHooks.copy[ArrayKind] = ArrayCopy;
    MemberHooks.release[ArrayKind] = ArrayFree;
}

void* ArrayCreate(std::int32_t elementSize, std::int32_t count, std::int32_t typeCode,
                  const DescriptorWord* descriptor, void** variable)
{
    if (!variable)
        return nullptr;
    void* old;
    std::memcpy(&old, variable, sizeof old);
    ArrayFree(old);
    SetOwner(variable, nullptr);
    if (elementSize < 0 || count < 0 || CreationDepth >= DescriptorMaxDepth || !DescriptorAccepted(descriptor, elementSize))
        return nullptr;
    const auto elementBytes = static_cast<std::size_t>(elementSize);
    if (elementBytes != 0 && static_cast<std::size_t>(count) > (SIZE_MAX - sizeof(ArrayHeader)) / elementBytes)
        return nullptr;
    const std::size_t bytes = sizeof(ArrayHeader) + elementBytes * static_cast<std::size_t>(count);
    auto* header = static_cast<ArrayHeader*>(HeapBlockAlloc(MainHeap, bytes, true));
    if (!header)
        return nullptr;
    *header = ArrayHeader{1, elementSize, descriptor, variable, count, typeCode};
    void* element0 = header + 1;
    SetOwner(variable, element0);
    if (DescriptorHasContainers(descriptor)) {
        ++CreationDepth;
        for (std::int32_t i = 0; i < count; ++i)
            StructureInitWalk(ElementAt(element0, elementSize, i), descriptor);
        --CreationDepth;
    }
    return element0;
}

void ArrayFree(void* element0)
{
    if (!element0)
        return;
    ArrayHeader* header = ArrayHeaderOf(element0);
    if (header->descriptor)
        for (std::intptr_t i = 0; i < header->count; ++i)
            StructureFreeWalk(ElementAt(element0, header->elementSize, i), header->descriptor);
    SetOwner(header->owner, nullptr);
    HeapBlockFree(MainHeap, header);
}

std::int32_t ArrayCopy(void* source, void* destination, std::int32_t reshape)
{
    if (!source || !destination)
        return 0;
    if (source == destination)
        return 1;
    const ArrayHeader* from = ArrayHeaderOf(source);
    if (reshape) {
        destination = ArrayCreate(static_cast<std::int32_t>(from->elementSize), static_cast<std::int32_t>(from->count),
                                  static_cast<std::int32_t>(from->typeCode), from->descriptor,
                                  ArrayHeaderOf(destination)->owner);
        if (!destination)
            return 0;
    }
    const ArrayHeader* to = ArrayHeaderOf(destination);
    // Elements of another size or layout would be written past the
    // destination's block or freed by the wrong descriptor.
    if (to->count != from->count || to->elementSize != from->elementSize || !DescriptorsAlike(to->descriptor, from->descriptor))
        return 0;
    if (!from->descriptor) {
        std::memcpy(destination, source, static_cast<std::size_t>(from->elementSize * from->count));
        return 1;
    }
    for (std::intptr_t i = 0; i < from->count; ++i)
        StructureCopyWalk(ElementAt(destination, from->elementSize, i), from->elementSize, from->descriptor,
                          ElementAt(source, from->elementSize, i));
    return 1;
}
