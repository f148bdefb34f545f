#pragma once
// Pixels laid out for a 96-dpi display, carried to another DPI. Pure
// arithmetic without Windows headers, so that the native build tests it too.

#include <cstdint>

// The resolution that layouts in pixels are drawn for (100 %).
constexpr std::int32_t BaseDpi = 96;

// pixels * dpi / 96, rounded half away from zero as MulDiv rounds, so that a
// scaled layout and fonts scaled by GDI's callers agree. A DPI that is not
// positive, which no display has, leaves the pixels as they are; results
// beyond 32 bits are held at the 32-bit limits.
constexpr std::int32_t ScaleToDpi(std::int32_t pixels, std::int32_t dpi)
{
    if (dpi <= 0)
        return pixels;
    const std::int64_t product = static_cast<std::int64_t>(pixels) * dpi;
    const std::int64_t magnitude = (product < 0 ? -product : product) + BaseDpi / 2;
    const std::int64_t scaled = (product < 0 ? -1 : 1) * (magnitude / BaseDpi);
    if (scaled > INT32_MAX)
        return INT32_MAX;
    if (scaled < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(scaled);
}

// A rectangle as a layout gives it: corner and size in client pixels.
struct LayoutRect {
    std::int32_t x, y, width, height;
    bool operator==(const LayoutRect&) const = default;
};

// Each of the four numbers scaled on its own: gadgets of one size stay of one
// size, whatever their position.
constexpr LayoutRect ScaleToDpi(const LayoutRect& rect, std::int32_t dpi)
{
    return {ScaleToDpi(rect.x, dpi), ScaleToDpi(rect.y, dpi), ScaleToDpi(rect.width, dpi),
            ScaleToDpi(rect.height, dpi)};
}
