#include "app/logger/logger_protocol.h"

#include "logger_fixture.h"

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

// A logger that answers every command at once, so each reply is waiting
// by the time the wait after the command ends.
void AnswerEverything()
{
    LineAnswer('M', 10, "0042");
    LineAnswer('T', 10, "23.5");
    LineAnswer('L', 10, "2");
    LineAnswer('+', 10, "3");
    LineAnswer('F', 10, "Formatted");
}

std::vector<std::int64_t> WriteTimes()
{
    std::vector<std::int64_t> times;
    for (const WrittenByte& w : LineWritten())
        times.push_back(w.at);
    return times;
}

std::vector<std::pair<Effect, std::string>> TextEffects()
{
    std::vector<std::pair<Effect, std::string>> effects;
    for (const RecordedEffect& r : RecordedEffects())
        effects.emplace_back(r.effect, r.text);
    return effects;
}

using ProtocolTest = LoggerTest;

struct PacingCase {
    const CommandSequence* sequence;
    std::string written;
    std::vector<std::int64_t> writeTimes;
    std::vector<std::int32_t> sleeps;
    std::vector<std::int64_t> pollTimes; // one poll per reply read
};

TEST_F(ProtocolTest, EachSequenceSendsItsCommandsWithTheirWaits)
{
    const std::vector<PacingCase> cases = {
        {&StartupQueries, "MTL", {0, 100, 150}, {100, 50, 100}, {100, 150, 250}},
        {&ReadCommands, "TML", {0, 50, 150}, {50, 100, 100}, {50, 150, 250}},
        {&WriteCommands, "WMT", {0, 100, 200}, {100, 100, 50}, {200, 250}},
        {&FormatCommands, "FM", {0, 200}, {200, 100}, {200, 300}},
        {&StepIntervalCommands, "+", {0}, {100}, {100}},
    };
    ASSERT_EQ(cases.size(), CommandSequences.size()) << "every sequence has its row here";
    for (const PacingCase& c : cases) {
        SCOPED_TRACE(c.sequence->name);
        Restart();
        AnswerEverything();
        RunSequence(*c.sequence);
        EXPECT_EQ(LineWrittenText(), c.written);
        EXPECT_EQ(WriteTimes(), c.writeTimes);
        EXPECT_EQ(LineSleeps(), c.sleeps);
        EXPECT_EQ(LinePollTimes(), c.pollTimes);
        EXPECT_EQ(CountOf(Effect::NoPort), 0);
    }
}

struct EffectsCase {
    const CommandSequence* sequence;
    std::vector<std::pair<Effect, std::string>> effects;
};

TEST_F(ProtocolTest, EachSequenceShowsEachReplyWhereItBelongs)
{
    const std::vector<EffectsCase> cases = {
        {&StartupQueries,
         {{Effect::Memory, "0042"}, {Effect::Reading, "23.5"}, {Effect::Interval, "Hour"}}},
        {&ReadCommands,
         {{Effect::Reading, "23.5"}, {Effect::Log, "23.5"}, {Effect::Memory, "0042"}, {Effect::Interval, "Hour"}}},
        {&WriteCommands, {{Effect::Memory, "0042"}, {Effect::Reading, "23.5"}, {Effect::Log, "23.5"}}},
        {&FormatCommands, {{Effect::Log, "Formatted"}, {Effect::Memory, "0042"}}},
        {&StepIntervalCommands, {{Effect::Interval, "Day"}}},
    };
    ASSERT_EQ(cases.size(), CommandSequences.size()) << "every sequence has its row here";
    for (const EffectsCase& c : cases) {
        SCOPED_TRACE(c.sequence->name);
        Restart();
        AnswerEverything();
        RunSequence(*c.sequence);
        EXPECT_EQ(TextEffects(), c.effects);
    }
}

TEST_F(ProtocolTest, WithoutAPortEachGuardReportsOnceAndNothingIsSent)
{
    const std::vector<std::pair<const CommandSequence*, int>> cases = {
        {&StartupQueries, 3}, // its three queries are guarded one by one
        {&ReadCommands, 1},
        {&WriteCommands, 1},
        {&FormatCommands, 1},
        {&StepIntervalCommands, 1},
    };
    ASSERT_EQ(cases.size(), CommandSequences.size()) << "every sequence has its row here";
    for (const auto& [sequence, reports] : cases) {
        SCOPED_TRACE(sequence->name);
        Restart();
        CurrentPort = 0;
        AnswerEverything();
        RunSequence(*sequence);
        EXPECT_EQ(CountOf(Effect::NoPort), reports);
        EXPECT_EQ(RecordedEffects().size(), static_cast<std::size_t>(reports)) << "nothing else is shown";
        EXPECT_TRUE(LineWritten().empty());
        EXPECT_TRUE(LineSleeps().empty());
        EXPECT_TRUE(LinePollTimes().empty());
    }
}

TEST_F(ProtocolTest, APortTheSystemRemovedIsReportedLostAtTheNextCommandThenAsNone)
{
    CurrentPort = 0;
    PortRemoved = true;
    RunSequence(ReadCommands);
    ExpectPortLostOnce();
    EXPECT_FALSE(PortRemoved);
    RunSequence(ReadCommands);
    EXPECT_EQ(CountOf(Effect::Reopen), 2);
    EXPECT_EQ(CountOf(Effect::NoPort), 1);
    EXPECT_EQ(CountOf(Effect::PortLost), 1);
    EXPECT_TRUE(LineWritten().empty());
}

TEST_F(ProtocolTest, IntervalIsShownOnlyForAnExactCode)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"1", {"Minut"}},
        {"2", {"Hour"}},
        {"3", {"Day"}},
        {std::string("1\0garbage", 9), {"Minut"}}, // cut at the zero byte first
        {"2\r\n", {}},
        {"12", {}},
        {" 1", {}},
        {"0", {}},
        {"4", {}},
        {"Day", {}},
        {"", {}}, // silence reads as a single space
    };
    for (const auto& [reply, shown] : cases) {
        SCOPED_TRACE("reply \"" + reply + "\"");
        Restart();
        if (!reply.empty())
            LineAnswer('+', 10, reply);
        RunSequence(StepIntervalCommands);
        EXPECT_EQ(TextsOf(Effect::Interval), shown);
    }
}

TEST_F(ProtocolTest, ReplyIsTakenAsReceivedUpToTheFirstZeroByte)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"23.5", "23.5"},
        {"", " "}, // nothing waiting: a single space
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0abc", 4), ""},
        {"line 1\r\nline 2\r\n", "line 1\r\nline 2\r\n"},
        {"  padded  ", "  padded  "},
        {"\xff\x80\x01\x7f", "\xff\x80\x01\x7f"}, // high bytes are characters, not terminators
        {"\xd2\xe5\xec\xef", "\xd2\xe5\xec\xef"},
    };
    for (const auto& [received, reply] : cases) {
        SCOPED_TRACE("received \"" + received + "\"");
        Restart();
        LineArriveAt(0, received);
        ReadReply();
        EXPECT_STREQ(ReplyText, reply.c_str());
        EXPECT_EQ(LineWaiting(), 0) << "all waiting bytes are read, also those after a zero byte";
    }
}

TEST_F(ProtocolTest, SilentLoggerShowsASpaceAndReadLogsIt)
{
    LineAnswer('L', 10, "1");
    RunSequence(ReadCommands);
    EXPECT_EQ(TextEffects(), (std::vector<std::pair<Effect, std::string>>{
                                 {Effect::Reading, " "}, {Effect::Log, " "}, {Effect::Memory, " "}, {Effect::Interval, "Minut"}}));
}

TEST_F(ProtocolTest, SilenceKeepsTheIntervalFieldAsItWas)
{
    RunSequence(StepIntervalCommands);
    EXPECT_STREQ(ReplyText, " ");
    EXPECT_EQ(CountOf(Effect::Interval), 0);
}

TEST_F(ProtocolTest, ReplyToWriteLeadsTheReplyToMemory)
{
    LineAnswer('W', 10, "ok");
    LineAnswer('M', 10, "0042");
    LineAnswer('T', 10, "23.5");
    RunSequence(WriteCommands);
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"ok0042"});
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"23.5"});
}

TEST_F(ProtocolTest, LateBytesJoinTheNextReply)
{
    LineAnswer('T', 70, "23.5"); // after the 50 ms wait: too late for its own read
    LineAnswer('M', 30, "0042");
    LineAnswer('L', 10, "3");
    RunSequence(ReadCommands);
    EXPECT_EQ(TextsOf(Effect::Reading), std::vector<std::string>{" "});
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{" "});
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"23.50042"});
    EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Day"});
}

TEST_F(ProtocolTest, CommandTextHoldsTheLastLetterSent)
{
    SendCommand("F", 0);
    EXPECT_STREQ(CommandText, "F");
    EXPECT_EQ(LineWrittenText(), "F");
    SendCommand("+", 0);
    EXPECT_STREQ(CommandText, "+");
    EXPECT_EQ(LineWrittenText(), "F+");
    // No block for a new letter: it is not sent, nor "+" in its place.
    HeapRef heap = std::exchange(StringHeap, nullptr);
    EXPECT_FALSE(SendCommand("M", 0));
    RunSequence(ReadCommands);
    StringHeap = heap;
    EXPECT_EQ(LineWrittenText(), "F+");
    EXPECT_EQ(CountOf(Effect::NoMemory), 1);
    EXPECT_EQ(CountOf(Effect::Reopen), 0);
}

// What waited before the sequence (a reply too late for its read) is thrown
// away before its first command, and only there: "W" reads no reply, so what
// comes after it leads the reply to "M", and nothing queries the line before
// "M" goes out, so a line error meanwhile fails its first write.
TEST_F(ProtocolTest, StaleInputIsClearedAtTheStartAndALineErrorBeforeAWrite)
{
    LineArriveAt(0, "+14.5\r\n");
    AnswerEverything();
    LineArriveDamagedAt(50, "w");
    RunSequence(WriteCommands);
    EXPECT_EQ(LineWrittenText(), "WMT");
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"w0042"});
    EXPECT_EQ(LineInputDiscards(), std::vector<std::int64_t>{0});
    EXPECT_EQ(CountOf(Effect::Reopen), 0);
}

// "+" changes what the logger holds: a write is sent again only when the
// driver says that nothing went out, and never while its first byte may
// still go.
TEST_F(ProtocolTest, TimedOutWriteGoesOutOnceWhateverTheDriverHeld)
{
    for (WriteTimeOut kind : {WriteTimeOut::NothingSent, WriteTimeOut::ByteQueued, WriteTimeOut::ByteSent}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Restart();
        LineAnswer('+', 10, "2");
        LineAnswer('+', 10, "3");
        LineTimeOutNextWrite(kind);
        RunSequence(StepIntervalCommands);
        EXPECT_EQ(LineWrittenText(), "+");
        EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Hour"});
        EXPECT_EQ(CountOf(Effect::Reopen), 0);
    }
}

TEST_F(ProtocolTest, ReplyLostWithThePortAsksIntervalAndMemoryOnThePortBackAtOnce)
{
    LineAnswer('L', 10, "2");
    LineAnswer('M', 10, "0042");
    LineReportCounts({-1});
    ReopenFinds(ScriptedPort());
    RunSequence(StepIntervalCommands);
    EXPECT_EQ(LineWrittenText(), "+LM") << "the step is not sent twice";
    EXPECT_EQ(TextEffects(), (std::vector<std::pair<Effect, std::string>>{
                                 {Effect::Reopen, ""}, {Effect::Interval, "Hour"}, {Effect::Memory, "0042"}}));
}

TEST_F(ProtocolTest, CountTheReadDoesNotDeliverEndsTheReplyAtTheMissingBytes)
{
    LineArriveAt(0, "abc");
    LineReportCounts({10});
    ReadReply();
    EXPECT_STREQ(ReplyText, "abc");
    ASSERT_EQ(LineReads().size(), 1u);
    EXPECT_EQ(LineReads()[0].requested, 10);
}

TEST_F(ProtocolTest, FailedReadIsAPortGoneNeverAnEmptyReading)
{
    AnswerEverything();
    LineFailReads(1);
    RunSequence(ReadCommands);
    EXPECT_EQ(CountOf(Effect::Reading), 0);
    EXPECT_EQ(CountOf(Effect::Log), 0);
    ExpectPortLostOnce();
}

TEST_F(ProtocolTest, ZeroCountReadsAsSilenceAndANegativeOneAsAPortGone)
{
    LineArriveAt(0, "abc");
    LineReportCounts({0});
    EXPECT_EQ(ReadReply(), ReplyRead::Taken);
    EXPECT_STREQ(ReplyText, " ");
    for (std::int32_t count : {-1, INT_MIN}) {
        SCOPED_TRACE(count);
        LineReportCounts({count});
        EXPECT_EQ(ReadReply(), ReplyRead::PortGone);
        EXPECT_STREQ(ReplyText, " ");
    }
    EXPECT_TRUE(LineReads().empty());
    EXPECT_EQ(LineWaiting(), 3);
}

TEST_F(ProtocolTest, HugeCountIsReadInBoundedTurns)
{
    LineArriveAt(0, "abc");
    LineReportCounts({INT_MAX});
    ReadReply();
    EXPECT_STREQ(ReplyText, "abc");
    ASSERT_EQ(LineReads().size(), 1u);
    EXPECT_EQ(LineReads()[0].requested, LargestRead);
}

TEST_F(ProtocolTest, ReplyLongerThanOneReadContinuesInTheNext)
{
    const std::string first(static_cast<std::size_t>(LargestRead), 'x');
    LineArriveAt(0, first + "tail");
    ReadReply();
    EXPECT_EQ(std::string(ReplyText), first);
    ReadReply();
    EXPECT_STREQ(ReplyText, "tail");
}

// A watch would write the previous reply again as a new reading.
TEST_F(ProtocolTest, NoBlockForTheReplyIsAFailedReadNeverThePreviousReply)
{
    LineArriveAt(0, "first");
    ReadReply();
    LineArriveAt(0, "second");
    HeapRef heap = std::exchange(MemoryHeap, nullptr); // MemAlloc now gives nothing
    EXPECT_EQ(ReadReply(), ReplyRead::NoMemory);
    EXPECT_EQ(ReplyText, nullptr) << "emptied";
    AnswerEverything();
    RunSequence(ReadCommands);
    MemoryHeap = heap;
    EXPECT_EQ(LineWrittenText(), "T") << "the sequence ends at the reply it could not take";
    EXPECT_EQ(CountOf(Effect::NoMemory), 1);
    EXPECT_EQ(CountOf(Effect::Reading), 0);
    EXPECT_EQ(CountOf(Effect::Reopen), 0);
}

} // namespace
