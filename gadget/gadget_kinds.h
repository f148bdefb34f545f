#pragma once
// The simple gadget kinds: push buttons, single-line string fields, combo
// boxes and progress bars. Each constructor returns 0 on failure, else the
// identifier (for AnyNumber) or the window handle. Coordinates are pixels in
// the current gadget list's client area; a null text reads as "".

#include "gadget/gadget.h"

#include <cstdint>

// Flags read by the constructors; every other bit is a window style.
constexpr std::uint32_t StringReadOnly = 0x800;     // ES_READONLY
constexpr std::uint32_t StringBorderless = 0x20000; // no client edge
constexpr std::uint32_t ComboEditable = 0x2;        // an edit field instead of a drop-down list
constexpr std::uint32_t ComboImages = 0x10000000;   // "ComboBoxEx32": items may carry images

// Attributes of the progress bar's getAttribute and setAttribute slots.
constexpr std::int32_t AttrMinimum = 1;
constexpr std::int32_t AttrMaximum = 2;

// Attributes of the combo box's setAttribute slot.
// The open list's width in pixels, never less than the closed box's;
// ListWidthOfWidestItem makes it as wide as its widest item is now.
constexpr std::int32_t AttrListWidth = 3;
constexpr std::intptr_t ListWidthOfWidestItem = -1;
// A ComboOpening function, called each time the list is about to open and
// before it is drawn, so that it can bring the items up to date; 0 for none.
constexpr std::int32_t AttrOpening = 4;
using ComboOpening = void (*)();

std::intptr_t GadgetCreateButton(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, const char* text, std::uint32_t flags = 0);

std::intptr_t GadgetCreateStringField(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                      std::int32_t height, const char* text, std::uint32_t flags);

// The closed combo box is height pixels high; its window is 350 high to make
// room for the dropped-down list.
std::intptr_t GadgetCreateComboBox(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                   std::int32_t height, std::uint32_t flags = 0);

std::intptr_t GadgetCreateProgressBar(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                      std::int32_t height, std::int32_t minimum, std::int32_t maximum,
                                      std::uint32_t flags = 0);

// The most recent combo box's closed window height minus its selection-field
// item height; -1 before the first combo box.
extern std::int32_t comboHeightDelta;

// Subclass procedure of string fields: raises the focus events.
LRESULT CALLBACK StringFieldWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
