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

bool WatchPassDueSlots(WatchSchedule& schedule, std::uint64_t now, std::uint64_t& slot, std::uint64_t& missed)
{
    if (now < schedule.nextSlot)
        return false;
    missed = (now - schedule.nextSlot) / schedule.interval;
    slot = schedule.nextSlot + missed * schedule.interval;
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

void WatchAnchor(WatchTimeline& timeline, std::uint64_t now, std::int64_t utcMilliseconds)
{
    const std::int64_t offset = utcMilliseconds - static_cast<std::int64_t>(now);
    if (!timeline.anchored) {
        timeline.offset = offset;
        timeline.anchored = true;
        return;
    }
    const std::int64_t change = offset - timeline.offset;
    const std::int64_t half = MillisecondsPerSecond / 2;
    const std::int64_t seconds = change >= 0 ? (change + half) / 1000 : -((half - change) / 1000);
    timeline.offset += seconds * 1000;
}

std::int64_t WatchRowsTime(WatchTimeline& timeline, std::uint64_t firstSlot, std::uint64_t count,
                           std::uint32_t intervalSeconds)
{
    const std::int64_t milliseconds = static_cast<std::int64_t>(firstSlot) + timeline.offset;
    std::int64_t first = milliseconds >= 0 ? milliseconds / 1000 : -((999 - milliseconds) / 1000);
    if (timeline.rowed && first < timeline.lastRow + intervalSeconds)
        first = timeline.lastRow + intervalSeconds;
    timeline.lastRow = first + static_cast<std::int64_t>(count > 0 ? count - 1 : 0) * intervalSeconds;
    timeline.rowed = true;
    return first;
}

std::uint64_t WatchResumeDelay(std::int64_t lastRow, std::int64_t utcMilliseconds, std::uint32_t intervalSeconds,
                               std::uint64_t& notRunning)
{
    const std::int64_t interval = static_cast<std::int64_t>(WatchIntervals[WatchIntervalIndex(intervalSeconds)].seconds);
    const std::int64_t since = utcMilliseconds - lastRow * 1000;
    // The first slot of the grid at or after now.
    const std::int64_t slots = since <= interval * 1000 ? 1 : (since + interval * 1000 - 1) / (interval * 1000);
    notRunning = static_cast<std::uint64_t>(slots - 1);
    const std::int64_t delay = (lastRow + slots * interval) * 1000 - utcMilliseconds;
    return static_cast<std::uint64_t>(delay > 0 ? delay : 0);
}
