#include "tests/window/toolkit_session.h"

#include "window/event.h"
#include "window/window_runtime.h"

#include "base/heap.h"

#include <commctrl.h>

#include <algorithm>

void StartToolkit()
{
    static const bool started = [] {
        MainHeap = HeapOpen();
        WindowRuntimeStart();
        // The extended combo box the focus tests create is a common control
        // of a class that must be registered first.
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_USEREX_CLASSES};
        InitCommonControlsEx(&classes);
        return true;
    }();
    (void)started;
}

std::ostream& operator<<(std::ostream& out, const Event& event)
{
    return out << "{code " << event.code << ", object " << event.object << ", window " << event.window << ", kind "
               << event.kind << "}";
}

std::vector<Event> DrainEvents(std::int32_t quietMilliseconds)
{
    constexpr int MostEvents = 5000;
    std::vector<Event> events;
    for (int i = 0; i < MostEvents; ++i) {
        const std::int32_t code = EventWaitTimeout(quietMilliseconds);
        if (code == 0)
            break;
        events.push_back({code, EventObject(), EventWindow(), EventKind()});
    }
    return events;
}

std::vector<Event> EventsWithCodes(const std::vector<Event>& events, std::initializer_list<std::int32_t> codes)
{
    std::vector<Event> chosen;
    for (const Event& event : events)
        if (std::find(codes.begin(), codes.end(), event.code) != codes.end())
            chosen.push_back(event);
    return chosen;
}

bool MakeForeground(HWND window)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        SetForegroundWindow(window);
        DrainEvents(20);
        if (GetActiveWindow() == window && GetForegroundWindow() == window)
            return true;
    }
    return false;
}
