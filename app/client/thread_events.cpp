#include "app/client/thread_events.h"

#include "app/client/main_window.h"

#include "window/event.h"

#include <commctrl.h>

namespace {

constexpr UINT ThreadEventMessage = WM_APP + 0x100;
constexpr UINT_PTR ThreadEventSubclass = 2;

LRESULT CALLBACK PassThreadEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == ThreadEventMessage) {
        EventPost(static_cast<std::int32_t>(wParam), 0, MainWindow, 0);
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, PassThreadEvent, ThreadEventSubclass);
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

void AcceptThreadEvents(HWND window)
{
    if (window)
        SetWindowSubclass(window, PassThreadEvent, ThreadEventSubclass, 0);
}

void PostThreadEvent(HWND window, std::int32_t code)
{
    PostMessageW(window, ThreadEventMessage, static_cast<WPARAM>(code), 0);
}
