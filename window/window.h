#pragma once
// Numbered top-level windows. Each window has a class of its own, a Tab
// accelerator table, and the "GX_WindowID" property that ties its handle back
// to its number; all of them share one message handler that turns window
// messages into events.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// The toolkit's own bits of WindowOpen's flags word; every other bit is a
// Win32 window style and goes to CreateWindowExW unchanged.
constexpr std::uint32_t WINDOW_CENTER_ON_SCREEN = 0x1;
constexpr std::uint32_t WINDOW_CENTER_ON_PARENT = 0x2;
constexpr std::uint32_t WINDOW_TOOL = 0x4;
constexpr std::uint32_t WINDOW_KEEP_GADGET_LIST = 0x8;
// Same bit as WS_VISIBLE, opposite meaning: the window is created hidden.
constexpr std::uint32_t WINDOW_HIDDEN = 0x10000000;
// A fixed-size window centred on the screen: title bar, system menu and
// minimise button, no maximise button and no sizing border (0xCA0001).
constexpr std::uint32_t WINDOW_FIXED_CENTERED = WINDOW_CENTER_ON_SCREEN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// x or y with this value asks for the system's default position.
constexpr std::int32_t WINDOW_DEFAULT_POSITION = -65535;

// Creates the window registry, the event state, the application icon, the
// arrow cursor and the live sizing state; once, at start-up.
void WindowLayerStart();

// Opens a shown window whose client area is width x height. number -1 asks
// for a fresh identifier. Returns the window handle (as an integer) for an
// explicit number, the identifier for -1, and 0 on failure.
std::intptr_t WindowOpen(ObjectNumber number, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, const char* title, std::uint32_t flags, HWND parent = nullptr);
// Closes one window; a number that names no window is ignored.
void WindowClose(ObjectNumber number);
// Closes every open window; the window layer's end step.
void WindowCloseAll();
// The window of that number, or null.
HWND WindowHandle(ObjectNumber number);

// The number of the toolkit window that is the window itself or its nearest
// ancestor carrying "GX_WindowID"; -1 when there is none.
ObjectNumber WindowNumberOf(HWND window);

// The result by which the window message handler, its filters and every
// gadget's parent-message handler say that a message was not handled and
// default window processing is to run.
constexpr LRESULT DEFAULT_PROCESSING = static_cast<LRESULT>(0xD0D0D0D1u);

// How the message handler offers a message about a control (a command, a
// notification, a colour or scroll request) to the control's gadget: the
// gadget's answer, or DEFAULT_PROCESSING when the control is no gadget or the
// gadget leaves the message alone. The gadget library installs it at its
// start; until then no control is a gadget.
using GadgetMessageHook = LRESULT (*)(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
void WindowSetGadgetHook(GadgetMessageHook hook);

LRESULT CALLBACK WindowClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The toolkit's handling of one message, or DEFAULT_PROCESSING.
LRESULT WindowMessageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
