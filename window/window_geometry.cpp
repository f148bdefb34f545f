#include "window/window_geometry.h"
#include "window/window.h"

#include <algorithm>

namespace {

constexpr std::uint32_t CentringAndHidden = 0xEFFFFFFC; // every bit but 0, 1 and 28
constexpr std::uint32_t ToolWindowClears = WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr std::uint32_t ToolkitStyleBits = WINDOW_CENTER_ON_SCREEN | WINDOW_CENTER_ON_PARENT | WINDOW_TOOL;
constexpr std::int32_t LargestExtent = 32767;

} // namespace

WindowStyle WindowStyleFromFlags(std::uint32_t flags)
{
    WindowStyle result{};
    result.keepGadgetList = (flags & WINDOW_KEEP_GADGET_LIST) != 0;
    flags &= ~WINDOW_KEEP_GADGET_LIST;
    result.centerOnScreen = (flags & WINDOW_CENTER_ON_SCREEN) != 0;
    result.centerOnParent = (flags & WINDOW_CENTER_ON_PARENT) != 0;
    // A window always keeps a title bar to be moved and closed by, unless
    // the caller asked for a particular style.
    if ((flags & CentringAndHidden) == 0)
        flags |= WS_CAPTION;
    if (flags & WINDOW_HIDDEN) {
        flags &= ~WINDOW_HIDDEN;
        result.hidden = true;
    }
    if (flags & WINDOW_TOOL) {
        flags = (flags & ~ToolWindowClears) | WS_CAPTION;
        result.extendedStyle = WS_EX_TOOLWINDOW;
    }
    result.style = flags & ~ToolkitStyleBits;
    return result;
}

WindowPlacement WindowPlacementFor(const WindowStyle& style, std::int32_t x, std::int32_t y, SIZE outer,
                                   SIZE screen, const RECT* reference)
{
    WindowPlacement placement{x, y, outer.cx, outer.cy};
    const bool centring = style.centerOnScreen || style.centerOnParent;
    if ((x == WINDOW_DEFAULT_POSITION || y == WINDOW_DEFAULT_POSITION) && !centring) {
        placement.x = CW_USEDEFAULT;
        placement.y = CW_USEDEFAULT;
    }
    if (style.centerOnScreen) {
        placement.width = std::min(placement.width, static_cast<std::int32_t>(screen.cx));
        placement.height = std::min(placement.height, static_cast<std::int32_t>(screen.cy));
        placement.x = (screen.cx - placement.width) / 2;
        placement.y = (screen.cy - placement.height) / 2;
    } else if (style.centerOnParent && reference) {
        const std::int32_t width = reference->right - reference->left;
        const std::int32_t height = reference->bottom - reference->top;
        placement.x = std::max(0L, reference->left + (width - placement.width) / 2);
        placement.y = std::max(0L, reference->top + (height - placement.height) / 2);
    }
    return placement;
}

std::int32_t ClientExtent(std::int32_t extent) { return std::clamp(extent, 0, LargestExtent); }
