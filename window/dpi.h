#pragma once
// Windows at the DPI of their monitor. The functions that Windows 10 added
// for it are looked up at run time, so that the program still starts on the
// systems before them, where the display's device context gives the one DPI
// of the system.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// Messages of per-monitor DPI awareness; the headers declare them only for
// the systems that send them.
constexpr UINT WindowMessageDpiChanged = 0x02E0;       // WM_DPICHANGED
constexpr UINT WindowMessageGetDpiScaledSize = 0x02E4; // WM_GETDPISCALEDSIZE

// The DPI that the system's fonts and metrics are made for.
std::int32_t SystemDpi();
// The DPI of the monitor the window is on (the system's before Windows 10).
std::int32_t WindowDpi(HWND window);

// A system metric (GetSystemMetrics' index) at the DPI of the window: sizes
// beside text drawn in a font made for that DPI.
int WindowSystemMetric(HWND window, int index);

// Gives the window a menu bar, which the window then owns, and grows its
// frame so that the client area keeps its size, now and at every later DPI.
// A menu that cannot be attached is destroyed.
void WindowSetMenuBar(ObjectNumber number, HMENU menu);

// The application's part when a window's DPI changes: the client size it
// wants at a DPI, and its gadgets and fonts made again for one. Without it a
// window only takes the rectangle the system suggests.
struct WindowDpiFollower {
    SIZE (*clientSize)(ObjectNumber window, std::int32_t dpi);
    void (*layOut)(ObjectNumber window, std::int32_t dpi);
};
void WindowSetDpiFollower(const WindowDpiFollower* follower);

// Makes the window follow a DPI: its icons at the sizes that DPI asks for,
// the application's layout, and a client area of exactly the size the
// application wants, with the outer corner at position's (around the
// window's own centre when position is null).
void WindowFollowDpi(ObjectNumber number, std::int32_t dpi, const RECT* position);

// The window's icons at the sizes a DPI asks for; the ones they replace are
// destroyed. Also the window layer's step at opening, where the DPI is not the
// system's.
void WindowLoadIconsForDpi(ObjectNumber number, std::int32_t dpi);

// The message handler's part: WM_DPICHANGED and WM_GETDPISCALEDSIZE.
LRESULT WindowDpiMessage(HWND window, ObjectNumber number, UINT message, WPARAM wParam, LPARAM lParam);
