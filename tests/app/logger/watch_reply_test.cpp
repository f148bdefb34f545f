#include "app/logger/logger_protocol.h"
#include "app/logger/watch_reply.h"
#include "base/delay.h"

#include "logger_fixture.h"

#include <string>
#include <vector>

namespace {

using WatchReplyTest = LoggerTest;

// A reading run as the window's timer runs it, on the line's virtual clock;
// `during` runs once, at the first step 20 ms or more after the "T".
WatchReplyOutcome RunReading(void (*during)() = nullptr)
{
    std::int32_t wait = 0;
    WatchReplyOutcome outcome = WatchReplyStart(wait);
    for (const std::int64_t start = LineNow(); outcome == WatchReplyOutcome::Pending; outcome = WatchReplyStep(wait)) {
        SleepMilliseconds(wait);
        if (during && LineNow() - start >= 20)
            std::exchange(during, nullptr)();
    }
    return outcome;
}

TEST_F(WatchReplyTest, EachReadingTakesItsOwnReplyOrNone)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::int64_t, std::string>> arrivals; // ms after the "T"
        bool damaged;
        WatchReplyOutcome outcome;
        std::string reply;
    };
    const std::string babble(600, '5');
    const std::vector<Case> cases = {
        {"60 ms late", {{60, "+21.5\r\n"}}, false, WatchReplyOutcome::Taken, "+21.5\r\n"},
        {"split", {{40, "+21"}, {55, ".5"}}, false, WatchReplyOutcome::Taken, "+21.5"},
        {"a zero byte ends the text", {{10, std::string("+21.5\0x", 7)}}, false, WatchReplyOutcome::Taken, "+21.5"},
        {"too late", {{WatchReplyFirstByteLimit + 20, "+21.5"}}, false, WatchReplyOutcome::Silent, ""},
        {"damaged on the line", {{10, "+2?.5"}}, true, WatchReplyOutcome::LineError, ""},
        // Never quiet: it still ends, with the start of what it said.
        {"babbling", {{10, babble}, {30, babble}, {50, babble}}, false, WatchReplyOutcome::Taken,
         std::string(WatchReplyLongestText, '5')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        // What an earlier slot's late reply left waiting never leads this one.
        LineArriveAt(0, "+14.5\r\n");
        SleepMilliseconds(1);
        for (const auto& [at, bytes] : c.arrivals)
            c.damaged ? LineArriveDamagedAt(1 + at, bytes) : LineArriveAt(1 + at, bytes);
        EXPECT_EQ(RunReading(), c.outcome);
        if (c.outcome == WatchReplyOutcome::Taken) {
            EXPECT_EQ(std::string(ReplyText), c.reply);
        }
        EXPECT_LE(LineNow(), 1 + WatchReplyLongest + WatchReplyPollInterval);
    }
}

// A user's command needs the line while a reading is under way: the reading
// is taken to its end first, so that each keeps its own reply; a port that
// changed under a reading ends it.
TEST_F(WatchReplyTest, CommandDuringAReadingWaitsForItsReplyAndKeepsItsOwn)
{
    LineAnswer('T', 60, "+21.5");
    LineAnswer('+', 10, "2");
    EXPECT_EQ(RunReading([] { RunSequence(StepIntervalCommands); }), WatchReplyOutcome::Taken);
    EXPECT_STREQ(ReplyText, "+21.5");
    EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Hour"});
    ASSERT_EQ(LineWrittenText(), "T+");
    EXPECT_GE(LineWritten()[1].at, 60 + WatchReplyQuietEnd) << "the command went out amid the reply";

    LineAnswer('T', 60, "+21.5");
    EXPECT_EQ(RunReading([] { CurrentPort = 0; }), WatchReplyOutcome::Abandoned);
}

} // namespace
