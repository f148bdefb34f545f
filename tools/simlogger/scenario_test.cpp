#include "tools/simlogger/logger.h"
#include "tools/simlogger/scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

Scenario Parse(const std::string& text)
{
    ScenarioError error;
    std::optional<Scenario> scenario = ParseScenario(text, error);
    EXPECT_TRUE(scenario.has_value()) << "line " << error.line << ": " << error.message;
    return scenario.value_or(Scenario{});
}

// The bytes a command brings back, all pieces together.
std::string Answer(LoggerState& state, const Scenario& scenario, char command)
{
    std::string bytes;
    for (const Transmission& piece : AnswerCommand(state, scenario, command))
        bytes += piece.bytes;
    return bytes;
}

TEST(ScenarioTest, TextsKeepEveryByteTheirEscapesName)
{
    const struct {
        const char* written;
        std::string bytes;
    } rows[] = {
        {R"("plain")", "plain"},
        {R"("a\0b")", std::string("a\0b", 3)},
        {R"("\r\n\t")", "\r\n\t"},
        {R"("\\ \"")", "\\ \""},
        {R"("\x00\x11\x13\xfF")", std::string("\x00\x11\x13\xff", 4)},
        {R"("# not a comment")", "# not a comment"},
        {R"("")", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.written);
        const Scenario scenario = Parse(std::string("chunk 0 ") + row.written + " # comment\n");
        ASSERT_EQ(scenario.dump.size(), 1u);
        EXPECT_EQ(scenario.dump[0].bytes, row.bytes);
    }
}

TEST(ScenarioTest, BadLinesAreNamedWithTheirNumber)
{
    const struct {
        const char* text;
        int line;
    } rows[] = {
        {"reply T \"unterminated\n", 1},
        {"\n# fine\nreply\n", 3},
        {"reply TT \"x\"\n", 1},
        {"reply T bogus\n", 1},
        {"delay T -5\n", 1},
        {"delay T 12ms\n", 1},
        {"split T 0 15\n", 1},
        {"delay T 60 0\n", 1},
        {"split T 3\n", 1},
        {"chunk 0 bare\n", 1},
        {"chunk \"x\"\n", 1},
        {"pacing fast\n", 1},
        {"interval 4\n", 1},
        {"memory many\n", 1},
        {"hangup now\n", 1},
        {"flood T\n", 1},
        {"flood T \"\"\n", 1},
        {"flood T bare\n", 1},
        {"flood TT \"x\"\n", 1},
        {"frobnicate\n", 1},
        {"reply T \"\\q\"\n", 1},
        {"reply T \"\\x4\"\n", 1},
        {"readings 0 1000000\n", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ScenarioError error;
        EXPECT_FALSE(ParseScenario(row.text, error).has_value());
        EXPECT_EQ(error.line, row.line);
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(ScenarioTest, TheDefaultScenarioParses)
{
    const Scenario scenario = Parse(DefaultScenarioText());
    EXPECT_EQ(scenario.pacing, Pacing::LineRate);
    ASSERT_FALSE(scenario.dump.empty());
    EXPECT_EQ(scenario.dump.back().bytes, std::string(1, '\0'));
}

TEST(LoggerTest, RepliesCycleThroughTheirItemsPerCommand)
{
    const Scenario scenario = Parse("reply T \"a\" \"b\"\nreply M \"m\"\n");
    LoggerState state = StartLogger(scenario);
    EXPECT_EQ(Answer(state, scenario, 'T'), "a");
    EXPECT_EQ(Answer(state, scenario, 'M'), "m");
    EXPECT_EQ(Answer(state, scenario, 'T'), "b");
    EXPECT_EQ(Answer(state, scenario, 'T'), "a");
}

// A reply split across a reader's fixed wait, and a delay that holds only
// the first answers.
TEST(LoggerTest, SplitAndCountedDelaysShapeTheAnswers)
{
    const Scenario scenario = Parse("reply T \"+21.5\" \"+2\"\ndelay T 40 1\nsplit T 3 15\n");
    LoggerState state = StartLogger(scenario);
    const std::vector<Transmission> split = AnswerCommand(state, scenario, 'T');
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(split[0].pauseMilliseconds, 40);
    EXPECT_EQ(split[0].bytes + "|" + split[1].bytes, "+21|.5");
    EXPECT_EQ(split[1].pauseMilliseconds, 15);
    const std::vector<Transmission> whole = AnswerCommand(state, scenario, 'T');
    ASSERT_EQ(whole.size(), 1u) << "too short to split";
    EXPECT_EQ(whole[0].pauseMilliseconds, 0);
}

TEST(LoggerTest, SilentAndUnknownCommandsSendNothing)
{
    const Scenario scenario = Parse("reply W \"w\"\nsilent W\nreply T \"\"\n");
    LoggerState state = StartLogger(scenario);
    EXPECT_TRUE(AnswerCommand(state, scenario, 'W').empty());
    EXPECT_TRUE(AnswerCommand(state, scenario, 'T').empty());
    EXPECT_TRUE(AnswerCommand(state, scenario, 'M').empty());
    EXPECT_TRUE(AnswerCommand(state, scenario, 'D').empty());
    EXPECT_TRUE(AnswerCommand(state, scenario, '\0').empty());
}

TEST(LoggerTest, PlusStepsTheIntervalCodeRound)
{
    const Scenario scenario = Parse("interval 1\nreply L interval\nreply + interval\n");
    LoggerState state = StartLogger(scenario);
    EXPECT_EQ(Answer(state, scenario, 'L'), "1");
    EXPECT_EQ(Answer(state, scenario, '+'), "2");
    EXPECT_EQ(Answer(state, scenario, '+'), "3");
    EXPECT_EQ(Answer(state, scenario, 'L'), "3");
    EXPECT_EQ(Answer(state, scenario, '+'), "1");
}

TEST(LoggerTest, WriteStoresAReadingAndFormatClearsTheMemory)
{
    const Scenario scenario = Parse("memory 300\nreply M memory\nsilent W\nreply F \"ok\"\n");
    LoggerState state = StartLogger(scenario);
    EXPECT_EQ(Answer(state, scenario, 'M'), "300");
    EXPECT_EQ(Answer(state, scenario, 'W'), "");
    EXPECT_EQ(Answer(state, scenario, 'M'), "301");
    EXPECT_EQ(Answer(state, scenario, 'F'), "ok");
    EXPECT_EQ(Answer(state, scenario, 'M'), "0");
}

TEST(LoggerTest, TemperatureDriftsWithinItsStepAndRange)
{
    const Scenario scenario = Parse("temperature -1.0 0.5\nreply T temperature\n");
    LoggerState state = StartLogger(scenario);
    double previous = -1.0;
    bool changed = false;
    for (int i = 0; i < 500; ++i) {
        const std::string text = Answer(state, scenario, 'T');
        ASSERT_TRUE(text[0] == '+' || text[0] == '-') << text;
        const double value = std::stod(text);
        EXPECT_LE(std::abs(value - previous), 0.5 + 0.1) << text;
        EXPECT_GE(value, -6.05);
        EXPECT_LE(value, 4.05);
        changed = changed || value != -1.0;
        previous = value;
    }
    EXPECT_TRUE(changed);
}

TEST(LoggerTest, TemperaturesAreWrittenWithSignAndOneDecimal)
{
    const struct {
        double celsius;
        const char* text;
    } rows[] = {{21.5, "+21.5"}, {-3.04, "-3.0"}, {-0.04, "+0.0"}, {0.06, "+0.1"}, {9.96, "+10.0"}};
    for (const auto& row : rows)
        EXPECT_EQ(FormatTemperature(row.celsius), row.text);
}

TEST(LoggerTest, DumpSendsItsChunksWithPausesThenHangsUp)
{
    const Scenario scenario = Parse("delay D 40\nchunk 10 \"ab\"\nchunk 300 \"c\\0x\"\nhangup\n");
    LoggerState state = StartLogger(scenario);
    const std::vector<Transmission> pieces = AnswerCommand(state, scenario, 'D');
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].pauseMilliseconds, 50); // the delay, then the chunk's own pause
    EXPECT_EQ(pieces[0].bytes, "ab");
    EXPECT_EQ(pieces[1].pauseMilliseconds, 300);
    EXPECT_EQ(pieces[1].bytes, std::string("c\0x", 3));
    EXPECT_FALSE(pieces[1].hangUp);
    EXPECT_TRUE(pieces[2].hangUp);
    EXPECT_TRUE(pieces[2].bytes.empty());
}

TEST(LoggerTest, OnlyTheFloodCommandStartsTheFloodAndItStillAnswers)
{
    const Scenario scenario = Parse("reply T \"+1.0\"\nflood T \"\\xFF\\0\"\n");
    ASSERT_EQ(scenario.floodCommand, 'T');
    EXPECT_EQ(scenario.floodText, std::string("\xFF\0", 2));
    LoggerState state = StartLogger(scenario);
    EXPECT_EQ(Answer(state, scenario, 'M'), "");
    EXPECT_FALSE(state.flooding);
    EXPECT_EQ(Answer(state, scenario, 'T'), "+1.0");
    EXPECT_TRUE(state.flooding);
}

TEST(LoggerTest, StoredReadingsAreNumberedLinesWithoutZeroBytes)
{
    const std::string readings = StoredReadings(300);
    EXPECT_EQ(readings.find('\0'), std::string::npos);
    EXPECT_EQ(readings.substr(0, 12), "0001 +20.5\r\n");
    EXPECT_NE(readings.find("0300 "), std::string::npos);
    std::size_t lines = 0;
    for (char c : readings)
        lines += c == '\n';
    EXPECT_EQ(lines, 300u);
    EXPECT_TRUE(StoredReadings(0).empty());
}

} // namespace
