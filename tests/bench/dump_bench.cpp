// The dump's collection on the host: whole dumps through their steps over an
// in-memory line that brings what a poll at line rate finds, at sizes from
// 4 KiB to 1 MiB. A line-rate run of the larger ones would last minutes; here
// only the program's own work is timed, and its cost per byte must not grow
// with the size. Then the readings of a 64 KiB dump recognised and
// summarised, as its end does for its chart and its table. Prints Google
// Benchmark's report, with bytes a second.

#include "app/logger/dump_readings.h"
#include "app/logger/logger_state.h"
#include "app/logger/memory_dump.h"
#include "base/delay.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"
#include "serial/port.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// 300 ms of the line at 960 bytes a second.
constexpr std::size_t PollBytes = 288;

// The logger's whole reply to "D" and how much of it the program took.
std::string Reply;
std::size_t Taken = 0;

std::size_t Remaining() { return Reply.size() - Taken; }

} // namespace

// The line, in place of the serial library and the delay: "D" starts the
// reply, each poll finds the next line-rate share of it, sleeping takes no time.
std::int32_t PortWriteCount(PortHandle, const void*, std::int32_t length)
{
    Taken = 0;
    return length;
}

std::int32_t PortDiscardInput(PortHandle) { return 1; }
std::int32_t PortDiscardOutput(PortHandle) { return 1; }

// The line never goes away here, so no port is ever closed.
std::int32_t PortClose(PortHandle) { return 0; }

std::int32_t PortInputCount(PortHandle, std::int32_t& lineErrors)
{
    lineErrors = 0;
    return static_cast<std::int32_t>(std::min(PollBytes, Remaining()));
}

std::int32_t PortRead(PortHandle, void* buffer, std::int32_t length)
{
    const std::size_t count = std::min(static_cast<std::size_t>(length), Remaining());
    std::memcpy(buffer, Reply.data() + Taken, count);
    Taken += count;
    return static_cast<std::int32_t>(count);
}

void SleepMilliseconds(std::int32_t) {}
std::int64_t MonotonicMilliseconds() { return 0; }

namespace {

void CollectDump(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::string reading = "0001 +21.5\r\n";
    Reply.clear();
    while (Reply.size() < size)
        Reply += reading;
    Reply.resize(size);
    Reply += '\0';
    for (auto _ : state) {
        RunDump();
        benchmark::DoNotOptimize(DumpText);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

// Lines as a logger stores them, now and then one without a number.
void ReadDump(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    std::string text;
    for (int i = 1; text.size() < size; ++i)
        text += i % 100 == 0 ? "-- page --\r\n" : std::to_string(10000 + i % 10000).substr(1) + " +2" +
                                                         std::to_string(i % 10) + ".5\r\n";
    text.resize(size);
    for (auto _ : state) {
        DumpSummary summary{};
        DumpVisitLines(
            text.data(), text.size(),
            [](void* context, const char*, std::size_t, const ReplyNumber& number) {
                DumpSummaryAdd(*static_cast<DumpSummary*>(context), number);
            },
            &summary);
        double kinetic = 0;
        DumpMeanKinetic(summary, kinetic);
        benchmark::DoNotOptimize(summary);
        benchmark::DoNotOptimize(kinetic);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}

} // namespace

int main(int argc, char** argv)
{
    MainHeap = HeapOpen();
    StringServiceStart();
    MemoryServiceStart();
    CurrentPort = 1;
    for (std::int64_t size : {4 << 10, 32 << 10, 256 << 10, 1 << 20})
        benchmark::RegisterBenchmark(("dump collection: " + std::to_string(size >> 10) + " KiB").c_str(), CollectDump)
            ->Arg(size)
            ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("dump readings: 64 KiB", ReadDump)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
