#pragma once
// Numbered-object registries: one per kind of object (windows, gadgets,
// fonts). Numbers 0 and above index the kind's table directly; an object
// created with AnyNumber lives in its own block outside the table and is
// identified by its record's address.
//
// The registry only knows a record's first field, a handle-sized value: non-zero
// means live, zero means free. The kind stores its primary handle there and
// sets it only once the object exists.
//
// A record pointer for a number is valid only until the next RegistryAllocate
// on the same registry that grows the table: keep identifiers, not pointers.

#include "base/block_list.h"
#include "base/object_number.h"

#include <cstdint>

// The kind's routine that frees the object with the given identifier; it is
// expected to release the platform objects and then call RegistryRelease.
using RegistryFreeRoutine = void (*)(ObjectNumber identifier);

struct ObjectRegistry {
    std::int32_t recordSize;
    std::int32_t growthStep;  // initial capacity, and the headroom added on every growth
    std::int32_t capacity;    // records in the table
    ListBlock* anyList;       // newest any-number block; null when there is none
    RegistryFreeRoutine freeRoutine;
    std::int32_t enumerationIndex;  // next table position RegistryNext examines
    ListBlock* enumerationCursor;   // next any-number block RegistryNext hands out
    unsigned char* table;           // capacity × recordSize bytes
};

// A registry with room for growthStep records, all zero. Null when the heap
// cannot supply it, the growth step is not positive, or a record cannot hold
// its handle-sized first field.
ObjectRegistry* RegistryCreate(std::int32_t recordSize, std::int32_t growthStep, RegistryFreeRoutine freeRoutine);

// AnyNumber: a new zeroed record outside the table (the free routine is not
// called). A number: the table grows to number + growth step when needed, the
// free routine is called with the number (freeing an object that is still
// live there), and the emptied slot is returned.
// Null when the any-number block cannot be allocated, when the table cannot
// grow (too large, or the heap refuses; the table then stays as it was), for
// numbers below -1, and when a growth would swallow the identifier of a live
// any-number object (identifiers must stay outside 0..capacity-1). The slot
// returned for a number is always zero, even when the free routine left it
// live.
void* RegistryAllocate(ObjectRegistry* registry, ObjectNumber number);

// The live record with that identifier, or null. Any identifier is accepted:
// one that names no object of this registry gives null.
void* RegistryLookup(ObjectRegistry* registry, ObjectNumber identifier);

// Zeroes a numbered record, or unlinks and releases an any-number block. Does
// not call the free routine. An identifier that names nothing changes nothing.
void RegistryRelease(ObjectRegistry* registry, ObjectNumber identifier);

// Enumeration: live numbered records by ascending number, then every
// any-number record (live or not) from oldest to newest. The caller may free
// each object as soon as it is handed out. One enumeration per registry at a
// time.
void RegistryBeginEnumeration(ObjectRegistry* registry);
// The next record and its identifier, or null (and the identifier untouched)
// when none is left.
void* RegistryNext(ObjectRegistry* registry, ObjectNumber* identifier);
