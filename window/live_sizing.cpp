#include "window/live_sizing.h"
#include "window/window.h"

#include "base/state_block.h"

#include <windowsx.h>

namespace {

constexpr int ArrowStep = 10;
// The cursor sits this far inside the right and bottom edges and the
// top-left corner, so that dragging to where it was placed changes nothing.
constexpr int EdgeInset = 2;

void* SizingBlock = nullptr;

LiveSizingState& Sizing() { return *static_cast<LiveSizingState*>(StateBlockGet(SizingBlock)); }

bool MovesLeftEdge(SizingEdge edge)
{
    return edge == SizingEdge::Left || edge == SizingEdge::TopLeft || edge == SizingEdge::BottomLeft;
}

bool MovesRightEdge(SizingEdge edge)
{
    return edge == SizingEdge::Right || edge == SizingEdge::TopRight || edge == SizingEdge::BottomRight;
}

bool MovesTopEdge(SizingEdge edge)
{
    return edge == SizingEdge::Top || edge == SizingEdge::TopLeft || edge == SizingEdge::TopRight;
}

bool MovesBottomEdge(SizingEdge edge)
{
    return edge == SizingEdge::Bottom || edge == SizingEdge::BottomLeft || edge == SizingEdge::BottomRight;
}

// Keeps the span between fixed and moving within [minimum, maximum] by
// moving the moving side; direction is +1 when it lies after fixed.
LONG Limited(LONG fixed, LONG moving, LONG minimum, LONG maximum, int direction)
{
    const LONG span = (moving - fixed) * direction;
    if (span < minimum)
        return fixed + minimum * direction;
    if (span > maximum)
        return fixed + maximum * direction;
    return moving;
}

ArrowKeyAction Place(SizingEdge edge, LONG x, LONG y, LPCSTR shape)
{
    return {ArrowKeyAction::Kind::Place, edge, {x, y}, shape};
}

ArrowKeyAction Step(SizingEdge edge, POINT cursor, int dx, int dy)
{
    return {ArrowKeyAction::Kind::Step, edge, {cursor.x + dx, cursor.y + dy}, nullptr};
}

void MoveToRectangle(HWND window, RECT rectangle)
{
    if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rectangle), 2);
    MoveWindow(window, rectangle.left, rectangle.top, rectangle.right - rectangle.left,
               rectangle.bottom - rectangle.top, TRUE);
}

void DragAndMove(HWND window, POINT point)
{
    LiveSizingState& state = Sizing();
    state.rectangle = SizingDrag(state.rectangle, state.edge, point,
                                 {state.limits.ptMinTrackSize.x, state.limits.ptMinTrackSize.y},
                                 {state.limits.ptMaxTrackSize.x, state.limits.ptMaxTrackSize.y});
    SendMessageA(window, WM_SIZING, static_cast<WPARAM>(state.edge), reinterpret_cast<LPARAM>(&state.rectangle));
    MoveToRectangle(window, Sizing().rectangle);
}

void ShowSystemCursor(LPCSTR shape)
{
    SetCursor(static_cast<HCURSOR>(LoadImageA(nullptr, shape, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE)));
}

bool FullWindowDragging()
{
    BOOL full = FALSE;
    SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    return full != FALSE;
}

void BeginSizing(HWND window, WPARAM command)
{
    LiveSizingState& state = Sizing();
    state.active = TRUE;
    state.edge = static_cast<SizingEdge>(command & 0xF);
    GetWindowRect(window, &state.rectangle);
    state.limits = {};
    state.limits.ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    state.limits.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    state.limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Sizing().limits));
    if (GetKeyState(VK_LBUTTON) == 0)
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SetCapture(window);
    PostMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    LiveSizingState& after = Sizing();
    // Sizing chosen from the system menu starts from the keyboard; the
    // cursor goes back where it was when it ends.
    after.restoreCursor = after.edge == SizingEdge::None;
    if (after.restoreCursor) {
        GetCursorPos(&after.savedCursor);
        SetCursor(LoadCursorA(nullptr, IDC_SIZEALL));
    }
}

LRESULT OnArrowKey(HWND window, WPARAM key)
{
    LiveSizingState& state = Sizing();
    POINT cursor{};
    GetCursorPos(&cursor);
    const ArrowKeyAction action = SizingArrowKey(state.edge, key, cursor, state.rectangle);
    state.edge = action.edge;
    SetCursorPos(action.cursor.x, action.cursor.y);
    if (action.kind == ArrowKeyAction::Kind::Place)
        ShowSystemCursor(action.cursorShape);
    else
        DragAndMove(window, action.cursor);
    return DEFAULT_PROCESSING;
}

LRESULT ActiveSizing(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        Sizing().restoreCursor = FALSE;
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &point);
        DragAndMove(window, point);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            ReleaseCapture();
            return 0;
        }
        if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN)
            return OnArrowKey(window, wParam);
        return DEFAULT_PROCESSING;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED: {
        PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
        LiveSizingState& state = Sizing();
        state.active = FALSE;
        if (state.restoreCursor)
            SetCursorPos(state.savedCursor.x, state.savedCursor.y);
        return 0;
    }
    default:
        return DEFAULT_PROCESSING;
    }
}

} // namespace

void LiveSizingStart()
{
    if (!SizingBlock)
        SizingBlock = StateBlockCreate(sizeof(LiveSizingState), nullptr, nullptr);
}

LRESULT LiveSizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!SizingBlock)
        return DEFAULT_PROCESSING;
    if (Sizing().active)
        return ActiveSizing(window, message, wParam, lParam);
    if (message != WM_SYSCOMMAND || (wParam & 0xFFF0) != SC_SIZE || !FullWindowDragging())
        return DEFAULT_PROCESSING;
    BeginSizing(window, wParam);
    return 0;
}

RECT SizingDrag(RECT rectangle, SizingEdge edge, POINT point, SIZE minimumTrack, SIZE maximumTrack)
{
    RECT& r = rectangle;
    if (MovesLeftEdge(edge)) {
        r.left = edge == SizingEdge::TopLeft ? point.x - EdgeInset : point.x;
        r.left = Limited(r.right, r.left, minimumTrack.cx, maximumTrack.cx, -1);
    }
    if (MovesRightEdge(edge)) {
        r.right = point.x + EdgeInset;
        r.right = Limited(r.left, r.right, minimumTrack.cx, maximumTrack.cx, +1);
    }
    if (MovesTopEdge(edge)) {
        r.top = edge == SizingEdge::TopLeft ? point.y - EdgeInset : point.y;
        r.top = Limited(r.bottom, r.top, minimumTrack.cy, maximumTrack.cy, -1);
    }
    if (MovesBottomEdge(edge)) {
        r.bottom = point.y + EdgeInset;
        r.bottom = Limited(r.top, r.bottom, minimumTrack.cy, maximumTrack.cy, +1);
    }
    return rectangle;
}

ArrowKeyAction SizingArrowKey(SizingEdge edge, WPARAM key, POINT cursor, const RECT& rectangle)
{
    const LONG l = rectangle.left, t = rectangle.top, r = rectangle.right, b = rectangle.bottom;
    switch (key) {
    case VK_LEFT:
        if (edge == SizingEdge::None)
            return Place(SizingEdge::Left, l, cursor.y, IDC_SIZEWE);
        if (edge == SizingEdge::Top)
            return Place(SizingEdge::TopLeft, l + EdgeInset, t + EdgeInset, IDC_SIZENWSE);
        if (edge == SizingEdge::Bottom)
            return Place(SizingEdge::BottomLeft, l, b - EdgeInset, IDC_SIZENESW);
        return Step(edge, cursor, -ArrowStep, 0);
    case VK_RIGHT:
        if (edge == SizingEdge::None)
            return Place(SizingEdge::Right, r - EdgeInset, cursor.y, IDC_SIZEWE);
        if (edge == SizingEdge::Top)
            return Place(SizingEdge::TopRight, r - EdgeInset, t, IDC_SIZENESW);
        if (edge == SizingEdge::Bottom)
            return Place(SizingEdge::BottomRight, r - EdgeInset, b - EdgeInset, IDC_SIZENWSE);
        return Step(edge, cursor, +ArrowStep, 0);
    case VK_UP:
        if (edge == SizingEdge::None)
            return Place(SizingEdge::Top, cursor.x, t, IDC_SIZENS);
        if (edge == SizingEdge::Left)
            return Place(SizingEdge::TopLeft, l + EdgeInset, t + EdgeInset, IDC_SIZENWSE);
        if (edge == SizingEdge::Right)
            return Place(SizingEdge::TopRight, r - EdgeInset, t, IDC_SIZENESW);
        return Step(edge, cursor, 0, -ArrowStep);
    default: // VK_DOWN
        if (edge == SizingEdge::None)
            return Place(SizingEdge::Bottom, cursor.x, b - EdgeInset, IDC_SIZENS);
        if (edge == SizingEdge::Left)
            return Place(SizingEdge::BottomLeft, l, b - EdgeInset, IDC_SIZENESW);
        if (edge == SizingEdge::Right)
            return Place(SizingEdge::BottomRight, r - EdgeInset, b - EdgeInset, IDC_SIZENWSE);
        return Step(edge, cursor, 0, +ArrowStep);
    }
}
