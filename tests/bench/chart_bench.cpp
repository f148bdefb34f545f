// The chart's reduction on the host: a watch's kept readings (one a second,
// a slot without a number now and then) reduced onto 1,000 pixel columns, the
// whole watch in view, at 10,000, 100,000 and 604,800 readings (a week). Once
// through the summary, as a redraw does it, and once reading every reading,
// the cost that the summary saves.
// Prints Google Benchmark's report.

#include "app/logger/chart_columns.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t Columns = 1000;

void Fill(WatchReadings& readings, std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i) {
        ReplyNumber number{};
        number.found = i % 997 != 0;
        number.value = 20.0 + 5.0 * std::sin(static_cast<double>(i) / 3600.0);
        WatchReadingsAdd(readings, 1000 * static_cast<std::uint64_t>(i), number);
    }
}

void Reduce(benchmark::State& state, bool useSummary)
{
    WatchReadings readings{};
    ChartSummary summary{};
    Fill(readings, state.range(0));
    if (useSummary)
        ChartSummaryUpdate(summary, readings);
    const ChartSummary none{};
    std::vector<ChartColumn> columns(Columns);
    const std::uint64_t to = WatchReadingAt(readings, readings.count - 1).time;
    for (auto _ : state) {
        ChartView view = ChartReduce(readings, useSummary ? summary : none, 0, to, columns.data(), Columns);
        benchmark::DoNotOptimize(view);
        benchmark::DoNotOptimize(columns.data());
    }
    WatchReadingsClear(readings);
    ChartSummaryClear(summary);
}

} // namespace

int main(int argc, char** argv)
{
    MainHeap = HeapOpen();
    StringServiceStart();
    MemoryServiceStart();
    for (std::int64_t count : {10'000, 100'000, 604'800}) {
        const std::string readings = std::to_string(count) + " readings";
        benchmark::RegisterBenchmark(("chart reduction: " + readings + ": summary").c_str(), Reduce, true)
            ->Arg(count)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("chart reduction: " + readings + ": every reading").c_str(), Reduce, false)
            ->Arg(count)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
