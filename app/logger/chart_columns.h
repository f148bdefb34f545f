#pragma once
// A watch's kept readings reduced to the pixel columns of its chart. Each
// column gets the exact minimum and maximum of its readings, its first and
// last value for the line that runs on to the next column, and whether a slot
// in it had no number; so a redraw draws a few points a column however many
// readings there are.
//
// The reduction is quick whatever the view: a summary holds the minimum and
// maximum of every aligned block of 2^k readings (k from ChartBaseLevel up),
// so a column's range is read as a few blocks plus at most two part-blocks at
// its ends, in time that grows with the logarithm of the readings, not with
// them. A summary is kept rather than the last columns cached, because the
// chart's view follows the watch: each reading moves the time at every
// column's edge, and a resize changes them all, which a cache would have to
// rebuild from every reading. The summary grows by one block when a reading
// completes it, which is constant time averaged over the readings.

#include "app/logger/watch_readings.h"

#include <array>
#include <cstdint>

// The smallest block the summary keeps: 32 readings. Smaller blocks would
// cost memory for little time; the summary of the whole store is about
// 1.5 MB, beside its 32 MB of readings.
inline constexpr std::int32_t ChartBaseLevel = 5;
// Blocks up to 2^20 readings: the store holds fewer than 2^21.
inline constexpr std::int32_t ChartTopLevel = 20;
inline constexpr std::size_t ChartLevels = ChartTopLevel - ChartBaseLevel + 1;

// The minimum and maximum of a block's readings that have a number (low >
// high when none has), and whether any slot of it had none.
struct ChartBlock {
    float low;
    float high;
    bool gap;
};

// The blocks of every level, each level a ring indexed by the block's place
// in the order the readings came, grown as blocks complete. A zero-initialised
// record is an empty summary.
struct ChartSummary {
    std::array<ChartBlock*, ChartLevels> blocks;
    std::array<std::int64_t, ChartLevels> length; // blocks each level's ring holds
    std::uint64_t added;       // readings summarised, the oldest kept one counted as 0 at the last rebuild
    std::int32_t count;        // the store's count and first when it was last brought up to date
    std::int32_t first;
    std::uint64_t newestTime;  // the newest reading summarised, to recognise the store again
    bool failed;               // memory for a level could not be had: the readings are read one by one
};

// Brings the summary up to date with the store: the readings added since the
// last call, or all of them again when the store is not the one it summarised
// (a new watch, or a store changed by more than it can tell). Call it after
// readings are added; a summary out of date is not used.
void ChartSummaryUpdate(ChartSummary& summary, const WatchReadings& readings);

// Gives the summary's memory back and empties it.
void ChartSummaryClear(ChartSummary& summary);

// One pixel column. low, high, first and last are set only when present.
struct ChartColumn {
    float low, high;    // the minimum and maximum of the readings with a number
    float first, last;  // the first and the last of them, in time order
    bool present;       // a reading in the column has a number
    bool gap;           // a slot in the column had no number
    // The line comes into `first` from the reading just before it, which has
    // a number and lies in an earlier column, with no slot missed between
    // them: a step much longer than the steps beside it is a missed slot.
    bool joined;
};

// What the view shows as a whole.
struct ChartView {
    bool present;             // some reading in the view has a number
    float low, high;          // their minimum and maximum
    float last;               // the newest of them
    std::uint64_t lastTime;   // and its time
    std::int32_t readings;    // readings in the view, gaps included
};

// The readings with times from `from` to `to` (both included) reduced onto
// `count` columns of equal time, column 0 beginning at `from`. The readings
// must be in time order. An empty view or no columns gives empty columns and
// an empty view. The summary is used when it is up to date with the store,
// and otherwise the readings are read one by one.
ChartView ChartReduce(const WatchReadings& readings, const ChartSummary& summary, std::uint64_t from,
                      std::uint64_t to, ChartColumn* columns, std::int32_t count);

// A step for the labels of an axis: a round number, the smallest that puts at
// most `most` steps into the span.
struct ChartValueStep {
    double step;            // 1, 2 or 5 x a power of ten, never below 0.001
    std::int32_t decimals;  // the digits after the separator its labels need, 0 to 3
};
ChartValueStep ChartValueStepFor(double span, std::int32_t most);

// A time step (milliseconds) from seconds to weeks, the smallest that puts at
// most `most` steps into the span.
std::uint64_t ChartTimeStepFor(std::uint64_t span, std::int32_t most);

// The value rounded to `decimals` digits (0 to 3), its separator as given
// ("." when null), written as a producer at position (base/strings.h). A
// value beyond what 18 digits hold is held there.
void ChartValueText(double value, std::int32_t decimals, const char* separator, std::int32_t position);
