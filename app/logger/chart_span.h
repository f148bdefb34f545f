#pragma once
// What a chart shows of its readings, and how the user moves it: zoomed
// around a point, scrolled, the whole store, or following the newest
// reading. A span is kept as the user left it and resolved against the
// store at each drawing, so readings that come or drop off move a following
// view and keep a still one where it was, inside what the store holds.

#include "app/logger/watch_readings.h"

#include <cstdint>

enum class ChartFollow : std::uint8_t {
    Whole,  // every kept reading, growing with them
    Newest, // a width of time ending at the newest reading
    Still,  // a width of time from a time of its own
};

// A zero-initialised span is the whole store.
struct ChartSpan {
    ChartFollow follow;
    std::uint64_t from;  // Still only
    std::uint64_t width; // Newest and Still
};

// The room a view moves in: from the oldest reading over at least
// `shortestWhole` milliseconds, so a short watch does not stretch over the
// whole width; and the narrowest view, about 60 readings.
struct ChartExtent {
    std::uint64_t first;
    std::uint64_t end;
    std::uint64_t narrowest;
};
inline constexpr std::int32_t ChartNarrowestReadings = 60;
ChartExtent ChartExtentOf(const WatchReadings& readings, std::uint64_t shortestWhole);

struct ChartRange {
    std::uint64_t from;
    std::uint64_t to;
};
ChartRange ChartSpanRange(const ChartSpan& span, const ChartExtent& extent);

// Whole and Newest move with the readings: the chart is following.
bool ChartSpanFollows(const ChartSpan& span);

// Zooms in by `factor` (below 1 zooms out) keeping the time at `share` of the
// view (0 its left edge, 1 its right) where it is. A view that still ends at
// the newest reading goes on following it; one as wide as the room is the
// whole store.
ChartSpan ChartSpanZoom(const ChartSpan& span, const ChartExtent& extent, double share, double factor);

// Moves the view by `milliseconds` (negative: back in time), up to the room's
// ends. A view that moved stops following, even to the newest reading.
ChartSpan ChartSpanScroll(const ChartSpan& span, const ChartExtent& extent, std::int64_t milliseconds);

// Follows the newest reading again at the view's width.
ChartSpan ChartSpanFollowNewest(const ChartSpan& span, const ChartExtent& extent);

// The reading with a number nearest to the time, among those from `from` to
// `to`; -1 when none.
std::int32_t ChartNearestReading(const WatchReadings& readings, std::uint64_t time, ChartRange within);
