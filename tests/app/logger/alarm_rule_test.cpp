// The alarm's rule as tables of slots: counts of readings beyond a limit,
// margins back inside, slots without a reading between them, a long gap of
// its own, limits changed during an alarm; and the limits as the user types
// them and as they are kept.
#include "app/logger/alarm_rule.h"
#include "app/logger/watch_rows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A slot: a reading, or a gap (NaN).
constexpr double Gap = NAN;

// What each slot changed, as a letter: '.' nothing, 'H', 'L', 'N' an alarm
// of the high limit, the low one or no readings started, 'h', 'l', 'n' one
// ended, 'G' a long gap during an alarm; an end and a start together as both.
std::string Changes(const AlarmLimits& limits, const std::vector<double>& slots, AlarmState state = {})
{
    std::string changes;
    for (double slot : slots) {
        const AlarmStep step =
            std::isnan(slot) ? AlarmTakeGap(state, limits) : AlarmTakeReading(state, limits, slot);
        std::string letters;
        const char* ended = " hln";
        const char* started = " HLN";
        if (step.ended != AlarmKind::None)
            letters += ended[static_cast<int>(step.ended)];
        if (step.started != AlarmKind::None)
            letters += started[static_cast<int>(step.started)];
        if (step.longGap)
            letters += 'G';
        changes += letters.empty() ? "." : letters;
        changes += ' ';
    }
    return changes;
}

AlarmLimits Band(double low, double high)
{
    AlarmLimits limits = AlarmDefaults;
    limits.hasHigh = limits.hasLow = true;
    limits.low = low;
    limits.high = high;
    return limits;
}

TEST(AlarmRule, CountsMarginsAndGapsAsATable)
{
    struct Case {
        const char* name;
        AlarmLimits limits;
        std::vector<double> slots;
        const char* changes;
    };
    AlarmLimits one = Band(2, 8);
    one.readings = 1;
    AlarmLimits highOnly = AlarmDefaults;
    highOnly.hasHigh = true;
    highOnly.high = 8;
    AlarmLimits shortGap = Band(2, 8);
    shortGap.gapSlots = 2;
    AlarmLimits noGapAlarm = Band(2, 8);
    noGapAlarm.gapSlots = 0;
    AlarmLimits wide = Band(2, 8);
    wide.margin = 7;
    const Case cases[] = {
        {"the third of four readings over starts it; back by the margin ends it", Band(2, 8),
         {9, 9, 9, 9, 7.6, 7.5, 5}, ". . H . . h . "},
        {"one reading back breaks the count", Band(2, 8), {9, 9, 8, 9, 9, 9}, ". . . . . H "},
        {"at the limit is inside", Band(2, 8), {8, 8, 8, 2, 2, 2}, ". . . . . . "},
        {"below, and its margin upwards", Band(2, 8), {1, 1, 1, 2.4, 2.5}, ". . L . l "},
        {"gaps neither count nor break the count", Band(2, 8), {9, Gap, 9, Gap, Gap, 9}, ". . . . . H "},
        {"a count of one", one, {9, 7, 1}, "H h L "},
        {"no low limit: nothing below", highOnly, {-50, -50, -50, 9, 9, 9}, ". . . . . H "},
        {"the gap slots of their own", shortGap, {5, Gap, Gap, Gap, 5}, ". . N . n "},
        {"a long gap during an alarm is said once", shortGap, {9, 9, 9, Gap, Gap, Gap, 9, 7}, ". . H . G . . h "},
        {"no gap alarm when it is 0", noGapAlarm, {Gap, Gap, Gap, Gap, Gap, Gap, Gap, Gap, Gap, Gap, Gap}, ". . . . . . . . . . . "},
        {"readings after no readings that complete a count", shortGap, {9, 9, Gap, Gap, 9}, ". . . N nH "},
        {"a margin wider than the band ends high below low", wide, {9, 9, 9, 1.5, 1, 1}, ". . H . h L "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Changes(c.limits, c.slots), c.changes) << c.name;
}

TEST(AlarmRule, LimitsChangedDuringAnAlarmHoldFromTheNextReading)
{
    AlarmState state{};
    AlarmLimits limits = Band(2, 8);
    EXPECT_EQ(Changes(limits, {9, 9, 9}, state), ". . H ");
    state = AlarmState{AlarmKind::High, 8, 3, 0, 0};
    // Raised above the readings: the next one ends it, the limit it started
    // at still told.
    limits.high = 20;
    AlarmStep step = AlarmTakeReading(state, limits, 9);
    EXPECT_EQ(step.ended, AlarmKind::High);
    EXPECT_EQ(step.endedLimit, 8);
    // The high limit taken away during an alarm ends it too.
    state = AlarmState{AlarmKind::High, 8, 3, 0, 0};
    limits.hasHigh = false;
    EXPECT_EQ(AlarmTakeReading(state, limits, 30).ended, AlarmKind::High);
    EXPECT_EQ(state.aboveHigh, 0);
}

TEST(AlarmRule, TypedLimitsAreCheckedAndKeptAsText)
{
    struct Case {
        AlarmTyped typed;
        AlarmCheck check;
    };
    const Case cases[] = {
        {{"25,5", "2", "3", "0.5", "10"}, AlarmCheck::Good},
        {{"", "", "1", "0", "0"}, AlarmCheck::Good},
        {{"8", "2", "3", "7", "10"}, AlarmCheck::WideMargin},
        {{"x", "2", "3", "0.5", "10"}, AlarmCheck::HighNotNumber},
        {{"8", "1.2.3", "3", "0.5", "10"}, AlarmCheck::LowNotNumber},
        {{"8", "2", "0", "0.5", "10"}, AlarmCheck::ReadingsNotCount},
        {{"8", "2", "101", "0.5", "10"}, AlarmCheck::ReadingsNotCount},
        {{"8", "2", "2.5", "0.5", "10"}, AlarmCheck::ReadingsNotCount},
        {{"8", "2", "3", "-1", "10"}, AlarmCheck::MarginNotNumber},
        {{"8", "2", "3", "0.5", ""}, AlarmCheck::GapsNotCount},
        {{"2", "8", "3", "0.5", "10"}, AlarmCheck::LowNotBelowHigh},
        {{"2", "2", "3", "0.5", "10"}, AlarmCheck::LowNotBelowHigh},
    };
    for (const Case& c : cases) {
        AlarmLimits limits = AlarmDefaults;
        limits.readings = 77;
        EXPECT_EQ(AlarmLimitsFromTyped(c.typed, limits), c.check) << c.typed.high << " " << c.typed.low;
        const bool taken = c.check == AlarmCheck::Good || c.check == AlarmCheck::WideMargin;
        EXPECT_EQ(limits.readings != 77, taken) << "what was refused changed nothing";
    }

    AlarmLimits limits{};
    ASSERT_EQ(AlarmLimitsFromTyped({"-0,1", "", "7", "0.25", "0"}, limits), AlarmCheck::Good);
    char text[160];
    AlarmLimitsText(limits, text, sizeof text);
    EXPECT_STREQ(text, "high -0.1 low none readings 7 margin 0.25 gaps 0");
    const AlarmLimits back = AlarmLimitsFromText(text);
    EXPECT_TRUE(back.hasHigh && !back.hasLow);
    EXPECT_EQ(back.high, -0.1);
    EXPECT_EQ(back.readings, 7);
    EXPECT_EQ(back.margin, 0.25);
    EXPECT_EQ(back.gapSlots, 0);
    // Edited by hand: what is no value keeps its default; limits out of
    // order keep neither.
    const AlarmLimits edited = AlarmLimitsFromText("readings 0 margin x gaps 5 high 1 low 4 noise");
    EXPECT_FALSE(edited.hasHigh || edited.hasLow);
    EXPECT_EQ(edited.readings, AlarmDefaults.readings);
    EXPECT_EQ(edited.margin, AlarmDefaults.margin);
    EXPECT_EQ(edited.gapSlots, 5);
    EXPECT_EQ(AlarmLimitsFromText(nullptr).gapSlots, AlarmDefaults.gapSlots);
}

// The record's note column: which limit, with the file's own separator.
TEST(AlarmRule, ARowsNoteSaysWhichLimitWithTheFilesSeparator)
{
    char text[WatchNoteLongest + 1];
    // "тревога: выше 25,5", "тревога: ниже -3", "норма"
    WatchAlarmNoteText(WatchAlarmNote::Above, 25.5, ",", text);
    EXPECT_STREQ(text, "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: "
                       "\xd0\xb2\xd1\x8b\xd1\x88\xd0\xb5 25,5");
    WatchAlarmNoteText(WatchAlarmNote::Below, -3, ",", text);
    EXPECT_STREQ(text, "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: "
                       "\xd0\xbd\xd0\xb8\xd0\xb6\xd0\xb5 -3");
    WatchAlarmNoteText(WatchAlarmNote::Normal, 0, ",", text);
    EXPECT_STREQ(text, "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0");
    EXPECT_EQ(WatchAlarmNoteText(WatchAlarmNote::None, 1, ",", text), 0u);
}

} // namespace
