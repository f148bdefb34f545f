// The runtime base beside the standard library's way of doing the same thing.
// Each benchmark is named "<what is measured>: <whose way>", the runtime's way
// registered first and the standard library's second, so that the report can
// set the two side by side. A measure with one way only stands alone.

#include "base/heap.h"
#include "base/node_pool.h"
#include "base/registry.h"
#include "base/strings.h"
#include "base/text_expression.h"

#include <benchmark/benchmark.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Values for both formatting paths: those that fit in 32 bits and those that
// need the 64-bit one, spread over every length of text.
std::vector<std::int64_t> NumbersToFormat(bool wide)
{
    std::mt19937_64 random(7);
    std::vector<std::int64_t> values(1024);
    for (std::int64_t& value : values) {
        int digits = 1 + static_cast<int>(random() % (wide ? 19 : 10));
        std::int64_t magnitude = static_cast<std::int64_t>(random() >> 1);
        for (int limit = wide ? 19 : 9; limit > digits; --limit)
            magnitude /= 10;
        if (!wide)
            magnitude %= INT32_MAX;
        value = random() % 2 ? magnitude : -magnitude;
    }
    return values;
}

void NumberTextOwn(benchmark::State& state, bool wide)
{
    const std::vector<std::int64_t> values = NumbersToFormat(wide);
    std::size_t i = 0;
    for (auto _ : state) {
        NumberToText(values[i++ % values.size()], 0);
        benchmark::DoNotOptimize(TempBuffer[0]);
        TempSetLength(0);
    }
    state.SetItemsProcessed(state.iterations());
}

void NumberTextStandard(benchmark::State& state, bool wide)
{
    const std::vector<std::int64_t> values = NumbersToFormat(wide);
    std::array<char, 32> text{};
    std::size_t i = 0;
    for (auto _ : state) {
        auto result = std::to_chars(text.data(), text.data() + text.size(), values[i++ % values.size()]);
        *result.ptr = 0;
        benchmark::DoNotOptimize(text);
    }
    state.SetItemsProcessed(state.iterations());
}

// A record the size of a small kind's, its handle first as the registry asks.
struct Record {
    std::uintptr_t handle;
    std::array<std::uintptr_t, 7> fields;
};

constexpr std::int32_t LiveRecords = 50;

void RegistryLookupOwn(benchmark::State& state)
{
    ObjectRegistry* registry = RegistryCreate(sizeof(Record), LiveRecords, nullptr);
    for (std::int32_t n = 0; n < LiveRecords; ++n)
        static_cast<Record*>(RegistryAllocate(registry, n))->handle = 0x1000u + static_cast<std::uintptr_t>(n);
    ObjectNumber number = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegistryLookup(registry, number));
        number = number + 1 == LiveRecords ? 0 : number + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void RegistryLookupStandard(benchmark::State& state)
{
    std::vector<Record> records(LiveRecords);
    for (std::int32_t n = 0; n < LiveRecords; ++n)
        records[static_cast<std::size_t>(n)].handle = 0x1000u + static_cast<std::uintptr_t>(n);
    std::size_t number = 0;
    for (auto _ : state) {
        // The same question the registry answers: in range, and live.
        Record* found = number < records.size() && records[number].handle != 0 ? &records[number] : nullptr;
        benchmark::DoNotOptimize(found);
        number = number + 1 == records.size() ? 0 : number + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

// Objects created without a number are found by their identifier; how that
// scales with their count is the figure.
void RegistryLookupAnyNumber(benchmark::State& state, int objects)
{
    ObjectRegistry* registry = RegistryCreate(sizeof(Record), LiveRecords, nullptr);
    std::vector<ObjectNumber> identifiers;
    for (int i = 0; i < objects; ++i) {
        auto* record = static_cast<Record*>(RegistryAllocate(registry, AnyNumber));
        record->handle = 0x2000u + static_cast<std::uintptr_t>(i);
        identifiers.push_back(reinterpret_cast<ObjectNumber>(record));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RegistryLookup(registry, identifiers[i]));
        i = i + 1 == identifiers.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

// The event queue's node: a link and four event values.
struct EventNode {
    EventNode* next;
    std::array<std::int32_t, 4> values;
};

constexpr std::int32_t EventPoolMinimum = 16;
constexpr std::int32_t EventPoolMaximum = 256;

// A burst of nodes taken, then all given back; the queue's own node stays
// taken throughout, as it does in the program, so the first chunk is kept.
void NodePoolOwn(benchmark::State& state, int burst)
{
    NodePool* pool = NodePoolCreate(sizeof(EventNode), EventPoolMinimum, EventPoolMaximum);
    void* kept = NodePoolTake(pool);
    std::vector<void*> taken(static_cast<std::size_t>(burst));
    for (auto _ : state) {
        for (void*& node : taken)
            node = NodePoolTake(pool);
        for (void* node : taken)
            NodePoolGive(pool, node);
        benchmark::DoNotOptimize(taken.data());
    }
    NodePoolGive(pool, kept);
    NodePoolDestroy(pool);
    state.SetItemsProcessed(state.iterations() * burst);
}

void NodePoolStandard(benchmark::State& state, int burst)
{
    auto kept = std::make_unique<EventNode>();
    std::vector<EventNode*> taken(static_cast<std::size_t>(burst));
    for (auto _ : state) {
        for (EventNode*& node : taken)
            node = new EventNode;
        for (EventNode* node : taken)
            delete node;
        benchmark::DoNotOptimize(taken.data());
    }
    benchmark::DoNotOptimize(kept.get());
    state.SetItemsProcessed(state.iterations() * burst);
}

// The port list's entries: "COM" and a number, built and stored in a variable.
void PortNameOwn(benchmark::State& state)
{
    char* entry = nullptr;
    std::int64_t port = 1;
    for (auto _ : state) {
        StoreText(entry, TextStart() + "COM" + TextOfNumber(port));
        benchmark::DoNotOptimize(entry);
        port = port == 4 ? 1 : port + 1;
    }
    StringFree(entry);
    state.SetItemsProcessed(state.iterations());
}

void PortNameStandard(benchmark::State& state)
{
    std::string entry;
    int port = 1;
    for (auto _ : state) {
        entry = "COM" + std::to_string(port);
        benchmark::DoNotOptimize(entry.data());
        port = port == 4 ? 1 : port + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

// The dump's way of collecting a transfer: each byte becomes a one-character
// text, and the whole text so far is copied into the buffer and back with it,
// so a text of n bytes costs about n * n bytes copied. The figure is per
// whole text.
void AppendOwn(benchmark::State& state, int length)
{
    char* text = nullptr;
    char* character = nullptr;
    for (auto _ : state) {
        StoreText(text, TextStart());
        for (int i = 0; i < length; ++i) {
            StoreText(character, TextStart() + TextOfChar('a' + i % 26));
            StoreText(text, TextStart() + text + character);
        }
        benchmark::DoNotOptimize(text);
    }
    StringFree(text);
    StringFree(character);
}

void AppendStandard(benchmark::State& state, int length)
{
    std::string text;
    for (auto _ : state) {
        text.clear();
        text.shrink_to_fit();
        for (int i = 0; i < length; ++i)
            text += static_cast<char>('a' + i % 26);
        benchmark::DoNotOptimize(text.data());
    }
}

void Register()
{
    for (bool wide : {false, true}) {
        const std::string values = wide ? "64-bit values" : "32-bit values";
        benchmark::RegisterBenchmark(("number to text, " + values + ": NumberToText").c_str(), NumberTextOwn, wide);
        benchmark::RegisterBenchmark(("number to text, " + values + ": std::to_chars").c_str(), NumberTextStandard, wide);
    }
    benchmark::RegisterBenchmark("lookup by number, 50 live records: RegistryLookup", RegistryLookupOwn);
    benchmark::RegisterBenchmark("lookup by number, 50 live records: std::vector index", RegistryLookupStandard);
    for (int count : {1, 16, 256}) {
        const std::string objects = std::to_string(count) + (count == 1 ? " any-number object" : " any-number objects");
        const std::string name = "lookup by identifier, " + objects + ": RegistryLookup";
        benchmark::RegisterBenchmark(name.c_str(), RegistryLookupAnyNumber, count);
    }
    for (int burst : {1, 64}) {
        const std::string nodes = "take and give " + std::to_string(burst) + (burst == 1 ? " node" : " nodes");
        benchmark::RegisterBenchmark((nodes + ": NodePoolTake/NodePoolGive").c_str(), NodePoolOwn, burst);
        benchmark::RegisterBenchmark((nodes + ": new/delete").c_str(), NodePoolStandard, burst);
    }
    benchmark::RegisterBenchmark("\"COM\" + number, built and stored: StoreText", PortNameOwn);
    benchmark::RegisterBenchmark("\"COM\" + number, built and stored: std::string", PortNameStandard);
    for (int kib : {4, 32}) {
        const std::string text = "a " + std::to_string(kib) + " KiB text, one character at a time";
        benchmark::RegisterBenchmark((text + ": StoreText").c_str(), AppendOwn, kib * 1024)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((text + ": std::string").c_str(), AppendStandard, kib * 1024)->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    MainHeap = HeapOpen();
    StringServiceStart();
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
