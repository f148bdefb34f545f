// The watch on the host: the time to keep one reading and the memory each
// takes, for a short watch, a day at one reading a second, a week of them,
// and past the two million the store keeps; and a day of rows waiting for
// the record file (their memory per row) and written by the writer (its CPU
// time per row). Prints Google Benchmark's report with the bytes per reading
// and per row as counters.

#include "app/logger/watch_readings.h"
#include "app/logger/watch_writer.h"
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

// The writer's sink: bytes counted, nothing kept, every call a success.
bool CountBytes(void* context, const char*, std::size_t length)
{
    *static_cast<std::uint64_t*>(context) += length;
    return true;
}
bool Succeed(void*) { return true; }
bool Recover(void*, std::uint64_t) { return true; }
WatchClock Utc(std::int64_t utc) { return WatchClockFromSeconds(utc); }

// A day's rows at one a second, each a reading of a typical reply, waiting
// for the file, then written.
void WriteRows(benchmark::State& state)
{
    const auto count = static_cast<std::uint64_t>(state.range(0));
    auto* writer = new WatchWriter{};
    std::uint64_t bytes = 0;
    const WatchSink sink{&bytes, CountBytes, Succeed, Recover, Utc};
    double waiting = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WatchTimeline timeline{};
        WatchAnchor(timeline, 0, 13'400'000'000'000);
        std::int64_t utc = 0;
        for (std::uint64_t slot = 0; slot < count; ++slot)
            WatchRowsAddSlot(writer->rows, timeline, 1,
                             {slot * 1000, 0, WatchGap::Missed, WatchGap::None, "+21.5\r\n", 7, WatchAlarmNote::None, 0},
                             utc);
        waiting = static_cast<double>(writer->rows.bytes) / static_cast<double>(writer->rows.rows);
        state.ResumeTiming();
        WatchWriterRun(*writer, sink);
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
    state.counters["bytes_per_row_waiting"] = waiting;
    delete writer;
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
    benchmark::RegisterBenchmark("watch rows written: 86400", WriteRows)->Arg(86'400)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
