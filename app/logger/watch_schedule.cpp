#include "app/logger/watch_schedule.h"

namespace {

constexpr std::uint64_t MillisecondsPerSecond = 1000;

std::uint64_t IntervalMilliseconds(std::uint32_t seconds)
{
    return WatchIntervals[WatchIntervalIndex(seconds)].seconds * MillisecondsPerSecond;
}

} // namespace

std::size_t WatchIntervalIndex(std::uint32_t seconds)
{
    for (std::size_t i = 0; i < WatchIntervals.size(); ++i)
        if (WatchIntervals[i].seconds == seconds)
            return i;
    return WatchDefaultInterval;
}

WatchSchedule WatchScheduleStart(std::uint64_t now, std::uint32_t intervalSeconds)
{
    return WatchSchedule{now, IntervalMilliseconds(intervalSeconds)};
}

bool WatchPassDueSlots(WatchSchedule& schedule, std::uint64_t now, std::uint64_t& slot)
{
    if (now < schedule.nextSlot)
        return false;
    const std::uint64_t passed = (now - schedule.nextSlot) / schedule.interval;
    slot = schedule.nextSlot + passed * schedule.interval;
    // A clock at the very end of its range has no later slot: the watch then
    // stays quiet rather than wrapping round to a slot always due.
    schedule.nextSlot = slot <= UINT64_MAX - schedule.interval ? slot + schedule.interval : UINT64_MAX;
    return true;
}

std::uint32_t WatchDelay(const WatchSchedule& schedule, std::uint64_t now)
{
    if (now >= schedule.nextSlot)
        return 0;
    const std::uint64_t delay = schedule.nextSlot - now;
    return static_cast<std::uint32_t>(delay < schedule.interval ? delay : schedule.interval);
}

void WatchChangeInterval(WatchSchedule& schedule, std::uint32_t intervalSeconds, std::uint64_t now)
{
    schedule.interval = IntervalMilliseconds(intervalSeconds);
    if (now <= UINT64_MAX - schedule.interval && now + schedule.interval < schedule.nextSlot)
        schedule.nextSlot = now + schedule.interval;
}
