#include "app/logger/dump_readings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Line {
    std::string text;
    bool found;
    double value;
};

std::vector<Line> LinesOf(const std::string& text)
{
    std::vector<Line> lines;
    DumpVisitLines(
        text.data(), text.size(),
        [](void* context, const char* line, std::size_t length, const ReplyNumber& number) {
            static_cast<std::vector<Line>*>(context)->push_back(
                Line{std::string(line, length), number.found, number.value});
        },
        &lines);
    return lines;
}

DumpSummary SummaryOf(const std::vector<double>& values)
{
    DumpSummary summary{};
    for (double value : values) {
        const std::string text = std::to_string(value);
        DumpSummaryAdd(summary, FindLineNumber(text.c_str(), text.size()));
    }
    return summary;
}

TEST(DumpReadings, EveryLineThatIsNotBlankIsVisitedWhateverEndsIt)
{
    const std::vector<Line> lines = LinesOf("0001 +20.5\r\n\r\n0002 +20.7\n  \t\rEND\r0003 -1,5");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text, "0001 +20.5");
    EXPECT_DOUBLE_EQ(lines[0].value, 20.5);
    EXPECT_EQ(lines[1].text, "0002 +20.7");
    EXPECT_EQ(lines[2].text, "END");
    EXPECT_FALSE(lines[2].found);
    EXPECT_EQ(lines[3].text, "0003 -1,5") << "the last line needs no line end";
    EXPECT_DOUBLE_EQ(lines[3].value, -1.5);
    EXPECT_TRUE(LinesOf("").empty());
    EXPECT_TRUE(LinesOf("\r\n\n\r").empty());
}

// Against values worked out by hand: -E / ln(mean of exp(-E/T)) - 273.15.
TEST(DumpReadings, TheSummaryAndItsMeanKineticTemperature)
{
    const struct {
        std::vector<double> values;
        double low, high, mean, kinetic;
    } cases[] = {
        {{25, 25, 25, 25, 25}, 25, 25, 25, 25},
        {{20, 30}, 20, 30, 25, 26.259887},
        {{2, 4, 6, 8}, 2, 8, 5, 5.302088},
        // Terms far apart: a cold reading's is 1e-20 of a warm one's.
        {{-40, 40}, -40, 40, 0, 33.347365},
        {{-80, 60, 60}, -80, 60, 13.333333, 55.559765},
    };
    for (const auto& c : cases) {
        const DumpSummary summary = SummaryOf(c.values);
        EXPECT_EQ(summary.readings, c.values.size());
        EXPECT_DOUBLE_EQ(summary.low, c.low);
        EXPECT_DOUBLE_EQ(summary.high, c.high);
        EXPECT_NEAR(DumpSummaryMean(summary), c.mean, 1e-6);
        double kinetic = 0;
        ASSERT_TRUE(DumpMeanKinetic(summary, kinetic));
        EXPECT_NEAR(kinetic, c.kinetic, 1e-5);
    }

    DumpSummary summary{};
    double kinetic = 0;
    EXPECT_FALSE(DumpMeanKinetic(summary, kinetic)) << "no readings";
    EXPECT_EQ(DumpSummaryMean(summary), 0);
    DumpSummaryAdd(summary, FindLineNumber("END", 3));
    const std::string huge = "0001 " + std::string(400, '9');
    DumpSummaryAdd(summary, FindLineNumber(huge.c_str(), huge.size()));
    EXPECT_EQ(summary.withoutNumber, 2u) << "a number too large to hold is none";
    EXPECT_EQ(summary.readings, 0u);
    DumpSummaryAdd(summary, FindLineNumber("-300", 4));
    EXPECT_EQ(summary.readings, 1u);
    EXPECT_FALSE(DumpMeanKinetic(summary, kinetic)) << "below absolute zero";
}

TEST(DumpReadings, TimesCountBackFromTheDumpOneIntervalAReading)
{
    EXPECT_EQ(DumpIntervalSeconds("Minut"), 60u);
    EXPECT_EQ(DumpIntervalSeconds("Hour"), 3600u);
    EXPECT_EQ(DumpIntervalSeconds("Day"), 86'400u);
    for (const char* other : {"", "minut", "Minute", "2", "?"})
        EXPECT_EQ(DumpIntervalSeconds(other), 0u) << other;
    EXPECT_EQ(DumpIntervalSeconds(nullptr), 0u);

    const std::int64_t last = 13'000'000'000;
    EXPECT_EQ(DumpReadingTime(last, 60, 300, 300), last);
    EXPECT_EQ(DumpReadingTime(last, 60, 1, 300), last - 299 * 60);
    EXPECT_EQ(DumpReadingTime(last, 3600, 2, 3), last - 3600);
    EXPECT_EQ(DumpReadingTime(last, 86'400, 1, 8), last - 7 * 86'400);
    EXPECT_EQ(DumpReadingTime(last, 60, 5, 3), last) << "never after the dump";
}

TEST(DumpReadings, TheKeptTextIsUtf8WithEveryLineEndOneCrLfAcrossParts)
{
    DumpTextState state{};
    std::string out;
    auto take = [&](const std::string& part) {
        std::string bytes(part.size() * 3, '\0');
        bytes.resize(DumpTextUtf8(state, part.data(), part.size(), bytes.data()));
        out += bytes;
    };
    take("\xd2\xe5\xec\xef. 20,5\r"); // "Темп."
    EXPECT_FALSE(state.lineOpen);
    take("\n0002\n0003\r0004");
    EXPECT_TRUE(state.lineOpen);
    take("\r\r\n\x98");
    EXPECT_EQ(out, "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf. 20,5\r\n0002\r\n0003\r\n0004\r\n\r\n\xc2\x98");
}

} // namespace
