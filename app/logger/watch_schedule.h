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
// and gives the latest of them in `slot`: at most one reading per call, so
// slots missed while the program could not run are never made up in a bunch.
// The caller takes a reading for that slot when the line is free, and
// otherwise skips it: the next reading is then the grid's next slot after
// now, not the moment the line frees. False, changing nothing, when no slot
// is due yet.
bool WatchPassDueSlots(WatchSchedule& schedule, std::uint64_t now, std::uint64_t& slot);

// Milliseconds from `now` to the next slot (0 when it is due), for the timer
// that wakes the watch; never more than one interval.
std::uint32_t WatchDelay(const WatchSchedule& schedule, std::uint64_t now);

// A new interval during a watch, picked at `now`: the grid starts again at
// the next slot, which is the one the old interval put next or, when the new
// interval ends sooner, now + the new interval. A shorter interval never waits
// out the rest of a long one.
void WatchChangeInterval(WatchSchedule& schedule, std::uint32_t intervalSeconds, std::uint64_t now);
