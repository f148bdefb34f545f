#pragma once
// Object numbers name windows, gadgets and fonts. 0 and above: a number the
// application chose, which indexes its kind's table; -1 at creation asks for
// a fresh identifier, which is the address of the new record.

#include <cstdint>

using ObjectNumber = std::intptr_t;

constexpr ObjectNumber AnyNumber = -1;

// Bytes of a pointer, of an ObjectNumber and of a handle: 4 or 8.
constexpr std::int32_t WordSize = static_cast<std::int32_t>(sizeof(void*));
