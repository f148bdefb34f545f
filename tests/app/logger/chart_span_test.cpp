// The view's arithmetic: zooming around a point, scrolling to both ends,
// following the newest reading, a store that wraps under a still view, and
// the reading nearest a point.
#include "app/logger/chart_span.h"
#include "logger_heaps.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t Minute = 60'000;

ReplyNumber Number(bool found, double value)
{
    ReplyNumber number{};
    number.found = found;
    number.value = value;
    return number;
}

// Readings one a second from `first`; every seventh has no number.
WatchReadings Readings(std::int32_t count, std::uint64_t first = 1'000'000)
{
    StartLoggerHeaps();
    WatchReadings readings{};
    for (std::int32_t i = 0; i < count; ++i)
        WatchReadingsAdd(readings, first + 1000 * static_cast<std::uint64_t>(i),
                         Number(i % 7 != 3, 20.0 + i % 10));
    return readings;
}

struct Store {
    explicit Store(std::int32_t count) : readings(Readings(count)) {}
    ~Store() { WatchReadingsClear(readings); }
    ChartExtent extent() const { return ChartExtentOf(readings, Minute); }
    WatchReadings readings;
};

TEST(ChartSpan, ZoomKeepsThePointUnderThePointerAndStopsAtTheNarrowestAndTheWhole)
{
    Store store(3601); // an hour
    const ChartExtent extent = store.extent();
    EXPECT_EQ(extent.end - extent.first, 3'600'000u);
    EXPECT_EQ(extent.narrowest, 59'000u); // 60 readings

    // Around a quarter of the view: the time there stays there.
    const ChartSpan zoomed = ChartSpanZoom(ChartSpan{}, extent, 0.25, 2.0);
    EXPECT_EQ(zoomed.follow, ChartFollow::Still);
    const ChartRange half = ChartSpanRange(zoomed, extent);
    EXPECT_EQ(half.to - half.from, 1'800'000u);
    EXPECT_EQ(half.from + (half.to - half.from) / 4, extent.first + 900'000);

    // Zooming in far ends at 60 readings, zooming out far at the whole store.
    ChartSpan span = zoomed;
    for (int i = 0; i < 100; ++i)
        span = ChartSpanZoom(span, extent, 0.5, 1.25);
    ChartRange narrow = ChartSpanRange(span, extent);
    EXPECT_EQ(narrow.to - narrow.from, extent.narrowest);
    for (int i = 0; i < 100; ++i)
        span = ChartSpanZoom(span, extent, 0.5, 1 / 1.25);
    EXPECT_EQ(span.follow, ChartFollow::Whole);

    // At the right edge of the whole store a zoom in goes on following; at
    // the left it cannot leave the store.
    const ChartSpan right = ChartSpanZoom(ChartSpan{}, extent, 1.0, 4.0);
    EXPECT_EQ(right.follow, ChartFollow::Newest);
    EXPECT_EQ(ChartSpanRange(right, extent).to, extent.end);
    const ChartRange left = ChartSpanRange(ChartSpanZoom(ChartSpan{}, extent, 0.0, 4.0), extent);
    EXPECT_EQ(left.from, extent.first);
    EXPECT_EQ(left.to - left.from, 900'000u);

    // A watch shorter than a minute is drawn across a minute and cannot be
    // zoomed in.
    Store young(20);
    const ChartExtent short_ = young.extent();
    EXPECT_EQ(short_.end - short_.first, Minute);
    EXPECT_EQ(ChartSpanZoom(ChartSpan{}, short_, 0.5, 2.0).follow, ChartFollow::Whole);
}

TEST(ChartSpan, ScrollingStopsAtBothEndsAndStopsFollowingUntilEnd)
{
    Store store(3601);
    const ChartExtent extent = store.extent();
    const ChartSpan following = ChartSpanZoom(ChartSpan{}, extent, 1.0, 6.0); // the last ten minutes
    ASSERT_EQ(following.follow, ChartFollow::Newest);
    // Forward from the newest moves nothing and goes on following.
    EXPECT_EQ(ChartSpanScroll(following, extent, 60'000).follow, ChartFollow::Newest);

    ChartSpan back = ChartSpanScroll(following, extent, -60'000);
    EXPECT_EQ(back.follow, ChartFollow::Still);
    EXPECT_EQ(ChartSpanRange(back, extent).to, extent.end - 60'000);
    // Back to the newest it stays still; End follows again at its width.
    back = ChartSpanScroll(back, extent, 600'000);
    EXPECT_EQ(back.follow, ChartFollow::Still);
    EXPECT_EQ(ChartSpanRange(back, extent).to, extent.end);
    const ChartSpan end = ChartSpanFollowNewest(back, extent);
    EXPECT_EQ(end.follow, ChartFollow::Newest);
    EXPECT_EQ(end.width, 600'000u);

    // Far back stops at the oldest reading, as wide as before.
    const ChartRange oldest = ChartSpanRange(ChartSpanScroll(following, extent, -100'000'000), extent);
    EXPECT_EQ(oldest.from, extent.first);
    EXPECT_EQ(oldest.to - oldest.from, 600'000u);
    // The whole store has nowhere to go.
    EXPECT_EQ(ChartSpanScroll(ChartSpan{}, extent, -60'000).follow, ChartFollow::Whole);
}

TEST(ChartSpan, AStillViewOfTheOldestReadingsMovesOnAsTheStoreWrapsAndAFollowingOneWithTheNewest)
{
    StartLoggerHeaps();
    WatchReadings readings{};
    for (std::int32_t i = 0; i < WatchReadingsMaximum; ++i)
        WatchReadingsAdd(readings, 1000 * static_cast<std::uint64_t>(i), Number(true, 1));
    ChartExtent extent = ChartExtentOf(readings, Minute);
    const ChartSpan oldest = ChartSpanScroll(ChartSpanZoom(ChartSpan{}, extent, 0.0, 100.0), extent, -1);
    const ChartSpan newest = ChartSpanZoom(ChartSpan{}, extent, 1.0, 100.0);
    const ChartRange before = ChartSpanRange(oldest, extent);
    ASSERT_EQ(before.from, 0u);

    for (std::int32_t i = 0; i < 1000; ++i)
        WatchReadingsAdd(readings, 1000 * static_cast<std::uint64_t>(WatchReadingsMaximum + i),
                         Number(true, 2));
    extent = ChartExtentOf(readings, Minute);
    const ChartRange after = ChartSpanRange(oldest, extent);
    EXPECT_EQ(after.from, 1'000'000u) << "the oldest kept reading";
    EXPECT_EQ(after.to - after.from, before.to - before.from);
    EXPECT_EQ(ChartSpanRange(newest, extent).to, WatchReadingAt(readings, readings.count - 1).time);
    WatchReadingsClear(readings);
}

TEST(ChartSpan, TheNearestReadingHasANumberAndLiesInTheView)
{
    Store store(100);
    const WatchReadings& readings = store.readings;
    const ChartRange all{0, ~std::uint64_t{0}};
    EXPECT_EQ(ChartNearestReading(readings, 1'011'400, all), 11);
    EXPECT_EQ(ChartNearestReading(readings, 1'011'600, all), 12);
    EXPECT_EQ(ChartNearestReading(readings, 0, all), 0);
    EXPECT_EQ(ChartNearestReading(readings, 5'000'000, all), 99);
    // Reading 3 has no number: 2 or 4, whichever is nearer (the earlier on a tie).
    EXPECT_EQ(ChartNearestReading(readings, 1'003'000, all), 2);
    EXPECT_EQ(ChartNearestReading(readings, 1'003'200, all), 4);
    // Outside the view nothing is picked.
    EXPECT_EQ(ChartNearestReading(readings, 1'003'000, ChartRange{1'003'000, 1'003'000}), -1);
    EXPECT_EQ(ChartNearestReading(WatchReadings{}, 1'000'000, all), -1);
}

} // namespace
