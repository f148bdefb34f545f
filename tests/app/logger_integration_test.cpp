// The request sequences and the dump through the real serial library, against
// the simulated logger on a pseudo-terminal, under Wine.
#include "app/logger_effects.h"
#include "app/logger_protocol.h"
#include "app/logger_state.h"
#include "app/memory_dump.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"
#include "serial/port.h"
#include "tests/support/simulated_logger.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// This binary's ports (see tests/support/simulated_logger.h).
constexpr const char* LoggerPort = "COM10";

enum class Shown { Reading, Memory, Interval, Log, Progress, NoPort, NoAnswer };

struct ShownEffect {
    Shown where;
    std::string text;
    std::int32_t position = 0;
};

std::vector<ShownEffect> Effects;

std::vector<std::string> TextsIn(Shown where)
{
    std::vector<std::string> texts;
    for (const ShownEffect& effect : Effects)
        if (effect.where == where)
            texts.push_back(effect.text);
    return texts;
}

std::vector<std::int32_t> ProgressPositions()
{
    std::vector<std::int32_t> positions;
    for (const ShownEffect& effect : Effects)
        if (effect.where == Shown::Progress)
            positions.push_back(effect.position);
    return positions;
}

void RecordEffects()
{
    Effects.clear();
    LoggerEffects effects{};
    effects.showReading = [](const char* text) { Effects.push_back({Shown::Reading, text}); };
    effects.showMemory = [](const char* text) { Effects.push_back({Shown::Memory, text}); };
    effects.showInterval = [](const char* text) { Effects.push_back({Shown::Interval, text}); };
    effects.addToLog = [](const char* text) { Effects.push_back({Shown::Log, text}); };
    effects.showProgress = [](std::int32_t position) { Effects.push_back({Shown::Progress, {}, position}); };
    effects.reportNoPort = [] { Effects.push_back({Shown::NoPort, {}}); };
    effects.reportNoAnswer = [] { Effects.push_back({Shown::NoAnswer, {}}); };
    LoggerInstallEffects(effects);
}

class LoggerIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!MainHeap)
            MainHeap = HeapOpen();
        if (!StringHeap)
            StringServiceStart();
        if (!MemoryHeap)
            MemoryServiceStart();
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
                // The logger's clock sees each write a little late or early;
                // a tenth of the wait is left for that.
                EXPECT_GE(received[i + 1].microseconds - received[i].microseconds, waits[i] * 900LL)
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
    QueryLoggerAtStartup();
    EXPECT_EQ(TextsIn(Shown::Memory), std::vector<std::string>{"300"});
    EXPECT_EQ(TextsIn(Shown::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsIn(Shown::Interval), std::vector<std::string>{"Minut"});
    EXPECT_TRUE(TextsIn(Shown::Log).empty());
    EXPECT_EQ(CommandsWithWaits({WaitAfterMemory, WaitAfterReading}), "MTL");
}

TEST_F(LoggerIntegrationTest, ReadShowsAndLogsTheReading)
{
    Connect(Logger);
    ReadSequence();
    EXPECT_EQ(TextsIn(Shown::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsIn(Shown::Memory), std::vector<std::string>{"300"});
    EXPECT_EQ(TextsIn(Shown::Interval), std::vector<std::string>{"Minut"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterReading, WaitAfterMemory}), "TML");
}

// The reply to "W" is never read on its own: it joins the reply to "M"
// (the logger stored one more reading).
TEST_F(LoggerIntegrationTest, WriteJoinsItsReplyToTheMemoryCount)
{
    Connect(Logger);
    WriteSequence();
    EXPECT_EQ(TextsIn(Shown::Memory), std::vector<std::string>{"w301"});
    EXPECT_EQ(TextsIn(Shown::Reading), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{"+21.5"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterWrite, WaitAfterMemory}), "WMT");
}

TEST_F(LoggerIntegrationTest, FormatLogsTheLoggersAnswer)
{
    Connect(Logger);
    FormatSequence();
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{"Memory cleared\r\n"});
    EXPECT_EQ(TextsIn(Shown::Memory), std::vector<std::string>{"0"});
    EXPECT_EQ(CommandsWithWaits({WaitAfterFormat}), "FM");
}

TEST_F(LoggerIntegrationTest, PlusStepsThroughTheIntervals)
{
    Connect(Logger);
    for (int i = 0; i < 4; ++i)
        StepIntervalSequence();
    EXPECT_EQ(TextsIn(Shown::Interval), (std::vector<std::string>{"Hour", "Day", "Minut", "Hour"}));
    EXPECT_EQ(CommandsWithWaits({WaitAfterStep, WaitAfterStep, WaitAfterStep}), "++++");
}

TEST_F(LoggerIntegrationTest, SilentLoggerReadsAsASpace)
{
    Connect("");
    ReadSequence();
    EXPECT_EQ(TextsIn(Shown::Reading), std::vector<std::string>{" "});
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{" "});
    EXPECT_EQ(TextsIn(Shown::Memory), std::vector<std::string>{" "});
    EXPECT_TRUE(TextsIn(Shown::Interval).empty());
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
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{"0001 +20.5\r\n0002 +20.6\r\n0003 +20.7"});
    const std::vector<std::int32_t> positions = ProgressPositions();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), 0);
    int restarts = 0;
    for (std::size_t i = 1; i + 1 < positions.size(); ++i)
        restarts += positions[i] == 0 && positions[i - 1] > 0;
    EXPECT_GE(restarts, 1) << "the progress must start again with a later chunk";
    for (std::int32_t position : positions)
        EXPECT_LT(position, 12);
    EXPECT_TRUE(TextsIn(Shown::NoAnswer).empty());
    EXPECT_EQ(logger_->ReceivedText(), "D");
}

// The logger a user meets: three hundred readings paced at line rate.
TEST_F(LoggerIntegrationTest, DefaultLoggerDumpsItsStoredReadings)
{
    Connect("pacing line-rate\nreadings 0 300\nchunk 0 \"\\0\"\n");
    RunDump();
    const std::vector<std::string> log = TextsIn(Shown::Log);
    ASSERT_EQ(log.size(), 1u);
    std::size_t lines = 0;
    for (char c : log[0])
        lines += c == '\n';
    EXPECT_EQ(lines, 300u);
    EXPECT_EQ(log[0].rfind("0001 ", 0), 0u);
    EXPECT_NE(log[0].find("\r\n0300 "), std::string::npos);
}

// The cable is pulled in the middle of the dump: what came is logged, the
// silence is reported, and the dump ends.
TEST_F(LoggerIntegrationTest, DumpCutByAHangUpEndsWithWhatCame)
{
    Connect("chunk 0 \"0001 +20.5\\r\\n00\"\nhangup\n");
    RunDump();
    EXPECT_EQ(TextsIn(Shown::Log), std::vector<std::string>{"0001 +20.5\r\n00"});
    EXPECT_EQ(TextsIn(Shown::NoAnswer).size(), 1u);
    EXPECT_EQ(ProgressPositions().back(), 0);
}

TEST_F(LoggerIntegrationTest, NoPortSendsNothing)
{
    Connect(Logger);
    PortClose(CurrentPort);
    CurrentPort = 0;
    ReadSequence();
    RunDump();
    EXPECT_EQ(TextsIn(Shown::NoPort).size(), 2u);
    Sleep(100);
    EXPECT_EQ(logger_->ReceivedText(), "");
}

} // namespace
