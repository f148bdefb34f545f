#pragma once
// Which progress positions are worth drawing. The dump shows a position for
// every byte it takes, and the bar repaints on every update it is sent, which
// costs far more than the byte itself; an update that cannot change what is
// drawn, or that a later one replaces before the screen shows it, is worth
// skipping.

#include <cstdint>

// The length in pixels of the bar drawn for `position` in a range of 0 to
// `maximum` over `width` pixels: positions outside the range draw as its
// ends, and the length is rounded to the nearest pixel, as the control
// rounds it.
constexpr std::int32_t ProgressDrawnLength(std::int32_t position, std::int32_t maximum, std::int32_t width)
{
    if (maximum <= 0 || width <= 0 || position <= 0)
        return 0;
    if (position >= maximum)
        return width;
    const std::int64_t scaled = static_cast<std::int64_t>(position) * width;
    return static_cast<std::int32_t>((2 * scaled + maximum) / (2 * static_cast<std::int64_t>(maximum)));
}

// Whether `next` must be sent to a bar that was last sent `shown`. Position 0
// is always sent when the bar holds another one: it is where every dump
// leaves the bar, and a reader of the position must find it there.
constexpr bool ProgressUpdateNeeded(std::int32_t shown, std::int32_t next, std::int32_t maximum, std::int32_t width)
{
    if (next == shown)
        return false;
    if (next == 0)
        return true;
    return ProgressDrawnLength(next, maximum, width) != ProgressDrawnLength(shown, maximum, width);
}

// How long one picture stands on the display: drawings closer together than
// this replace each other before anyone sees them.
inline constexpr std::int64_t DisplayFrameMilliseconds = 16;

// Whether a position reported `sinceDrawn` milliseconds after the bar was
// last drawn is drawn now. A position that `stands` (the last of its chunk,
// shown until the next poll) always is, and so is the reset to 0; between
// them one drawing a frame is all the eye can follow.
constexpr bool ProgressDrawDue(std::int32_t position, bool stands, std::int64_t sinceDrawn)
{
    return stands || position == 0 || sinceDrawn >= DisplayFrameMilliseconds;
}

// What a bar was last sent, and when by the clock of `ProgressDraw`.
struct ProgressBar {
    std::int32_t shown = 0;
    std::int64_t drawnAt = 0;
};

// Whether `bar` must be sent `position` at the time `now`: when a drawing is
// due and would change the picture. If so, `bar` records it as sent.
constexpr bool ProgressDraw(ProgressBar& bar, std::int32_t position, bool stands, std::int64_t now,
                            std::int32_t maximum, std::int32_t width)
{
    if (!ProgressDrawDue(position, stands, now - bar.drawnAt) || !ProgressUpdateNeeded(bar.shown, position, maximum, width))
        return false;
    bar = ProgressBar{position, now};
    return true;
}
