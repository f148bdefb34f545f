#pragma once
// The editor's themed frame: the theme library's entry points, looked up at
// run time, and the measure and paint of the border drawn with the "edit"
// theme when visual styles are active.

#include <windows.h>

// The window property holding the themed border's margins: a block of four
// 32-bit values (left, top, right, bottom) that the editor allocates and frees.
constexpr char MarginsProperty[] = "GX_ClientRect";

// Looks the theme drawing calls up in the theme library DetectThemes loaded;
// once, with the first editor.
void LoadThemeEntryPoints();

// Shrinks the proposed client rectangle by the themed border and records the
// margins in the window's "GX_ClientRect" block. False when it did not apply
// (no visual styles, no theme, or the theme gave no content rectangle).
bool MeasureThemedFrame(HWND window, RECT* proposed);

// Paints the themed border in the non-client area, in the disabled or
// read-only look when the control is so.
void PaintThemedBorder(HWND window);
