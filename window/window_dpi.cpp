#include "window/dpi.h"
#include "window/dpi_scale.h"
#include "window/system_library.h"
#include "window/window.h"
#include "window/window_layer.h"

namespace {

const WindowDpiFollower* Follower = nullptr;

// USER32 is loaded in every program that has a window; its newer exports are
// looked up there and never imported.
HMODULE User32() { return GetModuleHandleA("USER32.DLL"); }

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// Where the system cannot give a metric at another DPI, the system DPI's
// metric is carried there as the system would scale it.
int SystemMetricForDpi(int index, std::int32_t dpi)
{
    if (auto metric = LibraryFunction<GetSystemMetricsForDpiFunction>(User32(), "GetSystemMetricsForDpi"))
        return metric(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

// The outer size of the window with a client area of that size at dpi, its
// menu bar counted as one line. Where the system cannot measure the frame at
// another DPI, the frame of the system's DPI is the one the window has.
SIZE OuterSizeForDpi(HWND window, SIZE client, std::int32_t dpi)
{
    RECT frame{0, 0, client.cx, client.cy};
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    const auto extendedStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    const BOOL menuBar = GetMenu(window) != nullptr;
    auto adjust = LibraryFunction<AdjustWindowRectExForDpiFunction>(User32(), "AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&frame, style, menuBar, extendedStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, menuBar, extendedStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

HICON LoadApplicationIcon(int metricX, int metricY, std::int32_t dpi)
{
    return static_cast<HICON>(LoadImageA(WindowLayer().instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         SystemMetricForDpi(metricX, dpi), SystemMetricForDpi(metricY, dpi), 0));
}

void ReplaceIcon(HWND window, WPARAM which, HICON& kept, HICON icon)
{
    if (!icon)
        return;
    SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    if (kept)
        DestroyIcon(kept);
    kept = icon;
}

// A minimised window keeps the size for its next restore.
void SetRestoredRectangle(HWND window, SIZE outer)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return;
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + outer.cx;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + outer.cy;
    SetWindowPlacement(window, &placement);
}

void SetOuterRectangle(HWND window, SIZE client, std::int32_t dpi, const RECT* position)
{
    const SIZE outer = OuterSizeForDpi(window, client, dpi);
    if (IsIconic(window)) {
        SetRestoredRectangle(window, outer);
        return;
    }
    // Without the system's suggestion the window keeps its centre, so that a
    // window centred at its opening stays centred.
    RECT corner{};
    GetWindowRect(window, &corner);
    corner.left = (corner.left + corner.right - outer.cx) / 2;
    corner.top = (corner.top + corner.bottom - outer.cy) / 2;
    if (position)
        corner = *position;
    constexpr UINT Quietly = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window, nullptr, corner.left, corner.top, outer.cx, outer.cy, Quietly);
    // A system whose frame does not follow the DPI (per-monitor awareness of
    // Windows 8.1) draws another frame than the one measured: the client
    // area, measured now, tells by how much.
    RECT shown{};
    GetClientRect(window, &shown);
    const LONG missingX = client.cx - shown.right;
    const LONG missingY = client.cy - shown.bottom;
    if (missingX || missingY)
        SetWindowPos(window, nullptr, 0, 0, outer.cx + missingX, outer.cy + missingY, Quietly | SWP_NOMOVE);
}

} // namespace

std::int32_t SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BaseDpi;
}

std::int32_t WindowDpi(HWND window)
{
    if (auto dpiForWindow = LibraryFunction<GetDpiForWindowFunction>(User32(), "GetDpiForWindow"))
        if (const UINT dpi = dpiForWindow(window))
            return static_cast<std::int32_t>(dpi);
    return SystemDpi();
}

int WindowSystemMetric(HWND window, int index) { return SystemMetricForDpi(index, WindowDpi(window)); }

void WindowSetMenuBar(ObjectNumber number, HMENU menu)
{
    const HWND window = WindowHandle(number);
    RECT client{};
    if (!window || !menu || !GetClientRect(window, &client)) {
        if (menu)
            DestroyMenu(menu);
        return;
    }
    if (!SetMenu(window, menu)) {
        DestroyMenu(menu);
        return;
    }
    SetOuterRectangle(window, {client.right, client.bottom}, WindowDpi(window), nullptr);
}

void WindowSetDpiFollower(const WindowDpiFollower* follower) { Follower = follower; }

void WindowLoadIconsForDpi(ObjectNumber number, std::int32_t dpi)
{
    WindowRecord* record = WindowRecordOf(number);
    if (!record)
        return;
    ReplaceIcon(record->handle, ICON_BIG, record->bigIcon, LoadApplicationIcon(SM_CXICON, SM_CYICON, dpi));
    ReplaceIcon(record->handle, ICON_SMALL, record->smallIcon, LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON, dpi));
}

void WindowFollowDpi(ObjectNumber number, std::int32_t dpi, const RECT* position)
{
    const HWND window = WindowHandle(number);
    if (!window || dpi <= 0)
        return;
    WindowLoadIconsForDpi(number, dpi);
    if (!Follower) {
        if (position)
            SetWindowPos(window, nullptr, position->left, position->top, position->right - position->left,
                         position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    Follower->layOut(number, dpi);
    SetOuterRectangle(window, Follower->clientSize(number, dpi), dpi, position);
}

LRESULT WindowDpiMessage(HWND window, ObjectNumber number, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (number == -1 || !WindowRecordOf(number) || !lParam)
        return DEFAULT_PROCESSING;
    if (message == WindowMessageDpiChanged) {
        // Both words hold the new DPI; the system's suggestion keeps the
        // window where the user dragged it.
        WindowFollowDpi(number, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    // Asked before the change, so that the suggestion above already has the
    // size the window will take.
    if (!Follower)
        return DEFAULT_PROCESSING;
    const auto dpi = static_cast<std::int32_t>(wParam);
    *reinterpret_cast<SIZE*>(lParam) = OuterSizeForDpi(window, Follower->clientSize(number, dpi), dpi);
    return TRUE;
}
