#pragma once
// What every gadget constructor shares: the window and the record, and the
// reading of a window's text into the temporary text buffer. Every gadget is
// a wide window, created and subclassed with the wide calls, so that the
// program's code-page-1251 text reaches it as characters, never through the
// system's code page.

#include "gadget/gadget.h"

#include <windows.h>

#include <cstdint>

struct GadgetWindowPlan {
    DWORD extendedStyle;
    const wchar_t* className;
    const char* text;   // null: no window text
    DWORD style;        // WS_CHILD | WS_VISIBLE is added
    int x;
    int y;
    int width;
    int height;
    std::intptr_t controlId; // -1 for every kind but the progress bar
};

// SendMessageA with the parameters most messages leave at zero; for messages
// that carry no text, or text the system converts (ASCII only).
inline LRESULT Send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageA(hwnd, message, wParam, lParam);
}

// The window that receives new gadgets (GadgetList->parent), or null.
HWND GadgetParent();

// Creates the control in the current gadget list, then takes the registry
// record for number (an existing gadget with that number is destroyed first).
// Null when the window or the record cannot be made; the window does not
// outlive a missing record.
GadgetRecord* GadgetCreateWindow(ObjectNumber number, const GadgetWindowPlan& plan, HWND* window);

// The empty text at resultPosition of the temporary text buffer.
char* GadgetEmptyText(std::int32_t resultPosition);

// length wide characters as code-page-1251 text at resultPosition of the
// temporary text buffer, cut at a zero character.
char* GadgetTextFromWide(const wchar_t* wide, int length, std::int32_t resultPosition);

// The window text at resultPosition of the temporary text buffer; the
// result's length is that of the text actually read.
char* GadgetReadWindowText(HWND hwnd, std::int32_t resultPosition);
