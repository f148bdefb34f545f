#pragma once
// Dynamic arrays and structure descriptors.
//
// An array variable is a void* holding null or the address of element 0. The
// ArrayHeader lies just before element 0, in the same MainHeap block; it
// remembers the variable that owns the array, so that releasing the array
// clears its owner.
//
// A StructureDescriptor tells where a structure's owned members lie: entries of
// a code word and the words the code requires, in increasing member offset,
// ended by DescriptorEnd. Words that hold a sub-descriptor hold its address, so
// descriptors are pointer-wide words and can be written as static tables:
//
//     const DescriptorWord Inner[] = {0, DescriptorEnd};               // char* at offset 0
//     const DescriptorWord Outer[] = {
//         DescriptorNested, 8, sizeof(InnerRecord), DescriptorAddress(Inner),
//         DescriptorArray, 40, sizeof(InnerRecord), 3, 11, DescriptorAddress(Inner),
//         DescriptorEnd};
//
// | code                  | words after the code                                     | member             |
// | 0 or above            | none; the code is the member's offset                    | string variable    |
// | DescriptorRun (-2)    | count, offset, stride, sub-descriptor                    | count structures   |
// | DescriptorNested (-3) | offset, size, sub-descriptor                             | one structure      |
// | DescriptorArray (-4)  | offset, element size, count, type code, sub-descriptor   | array variable     |
// | -5, -6                | offset, three parameters                                 | containers handled |
// |                       |                                                          | only by MemberHooks|
//
// Descriptors are checked before they are followed. A descriptor is rejected
// when it holds an unknown code, a -5 or -6 entry whose MemberHooks are not
// filled (no library of this system fills them), a negative size, count or
// offset, or sub-descriptors nested deeper than DescriptorMaxDepth (a cycle).
// A rejected descriptor makes ArrayCreate return null, ArrayCopy return 0, and
// StructureInit, StructureFree and StructureCopy do nothing.

#include <array>
#include <cstdint>

using DescriptorWord = std::intptr_t;

constexpr DescriptorWord DescriptorEnd = -1;
constexpr DescriptorWord DescriptorRun = -2;
constexpr DescriptorWord DescriptorNested = -3;
constexpr DescriptorWord DescriptorArray = -4;
constexpr DescriptorWord DescriptorSecondContainer = -5;
constexpr DescriptorWord DescriptorThirdContainer = -6;

constexpr int DescriptorMaxDepth = 32;

inline DescriptorWord DescriptorAddress(const DescriptorWord* descriptor)
{
    return reinterpret_cast<DescriptorWord>(descriptor);
}

// Six words; descriptor and owner are addresses.
struct ArrayHeader {
    std::intptr_t marker;  // always 1
    std::intptr_t elementSize;
    const DescriptorWord* descriptor;  // null for plain elements
    void** owner;                      // the array variable holding the array
    std::intptr_t count;
    std::intptr_t typeCode;  // stored and passed on, never interpreted
};

inline ArrayHeader* ArrayHeaderOf(void* element0) { return static_cast<ArrayHeader*>(element0) - 1; }

// Member hooks, one per container kind (-4, -5, -6) and operation. A create
// hook receives the five words of its kind's call shape:
//   -4: element size, count, type code, sub-descriptor, member address
//   -5: first parameter, member address, second parameter, third parameter, 0
//   -6: first parameter, second parameter, member address, third parameter, 0
using MemberCreateHook = void (*)(DescriptorWord, DescriptorWord, DescriptorWord, DescriptorWord, DescriptorWord);
// (source member value, destination member value, 0) → 1 on success.
using MemberCopyHook = std::int32_t (*)(void* source, void* destination, std::int32_t flag);
// (member value).
using MemberReleaseHook = void (*)(void* value);

struct MemberHookTable {
    std::array<MemberCreateHook, 3> create;  // -4, -5, -6
    std::array<MemberCopyHook, 3> copy;
    std::array<MemberReleaseHook, 3> release;
};

// All null until ArrayServiceStart fills the -4 row with the array operations.
extern MemberHookTable MemberHooks;

void ArrayServiceStart();

// Releases the array the variable holds, then a zero-filled array of count
// elements owned by the variable, with each element's containers created.
// Null (and the variable null) when the block cannot be allocated, the size
// overflows, an argument is negative, the descriptor is rejected (checked
// against the element size), or member arrays nest deeper than
// DescriptorMaxDepth (a descriptor whose member arrays contain themselves).
void* ArrayCreate(std::int32_t elementSize, std::int32_t count, std::int32_t typeCode,
                  const DescriptorWord* descriptor, void** variable);

// Releases the array and every member it owns and sets its owner to null;
// null is ignored.
void ArrayFree(void* element0);

// Copies every element of source into destination, deep-copying structured
// elements. With a non-zero reshape flag the destination is first recreated
// in the source's shape (through its owner variable). 1 on success; 0 for a
// null operand, or when the arrays differ in count, element size or
// descriptor (nothing is copied then). An array copied onto itself is left as
// it is (1).
std::int32_t ArrayCopy(void* source, void* destination, std::int32_t reshape);

// Creates the container members of one zeroed structure.
void StructureInit(void* structure, const DescriptorWord* descriptor);
// Releases every owned member of one structure.
void StructureFree(void* structure, const DescriptorWord* descriptor);
// Copies one structure of size bytes: plain bytes are copied, owned members
// are rebuilt so that the copy shares no block with the source. A structure
// copied onto itself is left as it is.
void StructureCopy(void* destination, std::int32_t size, const DescriptorWord* descriptor, const void* source);

// 1 when the descriptor or a sub-descriptor reached through -2 and -3 entries
// has a -4, -5 or -6 entry; 0 otherwise and for null.
std::int32_t DescriptorHasContainers(const DescriptorWord* descriptor);
