#pragma once
// The editor gadget: a multi-line rich edit control treated as a list of
// lines, with its own themed border when visual styles are active.

#include "gadget/gadget.h"

#include <windows.h>

#include <cstdint>

// Attribute of the editor's getAttribute and setAttribute slots.
constexpr std::int32_t AttrReadOnly = 0x800;

// Creates the editor; 0 on failure, else the identifier (AnyNumber) or the
// window handle. Inserting at line 0 puts the new line on top.
std::intptr_t GadgetCreateEditor(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, std::uint32_t flags = 0);

// Inserts the text, exactly as it stands, at a character position of the
// editor (a line break counts one) and returns how many characters the editor's text grew by;
// -1 when the number names no editor. The text is drawn once it is all in.
std::int32_t EditorInsertText(ObjectNumber number, std::int32_t position, const char* text);
// The same for wide text, which need not fit code page 1251.
std::int32_t EditorInsertWide(ObjectNumber number, std::int32_t position, const wchar_t* text);

// Decides VisualStylesActive with the first editor, by the window layer's
// visual-style decision, and keeps the theme library loaded for the border's
// drawing. Returns the common-controls version it read ((major << 16) |
// minor; 1 when the library reports none, which the next editor reads again).
std::uint32_t DetectThemes();
// Visual styles are in use and the common controls are version 6 or later.
extern bool VisualStylesActive;

// The editor's subclass procedure, between GadgetWindowProc and the rich
// edit class procedure.
LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
