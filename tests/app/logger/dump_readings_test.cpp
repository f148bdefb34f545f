#include "app/logger/dump_readings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// The lines visited, as their texts.
std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    DumpVisitLines(
        text.data(), text.size(),
        [](void* context, const char* line, std::size_t length, const ReplyNumber&) {
            static_cast<std::vector<std::string>*>(context)->emplace_back(line, length);
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
    for (const auto& [name, seconds] : std::vector<std::pair<const char*, std::uint32_t>>{
             {"Minut", 60}, {"Hour", 3600}, {"Day", 86'400}, {"minut", 0}, {"2", 0}, {"", 0}, {nullptr, 0}})
        EXPECT_EQ(DumpIntervalSeconds(name), seconds) << (name ? name : "null");
    const std::int64_t last = 13'000'000'000;
    EXPECT_EQ(DumpReadingTime(last, 60, 300, 300), last);
    EXPECT_EQ(DumpReadingTime(last, 86'400, 1, 8), last - 7 * 86'400);
    EXPECT_EQ(DumpReadingTime(last, 60, 5, 3), last) << "never after the dump";
}

// A line ends at CR LF, a lone CR or a lone LF, for the lines read and for
// the kept text alike, also when a CR LF is split between two parts.
TEST(DumpReadings, EveryLineEndIsOneWhereverItFalls)
{
    EXPECT_EQ(LinesOf("0001 +20.5\r\n\r\n0002 +20.7\n  \t\rEND\r0003 -1,5"),
              (std::vector<std::string>{"0001 +20.5", "0002 +20.7", "END", "0003 -1,5"}))
        << "blank lines are skipped; the last needs no line end";
    EXPECT_TRUE(LinesOf("\r\n\n\r").empty());

    DumpTextState state{};
    std::string out;
    for (const std::string part : {"\xd2\xe5\xec\xef. 20,5\r", "\n0002\n0003\r0004", "\r\r\n\x98"}) { // "Темп."
        std::string bytes(part.size() * 3, '\0');
        bytes.resize(DumpTextUtf8(state, part.data(), part.size(), bytes.data()));
        out += bytes;
    }
    EXPECT_EQ(out, "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf. 20,5\r\n0002\r\n0003\r\n0004\r\n\r\n\xc2\x98");
    EXPECT_TRUE(state.lineOpen) << "the text ends within a line";
}

} // namespace
