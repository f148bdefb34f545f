#pragma once
// The readings of a watch kept in memory for its chart: the latest
// WatchReadingsMaximum of them, older ones dropping off (the record file keeps
// them all). The store grows a chunk at a time as readings come, so a short
// watch takes little memory and a reading is added in constant time without
// an allocation of its own. A zero-initialised record is an empty store.

#include "app/logger/watch_record.h"

#include <array>
#include <cstdint>

struct WatchReading {
    std::uint64_t time; // the slot's time on the schedule's clock
    float value;
    bool present; // false: the slot had no number, a gap in the chart
};

inline constexpr std::int32_t WatchReadingsMaximum = 2'000'000;
// 250 KB of readings; the maximum is a whole number of chunks.
inline constexpr std::int32_t WatchReadingsChunk = 15'625;
static_assert(WatchReadingsMaximum % WatchReadingsChunk == 0);

struct WatchReadings {
    std::array<WatchReading*, WatchReadingsMaximum / WatchReadingsChunk> chunks;
    std::int32_t capacity; // readings the allocated chunks hold
    std::int32_t first;    // the slot of the oldest reading, once the store has wrapped round
    std::int32_t count;
};

// Adds the slot's reading: the number taken from its reply, or a gap when it
// had none (a slot without a reply passes FindReplyNumber(nullptr)) or when
// it is too large for the chart to draw. The oldest reading drops off when
// the store is full, or when memory for the next chunk cannot be had: the
// store then keeps what it holds.
void WatchReadingsAdd(WatchReadings& readings, std::uint64_t time, const ReplyNumber& number);

// The i-th oldest reading, 0 to count - 1; a gap at time 0 for any other i.
WatchReading WatchReadingAt(const WatchReadings& readings, std::int32_t i);

// The first reading from the `lowest`-th on whose time is at least `time`,
// found by halving, as the readings are in time order; count when none.
std::int32_t WatchReadingsFirstFrom(const WatchReadings& readings, std::int32_t lowest, std::uint64_t time);

// Gives the chunks back and empties the store, for the next watch.
void WatchReadingsClear(WatchReadings& readings);
