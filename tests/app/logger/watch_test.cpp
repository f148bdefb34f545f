// A watch's portable parts: the schedule on a virtual clock, the number taken
// from a reply, the record's rows and file name, and the readings kept for
// the chart.
#include "app/logger/watch_schedule.h"

#include <gtest/gtest.h>

namespace {

TEST(WatchSchedule, SlotsStayOnTheGridSkippedOnesAreNotMadeUpAndANewIntervalStartsAtTheNextSlot)
{
    EXPECT_EQ(WatchIntervals[WatchIntervalIndex(300)].seconds, 300u);
    for (std::uint32_t unknown : {0u, 3u, 86400u, 0xFFFFFFFFu})
        EXPECT_EQ(WatchIntervalIndex(unknown), WatchDefaultInterval);

    // Start at 5000 with 10 s. Each step: the clock, then the slot taken
    // (0 for none) and the wait to the next one.
    WatchSchedule schedule = WatchScheduleStart(5000, 10);
    const struct {
        std::uint64_t now, slot;
        std::uint32_t delay;
    } steps[] = {
        {5000, 5000, 10000},     // the first reading at once
        {14990, 0, 10},          // a timer a little early
        {15250, 15000, 9750},    // late, and the next slot does not move
        {25000, 25000, 10000},
        {67000, 65000, 8000},    // a long stall: one reading, for the latest slot
        {1000075000, 1000075000, 10000},
    };
    for (const auto& step : steps) {
        std::uint64_t slot = 0;
        EXPECT_EQ(WatchPassDueSlots(schedule, step.now, slot), step.slot != 0) << step.now;
        EXPECT_EQ(slot, step.slot) << step.now;
        EXPECT_EQ(WatchDelay(schedule, step.now), step.delay) << step.now;
    }

    // Change to 1 min at 1000078000: the next slot stays at 1000085000, and
    // the one after it is a minute later.
    WatchChangeInterval(schedule, 60);
    std::uint64_t slot = 0;
    EXPECT_TRUE(WatchPassDueSlots(schedule, 1000085000, slot));
    EXPECT_EQ(slot, 1000085000u);
    EXPECT_EQ(WatchDelay(schedule, 1000085000), 60000u);

    // At the clock's very end the schedule neither wraps nor divides by zero.
    schedule = WatchScheduleStart(UINT64_MAX - 1, 0);
    EXPECT_TRUE(WatchPassDueSlots(schedule, UINT64_MAX, slot));
    EXPECT_EQ(schedule.nextSlot, UINT64_MAX);
}

} // namespace
