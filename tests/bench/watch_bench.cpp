// The watch's kept readings on the host: the time to keep one reading and the
// memory each takes, for a short watch, a day at one reading a second, a week
// of them, and past the two million the store keeps. Prints Google
// Benchmark's report with the bytes per reading as a counter.

#include "app/logger/watch_readings.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

void KeepReadings(benchmark::State& state)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    const ReplyNumber number = FindReplyNumber("+21.5");
    double bytes = 0;
    for (auto _ : state) {
        WatchReadings readings{};
        for (std::int32_t i = 0; i < count; ++i)
            WatchReadingsAdd(readings, static_cast<std::uint64_t>(i) * 1000, number);
        benchmark::DoNotOptimize(readings.count);
        bytes = static_cast<double>(readings.capacity) * sizeof(WatchReading);
        WatchReadingsClear(readings);
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["bytes_per_reading"] = bytes / count;
}

} // namespace

int main(int argc, char** argv)
{
    MainHeap = HeapOpen();
    StringServiceStart();
    MemoryServiceStart();
    for (std::int64_t count : {3'600, 86'400, 604'800, 2'500'000})
        benchmark::RegisterBenchmark(("watch readings kept: " + std::to_string(count)).c_str(), KeepReadings)
            ->Arg(count)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
