// Every input kept for a fuzz target, its seeds and the findings turned into
// regressions, run through the target in the normal host build: under g++
// and the sanitizers, on every `make test`, with no fuzzer needed.

#include "fuzz_targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TargetCase {
    const char* folder;
    void (*run)(const std::uint8_t*, std::size_t);
};

std::vector<fs::path> InputsOf(const char* folder)
{
    std::vector<fs::path> inputs;
    for (const char* kind : {"corpus", "regressions"}) {
        fs::path path = fs::path(KORVANE_FUZZ_INPUTS) / kind / folder;
        if (!fs::is_directory(path))
            continue;
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class CorpusReplay : public ::testing::TestWithParam<TargetCase> {};

TEST_P(CorpusReplay, EveryKeptInputKeepsItsInvariants)
{
    const TargetCase& target = GetParam();
    std::vector<fs::path> inputs = InputsOf(target.folder);
    ASSERT_FALSE(inputs.empty()) << "no seed corpus for " << target.folder;
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        std::vector<std::uint8_t> bytes = ReadBytes(input);
        target.run(bytes.data(), bytes.size());
    }
    // The empty input is the plainest run of all.
    target.run(nullptr, 0);
}

// What each kept protocol input picks, as it did when the choice was the
// index of a sequence counted modulo their number: a new sequence must not
// change it.
TEST(ProtocolCorpus, EveryKeptInputPicksTheSequencesItAlwaysPicked)
{
    using Picks = std::vector<std::string>;
    const std::map<std::string, Picks> kept = {
        {"dump_chunks_zero_alone", {"dump"}},
        {"dump_late_bytes", {"dump"}},
        {"dump_two_lines", {"dump"}},
        {"failed_and_short_reads", {"Format", "dump"}},
        {"flood_dump", {"dump"}},
        {"interval_codes", {"+", "+", "+", "+"}},
        {"lying_counts", {"Read", "dump", "start-up"}},
        {"no_port", {"start-up without a port", "dump without a port", "Read without a port", "Read"}},
        {"read_sequence", {"Read"}},
        {"silent_dump", {"dump"}},
        {"startup_then_write", {"start-up", "Write"}},
        {"zero_in_reply", {"Read"}},
    };
    std::map<std::string, Picks> replayed;
    for (const fs::path& input : InputsOf("protocol")) {
        std::vector<std::uint8_t> bytes = ReadBytes(input);
        replayed[input.filename().string()] = FuzzProtocolPicks(bytes.data(), bytes.size());
    }
    EXPECT_EQ(replayed, kept);
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay,
                         ::testing::Values(TargetCase{"protocol", FuzzProtocol}, TargetCase{"strings", FuzzStrings},
                                           TargetCase{"registry", FuzzRegistry}, TargetCase{"node_pool", FuzzNodePool}),
                         [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.folder); });

} // namespace
