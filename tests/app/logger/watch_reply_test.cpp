#include "app/logger/logger_protocol.h"
#include "app/logger/watch_reply.h"
#include "base/delay.h"

#include "logger_fixture.h"

#include <string>
#include <vector>

namespace {

using WatchReplyTest = LoggerTest;

// A reading run as the window's timer runs it, on the line's virtual clock.
// `during` runs once, at the first step at or after `at`.
WatchReplyOutcome RunReading(std::int64_t at = -1, void (*during)() = nullptr)
{
    std::int32_t wait = 0;
    WatchReplyOutcome outcome = WatchReplyStart(wait);
    while (outcome == WatchReplyOutcome::Pending) {
        SleepMilliseconds(wait);
        if (during && LineNow() >= at) {
            during();
            during = nullptr;
        }
        outcome = WatchReplyStep(wait);
    }
    return outcome;
}

TEST_F(WatchReplyTest, EachReadingTakesItsOwnReplyWhenItComes)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::int64_t, std::string>> arrivals; // after the "T"
        std::string reply;
    };
    const std::vector<Case> cases = {
        {"at once", {{1, "+21.5\r\n"}}, "+21.5\r\n"},
        {"60 ms late, past the old fixed wait", {{60, "+21.5\r\n"}}, "+21.5\r\n"},
        {"split across the old fixed wait", {{40, "+21"}, {55, ".5\r\n"}}, "+21.5\r\n"},
        {"just within the first byte's limit", {{WatchReplyFirstByteLimit - 5, "+21.5"}}, "+21.5"},
        {"a zero byte ends the text", {{10, std::string("+21.5\0junk", 10)}}, "+21.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        // What an earlier slot's late reply left waiting never leads this one.
        LineArriveAt(0, "+14.5\r\n");
        for (const auto& [at, bytes] : c.arrivals)
            LineArriveAt(1 + at, bytes);
        SleepMilliseconds(1);
        EXPECT_EQ(RunReading(), WatchReplyOutcome::Taken);
        EXPECT_EQ(std::string(ReplyText), c.reply);
        EXPECT_EQ(LineWrittenText(), "T");
        // Ended by the quiet after its last byte, long before the next slot.
        EXPECT_LE(LineNow(), 1 + c.arrivals.back().first + WatchReplyQuietEnd + WatchReplyPollInterval);
    }
}

TEST_F(WatchReplyTest, ReadingWithoutAWholeReplyIsNoReading)
{
    // Silent: the late reply is no reading, and the next exchange clears it.
    LineArriveAt(WatchReplyFirstByteLimit + 20, "+21.5");
    EXPECT_EQ(RunReading(), WatchReplyOutcome::Silent);
    EXPECT_GE(LineNow(), WatchReplyFirstByteLimit);
    EXPECT_LE(LineNow(), WatchReplyFirstByteLimit + WatchReplyPollInterval);
    LineAnswer('T', 10, "+22.0");
    SleepMilliseconds(100);
    EXPECT_EQ(RunReading(), WatchReplyOutcome::Taken);
    EXPECT_STREQ(ReplyText, "+22.0");

    // Damaged on the line.
    LineArriveDamagedAt(LineNow() + 10, "+2?.5");
    EXPECT_EQ(RunReading(), WatchReplyOutcome::LineError);

    // No block for the bytes.
    LineArriveAt(LineNow() + 10, "+21.5");
    HeapRef heap = std::exchange(MemoryHeap, nullptr);
    EXPECT_EQ(RunReading(), WatchReplyOutcome::NoMemory);
    MemoryHeap = heap;

    // The port went away.
    LineReportCounts({-1});
    EXPECT_EQ(RunReading(), WatchReplyOutcome::PortGone);
}

// A babbling logger never falls quiet: the reading still ends, with the
// start of what it said.
TEST_F(WatchReplyTest, LoggerThatNeverFallsQuietEndsAtTheLongestReading)
{
    for (std::int64_t at = 0; at < 2000; at += 5)
        LineArriveAt(at, "+21.5 ");
    EXPECT_EQ(RunReading(), WatchReplyOutcome::Taken);
    EXPECT_LE(LineNow(), WatchReplyLongest + WatchReplyPollInterval);
    EXPECT_EQ(std::string(ReplyText).size(), static_cast<std::size_t>(WatchReplyLongestText));
    EXPECT_EQ(std::string(ReplyText).substr(0, 6), "+21.5 ");
}

// A user's command needs the line while a reading is under way: the reading
// is taken to its end first, so that each keeps its own reply.
TEST_F(WatchReplyTest, CommandDuringAReadingWaitsForItsReplyAndKeepsItsOwn)
{
    LineAnswer('T', 60, "+21.5");
    LineAnswer('+', 10, "2");
    EXPECT_EQ(RunReading(20, [] { RunSequence(StepIntervalCommands); }), WatchReplyOutcome::Taken);
    EXPECT_STREQ(ReplyText, "+21.5");
    EXPECT_EQ(LineWrittenText(), "T+");
    EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Hour"});
    ASSERT_EQ(LineWritten().size(), 2u);
    EXPECT_GE(LineWritten()[1].at, 60 + WatchReplyQuietEnd) << "the command went out amid the reply";

    // A port changed under the reading ends it, and a watch stopped gives it up.
    LineAnswer('T', 60, "+21.5");
    EXPECT_EQ(RunReading(20, [] { CurrentPort = 0; }), WatchReplyOutcome::Abandoned);
    CurrentPort = ScriptedPort();
    LineAnswer('T', 60, "+21.5");
    EXPECT_EQ(RunReading(20, WatchReplyAbandon), WatchReplyOutcome::Abandoned);
    EXPECT_FALSE(WatchReplyUnderWay());
}

} // namespace
