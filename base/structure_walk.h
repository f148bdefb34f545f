#pragma once
// The descriptor walks behind the structure and array operations, for use
// inside the array service: the public operations check a descriptor once,
// then walk it with these.

#include "base/arrays.h"

#include <cstdint>

// True when the descriptor can be followed safely for a structure of size
// bytes (-1: size unknown): known codes only, offsets in increasing order,
// members inside their structure, -5 and -6 only with their hooks filled,
// nesting through -2 and -3 no deeper than DescriptorMaxDepth.
bool DescriptorAccepted(const DescriptorWord* descriptor, std::int64_t size);

// True when both describe the same layout, word for word, sub-descriptors
// compared by what they hold rather than where they lie: a table defined in
// a header has a copy in every source file that uses it.
bool DescriptorsAlike(const DescriptorWord* a, const DescriptorWord* b);

void StructureInitWalk(unsigned char* structure, const DescriptorWord* descriptor);
void StructureFreeWalk(unsigned char* structure, const DescriptorWord* descriptor);
void StructureCopyWalk(unsigned char* destination, std::int64_t size, const DescriptorWord* descriptor,
                       const unsigned char* source);
