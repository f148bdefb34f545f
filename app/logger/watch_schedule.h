#pragma once
// When a watch takes its readings. Reading k is due at start + k x interval,
// every slot counted from the start, so the readings never drift however late
// each one runs. Times are milliseconds of a monotonic clock (the program's
// tick count, the tests' virtual clock).

#include <array>
#include <cstddef>
#include <cstdint>

// One entry of the interval list: its length and its label, "1 с" ... "10 мин"
// as Windows-1251 bytes.
struct WatchInterval {
    std::uint32_t seconds;
    const char* label;
};

// The list the user picks from, shortest first.
inline constexpr std::array<WatchInterval, 8> WatchIntervals = {{
    {1, "1 \xf1"},                // "1 с"
    {2, "2 \xf1"},                // "2 с"
    {5, "5 \xf1"},                // "5 с"
    {10, "10 \xf1"},              // "10 с"
    {30, "30 \xf1"},              // "30 с"
    {60, "1 \xec\xe8\xed"},       // "1 мин"
    {300, "5 \xec\xe8\xed"},      // "5 мин"
    {600, "10 \xec\xe8\xed"},     // "10 мин"
}};
// 10 seconds, until the user picks another.
inline constexpr std::size_t WatchDefaultInterval = 3;

// The list entry of a remembered length in seconds; any other value (a
// setting edited by hand, or none yet) gives the default.
std::size_t WatchIntervalIndex(std::uint32_t seconds);

struct WatchSchedule {
    std::uint64_t nextSlot; // the first slot not yet passed
    std::uint64_t interval; // milliseconds between slots
};

// A watch starting at `now`: its first slot is due at once. A length not in
// the list counts as the default, so the schedule never has a zero interval.
WatchSchedule WatchScheduleStart(std::uint64_t now, std::uint32_t intervalSeconds);

// When a slot is due at `now`, moves past it and every other slot due by then
// and gives the latest of them in `slot` and how many before it were passed
// in `missed`: at most one reading per call, so slots missed while the
// program could not run are never made up in a bunch; they are counted, so
// the record says they were missed. The caller takes a reading for that slot
// when the line is free, and otherwise skips it: the next reading is then
// the grid's next slot after now, not the moment the line frees. False,
// changing nothing, when no slot is due yet.
bool WatchPassDueSlots(WatchSchedule& schedule, std::uint64_t now, std::uint64_t& slot, std::uint64_t& missed);

// Milliseconds from `now` to the next slot (0 when it is due), for the timer
// that wakes the watch; never more than one interval.
std::uint32_t WatchDelay(const WatchSchedule& schedule, std::uint64_t now);

// A new interval during a watch, picked at `now`: the grid starts again at
// the next slot, which is the one the old interval put next or, when the new
// interval ends sooner, now + the new interval. A shorter interval never waits
// out the rest of a long one.
void WatchChangeInterval(WatchSchedule& schedule, std::uint32_t intervalSeconds, std::uint64_t now);

// The schedule's clock tied to UTC, for the times of the rows and of the
// chart's points. The schedule's clock goes on through a sleep and is never
// set, the system's clock may be: the tie is made at the start and again when
// the system's clock may have moved (a resume from sleep, a change of the
// time), and a new tie moves the times by whole seconds only, so the slots
// stay on their second's phase.
struct WatchTimeline {
    std::int64_t offset;  // UTC milliseconds since 1601 less the schedule's clock
    std::int64_t lastRow; // UTC seconds since 1601 of the newest row, when there is one
    bool anchored;
    bool rowed;
};

// Ties the timeline at `now` to the UTC time `utcMilliseconds`.
void WatchAnchor(WatchTimeline& timeline, std::uint64_t now, std::int64_t utcMilliseconds);

// The UTC seconds of `count` rows (at least one) from the slot `firstSlot`
// on, `intervalSeconds` apart: the first slot's time, but never less than
// one interval after the last row, so no second is repeated and no row goes
// back when the clock was set back. The last of them becomes the last row.
std::int64_t WatchRowsTime(WatchTimeline& timeline, std::uint64_t firstSlot, std::uint64_t count,
                           std::uint32_t intervalSeconds);

// A watch resumed at `utcMilliseconds` on a file whose last row is at
// `lastRow`: how long until its first slot, which stays on the file's grid
// (a whole number of intervals after the last row), and in `notRunning` how
// many slots of that grid passed while the program did not run. A clock now
// behind the last row starts at once.
std::uint64_t WatchResumeDelay(std::int64_t lastRow, std::int64_t utcMilliseconds, std::uint32_t intervalSeconds,
                               std::uint64_t& notRunning);
