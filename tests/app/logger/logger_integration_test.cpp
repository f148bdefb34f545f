// The request sequences and the dump through the real serial library, against
// the simulated logger on a pseudo-terminal, under Wine.
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/logger/memory_dump.h"
#include "serial/port.h"
#include "tests/app/logger/effect_recorder.h"
#include "tests/app/logger/logger_heaps.h"
#include "tests/support/simulated_logger.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// This binary's ports (see tests/support/simulated_logger.h).
constexpr const char* LoggerPort = "COM10";

class LoggerIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartLoggerHeaps();
        LoggerStateReset();
        RecordEffects();
    }

    void TearDown() override
    {
        if (CurrentPort)
            PortClose(CurrentPort);
        CurrentPort = 0;
    }

    // Starts the logger and opens its port as the program does.
    void Connect(const std::string& scenario)
    {
        logger_ = std::make_unique<SimulatedLogger>(LoggerPort, scenario);
        ASSERT_TRUE(logger_->ready()) << logger_->failure();
        CurrentPort = PortOpen((std::string(LoggerPort) + ":9600,N,8,1").c_str(), HandshakeNone, 1024, 1024);
        ASSERT_NE(CurrentPort, 0u);
    }

    // The commands the logger received, and checks that each was followed
    // by at least its wait before the next one went out.
    std::string CommandsWithWaits(const std::vector<std::int32_t>& waits)
    {
        const std::vector<ReceivedByte> received = logger_->Received();
        std::string commands;
        for (std::size_t i = 0; i < received.size(); ++i) {
            commands += static_cast<char>(received[i].byte);
            if (i + 1 < received.size() && i < waits.size()) {
                // The logger's clock sees each write late by as much as the
                // machine delays its reader: on a loaded machine 15 ms of a
                // 100 ms wait were seen missing. Half the wait still tells a
                // kept wait from a skipped or shortened one.
                EXPECT_GE(received[i + 1].microseconds - received[i].microseconds, waits[i] * 500LL)
                    << "after command " << i << " '" << static_cast<char>(received[i].byte) << "'";
            }
        }
        return commands;
    }

    std::unique_ptr<SimulatedLogger> logger_;
};

const std::string Logger = "interval 1\n"
                           "memory 300\n"
                           "reply M memory\n"
                           "reply T \"+21.5\"\n"
                           "reply L interval\n"
                           "reply + interval\n"
                           "reply W \"w\"\n"
                           "reply F \"Memory cleared\\r\\n\"\n";

TEST_F(LoggerIntegrationTest, StartupQueriesFillTheThreeFields)
{
    Connect(Logger);
    RunSequence(StartupQueries);
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"300"});
    EXPECT_EQ(TextsOf(Effect::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Minut"});
    EXPECT_TRUE(TextsOf(Effect::Log).empty());
    EXPECT_EQ(CommandsWithWaits({WaitAfterMemory, WaitAfterReading}), "MTL");
}

TEST_F(LoggerIntegrationTest, ReadShowsAndLogsTheReading)
{
    Connect(Logger);
    RunSequence(ReadCommands);
    EXPECT_EQ(TextsOf(Effect::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"300"});
    EXPECT_EQ(TextsOf(Effect::Interval), std::vector<std::string>{"Minut"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterReading, WaitAfterMemory}), "TML");
}

// The reply to "W" is never read on its own: it joins the reply to "M"
// (the logger stored one more reading).
TEST_F(LoggerIntegrationTest, WriteJoinsItsReplyToTheMemoryCount)
{
    Connect(Logger);
    RunSequence(WriteCommands);
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"w301"});
    EXPECT_EQ(TextsOf(Effect::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterWrite, WaitAfterMemory}), "WMT");
}

TEST_F(LoggerIntegrationTest, FormatLogsTheLoggersAnswer)
{
    Connect(Logger);
    RunSequence(FormatCommands);
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"Memory cleared\r\n"});
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{"0"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterFormat}), "FM");
}

TEST_F(LoggerIntegrationTest, PlusStepsThroughTheIntervals)
{
    Connect(Logger);
    for (int i = 0; i < 4; ++i)
        RunSequence(StepIntervalCommands);
    EXPECT_EQ(TextsOf(Effect::Interval), (std::vector<std::string>{"Hour", "Day", "Minut", "Hour"}));
    EXPECT_EQ(CommandsWithWaits({WaitAfterStep, WaitAfterStep, WaitAfterStep}), "++++");
}

TEST_F(LoggerIntegrationTest, SilentLoggerReadsAsASpace)
{
    Connect("");
    RunSequence(ReadCommands);
    EXPECT_EQ(TextsOf(Effect::Reading), std::vector<std::string>{" "});
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{" "});
    EXPECT_EQ(TextsOf(Effect::Memory), std::vector<std::string>{" "});
    EXPECT_TRUE(TextsOf(Effect::Interval).empty());
    EXPECT_EQ(logger_->ReceivedText(), "TML");
}

// A dump that spans several polls: the text arrives whole, in order, and
// the progress starts again with each chunk and ends at 0.
TEST_F(LoggerIntegrationTest, DumpCollectsChunksAcrossPolls)
{
    Connect("chunk 0 \"0001 +20.5\\r\\n\"\n"
            "chunk 400 \"0002 +20.6\\r\\n\"\n"
            "chunk 400 \"0003 +20.7\\0\"\n");
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"0001 +20.5\r\n0002 +20.6\r\n0003 +20.7"});
    const std::vector<std::int32_t> positions = ProgressPositions();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 0);
    int restarts = 0;
    for (std::size_t i = 1; i + 1 < positions.size(); ++i)
        restarts += positions[i] == 0 && positions[i - 1] > 0;
    EXPECT_GE(restarts, 1) << "the progress must start again with a later chunk";
    for (std::int32_t position : positions)
        EXPECT_LT(position, 12);
    EXPECT_TRUE(TextsOf(Effect::NoAnswer).empty());
    EXPECT_EQ(logger_->ReceivedText(), "D");
}

// The logger a user meets: three hundred readings paced at line rate.
TEST_F(LoggerIntegrationTest, DefaultLoggerDumpsItsStoredReadings)
{
    Connect("pacing line-rate\nreadings 0 300\nchunk 0 \"\\0\"\n");
    RunDump();
    const std::vector<std::string> log = TextsOf(Effect::Log);
    ASSERT_EQ(log.size(), 1u);
    std::size_t lines = 0;
    for (char c : log[0])
        lines += c == '\n';
    EXPECT_EQ(lines, 300u);
    EXPECT_EQ(log[0].rfind("0001 ", 0), 0u);
    EXPECT_NE(log[0].find("\r\n0300 "), std::string::npos);
}

// The cable is pulled in the middle of the dump: what came is logged, the
// port that went is looked for once and reported, and the dump ends.
TEST_F(LoggerIntegrationTest, DumpCutByAHangUpEndsWithWhatCame)
{
    Connect("chunk 0 \"0001 +20.5\\r\\n00\"\nhangup\n");
    RunDump();
    EXPECT_EQ(TextsOf(Effect::Log), std::vector<std::string>{"0001 +20.5\r\n00"});
    ExpectPortLostOnce();
    EXPECT_EQ(ProgressPositions().back(), 0);
}

TEST_F(LoggerIntegrationTest, NoPortSendsNothing)
{
    Connect(Logger);
    PortClose(CurrentPort);
    CurrentPort = 0;
    RunSequence(ReadCommands);
    RunDump();
    EXPECT_EQ(TextsOf(Effect::NoPort).size(), 2u);
    Sleep(100);
    EXPECT_EQ(logger_->ReceivedText(), "");
}

} // namespace
