#include "app/logger/watch_readings.h"

#include "base/memory.h"

#include <cfloat>
#include <cmath>

namespace {

WatchReading& Slot(const WatchReadings& readings, std::int32_t slot)
{
    return readings.chunks[static_cast<std::size_t>(slot / WatchReadingsChunk)][slot % WatchReadingsChunk];
}

// One more chunk, while the store has not wrapped round: once it has, a
// chunk added at the end would sit amid its readings' order.
bool Grow(WatchReadings& readings)
{
    if (readings.capacity == WatchReadingsMaximum || readings.first != 0)
        return false;
    auto* chunk = static_cast<WatchReading*>(MemAlloc(WatchReadingsChunk * static_cast<std::int32_t>(sizeof(WatchReading))));
    if (!chunk)
        return false;
    readings.chunks[static_cast<std::size_t>(readings.capacity / WatchReadingsChunk)] = chunk;
    readings.capacity += WatchReadingsChunk;
    return true;
}

} // namespace

void WatchReadingsAdd(WatchReadings& readings, std::uint64_t time, const ReplyNumber& number)
{
    const bool present = number.found && std::fabs(number.value) <= FLT_MAX;
    const WatchReading reading{time, present ? static_cast<float>(number.value) : 0.0f, present};
    if (readings.count < readings.capacity || Grow(readings)) {
        Slot(readings, (readings.first + readings.count) % readings.capacity) = reading;
        ++readings.count;
        return;
    }
    if (readings.capacity == 0)
        return;
    Slot(readings, readings.first) = reading;
    readings.first = (readings.first + 1) % readings.capacity;
}

WatchReading WatchReadingAt(const WatchReadings& readings, std::int32_t i)
{
    if (i < 0 || i >= readings.count)
        return WatchReading{0, 0.0f, false};
    return Slot(readings, (readings.first + i) % readings.capacity);
}

std::int32_t WatchReadingsFirstFrom(const WatchReadings& readings, std::int32_t lowest, std::uint64_t time)
{
    std::int32_t low = lowest;
    std::int32_t high = readings.count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (WatchReadingAt(readings, middle).time < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void WatchReadingsClear(WatchReadings& readings)
{
    for (WatchReading* chunk : readings.chunks)
        MemFree(chunk);
    readings = WatchReadings{};
}
