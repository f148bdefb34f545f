// Long use of one running program: 400 Read sequences and 20 dumps. After a
// warm-up round, the program's handle count and private bytes must stay flat:
// a leak of one handle or one block per command would show within a round.
#include "tests/e2e/client_fixture.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rounds = 20;
constexpr int ReadsPerRound = 20;
// The bounds held after the warm-up round, against the figures at its end:
// not one handle more, and less private memory than a round's texts would
// take if they were never freed (the log's text and the dump's blocks).
constexpr DWORD HandleGrowthBound = 0;
constexpr SIZE_T PrivateBytesGrowthBound = 64 * 1024;

struct Usage {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

Usage Measure(HANDLE process)
{
    Usage usage;
    GetProcessHandleCount(process, &usage.handles);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        usage.privateBytes = counters.PrivateUsage;
    return usage;
}

TEST_F(ClientTest, FourHundredReadsAndTwentyDumpsLeaveHandlesAndMemoryFlat)
{
    // A short dump: the soak is about repetition, not length.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger("pacing line-rate\nreply M \"120\" \"121\"\n"
                                                  "reply T \"+21.5\" \"+21.6\" \"+21.7\"\nreply L \"1\" \"2\" \"3\"\n"
                                                  "readings 0 40\nchunk 0 \"\\0\"\n"));
    std::size_t sent = 3;
    Usage baseline;
    Usage highest;
    for (int round = 0; round < Rounds; ++round) {
        for (int read = 0; read < ReadsPerRound; ++read) {
            sent += 3;
            ASSERT_NO_FATAL_FAILURE(Press(ReadButton, sent)) << "round " << round << " read " << read;
        }
        sent += 1;
        ASSERT_NO_FATAL_FAILURE(Press(DumpButton, sent)) << "round " << round;
        // The readings, the stored lines and the empty line after their last
        // line break.
        ASSERT_EQ(LogLines().size(), static_cast<std::size_t>(ReadsPerRound + 40 + 1)) << "round " << round;
        // Clear sends nothing: the log starts each round empty, so every
        // round asks the same of the program.
        ASSERT_TRUE(PostClick(Gadget(ClearButton)));
        ASSERT_TRUE(WaitUntilIdle(window_));
        ASSERT_TRUE(WaitUntil([&] { return LogLines().empty(); }));

        const Usage now = Measure(client_->handle());
        std::printf("round %2d: %lu handles, %zu private bytes\n", round + 1, now.handles,
                    static_cast<std::size_t>(now.privateBytes));
        if (round == 0) {
            baseline = now;
            highest = now;
            continue;
        }
        highest.handles = std::max(highest.handles, now.handles);
        highest.privateBytes = std::max(highest.privateBytes, now.privateBytes);
    }
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(Logger().ReceivedText().size(), sent);
    if (baseline.handles == 0 || baseline.privateBytes == 0)
        GTEST_SKIP() << "the platform does not report the process's handle count or private bytes";
    EXPECT_LE(highest.handles, baseline.handles + HandleGrowthBound);
    EXPECT_LE(highest.privateBytes, baseline.privateBytes + PrivateBytesGrowthBound);
}

} // namespace
