#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/memory_dump.h"
#include "base/delay.h"

#include "logger_fixture.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

namespace {

using DumpTest = LoggerTest;

// "D" goes out at 0 and the first poll follows its 200 ms wait; the polls
// then come every 300 ms.
constexpr std::int64_t Poll(int index) { return WaitAfterDump + index * std::int64_t{DumpPollInterval}; }

// Positions 0 to length - 1: the progress of one chunk.
std::vector<std::int32_t> Positions(std::int32_t length)
{
    std::vector<std::int32_t> positions(static_cast<std::size_t>(length));
    std::iota(positions.begin(), positions.end(), 0);
    return positions;
}

std::vector<std::int32_t> Joined(std::vector<std::vector<std::int32_t>> parts)
{
    std::vector<std::int32_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const RecordedEffect& LastEffect() { return RecordedEffects().back(); }

// What was handed on for keeping, and how its end was told: once, and
// before anything else was said of the dump.
std::string KeptText()
{
    std::string kept;
    for (const std::string& part : TextsOf(Effect::DumpKept))
        kept += part;
    return kept;
}

void ExpectKeptEnd(DumpEnd end, Effect before)
{
    const std::vector<RecordedEffect>& effects = RecordedEffects();
    const auto ended = std::find_if(effects.begin(), effects.end(),
                                    [](const RecordedEffect& r) { return r.effect == Effect::DumpEnded; });
    ASSERT_EQ(CountOf(Effect::DumpEnded), 1);
    EXPECT_EQ(ended->position, static_cast<std::int32_t>(end));
    EXPECT_LT(ended - effects.begin(),
              std::find_if(effects.begin(), effects.end(), [&](const RecordedEffect& r) { return r.effect == before; }) -
                  effects.begin());
}

TEST_F(DumpTest, WithoutAPortReportsOnceAndSendsNothing)
{
    CurrentPort = 0;
    LineAnswer('D', 10, std::string("abc\0", 4));
    RunDump();
    EXPECT_EQ(CountOf(Effect::NoPort), 1);
    EXPECT_EQ(RecordedEffects().size(), 1u);
    EXPECT_TRUE(LineWritten().empty());
    EXPECT_TRUE(LineSleeps().empty());
}

TEST_F(DumpTest, TwoLinesInOnePollGoToTheLogAsOneEntry)
{
    LineAnswer('D', 100, std::string("line 1\r\nline 2\0", 15));
    RunDump();
    EXPECT_EQ(LineWrittenText(), "D");
    // The quiet poll after the zero byte ends the dump without another pause.
    EXPECT_EQ(LineSleeps(), (std::vector<std::int32_t>{200, 300}));
    EXPECT_EQ(LinePollTimes(), (std::vector<std::int64_t>{Poll(0), Poll(1)}));
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"line 1\r\nline 2"});
    EXPECT_EQ(ProgressPositions(), Joined({Positions(14), {0}}));
    EXPECT_EQ(LastEffect().effect, Effect::Progress);
    // The bar may skip positions only if the chunk's last one is held.
    const std::vector<RecordedEffect>& effects = RecordedEffects();
    // After them: the text handed on for keeping, its end, the log's entry
    // and the bar back at 0.
    ASSERT_GE(effects.size(), 6u);
    EXPECT_EQ(effects[effects.size() - 6].position, 13);
    EXPECT_EQ(effects[effects.size() - 5].effect, Effect::ProgressHold);
    EXPECT_STREQ(DumpText, "line 1\r\nline 2");
    EXPECT_EQ(EndSeen, 1);
    EXPECT_EQ(CountOf(Effect::DumpBegan), 1);
    EXPECT_EQ(KeptText(), DumpText);
    ExpectKeptEnd(DumpEnd::Whole, Effect::Log);
}

TEST_F(DumpTest, ChunksAreCollectedPollByPoll)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::int64_t, std::string>> arrivals;
        std::string logged;
        std::vector<std::int32_t> progress;
        std::int64_t endsAt; // time of the log entry: the quiet poll's own
    };
    const std::vector<Case> cases = {
        {"the same text over two polls",
         {{100, "line 1\r\n"}, {400, std::string("line 2\0", 7)}},
         "line 1\r\nline 2",
         Joined({Positions(8), Positions(6), {0}}),
         Poll(2)},
        {"bytes after the zero byte in its chunk are dropped",
         {{100, std::string("abc\0xyz", 7)}},
         "abc",
         Joined({Positions(3), {0}}),
         Poll(1)},
        {"bytes in a later chunk before the line is quiet are kept",
         {{100, std::string("abc\0xyz", 7)}, {400, "late"}},
         "abclate",
         Joined({Positions(3), Positions(4), {0}}),
         Poll(2)},
        {"a zero byte alone after a pause ends it at the next quiet poll",
         {{100, "abc"}, {1000, std::string("\0", 1)}},
         "abc",
         Joined({Positions(3), {0}}),
         Poll(4)},
        {"a zero byte first gives an empty entry",
         {{100, std::string("\0", 1)}},
         "",
         {0},
         Poll(1)},
        {"high bytes are characters, not the end",
         {{100, std::string("\xff\x80\x01\x7f\0", 5)}},
         "\xff\x80\x01\x7f",
         Joined({Positions(4), {0}}),
         Poll(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        for (const auto& [at, bytes] : c.arrivals)
            LineArriveAt(at, bytes);
        RunDump();
        EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{c.logged});
        EXPECT_EQ(ProgressPositions(), c.progress);
        EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
        ASSERT_FALSE(RecordedEffects().empty());
        EXPECT_EQ(LastEffect().effect, Effect::Progress);
        EXPECT_EQ(LastEffect().at, c.endsAt);
    }
}

TEST_F(DumpTest, EachDumpStartsFromAnEmptyText)
{
    LineAnswer('D', 100, std::string("first\0", 6));
    LineAnswer('D', 100, std::string("second\0", 7));
    RunDump();
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), (std::vector<std::string>{"first", "second"}));
}

TEST_F(DumpTest, DumpStartsOnAClearedLineAndNeverClearsItAgain)
{
    // A late reply to an earlier command is thrown away before the "D".
    LineArriveAt(0, "late ");
    LineAnswer('D', 100, std::string("du", 2));
    LineArriveAt(Poll(1) + 100, std::string("mp\0", 3));
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"dump"});
    EXPECT_EQ(LineInputDiscards(), std::vector<std::int64_t>{0});
}

// The driver lost bytes of the text: the dump ends as any other, its text in
// the log as it came, and then the user is told once that it may be damaged.
TEST_F(DumpTest, LineErrorIsToldOnceAfterTheTextStandsInTheLog)
{
    LineArriveAt(100, "abc");
    LineArriveDamagedAt(Poll(1) + 100, "def");
    LineArriveDamagedAt(Poll(2) + 100, std::string("gh\0", 3));
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"abcdefgh"});
    EXPECT_EQ(CountOf(Effect::LineError), 1);
    EXPECT_EQ(LastEffect().effect, Effect::LineError);
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
}

TEST_F(DumpTest, LoggerThatNeverAnswersEndsAfterTheSilentPollLimit)
{
    RunDump();
    EXPECT_EQ(LinePollTimes().size(), static_cast<std::size_t>(DumpSilentPollLimit));
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{""});
    EXPECT_EQ(CountOf(Effect::NoAnswer), 1);
    EXPECT_EQ(LastEffect().effect, Effect::NoAnswer) << "reported after the log and the progress reset";
    EXPECT_EQ(ProgressPositions(), std::vector<std::int32_t>{0});
    EXPECT_EQ(LastEffect().at, Poll(DumpSilentPollLimit));
    EXPECT_EQ(EndSeen, 0);
    ExpectKeptEnd(DumpEnd::Cut, Effect::NoAnswer);
}

TEST_F(DumpTest, LoggerUnpluggedMidDumpKeepsWhatArrived)
{
    LineArriveAt(100, "abc");
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"abc"});
    EXPECT_EQ(CountOf(Effect::NoAnswer), 1);
    EXPECT_EQ(LastEffect().at, Poll(1 + DumpSilentPollLimit));
}

TEST_F(DumpTest, SlowButSteadyLoggerNeverTripsTheLimit)
{
    // One byte just before each run of silent polls would reach the limit.
    constexpr std::int64_t gap = (DumpSilentPollLimit - 1) * std::int64_t{DumpPollInterval};
    const std::string text = "slow text";
    std::int64_t at = 100;
    for (char c : text) {
        LineArriveAt(at, std::string(1, c));
        at += gap + DumpPollInterval;
    }
    LineArriveAt(at, std::string("\0", 1));
    RunDump();
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{text});
}

TEST_F(DumpTest, BurstLargerThanOneReadIsTakenInSeveralChunks)
{
    const std::int32_t rest = 904;
    const std::string text(static_cast<std::size_t>(LargestRead + rest), 'x');
    LineArriveAt(100, text + std::string("\0", 1));
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{text});
    // Positions count within each chunk and may run past the bar's 300.
    EXPECT_EQ(ProgressPositions(), Joined({Positions(LargestRead), Positions(rest), {0}}));
}

TEST_F(DumpTest, HugeOrNegativeCountsAreHandledSafely)
{
    struct Case {
        const char* name;
        std::vector<std::int32_t> counts;
        std::string logged;
    };
    const std::vector<Case> cases = {
        {"huge count: one bounded read", {INT_MAX}, "abcdef"},
        {"a count the read does not deliver: a short read, the text goes on", {10}, "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        LineArriveAt(100, "abc");
        LineArriveAt(Poll(2) + 100, std::string("def\0", 4));
        LineReportCounts(c.counts);
        RunDump();
        EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{c.logged});
        EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
        for (const LineRead& read : LineReads())
            EXPECT_LE(read.requested, LargestRead);
    }
}

TEST_F(DumpTest, APortGoneInTheMiddleKeepsWhatCameAndIsReportedOnce)
{
    LineArriveAt(100, "abc");
    LineArriveAt(Poll(2) + 100, "def");
    LineReportCounts({3, -1});
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"abc"});
    ExpectPortLostOnce();
    EXPECT_EQ(KeptText(), "abc");
    ExpectKeptEnd(DumpEnd::Cut, Effect::PortLost);
}

// A port that went away fails the next count; a failed read alone brings
// nothing, like an empty one.
TEST_F(DumpTest, FailedReadIsNeverTheEndByte)
{
    LineArriveAt(100, "abc");
    LineArriveAt(Poll(2) + 100, std::string("\0", 1));
    LineFailReads(1);
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"abc"});
    EXPECT_EQ(CountOf(Effect::Reopen), 0);
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
}

TEST_F(DumpTest, ZeroBytesAfterTheEndEndItWithoutAReport)
{
    // After its zero byte the line brings zero bytes at every poll (padding,
    // or a break read as zeros): the text is complete, the logger not silent.
    LineArriveAt(100, std::string("abc\0", 4));
    for (std::int64_t at = 200; at < 20000; at += 100)
        LineArriveAt(at, std::string(3, '\0'));
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"abc"});
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
    EXPECT_EQ(LastEffect().at, Poll(1));
}

TEST_F(DumpTest, StopLogsTheTextSoFarUnderTheMarkerAndDrainsTheRest)
{
    LineArriveAt(100, "first ");
    LineArriveAt(Poll(0) + 50, "second");
    for (std::int64_t at = Poll(1); at < Poll(5); at += 100)
        LineArriveAt(at, "rest");
    EXPECT_EQ(DumpStart(), WaitAfterDump);
    SleepMilliseconds(WaitAfterDump);
    EXPECT_EQ(DumpStep(), DumpPollInterval);
    SleepMilliseconds(100);
    // The bytes waiting at the stop belong to the text.
    EXPECT_EQ(DumpStop("stopped"), DumpPollInterval);
    EXPECT_EQ(TextsOf(Effect::Log), (std::vector<std::string>{"first second", "stopped"}));
    EXPECT_EQ(DumpCurrentPhase(), DumpPhase::Draining);
    ExpectKeptEnd(DumpEnd::Stopped, Effect::Log);
    std::int32_t wait = DumpPollInterval;
    for (; wait > 0; wait = DumpStep())
        SleepMilliseconds(wait);
    EXPECT_EQ(DumpCurrentPhase(), DumpPhase::Idle);
    EXPECT_GE(LineNow(), Poll(5)) << "the drain lasts until the line is quiet";
    EXPECT_EQ(LineWaiting(), 0);
    EXPECT_EQ(TextsOf(Effect::Log).size(), 2u);
    EXPECT_EQ(LineWrittenText(), "D");
    EXPECT_EQ(KeptText(), "first second") << "what is drained is not kept";
    EXPECT_EQ(CountOf(Effect::DumpEnded), 1);
}

TEST_F(DumpTest, TheDrainLastsUntilTheTextHasPassed)
{
    struct Case {
        const char* name;
        std::string last; // after the logger's pause
        std::int64_t endsAt;
    };
    // The logger pauses a second (three quiet polls), then sends the rest.
    constexpr std::int64_t resumes = Poll(5) + 50;
    const std::vector<Case> cases = {
        {"the zero byte, then one quiet poll", std::string("end\0", 4), Poll(7)},
        {"no zero byte: the silent polls' limit", "end", Poll(6 + DumpSilentPollLimit)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        LineArriveAt(100, "first ");
        LineArriveAt(Poll(1) - 50, "more");
        LineArriveAt(resumes, c.last);
        std::int32_t wait = DumpStart();
        for (int step = 0; step < 2; ++step, wait = DumpStep())
            SleepMilliseconds(wait);
        EXPECT_EQ(DumpStop("stopped"), DumpPollInterval);
        for (wait = DumpPollInterval; wait > 0; wait = DumpStep())
            SleepMilliseconds(wait);
        EXPECT_EQ(LineNow(), c.endsAt);
        EXPECT_EQ(LineWaiting(), 0);
        EXPECT_EQ(TextsOf(Effect::Log), (std::vector<std::string>{"first more", "stopped"}));
        EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
    }
}

TEST_F(DumpTest, TheTextShowsAsItComesWithItsLineBreaksWhole)
{
    // One line a poll, the last "\r\n" split over the polls that end and
    // begin a part of the log's; then the same for a log that takes the text
    // at every poll.
    for (const bool shortParts : {false, true}) {
        SCOPED_TRACE(shortParts ? "short parts" : "parts of several polls");
        Restart();
        if (shortParts)
            PreferShortLogParts();
        const int partPolls = shortParts ? 1 : DumpShowEvery;
        std::string text;
        for (int poll = 0; poll < 2 * DumpShowEvery; ++poll) {
            const std::string line = "line " + std::to_string(poll) + "\r\n";
            const std::size_t split = poll == partPolls - 1 ? line.size() - 1 : line.size();
            LineArriveAt(Poll(poll) - 50, line.substr(0, split));
            if (split < line.size())
                LineArriveAt(Poll(poll + 1) - 50, "\n");
            text += line;
        }
        LineArriveAt(Poll(2 * DumpShowEvery) - 50, std::string("\0", 1));
        RunDump();
        EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{text});
        const std::vector<RecordedEffect>& effects = RecordedEffects();
        const auto opened = std::find_if(effects.begin(), effects.end(),
                                         [](const RecordedEffect& r) { return r.effect == Effect::Log; });
        ASSERT_NE(opened, effects.end());
        EXPECT_EQ(opened->at, Poll(partPolls - 1)) << "the text shows before the dump ends";
        const std::vector<std::string> parts = TextsOf(Effect::LogGrows);
        for (const std::string& part : parts)
            EXPECT_NE(part.front(), '\n') << "a line break was shown in halves";
        if (shortParts) {
            EXPECT_GE(parts.size(), static_cast<std::size_t>(DumpShowEvery)) << "a part at every poll";
        }
    }
}

TEST_F(DumpTest, NoBlockForAChunkLeavesItWaitingAndTheDumpStillEnds)
{
    LineArriveAt(100, std::string("abc\0", 4));
    HeapRef heap = std::exchange(MemoryHeap, nullptr);
    RunDump();
    MemoryHeap = heap;
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{""});
    EXPECT_EQ(CountOf(Effect::NoMemory), 1);
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0) << "the logger did answer";
    EXPECT_EQ(LineWaiting(), 4);
}

TEST_F(DumpTest, PortThatNeverDeliversWhatItReportsEndsAtTheLimit)
{
    LineReportCounts(std::vector<std::int32_t>(1000, 5));
    RunDump();
    EXPECT_EQ(LinePollTimes().size(), static_cast<std::size_t>(DumpSilentPollLimit));
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{""});
    EXPECT_EQ(CountOf(Effect::NoAnswer), 1);
}

} // namespace
