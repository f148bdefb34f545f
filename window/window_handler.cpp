#include "window/dpi.h"
#include "window/event.h"
#include "window/live_sizing.h"
#include "window/window.h"
#include "window/window_layer.h"

namespace {

// The toolkit-private message offered to gadgets; nothing in the system sends it.
constexpr UINT GadgetPrivateMessage = 0x3340;

GadgetMessageHook GadgetHook = nullptr;

LRESULT GadgetDispatch(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!control || !GadgetHook)
        return DEFAULT_PROCESSING;
    return GadgetHook(control, parent, message, wParam, lParam);
}

void PostSizeEvents(WindowRecord& record, ObjectNumber number, WPARAM sizeType)
{
    switch (sizeType) {
    case SIZE_MINIMIZED:
        record.minMax = TRUE;
        EventPost(EV_MINIMIZE, 0, number, 0);
        return;
    case SIZE_MAXIMIZED:
        record.minMax = TRUE;
        EventPost(EV_MAXIMIZE, 0, number, 0);
        break;
    case SIZE_RESTORED:
        if (record.minMax) {
            record.minMax = FALSE;
            EventPost(EV_RESTORE, 0, number, 0);
        }
        break;
    default:
        break;
    }
    EventPost(EV_SIZE, 0, number, 0);
}

LRESULT OnSize(HWND window, WindowRecord* record, ObjectNumber number, WPARAM sizeType)
{
    if (!GetPropA(window, WindowIdProperty) || !record)
        return 1;
    PostSizeEvents(*record, number, sizeType);
    return 0;
}

// Activation gives the focus back to the control that had it, or to the
// window itself when it had it; default processing would give it to the
// window whatever had it. With no focus at all keys would arrive as system
// keys.
LRESULT OnActivate(HWND window, ObjectNumber number, WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE) {
        auto remembered = static_cast<HWND>(GetPropA(window, FocusProperty));
        if (remembered && (remembered == window || IsChild(window, remembered)))
            SetFocus(remembered);
        EventPost(EV_ACTIVATE, 0, number, 0);
    } else {
        SetPropA(window, FocusProperty, GetFocus());
    }
    return 1;
}

BOOL CALLBACK SendSystemColourChange(HWND child, LPARAM)
{
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

// One message may bring several notifications: a pick in a drop-down list
// sends its selection change, its end and its close-up, in an order the
// system does not fix. The first is the dispatch's own event; the others
// queue behind it, in order. Outside a wait's dispatch there is only the
// pending one, dropped by the next wait.
void RaiseCommandEvent(std::int32_t code, ObjectNumber object, std::int32_t kind)
{
    EventState& events = Events();
    if (events.dispatching && events.pending) {
        EventPost(code, object, events.window, kind);
        return;
    }
    events.pending = code;
    events.object = object;
    events.kind = kind;
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    auto control = reinterpret_cast<HWND>(lParam);
    if (control) {
        if (GadgetDispatch(control, window, WM_COMMAND, wParam, lParam) != DEFAULT_PROCESSING)
            return 0;
        RaiseCommandEvent(EV_GADGET, static_cast<ObjectNumber>(GetWindowLongPtrW(control, GWLP_ID)), HIWORD(wParam));
    } else if (HIWORD(wParam) == 0) {
        // Only an item of the window's own menu bar: a command sent by other
        // means (IDOK, IDCANCEL) is none of its choices.
        HMENU menu = GetMenu(window);
        if (menu && GetMenuState(menu, LOWORD(wParam), MF_BYCOMMAND) != static_cast<UINT>(-1))
            RaiseCommandEvent(EV_MENU, LOWORD(wParam), 0);
    } else if (LOWORD(wParam) == FOCUS_NEXT_COMMAND) {
        FocusCycle(false);
    } else if (LOWORD(wParam) == FOCUS_PREV_COMMAND) {
        FocusCycle(true);
    }
    return 0;
}

} // namespace

void WindowSetGadgetHook(GadgetMessageHook hook) { GadgetHook = hook; }

LRESULT WindowMessageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT sizing = LiveSizingFilter(window, message, wParam, lParam);
    if (sizing != DEFAULT_PROCESSING)
        return sizing;
    const ObjectNumber number = WindowNumberOf(window);
    WindowRecord* record = number == -1 ? nullptr : WindowRecordOf(number);
    Events().window = number;

    switch (message) {
    case WM_CLOSE:
    case WM_MOVE:
        // The window stays: the application decides what a close means.
        if (record)
            EventPost(static_cast<std::int32_t>(message), number, number, 0);
        return 0;
    case WM_SIZE:
        return OnSize(window, record, number, wParam);
    case WM_ACTIVATE:
        return OnActivate(window, number, wParam);
    case WM_ERASEBKGND:
        EventPost(EV_REPAINT, 0, number, 0);
        return DEFAULT_PROCESSING;
    case WM_SYSCOLORCHANGE:
        if (record)
            EnumChildWindows(window, SendSystemColourChange, 0);
        return DEFAULT_PROCESSING;
    case WM_GETMINMAXINFO:
        if (!record)
            return DEFAULT_PROCESSING;
        // A tool window may be narrowed down to nothing.
        if (lParam && (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.x = 1;
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return GadgetDispatch(header ? header->hwndFrom : nullptr, window, message, wParam, lParam);
    }
    case WM_COMMAND:
        return OnCommand(window, wParam, lParam);
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case GadgetPrivateMessage:
        return GadgetDispatch(reinterpret_cast<HWND>(lParam), window, message, wParam, lParam);
    case WM_NCDESTROY:
        RemovePropA(window, FocusProperty);
        return 1;
    case WindowMessageDpiChanged:
    case WindowMessageGetDpiScaledSize:
        return WindowDpiMessage(window, number, message, wParam, lParam);
    default:
        return DEFAULT_PROCESSING;
    }
}

LRESULT CALLBACK WindowClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = WindowMessageHandler(window, message, wParam, lParam);
    SetLastError(ERROR_SUCCESS);
    if (result == DEFAULT_PROCESSING)
        return DefWindowProcW(window, message, wParam, lParam);
    return result;
}
