#pragma once
// Fonts as numbered objects: each font handle is kept in the font registry so
// that it is deleted exactly once, when its number is reused, when it is
// released, or at shutdown.

#include "base/object_number.h"

#include <cstdint>

// Style flags of FontOpen; any other bit is ignored.
constexpr std::int32_t FontBold = 0x100;
constexpr std::int32_t FontItalic = 0x200;
constexpr std::int32_t FontUnderline = 0x4;
constexpr std::int32_t FontStrikeOut = 0x8;
constexpr std::int32_t FontHighQuality = 0x10;

// Creates the font registry; once, before the first FontOpen.
void FontLibraryStart();

// Opens face at size points (character height at the display's vertical
// resolution) under number. Returns the font handle, the new identifier when
// number is AnyNumber, or 0 when no font could be made (the number stays free).
std::intptr_t FontOpen(ObjectNumber number, const char* face, std::int32_t size, std::int32_t flags);
std::intptr_t FontOpen(ObjectNumber number, const char* face, std::int32_t size);
// The same for a window at dpi dots per inch: the points become pixels at
// that resolution, once.
std::intptr_t FontOpenForDpi(ObjectNumber number, const char* face, std::int32_t size, std::int32_t flags,
                             std::int32_t dpi);
// The stock GUI font's face and style, its height carried from the system's
// DPI, which it is made for, to dpi. Results as FontOpen's.
std::intptr_t FontOpenGuiForDpi(ObjectNumber number, std::int32_t dpi);

// Deletes the font and frees its number; a number without a font does nothing.
void FontRelease(ObjectNumber number);

// Deletes every font still registered; the last step of the toolkit shutdown.
void FontLibraryStop();
