// The chart's reduction of a watch's kept readings to pixel columns, checked
// against a plain pass over every reading, and the labels of its axes.
#include "app/logger/chart_columns.h"
#include "logger_heaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A reading for the store: a number, or a slot without one.
ReplyNumber Number(double value)
{
    ReplyNumber number{};
    number.found = true;
    number.value = value;
    return number;
}
const ReplyNumber NoNumber{};

// The columns as a plain pass over every reading makes them. On a grid with
// no missed slot a column is joined when the reading before its first number
// has one and lies in an earlier column.
std::vector<ChartColumn> Expected(const WatchReadings& readings, std::uint64_t from, std::uint64_t to,
                                  std::int32_t count)
{
    std::vector<ChartColumn> columns(static_cast<std::size_t>(count), ChartColumn{});
    const std::uint64_t span = to - from;
    auto start = [&](std::int32_t c) { return from + span / count * c + span % count * c / count; };
    // The column whose start is the last at or before the time.
    auto columnOf = [&](std::uint64_t time) {
        auto c = static_cast<std::int32_t>(span ? std::min<double>(count - 1, double(time - from) / double(span) * count)
                                                : count - 1);
        while (c + 1 < count && start(c + 1) <= time)
            ++c;
        while (c > 0 && start(c) > time)
            --c;
        return c;
    };
    for (std::int32_t i = 0; i < readings.count; ++i) {
        const WatchReading r = WatchReadingAt(readings, i);
        if (r.time < from || r.time > to)
            continue;
        const std::int32_t c = columnOf(r.time);
        ChartColumn& column = columns[static_cast<std::size_t>(c)];
        if (!r.present) {
            column.gap = true;
            continue;
        }
        if (!column.present) {
            column.low = column.high = column.first = r.value;
            const WatchReading before = WatchReadingAt(readings, i - 1);
            column.joined = i > 0 && before.present && before.time >= from && columnOf(before.time) < c;
        }
        column.present = true;
        column.low = std::min(column.low, r.value);
        column.high = std::max(column.high, r.value);
        column.last = r.value;
    }
    return columns;
}

void ExpectColumns(const WatchReadings& readings, const ChartSummary& summary, std::uint64_t from, std::uint64_t to,
                   std::int32_t count)
{
    std::vector<ChartColumn> columns(static_cast<std::size_t>(count));
    const ChartView view = ChartReduce(readings, summary, from, to, columns.data(), count);
    const std::vector<ChartColumn> expected = Expected(readings, from, to, count);
    // A column's fields that hold anything: those of its numbers only with them.
    auto fields = [](const ChartColumn& c) {
        return c.present ? std::tuple{true, c.gap, c.low, c.high, c.first, c.last, c.joined}
                         : std::tuple{false, c.gap, 0.0f, 0.0f, 0.0f, 0.0f, false};
    };
    bool present = false;
    float low = 0, high = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        ASSERT_EQ(fields(columns[c]), fields(expected[c])) << "column " << c << " of " << count << " from " << from;
        if (expected[c].present) {
            low = present ? std::min(low, expected[c].low) : expected[c].low;
            high = present ? std::max(high, expected[c].high) : expected[c].high;
            present = true;
        }
    }
    EXPECT_EQ(view.present, present);
    EXPECT_EQ(view.low, present ? low : 0.0f);
    EXPECT_EQ(view.high, present ? high : 0.0f);
}

// Readings every second from 1 s: a random walk, one slot in `gapEvery`
// without a number, and long runs of them now and then.
void Fill(WatchReadings& readings, ChartSummary& summary, std::int32_t count, std::uint32_t gapEvery,
          std::mt19937& random)
{
    double value = 20.0;
    for (std::int32_t i = 0; i < count; ++i) {
        value += static_cast<double>(static_cast<std::int32_t>(random() % 201) - 100) / 100.0;
        const bool missing = random() % gapEvery == 0 || (i / 5000) % 7 == 3;
        WatchReadingsAdd(readings, 1000 + 1000 * static_cast<std::uint64_t>(i), missing ? NoNumber : Number(value));
        ChartSummaryUpdate(summary, readings);
    }
}

TEST(ChartColumns, ManyReadingsReduceToExactColumnsWithTheirGapsWhateverTheView)
{
    StartLoggerHeaps();
    std::mt19937 random(32);
    WatchReadings readings{};
    ChartSummary summary{};
    Fill(readings, summary, 100'000, 50, random);
    const std::uint64_t last = WatchReadingAt(readings, readings.count - 1).time;
    const ChartSummary none{};
    for (std::int32_t count : {1, 7, 640, 1920}) {
        ExpectColumns(readings, summary, 1000, last, count);
        ExpectColumns(readings, none, 1000, last, count);
        // A view inside the data, one wider than it on both sides, and one
        // narrower than a column per reading.
        ExpectColumns(readings, summary, 3'333'333, 77'777'777, count);
        ExpectColumns(readings, summary, 0, last * 3, count);
        ExpectColumns(readings, summary, 50'000'500, 50'000'500 + static_cast<std::uint64_t>(count) * 250, count);
    }
    // A summary out of date with its store is not used.
    WatchReadingsAdd(readings, last + 1000, Number(1e9));
    ExpectColumns(readings, summary, 1000, last + 1000, 333);

    WatchReadingsClear(readings);
    ChartSummaryClear(summary);
    EXPECT_EQ(HeapBlockCount(MemoryHeap), 0u);
}

TEST(ChartColumns, FewReadingsGapsAndMissedSlots)
{
    StartLoggerHeaps();
    WatchReadings readings{};
    ChartSummary summary{};
    std::vector<ChartColumn> columns(100);
    auto reduce = [&](std::uint64_t from, std::uint64_t to, std::int32_t count) {
        ChartSummaryUpdate(summary, readings);
        return ChartReduce(readings, summary, from, to, columns.data(), count);
    };

    // Nothing kept, no columns, a view that ends before it begins.
    EXPECT_FALSE(reduce(0, 1000, 10).present);
    EXPECT_FALSE(columns[0].present || columns[0].gap);
    WatchReadingsAdd(readings, 5000, Number(-3.25));
    EXPECT_FALSE(reduce(0, 10000, 0).present);
    EXPECT_FALSE(reduce(6000, 4000, 10).present);
    EXPECT_EQ(reduce(6000, 4000, 10).readings, 0);

    // One reading, in a view of one instant and in a wide one.
    ChartView view = reduce(5000, 5000, 10);
    EXPECT_TRUE(view.present);
    EXPECT_EQ(view.low, -3.25f);
    EXPECT_EQ(view.last, -3.25f);
    EXPECT_EQ(view.lastTime, 5000u);
    EXPECT_TRUE(columns[9].present); // every column begins at that instant: the last one takes it
    view = reduce(0, UINT64_MAX, 100);
    EXPECT_EQ(view.readings, 1);
    EXPECT_TRUE(columns[0].present);
    EXPECT_FALSE(columns[0].joined);

    // Only gaps: nothing shown, every column with a slot marked.
    WatchReadingsClear(readings);
    for (std::uint64_t t = 0; t < 50; ++t)
        WatchReadingsAdd(readings, t * 1000, NoNumber);
    view = reduce(0, 49'000, 50);
    EXPECT_FALSE(view.present);
    EXPECT_EQ(view.readings, 50);
    for (std::size_t c = 0; c < 50; ++c)
        EXPECT_TRUE(columns[c].gap && !columns[c].present) << c;

    // At 10 s: a slot without a number, a slot the watch missed, and a new
    // interval of 30 s. More columns than readings: the line runs on over
    // the empty columns between two readings, and over neither gap.
    WatchReadingsClear(readings);
    const std::uint64_t times[] = {0, 10, 20, 30, 40, 60, 70, 80, 90, 120, 150, 180};
    for (std::uint64_t t : times)
        WatchReadingsAdd(readings, t * 1000, t == 20 ? NoNumber : Number(static_cast<double>(t)));
    view = reduce(0, 180'000, 91); // a column every 2 s
    EXPECT_EQ(view.high, 180.0f);
    EXPECT_EQ(view.last, 180.0f);
    std::string joins;
    for (std::size_t c = 0; c < 91; ++c)
        if (columns[c].present)
            joins += columns[c].joined ? 'j' : '-';
    //          0  10 30 40 60 70 80 90 120 150 180
    EXPECT_EQ(joins, "-j-j-jjjjjj");
    EXPECT_TRUE(columns[10].gap);

    // The newest reading after a long pause is cut off from the line.
    WatchReadingsAdd(readings, 600'000, Number(1));
    reduce(0, 600'000, 100);
    EXPECT_FALSE(columns[99].joined);
    EXPECT_TRUE(columns[99].present);

    WatchReadingsClear(readings);
    ChartSummaryClear(summary);
}

TEST(ChartColumns, AStoreThatWrappedRoundKeepsItsSummaryAndANewWatchRebuildsIt)
{
    StartLoggerHeaps();
    std::mt19937 random(7);
    WatchReadings readings{};
    ChartSummary summary{};
    Fill(readings, summary, WatchReadingsMaximum + 12'345, 40, random);
    ASSERT_EQ(readings.count, WatchReadingsMaximum);
    ASSERT_NE(readings.first, 0);
    // Brought up to date one reading at a time, never rebuilt.
    EXPECT_EQ(summary.added, WatchReadingsMaximum + 12'345u);
    EXPECT_FALSE(summary.failed);
    const std::uint64_t from = WatchReadingAt(readings, 0).time;
    const std::uint64_t to = WatchReadingAt(readings, readings.count - 1).time;
    ExpectColumns(readings, summary, from, to, 1000);
    ExpectColumns(readings, summary, from + 1'234'567'000, from + 1'240'000'000, 800);

    // A new watch in the same store: its readings alone.
    WatchReadingsClear(readings);
    Fill(readings, summary, 70, 5, random);
    ExpectColumns(readings, summary, 1000, 70'000, 30);

    WatchReadingsClear(readings);
    ChartSummaryClear(summary);
    EXPECT_EQ(HeapBlockCount(MemoryHeap), 0u);
}

TEST(ChartColumns, AxisStepsAndLabels)
{
    StartLoggerHeaps();
    for (auto [span, step, decimals] : {std::tuple{10.0, 2.0, 0}, {0.7, 0.2, 1}, {-5.0, 0.001, 3}, {2e6, 5e5, 0}}) {
        EXPECT_DOUBLE_EQ(ChartValueStepFor(span, 5).step, step) << span;
        EXPECT_EQ(ChartValueStepFor(span, 5).decimals, decimals) << span;
    }
    EXPECT_GT(ChartValueStepFor(1.7e308, 1).step, 1e300);
    EXPECT_EQ(ChartTimeStepFor(60'000, 6), 10'000u);
    EXPECT_EQ(ChartTimeStepFor(604'800'000, 6), 2 * 86'400'000u);
    EXPECT_EQ(ChartTimeStepFor(UINT64_MAX, 1) % (7 * 86'400'000u), 0u);

    for (auto [value, decimals, text] : {std::tuple{21.5, 1, "21,5"}, {-0.04, 1, "0,0"}, {-3.25, 2, "-3,25"},
                                         {7.6, 0, "8"}, {0.05, 9, "0,050"}, {1e30, 0, "999999999999999999"}}) {
        TempSetLength(0);
        TempAppend("x");
        ChartValueText(value, decimals, ",", TempLength);
        EXPECT_EQ(std::string(TempBuffer, static_cast<std::size_t>(TempLength)), std::string("x") + text);
    }
    TempSetLength(0);
}

} // namespace
