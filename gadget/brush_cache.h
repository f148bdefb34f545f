#pragma once
// Solid brushes shared by colour and counted by reference, so that any
// number of string fields with one back colour hold one GDI brush.

#include <windows.h>

#include <cstdint>

// Initialises the cache's lock; once, at gadget library start.
void BrushCacheStart();

// A solid brush of colour (0x00BBGGRR), shared with every other holder of
// that colour; 0 when no brush can be made.
HBRUSH AcquireBrush(std::int32_t colour);

// Lets go of a brush from AcquireBrush; the last holder deletes it. A brush
// that the cache does not hold is ignored.
void ReleaseBrush(HBRUSH brush);
