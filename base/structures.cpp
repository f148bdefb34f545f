#include "base/arrays.h"
#include "base/object_number.h"
#include "base/strings.h"
#include "base/structure_walk.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::int64_t SizeUnknown = -1;

// One descriptor entry, decoded; words[0] is its code.
struct Entry {
    DescriptorWord code;
    std::int64_t offset;
    std::int64_t width;  // bytes the member occupies
    const DescriptorWord* words;
    std::ptrdiff_t length;  // words of the entry, code included; 0 for an unknown code
};

Entry Decode(const DescriptorWord* words)
{
    const DescriptorWord code = words[0];
    if (code >= 0)
        return {code, code, WordSize, words, 1};
    switch (code) {
    case DescriptorEnd:
        return {code, 0, 0, words, 1};
    case DescriptorRun:
        return {code, words[2], static_cast<std::int64_t>(words[1]) * words[3], words, 5};
    case DescriptorNested:
        return {code, words[1], words[2], words, 4};
    case DescriptorArray:
        return {code, words[1], WordSize, words, 6};
    case DescriptorSecondContainer:
        return {code, words[1], 2 * WordSize, words, 5};
    case DescriptorThirdContainer:
        return {code, words[1], WordSize, words, 5};
    default:
        return {code, 0, 0, words, 0};
    }
}

std::size_t HookIndex(DescriptorWord code) { return static_cast<std::size_t>(-code - 4); }

bool IsContainer(DescriptorWord code)
{
    return code == DescriptorArray || code == DescriptorSecondContainer || code == DescriptorThirdContainer;
}

const DescriptorWord* SubDescriptor(DescriptorWord word) { return reinterpret_cast<const DescriptorWord*>(word); }

DescriptorWord AddressWord(const void* address) { return reinterpret_cast<DescriptorWord>(address); }

// Members may sit at any offset the descriptor names, so they are read and
// written without assuming alignment.
void* LoadPointer(const unsigned char* address)
{
    void* value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

void StorePointer(unsigned char* address, const void* value) { std::memcpy(address, &value, sizeof value); }

bool InRange(DescriptorWord word) { return word >= 0 && word <= INT32_MAX; }

bool Accepted(const DescriptorWord* descriptor, std::int64_t size, int depth);

bool EntryAccepted(const Entry& entry, int depth)
{
    const DescriptorWord* w = entry.words;
    switch (entry.code) {
    case DescriptorRun:
        return InRange(w[1]) && InRange(w[3]) && Accepted(SubDescriptor(w[4]), w[3], depth + 1);
    case DescriptorNested:
        return InRange(w[2]) && Accepted(SubDescriptor(w[3]), w[2], depth + 1);
    case DescriptorArray:
        // The member's own element descriptor is checked when its array is created.
        return InRange(w[2]) && InRange(w[3]);
    case DescriptorSecondContainer:
    case DescriptorThirdContainer: {
        const std::size_t kind = HookIndex(entry.code);
        return MemberHooks.create[kind] && MemberHooks.copy[kind] && MemberHooks.release[kind];
    }
    default:
        return true;
    }
}

bool Accepted(const DescriptorWord* descriptor, std::int64_t size, int depth)
{
    if (!descriptor)
        return true;
    if (depth > DescriptorMaxDepth)
        return false;
    std::int64_t end = 0;
    for (;;) {
        const Entry entry = Decode(descriptor);
        if (entry.length == 0)
            return false;
        if (entry.code == DescriptorEnd)
            return true;
        if (!InRange(entry.offset) || entry.offset < end || !EntryAccepted(entry, depth))
            return false;
        end = entry.offset + entry.width;
        if (size != SizeUnknown && end > size)
            return false;
        descriptor += entry.length;
    }
}

bool Alike(const DescriptorWord* a, const DescriptorWord* b, int depth)
{
    if (a == b)
        return true;
    if (!a || !b || depth > DescriptorMaxDepth)
        return false;
    for (;;) {
        const Entry entry = Decode(a);
        if (entry.length == 0 || b[0] != entry.code)
            return false;
        if (entry.code == DescriptorEnd)
            return true;
        // Run, nested and array entries end with their sub-descriptor.
        const bool endsInSub = entry.code == DescriptorRun || entry.code == DescriptorNested || entry.code == DescriptorArray;
        const std::ptrdiff_t plainWords = endsInSub ? entry.length - 1 : entry.length;
        for (std::ptrdiff_t i = 1; i < plainWords; ++i)
            if (a[i] != b[i])
                return false;
        if (endsInSub && !Alike(SubDescriptor(a[plainWords]), SubDescriptor(b[plainWords]), depth + 1))
            return false;
        a += entry.length;
        b += entry.length;
    }
}

bool HasContainers(const DescriptorWord* descriptor, int depth)
{
    if (!descriptor || depth > DescriptorMaxDepth)
        return false;
    for (Entry entry = Decode(descriptor); entry.length != 0 && entry.code != DescriptorEnd;
         descriptor += entry.length, entry = Decode(descriptor)) {
        if (IsContainer(entry.code))
            return true;
        if (entry.code == DescriptorRun && HasContainers(SubDescriptor(entry.words[4]), depth + 1))
            return true;
        if (entry.code == DescriptorNested && HasContainers(SubDescriptor(entry.words[3]), depth + 1))
            return true;
    }
    return false;
}

// The create hook of a container member, with its kind's call shape. For
// -4 the shape is the one given (the descriptor's, or the source array's).
void CreateContainer(const Entry& entry, unsigned char* member, DescriptorWord elementSize, DescriptorWord count,
                     DescriptorWord typeCode, DescriptorWord subDescriptor)
{
    const DescriptorWord* w = entry.words;
    const std::size_t kind = HookIndex(entry.code);
    switch (entry.code) {
    case DescriptorArray:
        MemberHooks.create[kind](elementSize, count, typeCode, subDescriptor, AddressWord(member));
        break;
    case DescriptorSecondContainer:
        MemberHooks.create[kind](w[2], AddressWord(member), w[3], w[4], 0);
        break;
    default:
        MemberHooks.create[kind](w[2], w[3], AddressWord(member), w[4], 0);
        break;
    }
}

void CreateDeclaredContainer(const Entry& entry, unsigned char* member)
{
    const DescriptorWord* w = entry.words;
    CreateContainer(entry, member, w[2], w[3], w[4], w[5]);
}

void ReleaseContainer(const Entry& entry, unsigned char* member)
{
    if (void* value = LoadPointer(member))
        MemberHooks.release[HookIndex(entry.code)](value);
    // The array hook clears its owner itself; other kinds' hooks may not.
    StorePointer(member, nullptr);
}

void CopyContainer(const Entry& entry, unsigned char* destination, const unsigned char* source)
{
    void* sourceValue = LoadPointer(source);
    // A destination that shares the source's container (a structure
    // duplicated byte for byte) must not release it from under the source.
    if (LoadPointer(destination) == sourceValue)
        StorePointer(destination, nullptr);
    ReleaseContainer(entry, destination);
    if (!sourceValue)
        return;
    if (entry.code == DescriptorArray) {
        const ArrayHeader* shape = ArrayHeaderOf(sourceValue);
        CreateContainer(entry, destination, shape->elementSize, shape->count, shape->typeCode,
                        AddressWord(shape->descriptor));
    } else {
        CreateDeclaredContainer(entry, destination);
    }
    if (void* destinationValue = LoadPointer(destination))
        MemberHooks.copy[HookIndex(entry.code)](sourceValue, destinationValue, 0);
}

void CopyString(unsigned char* destination, const unsigned char* source)
{
    const auto* text = static_cast<const char*>(LoadPointer(source));
    // A block shared with the source stays the source's.
    if (LoadPointer(destination) != text)
        StringFree(static_cast<char*>(LoadPointer(destination)));
    char* copy = nullptr;
    StringInit(&copy, text);
    StorePointer(destination, copy);
}

} // namespace

bool DescriptorAccepted(const DescriptorWord* descriptor, std::int64_t size) { return Accepted(descriptor, size, 0); }

bool DescriptorsAlike(const DescriptorWord* a, const DescriptorWord* b) { return Alike(a, b, 0); }

void StructureInitWalk(unsigned char* structure, const DescriptorWord* descriptor)
{
    if (!descriptor)
        return;
    for (Entry entry = Decode(descriptor); entry.code != DescriptorEnd;
         descriptor += entry.length, entry = Decode(descriptor)) {
        unsigned char* member = structure + entry.offset;
        const DescriptorWord* w = entry.words;
        if (entry.code == DescriptorRun) {
            for (DescriptorWord i = 0; i < w[1]; ++i)
                StructureInitWalk(member + i * w[3], SubDescriptor(w[4]));
        } else if (entry.code == DescriptorNested) {
            StructureInitWalk(member, SubDescriptor(w[3]));
        } else if (IsContainer(entry.code)) {
            CreateDeclaredContainer(entry, member);
        }
    }
}

void StructureFreeWalk(unsigned char* structure, const DescriptorWord* descriptor)
{
    if (!descriptor)
        return;
    for (Entry entry = Decode(descriptor); entry.code != DescriptorEnd;
         descriptor += entry.length, entry = Decode(descriptor)) {
        unsigned char* member = structure + entry.offset;
        const DescriptorWord* w = entry.words;
        if (entry.code >= 0) {
            StringFree(static_cast<char*>(LoadPointer(member)));
        } else if (entry.code == DescriptorRun) {
            for (DescriptorWord i = 0; i < w[1]; ++i)
                StructureFreeWalk(member + i * w[3], SubDescriptor(w[4]));
        } else if (entry.code == DescriptorNested) {
            StructureFreeWalk(member, SubDescriptor(w[3]));
        } else {
            ReleaseContainer(entry, member);
        }
    }
}

void StructureCopyWalk(unsigned char* destination, std::int64_t size, const DescriptorWord* descriptor,
                       const unsigned char* source)
{
    if (!descriptor) {
        std::memmove(destination, source, static_cast<std::size_t>(size));
        return;
    }
    // Bytes that belong to no owned member are copied once, in offset order.
    std::int64_t copied = 0;
    for (Entry entry = Decode(descriptor); entry.code != DescriptorEnd;
         descriptor += entry.length, entry = Decode(descriptor)) {
        const std::int64_t o = entry.offset;
        const DescriptorWord* w = entry.words;
        if (entry.code >= 0) {
            CopyString(destination + o, source + o);
        } else if (entry.code == DescriptorRun) {
            for (DescriptorWord i = 0; i < w[1]; ++i)
                StructureCopyWalk(destination + o + i * w[3], w[3], SubDescriptor(w[4]), source + o + i * w[3]);
        } else if (entry.code == DescriptorNested) {
            StructureCopyWalk(destination + o, w[2], SubDescriptor(w[3]), source + o);
        } else {
            CopyContainer(entry, destination + o, source + o);
        }
        if (copied < o)
            std::memcpy(destination + copied, source + copied, static_cast<std::size_t>(o - copied));
        copied = o + entry.width;
    }
    if (copied < size)
        std::memcpy(destination + copied, source + copied, static_cast<std::size_t>(size - copied));
}

void StructureInit(void* structure, const DescriptorWord* descriptor)
{
    if (structure && DescriptorAccepted(descriptor, SizeUnknown))
        StructureInitWalk(static_cast<unsigned char*>(structure), descriptor);
}

void StructureFree(void* structure, const DescriptorWord* descriptor)
{
    if (structure && DescriptorAccepted(descriptor, SizeUnknown))
        StructureFreeWalk(static_cast<unsigned char*>(structure), descriptor);
}

void StructureCopy(void* destination, std::int32_t size, const DescriptorWord* descriptor, const void* source)
{
    if (!destination || !source || size < 0 || destination == source || !DescriptorAccepted(descriptor, size))
        return;
    StructureCopyWalk(static_cast<unsigned char*>(destination), size, descriptor,
                      static_cast<const unsigned char*>(source));
}

std::int32_t DescriptorHasContainers(const DescriptorWord* descriptor) { return HasContainers(descriptor, 0) ? 1 : 0; }
