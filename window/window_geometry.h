#pragma once
// The arithmetic of WindowOpen: the window style from the flags word, and the
// position of the outer rectangle.

#include <windows.h>

#include <cstdint>

struct WindowStyle {
    DWORD style;         // for CreateWindowExW: the toolkit's own bits removed
    DWORD extendedStyle;
    bool hidden;
    bool keepGadgetList;
    bool centerOnScreen;
    bool centerOnParent;
};

WindowStyle WindowStyleFromFlags(std::uint32_t flags);

struct WindowPlacement {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;  // outer size
    std::int32_t height;
};

// x and y as passed, the outer size from AdjustWindowRectEx, the screen size,
// and the screen rectangle of the window to centre on (null when there is
// none).
WindowPlacement WindowPlacementFor(const WindowStyle& style, std::int32_t x, std::int32_t y, SIZE outer,
                                   SIZE screen, const RECT* reference);

// Client sizes outside what a window can have are held to 0..32767.
std::int32_t ClientExtent(std::int32_t extent);
