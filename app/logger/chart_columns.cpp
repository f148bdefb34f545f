#include "app/logger/chart_columns.h"

#include "base/memory.h"
#include "base/strings.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint64_t BaseBlock = std::uint64_t{1} << ChartBaseLevel;
constexpr ChartBlock EmptyBlock{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                false};

// Blocks of a level that can overlap the kept readings at once, and one to
// spare: a ring of that many never overwrites a block still in use.
constexpr std::int64_t RingLength(std::size_t level)
{
    return WatchReadingsMaximum / (std::int64_t{1} << (level + ChartBaseLevel)) + 2;
}

void Take(ChartBlock& into, const ChartBlock& block)
{
    into.low = block.low < into.low ? block.low : into.low;
    into.high = block.high > into.high ? block.high : into.high;
    into.gap = into.gap || block.gap;
}

ChartBlock BlockOf(const WatchReading& reading)
{
    if (!reading.present)
        return ChartBlock{EmptyBlock.low, EmptyBlock.high, true};
    return ChartBlock{reading.value, reading.value, false};
}

bool HasNumber(const ChartBlock& block) { return block.low <= block.high; }

// The sequence number (the order the readings came in, as the summary counts
// them) of the store's oldest reading.
std::uint64_t Dropped(const ChartSummary& summary) { return summary.added - static_cast<std::uint64_t>(summary.count); }

WatchReading ReadingOf(const WatchReadings& readings, const ChartSummary& summary, std::uint64_t sequence)
{
    return WatchReadingAt(readings, static_cast<std::int32_t>(sequence - Dropped(summary)));
}

ChartBlock& BlockAt(const ChartSummary& summary, std::size_t level, std::uint64_t block)
{
    return summary.blocks[level][block % static_cast<std::uint64_t>(RingLength(level))];
}

// Room in the level's ring for the block; before the ring first wraps round a
// block's slot is its number, so the ring grows as those come.
bool MakeRoom(ChartSummary& summary, std::size_t level, std::uint64_t block)
{
    const std::int64_t ring = RingLength(level);
    const auto slot = static_cast<std::int64_t>(block % static_cast<std::uint64_t>(ring));
    if (slot < summary.length[level])
        return true;
    std::int64_t length = summary.length[level] ? summary.length[level] * 2 : 64;
    length = length < ring ? length : ring;
    auto* grown = static_cast<ChartBlock*>(MemAlloc(static_cast<std::int32_t>(length * std::int64_t{sizeof(ChartBlock)})));
    if (!grown)
        return false;
    if (summary.blocks[level])
        std::memcpy(grown, summary.blocks[level], static_cast<std::size_t>(summary.length[level]) * sizeof(ChartBlock));
    MemFree(summary.blocks[level]);
    summary.blocks[level] = grown;
    summary.length[level] = length;
    return true;
}

// The reading with that sequence number is in the store: the blocks it
// completes join the summary, each level's from the two below it.
bool Summarise(ChartSummary& summary, const WatchReadings& readings, std::uint64_t sequence)
{
    if ((sequence + 1) % BaseBlock != 0)
        return true;
    std::uint64_t block = sequence / BaseBlock;
    if (!MakeRoom(summary, 0, block))
        return false;
    ChartBlock base = EmptyBlock;
    for (std::uint64_t s = block * BaseBlock; s <= sequence; ++s)
        Take(base, BlockOf(ReadingOf(readings, summary, s)));
    BlockAt(summary, 0, block) = base;
    for (std::size_t level = 1; level < ChartLevels && block % 2 == 1; ++level) {
        ChartBlock joined = BlockAt(summary, level - 1, block - 1);
        Take(joined, BlockAt(summary, level - 1, block));
        block /= 2;
        if (!MakeRoom(summary, level, block))
            return false;
        BlockAt(summary, level, block) = joined;
    }
    return true;
}

// How many readings came since the last update, or -1 when the store is not
// the one summarised.
std::int64_t NewReadings(const ChartSummary& summary, const WatchReadings& readings)
{
    if (summary.count == 0 || readings.count < summary.count || readings.capacity <= 0)
        return -1;
    const std::int64_t moved = (readings.first - summary.first + readings.capacity) % readings.capacity;
    const std::int64_t fresh = readings.count - summary.count + moved;
    const std::int64_t newest = readings.count - 1 - fresh;
    if (newest < 0 || WatchReadingAt(readings, static_cast<std::int32_t>(newest)).time != summary.newestTime)
        return -1;
    return fresh;
}

bool UpToDate(const ChartSummary& summary, const WatchReadings& readings)
{
    return !summary.failed && summary.count == readings.count && summary.first == readings.first &&
           (readings.count == 0 || WatchReadingAt(readings, readings.count - 1).time == summary.newestTime);
}

// One piece of a column's range, in time order: a single reading, or a
// whole block of the summary.
struct Piece {
    std::uint64_t start; // sequence number of its first reading
    std::size_t level;   // with `block`, only when `whole`
    std::uint64_t block;
    bool whole;
    ChartBlock summary;
};

// The range [start, end) of sequence numbers as pieces, the largest blocks
// that fit aligned, and single readings where no block fits.
template <typename Visit>
void WalkRange(const WatchReadings& readings, const ChartSummary& summary, bool useBlocks, std::uint64_t start,
               std::uint64_t end, Visit visit)
{
    std::uint64_t s = start;
    while (s < end) {
        if (useBlocks && s % BaseBlock == 0 && end - s >= BaseBlock) {
            std::size_t level = 0;
            while (level + 1 < ChartLevels) {
                const std::uint64_t size = BaseBlock << (level + 1);
                if (s % size != 0 || end - s < size)
                    break;
                ++level;
            }
            const std::uint64_t block = s / (BaseBlock << level);
            visit(Piece{s, level, block, true, BlockAt(summary, level, block)});
            s += BaseBlock << level;
        } else {
            visit(Piece{s, 0, 0, false, BlockOf(ReadingOf(readings, summary, s))});
            ++s;
        }
    }
}

// The sequence number of the first (or last) reading with a number in a
// piece that has one.
std::uint64_t FindNumber(const WatchReadings& readings, const ChartSummary& summary, const Piece& piece, bool last)
{
    if (!piece.whole)
        return piece.start;
    std::size_t level = piece.level;
    std::uint64_t block = piece.block;
    while (level > 0) {
        --level;
        const std::uint64_t near = last ? block * 2 + 1 : block * 2;
        const std::uint64_t far = last ? block * 2 : block * 2 + 1;
        block = HasNumber(BlockAt(summary, level, near)) ? near : far;
    }
    const std::uint64_t begin = block * BaseBlock;
    for (std::uint64_t i = 0; i < BaseBlock; ++i) {
        const std::uint64_t s = last ? begin + BaseBlock - 1 - i : begin + i;
        if (ReadingOf(readings, summary, s).present)
            return s;
    }
    return piece.start;
}

// A step longer by half than the longer of the steps beside it is a slot the
// watch missed (a busy line, a paused watch); a new interval changes the
// steps for good and is no gap. With no step beside it nothing tells.
bool MissedSlotBefore(const WatchReadings& readings, std::int32_t i)
{
    const std::uint64_t step = WatchReadingAt(readings, i).time - WatchReadingAt(readings, i - 1).time;
    std::uint64_t beside = 0;
    if (i >= 2)
        beside = WatchReadingAt(readings, i - 1).time - WatchReadingAt(readings, i - 2).time;
    if (i + 1 < readings.count) {
        const std::uint64_t next = WatchReadingAt(readings, i + 1).time - WatchReadingAt(readings, i).time;
        beside = next > beside ? next : beside;
    }
    return beside > 0 && beside <= std::numeric_limits<std::uint64_t>::max() / 2 && step > beside + beside / 2;
}

} // namespace

void ChartSummaryClear(ChartSummary& summary)
{
    for (ChartBlock* level : summary.blocks)
        MemFree(level);
    summary = ChartSummary{};
}

void ChartSummaryUpdate(ChartSummary& summary, const WatchReadings& readings)
{
    std::int64_t fresh = NewReadings(summary, readings);
    if (summary.failed && fresh >= 0)
        return;
    if (fresh < 0) {
        // A rebuild counts the oldest kept reading as 0; the rings keep their memory.
        summary.added = 0;
        summary.count = 0;
        summary.failed = false;
        fresh = readings.count;
    }
    summary.count = readings.count;
    summary.first = readings.first;
    summary.added += static_cast<std::uint64_t>(fresh);
    if (readings.count > 0)
        summary.newestTime = WatchReadingAt(readings, readings.count - 1).time;
    for (std::uint64_t s = summary.added - static_cast<std::uint64_t>(fresh); s < summary.added; ++s) {
        if (!Summarise(summary, readings, s)) {
            summary.failed = true;
            return;
        }
    }
}

ChartView ChartReduce(const WatchReadings& readings, const ChartSummary& summary, std::uint64_t from,
                      std::uint64_t to, ChartColumn* columns, std::int32_t count)
{
    ChartView view{false, 0.0f, 0.0f, 0.0f, 0, 0};
    if (!columns || count <= 0)
        return view;
    for (std::int32_t c = 0; c < count; ++c)
        columns[c] = ChartColumn{0.0f, 0.0f, 0.0f, 0.0f, false, false, false};
    if (from > to || readings.count <= 0)
        return view;

    // The summary's sequence numbers when it can be used; otherwise the
    // store's own indices, read one by one.
    const bool useBlocks = UpToDate(summary, readings);
    ChartSummary plain{};
    plain.added = static_cast<std::uint64_t>(readings.count);
    plain.count = readings.count;
    const ChartSummary& numbering = useBlocks ? summary : plain;
    const std::uint64_t dropped = Dropped(numbering);

    // Column c begins at from + span x c / count, computed without overflow.
    const std::uint64_t span = to - from;
    const std::uint64_t whole = span / static_cast<std::uint64_t>(count);
    const std::uint64_t part = span % static_cast<std::uint64_t>(count);
    std::int32_t begin = WatchReadingsFirstFrom(readings, 0, from);
    const std::int32_t viewBegin = begin;
    std::int32_t lastNumber = -1;
    for (std::int32_t c = 0; c < count; ++c) {
        std::int32_t end = readings.count;
        if (c + 1 < count) {
            const auto next = static_cast<std::uint64_t>(c + 1);
            end = WatchReadingsFirstFrom(readings, begin, from + whole * next + part * next / static_cast<std::uint64_t>(count));
        } else if (to < std::numeric_limits<std::uint64_t>::max()) {
            end = WatchReadingsFirstFrom(readings, begin, to + 1);
        }
        ChartColumn& column = columns[c];
        ChartBlock total = EmptyBlock;
        Piece firstPiece{};
        Piece lastPiece{};
        bool any = false;
        WalkRange(readings, numbering, useBlocks, static_cast<std::uint64_t>(begin) + dropped,
                  static_cast<std::uint64_t>(end) + dropped, [&](const Piece& piece) {
                      Take(total, piece.summary);
                      if (!HasNumber(piece.summary))
                          return;
                      if (!any)
                          firstPiece = piece;
                      lastPiece = piece;
                      any = true;
                  });
        column.gap = total.gap;
        if (any) {
            const auto first = static_cast<std::int32_t>(FindNumber(readings, numbering, firstPiece, false) - dropped);
            const auto last = static_cast<std::int32_t>(FindNumber(readings, numbering, lastPiece, true) - dropped);
            column.present = true;
            column.low = total.low;
            column.high = total.high;
            column.first = WatchReadingAt(readings, first).value;
            column.last = WatchReadingAt(readings, last).value;
            column.joined = first > 0 && first - 1 == lastNumber && !MissedSlotBefore(readings, first);
            lastNumber = last;
            if (!view.present || column.low < view.low)
                view.low = column.low;
            if (!view.present || column.high > view.high)
                view.high = column.high;
            view.present = true;
            view.last = column.last;
            view.lastTime = WatchReadingAt(readings, last).time;
        }
        begin = end;
    }
    view.readings = begin - viewBegin;
    return view;
}

ChartValueStep ChartValueStepFor(double span, std::int32_t most)
{
    const double wanted = most > 0 && std::isfinite(span) && span > 0 ? span / most : 0.0;
    // Powers of ten up to 10^22 are exact doubles; the steps below one are
    // the literals' nearest.
    constexpr double Fractions[] = {0.001, 0.01, 0.1};
    double power = Fractions[0];
    for (std::int32_t exponent = -3;; ++exponent) {
        power = exponent < 0 ? Fractions[exponent + 3] : (exponent == 0 ? 1.0 : power * 10);
        const std::int32_t decimals = exponent < 0 ? -exponent : 0;
        for (double factor : {1.0, 2.0, 5.0})
            if (factor * power >= wanted || power > 1e300)
                return ChartValueStep{factor * power, decimals};
    }
}

std::uint64_t ChartTimeStepFor(std::uint64_t span, std::int32_t most)
{
    constexpr std::uint64_t Second = 1000, Minute = 60 * Second, Hour = 60 * Minute, Day = 24 * Hour;
    constexpr std::uint64_t Steps[] = {Second,      2 * Second, 5 * Second, 10 * Second, 15 * Second, 30 * Second,
                                       Minute,      2 * Minute, 5 * Minute, 10 * Minute, 15 * Minute, 30 * Minute,
                                       Hour,        2 * Hour,   3 * Hour,   6 * Hour,    12 * Hour,   Day,
                                       2 * Day,     7 * Day};
    const std::uint64_t wanted = most > 0 ? span / static_cast<std::uint64_t>(most) : span;
    for (std::uint64_t step : Steps)
        if (step >= wanted)
            return step;
    constexpr std::uint64_t Week = 7 * Day;
    std::uint64_t weeks = wanted / Week + (wanted % Week != 0 ? 1 : 0);
    weeks = weeks < UINT64_MAX / Week ? weeks : UINT64_MAX / Week;
    return weeks * Week;
}

void ChartValueText(double value, std::int32_t decimals, const char* separator, std::int32_t position)
{
    decimals = decimals < 0 ? 0 : (decimals > 3 ? 3 : decimals);
    std::int64_t scale = 1;
    for (std::int32_t i = 0; i < decimals; ++i)
        scale *= 10;
    constexpr std::int64_t Largest = 999'999'999'999'999'999;
    const double scaled = std::isnan(value) ? 0.0 : std::round(value * static_cast<double>(scale));
    const std::int64_t units =
        scaled >= 1e18 ? Largest : (scaled <= -1e18 ? -Largest : static_cast<std::int64_t>(scaled));
    const std::int64_t magnitude = units < 0 ? -units : units;
    TempSetLength(position);
    if (units < 0)
        TempAppend("-");
    NumberToText(magnitude / scale, TempLength);
    if (decimals == 0)
        return;
    TempAppend(separator ? separator : ".");
    char digits[4] = {};
    std::int64_t fraction = magnitude % scale;
    for (std::int32_t i = decimals - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    TempAppend(digits);
}
