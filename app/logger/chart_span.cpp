#include "app/logger/chart_span.h"

#include <algorithm>
#include <cmath>

namespace {

std::uint64_t RoomWidth(const ChartExtent& extent) { return extent.end - extent.first; }

// A width the room allows, never under the narrowest view.
std::uint64_t Allowed(std::uint64_t width, const ChartExtent& extent)
{
    return std::clamp(width, std::min(extent.narrowest, RoomWidth(extent)), RoomWidth(extent));
}

std::uint64_t StartWithin(std::uint64_t from, std::uint64_t width, const ChartExtent& extent)
{
    return std::clamp(from, extent.first, extent.end - width);
}

ChartSpan SpanAt(std::uint64_t from, std::uint64_t width, const ChartExtent& extent, bool mayFollow)
{
    if (width >= RoomWidth(extent))
        return ChartSpan{};
    if (mayFollow && from + width == extent.end)
        return ChartSpan{.follow = ChartFollow::Newest, .from = 0, .width = width};
    return ChartSpan{.follow = ChartFollow::Still, .from = from, .width = width};
}

} // namespace

ChartExtent ChartExtentOf(const WatchReadings& readings, std::uint64_t shortestWhole)
{
    if (readings.count <= 0)
        return ChartExtent{.first = 0, .end = shortestWhole, .narrowest = shortestWhole};
    const std::uint64_t first = WatchReadingAt(readings, 0).time;
    const std::uint64_t last = WatchReadingAt(readings, readings.count - 1).time;
    const std::uint64_t spanned = last - first;
    std::uint64_t narrowest = shortestWhole;
    if (readings.count > ChartNarrowestReadings)
        narrowest = std::max<std::uint64_t>(
            spanned / static_cast<std::uint64_t>(readings.count - 1) * (ChartNarrowestReadings - 1), 1);
    return ChartExtent{.first = first, .end = first + std::max(spanned, shortestWhole), .narrowest = narrowest};
}

ChartRange ChartSpanRange(const ChartSpan& span, const ChartExtent& extent)
{
    const std::uint64_t width = Allowed(span.width, extent);
    switch (span.follow) {
    case ChartFollow::Newest:
        return ChartRange{extent.end - width, extent.end};
    case ChartFollow::Still: {
        const std::uint64_t from = StartWithin(span.from, width, extent);
        return ChartRange{from, from + width};
    }
    case ChartFollow::Whole:
        break;
    }
    return ChartRange{extent.first, extent.end};
}

bool ChartSpanFollows(const ChartSpan& span) { return span.follow != ChartFollow::Still; }

ChartSpan ChartSpanZoom(const ChartSpan& span, const ChartExtent& extent, double share, double factor)
{
    const ChartRange now = ChartSpanRange(span, extent);
    const double width = static_cast<double>(now.to - now.from);
    const double wanted = factor > 0 ? width / factor : width;
    const std::uint64_t newWidth =
        Allowed(wanted >= static_cast<double>(RoomWidth(extent)) ? RoomWidth(extent)
                                                                 : static_cast<std::uint64_t>(std::llround(wanted)),
                extent);
    share = std::clamp(share, 0.0, 1.0);
    const double anchor = static_cast<double>(now.from) + share * width;
    const double start = std::max(anchor - share * static_cast<double>(newWidth), 0.0);
    const std::uint64_t from = StartWithin(static_cast<std::uint64_t>(std::llround(start)), newWidth, extent);
    return SpanAt(from, newWidth, extent, ChartSpanFollows(span));
}

ChartSpan ChartSpanScroll(const ChartSpan& span, const ChartExtent& extent, std::int64_t milliseconds)
{
    const ChartRange now = ChartSpanRange(span, extent);
    const std::uint64_t width = now.to - now.from;
    const std::uint64_t by = milliseconds < 0 ? 0 - static_cast<std::uint64_t>(milliseconds)
                                              : static_cast<std::uint64_t>(milliseconds);
    const std::uint64_t wanted =
        milliseconds < 0 ? (by > now.from ? 0 : now.from - by) : now.from + std::min(by, extent.end);
    const std::uint64_t from = StartWithin(wanted, width, extent);
    if (from == now.from)
        return span;
    return SpanAt(from, width, extent, false);
}

ChartSpan ChartSpanFollowNewest(const ChartSpan& span, const ChartExtent& extent)
{
    const ChartRange now = ChartSpanRange(span, extent);
    return SpanAt(extent.end - (now.to - now.from), now.to - now.from, extent, true);
}

std::int32_t ChartNearestReading(const WatchReadings& readings, std::uint64_t time, ChartRange within)
{
    const std::int32_t low = WatchReadingsFirstFrom(readings, 0, time);
    std::int32_t before = low - 1;
    std::int32_t after = low;
    auto usable = [&](std::int32_t i) {
        const WatchReading reading = WatchReadingAt(readings, i);
        return reading.present && reading.time >= within.from && reading.time <= within.to;
    };
    while (before >= 0 && WatchReadingAt(readings, before).time >= within.from && !usable(before))
        --before;
    while (after < readings.count && WatchReadingAt(readings, after).time <= within.to && !usable(after))
        ++after;
    const bool early = before >= 0 && usable(before);
    const bool late = after < readings.count && usable(after);
    if (early && late)
        return time - WatchReadingAt(readings, before).time <= WatchReadingAt(readings, after).time - time ? before
                                                                                                        : after;
    return early ? before : (late ? after : -1);
}
