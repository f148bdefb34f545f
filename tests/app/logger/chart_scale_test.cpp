// The value axis' setting: what the user may type, and the text it is kept as.
#include "app/logger/chart_scale.h"
#include "app/logger/typed_number.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ChartScale, TypedNumbersTakeEitherSeparatorAndNothingElse)
{
    struct Case {
        const char* text;
        bool good;
        double value;
    };
    for (const Case& c : {Case{"20", true, 20}, Case{" -5,25 ", true, -5.25}, Case{"+0.5", true, 0.5},
                          Case{".5", true, 0.5}, Case{"", false, 0}, Case{"1,2,3", false, 0},
                          Case{"1.2,3", false, 0}, Case{"20 C", false, 0}, Case{"--1", false, 0},
                          Case{"abc", false, 0}, Case{"1e999", false, 0}, Case{"nan", false, 0}}) {
        double value = -1;
        EXPECT_EQ(TypedNumber(c.text, value), c.good) << '"' << c.text << '"';
        if (c.good) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
    double ignored = 0;
    EXPECT_FALSE(TypedNumber(std::string(100, '1').c_str(), ignored));

    ChartScale scale{};
    EXPECT_EQ(ChartScaleFromTyped("x", "10", scale), ChartScaleCheck::LowNotNumber);
    EXPECT_EQ(ChartScaleFromTyped("1", "", scale), ChartScaleCheck::HighNotNumber);
    EXPECT_EQ(ChartScaleFromTyped("10", "10", scale), ChartScaleCheck::LowNotBelowHigh);
    EXPECT_FALSE(scale.fixed) << "a refused entry changes nothing";
    EXPECT_EQ(ChartScaleFromTyped("-10,5", "40", scale), ChartScaleCheck::Good);
    EXPECT_TRUE(scale.fixed);
    EXPECT_DOUBLE_EQ(scale.low, -10.5);
}

TEST(ChartScale, TheKeptTextReadsBackAndAnythingElseIsAutomatic)
{
    char text[128];
    for (const ChartScale& scale : {ChartScale{true, -10.5, 40}, ChartScale{true, 0.1, 123456789.25}}) {
        ChartScaleText(scale, text, sizeof text);
        const ChartScale back = ChartScaleFromText(text);
        EXPECT_TRUE(back.fixed) << text;
        EXPECT_EQ(back.low, scale.low) << text;
        EXPECT_EQ(back.high, scale.high) << text;
    }
    ChartScaleText(ChartScale{}, text, sizeof text);
    EXPECT_STREQ(text, "auto");
    for (const char* damaged : {"auto", "", "fixed", "fixed 1", "fixed 5 1", "fixed 1,5 3", "fixed a b", "FIXED 1 2"})
        EXPECT_FALSE(ChartScaleFromText(damaged).fixed) << damaged;
    EXPECT_FALSE(ChartScaleFromText(nullptr).fixed);
}

} // namespace
