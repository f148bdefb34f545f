// Long use of one running program: 400 Read sequences and 20 dumps. After a
// warm-up, the program's handle count and private bytes must stay flat.
#include "tests/e2e/client_fixture.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int Rounds = 20;
constexpr int ReadsPerRound = 20;
// The first half of the rounds is the warm-up: the heaps of the program and
// of the controls it drives settle there (runs here grew by up to 14 pages of
// 4 KiB over the first six rounds, then not at all). The bounds held over the
// second half, against the highest figures of the first: not one handle more,
// and at most 16 KiB more private memory over 200 Reads and 10 dumps, so a
// leak of 100 bytes a Read, or of 2 KiB a round, breaks it.
constexpr int WarmUpRounds = Rounds / 2;
constexpr std::uint64_t HandleGrowthBound = 0;
constexpr std::uint64_t PrivateBytesGrowthBound = 16 * 1024;

struct Usage {
    std::uint64_t handles = 0;
    std::uint64_t privateBytes = 0;
};

// What Windows reports of another process. Wine answers 0 for both.
Usage WindowsUsage(HANDLE process)
{
    Usage usage;
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles))
        usage.handles = handles;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        usage.privateBytes = counters.PrivateUsage;
    return usage;
}

// Under Wine the same figures come from the Unix process that runs the
// program: its open file descriptors (every handle of a file, a port or a
// waitable object holds one) and its resident private memory ("RssAnon").
Usage UnixUsage()
{
    const std::string folder = KorvaneUnixProcess();
    if (folder.empty())
        return {};
    Usage usage;
    WIN32_FIND_DATAA descriptor{};
    HANDLE descriptors = FindFirstFileA(("Z:" + folder + "/fd/*").c_str(), &descriptor);
    if (descriptors != INVALID_HANDLE_VALUE) {
        do {
            usage.handles += descriptor.cFileName[0] != '.';
        } while (FindNextFileA(descriptors, &descriptor));
        FindClose(descriptors);
    }
    const std::string status = ReadUnixFile(folder + "/status");
    const std::size_t field = status.find("RssAnon:");
    if (field != std::string::npos)
        usage.privateBytes = std::strtoull(status.c_str() + field + 8, nullptr, 10) * 1024;
    return usage;
}

// A dump's files are written by a thread of their own that ends a little
// after the dump; its handles and buffers are not a leak, so a round is
// measured once the program has no more threads than before its dump.
std::size_t ThreadCount(DWORD process)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    std::size_t count = 0;
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        count += thread.th32OwnerProcessID == process;
    CloseHandle(snapshot);
    return count;
}

Usage Measure(HANDLE process)
{
    const Usage usage = WindowsUsage(process);
    return usage.handles != 0 && usage.privateBytes != 0 ? usage : UnixUsage();
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
        const std::size_t threads = ThreadCount(client_->id());
        ASSERT_NO_FATAL_FAILURE(Press(DumpButton, sent)) << "round " << round;
        // The readings, the stored lines and the empty line after their last
        // line break.
        ASSERT_EQ(LogLines().size(), static_cast<std::size_t>(ReadsPerRound + 40 + 1)) << "round " << round;
        // Clear sends nothing: the log starts each round empty, so every
        // round asks the same of the program.
        ASSERT_TRUE(PostClick(Gadget(ClearButton)));
        ASSERT_TRUE(WaitUntilIdle(window_));
        ASSERT_TRUE(WaitUntil([&] { return LogLines().empty(); }));
        EXPECT_TRUE(WaitUntil([&] { return ThreadCount(client_->id()) <= threads; }, LongWait))
            << "round " << round << ": the dump's writer did not end";

        const Usage now = Measure(client_->handle());
        std::printf("round %2d: %llu handles, %llu private bytes\n", round + 1,
                    static_cast<unsigned long long>(now.handles), static_cast<unsigned long long>(now.privateBytes));
        if (round < WarmUpRounds) {
            baseline.handles = std::max(baseline.handles, now.handles);
            baseline.privateBytes = std::max(baseline.privateBytes, now.privateBytes);
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
