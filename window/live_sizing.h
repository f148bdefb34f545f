#pragma once
// Live sizing: with full-window dragging on, a window is sized one message at
// a time by the toolkit itself instead of in the system's modal sizing loop,
// so that events keep flowing through the ordinary event wait.

#include <windows.h>

#include <cstdint>

// The sizing edge, in the WMSZ_ numbering.
enum class SizingEdge : std::int32_t {
    None = 0,
    Left = WMSZ_LEFT,
    Right = WMSZ_RIGHT,
    Top = WMSZ_TOP,
    TopLeft = WMSZ_TOPLEFT,
    TopRight = WMSZ_TOPRIGHT,
    Bottom = WMSZ_BOTTOM,
    BottomLeft = WMSZ_BOTTOMLEFT,
    BottomRight = WMSZ_BOTTOMRIGHT,
};

struct LiveSizingState {
    BOOL active;
    BOOL restoreCursor;
    POINT savedCursor;
    RECT rectangle; // working rectangle, screen coordinates
    SizingEdge edge;
    MINMAXINFO limits; // only the tracking sizes are used
};

// Creates the zeroed sizing state; part of the window layer's start.
void LiveSizingStart();

// The toolkit's sizing handling of one message, or DEFAULT_PROCESSING.
LRESULT LiveSizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The rectangle after dragging the edge to the point, kept within the
// tracking sizes.
RECT SizingDrag(RECT rectangle, SizingEdge edge, POINT point, SIZE minimumTrack, SIZE maximumTrack);

// What an arrow key does while sizing: choose an edge or corner and place the
// cursor on it, or step the cursor 10 pixels and resize.
struct ArrowKeyAction {
    enum class Kind { Place, Step } kind;
    SizingEdge edge;     // the edge after the key
    POINT cursor;        // where the cursor goes
    LPCSTR cursorShape;  // the system cursor to show when placing
};

// key is one of VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN; cursor is the current
// cursor position.
ArrowKeyAction SizingArrowKey(SizingEdge edge, WPARAM key, POINT cursor, const RECT& rectangle);
