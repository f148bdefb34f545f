// A watch's portable parts: the schedule on a virtual clock, the number taken
// from a reply, the record's rows and file name, and the readings kept for
// the chart.
#include "app/logger/watch_readings.h"
#include "app/logger/watch_record.h"
#include "app/logger/watch_schedule.h"
#include "logger_heaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// What a producer wrote after the text already in the buffer, which it must
// leave alone.
template <typename Producer>
std::string Produced(Producer produce)
{
    StartLoggerHeaps();
    TempSetLength(0);
    TempAppend("kept");
    produce(TempLength);
    std::string text(TempBuffer, static_cast<std::size_t>(TempLength));
    TempSetLength(0);
    EXPECT_EQ(text.substr(0, 4), "kept");
    return text.substr(4);
}

TEST(WatchSchedule, SlotsStayOnTheGridSkippedOnesAreNotMadeUpAndANewIntervalStartsAtTheNextSlot)
{
    EXPECT_EQ(WatchIntervals[WatchIntervalIndex(300)].seconds, 300u);
    for (std::uint32_t unknown : {0u, 3u, 86400u, 0xFFFFFFFFu})
        EXPECT_EQ(WatchIntervalIndex(unknown), WatchDefaultInterval);

    // Start at 5000 with 10 s. Each step: the clock, then the slot taken
    // (0 for none) and the wait to the next one.
    WatchSchedule schedule = WatchScheduleStart(5000, 10);
    const struct {
        std::uint64_t now, slot;
        std::uint32_t delay;
    } steps[] = {
        {5000, 5000, 10000},     // the first reading at once
        {14990, 0, 10},          // a timer a little early
        {15250, 15000, 9750},    // late, and the next slot does not move
        {25000, 25000, 10000},
        {67000, 65000, 8000},    // a long stall: one reading, for the latest slot
        {1000075000, 1000075000, 10000},
    };
    for (const auto& step : steps) {
        std::uint64_t slot = 0;
        EXPECT_EQ(WatchPassDueSlots(schedule, step.now, slot), step.slot != 0) << step.now;
        EXPECT_EQ(slot, step.slot) << step.now;
        EXPECT_EQ(WatchDelay(schedule, step.now), step.delay) << step.now;
    }

    // Change to 1 min at 1000078000: the next slot stays at 1000085000, and
    // the one after it is a minute later.
    WatchChangeInterval(schedule, 60, 1000078000);
    std::uint64_t slot = 0;
    EXPECT_TRUE(WatchPassDueSlots(schedule, 1000085000, slot));
    EXPECT_EQ(slot, 1000085000u);
    EXPECT_EQ(WatchDelay(schedule, 1000085000), 60000u);

    // Back to 1 s at 1000100000: the grid starts again a second later, not
    // at the minute's end.
    WatchChangeInterval(schedule, 1, 1000100000);
    EXPECT_EQ(WatchDelay(schedule, 1000100000), 1000u);
    EXPECT_TRUE(WatchPassDueSlots(schedule, 1000101000, slot));
    EXPECT_EQ(slot, 1000101000u);

    // At the clock's very end the schedule neither wraps nor divides by zero.
    schedule = WatchScheduleStart(UINT64_MAX - 1, 0);
    EXPECT_TRUE(WatchPassDueSlots(schedule, UINT64_MAX, slot));
    EXPECT_EQ(schedule.nextSlot, UINT64_MAX);
}

TEST(WatchRecord, TheNumberIsTheReplysFirstDecimalNumber)
{
    const struct {
        const char* reply;
        std::string text; // with "," as the decimal separator
        double value;
    } rows[] = {
        {"T=+21.5C\r\n", "21,5", 21.5},
        {"-0,5", "-0,5", -0.5},
        {"12.", "12", 12},
        {".5", "0,5", 0.5},
        {"t -.25", "-0,25", -0.25},
        {"--3", "-3", -3},
        {"- 3", "3", 3},
        {"1.2.3", "1,2", 1.2},
        {"007.50", "7,50", 7.5},
        {"\xd2\xe5\xec\xef. 19,0 \xb0\x43", "19,0", 19}, // "Темп. 19,0 °C"
        {"", "", 0},
        {"-", "", 0},
        {"\xc5\xd0\xd0. \r\n", "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        const ReplyNumber number = FindReplyNumber(row.reply);
        EXPECT_EQ(number.found, !row.text.empty());
        EXPECT_DOUBLE_EQ(number.value, row.value);
        EXPECT_EQ(Produced([&](std::int32_t at) { ReplyNumberText(number, ",", at); }), row.text);
    }
    EXPECT_FALSE(FindReplyNumber(nullptr).found);
    const std::string digits(400, '9');
    const std::string longReply = "x" + digits + ".5";
    const ReplyNumber huge = FindReplyNumber(longReply.c_str());
    EXPECT_TRUE(std::isinf(huge.value));
    EXPECT_EQ(Produced([&](std::int32_t at) { ReplyNumberText(huge, " dec ", at); }), digits + " dec 5");
}

std::string Row(const char* reply, const char* list, const char* decimal, WatchClock time = {2026, 12, 9, 1, 2, 3})
{
    return Produced([&](std::int32_t at) { EXPECT_TRUE(WatchRowText(time, reply, {list, decimal}, at)); });
}

TEST(WatchRecord, RowsJoinTheirFieldsByTheListSeparatorAndQuoteWhatWouldSplitThem)
{
    const std::string time = "2026-12-09 01:02:03";
    EXPECT_EQ(Row("+21.5\r\n", ";", ","), time + ";21,5;+21.5\r\n");
    EXPECT_EQ(Row("21.5", ",", ","), time + ",\"21,5\",21.5\r\n");
    EXPECT_EQ(Row("say \"hi\"\r\nagain\r\r\n", ";", "."), time + ";;\"say \"\"hi\"\"\r\nagain\"\r\n");
    EXPECT_EQ(Row(nullptr, " ; ", "."), "\"" + time + "\" ;  ; \r\n");
    // A field ending with the start of a longer separator is quoted too.
    EXPECT_EQ(Row("a|", "||", "."), time + "||||\"a|\"\r\n");
    // Empty separators and one with a quote fall back to "," and ".".
    EXPECT_EQ(Row("1,5", "", nullptr), time + ",1.5,\"1,5\"\r\n");
    EXPECT_EQ(Row("x", "\"", ""), time + ",,x\r\n");
    EXPECT_EQ(Row("", ";", ".", {123456, 0, -4, 24, 99, 60}), "9999-00-00 24:99:60;;\r\n");

    EXPECT_EQ(Produced([](std::int32_t at) { WatchHeaderText({";", ","}, at); }),
              "\xc2\xf0\xe5\xec\xff;\xd2\xe5\xec\xef\xe5\xf0\xe0\xf2\xf3\xf0\xe0;\xce\xf2\xe2\xe5\xf2\r\n");

    // A reply of quotes long enough to grow the buffer while it is quoted.
    const std::string quotes(40000, '"');
    EXPECT_EQ(Row(quotes.c_str(), ";", "."), time + ";;\"" + quotes + quotes + "\"\r\n");
}

TEST(WatchRecord, TheFileNameCarriesTheStartAndTheTry)
{
    const WatchClock start{2026, 1, 31, 23, 5, 9};
    for (const auto& [attempt, name] : std::vector<std::pair<std::int32_t, std::string>>{
             {1, "korvane-watch-20260131-230509.csv"},
             {0, "korvane-watch-20260131-230509.csv"},
             {2, "korvane-watch-20260131-230509-2.csv"},
             {1000, "korvane-watch-20260131-230509-1000.csv"}})
        EXPECT_EQ(Produced([&](std::int32_t at) { WatchFileName(start, attempt, at); }), name);
}

TEST(WatchReadings, TheLatestReadingsStayInOrderWithTheirGaps)
{
    StartLoggerHeaps();
    EXPECT_LE(sizeof(WatchReading), 16u);
    WatchReadings readings{};
    const std::string digits(60, '1');
    WatchReadingsAdd(readings, 1, FindReplyNumber("-2.5"));
    WatchReadingsAdd(readings, 2, FindReplyNumber(nullptr));
    WatchReadingsAdd(readings, 3, FindReplyNumber(digits.c_str())); // beyond a float: a gap
    EXPECT_EQ(readings.capacity, WatchReadingsChunk);
    ASSERT_EQ(readings.count, 3);
    EXPECT_FLOAT_EQ(WatchReadingAt(readings, 0).value, -2.5f);
    EXPECT_TRUE(WatchReadingAt(readings, 0).present);
    EXPECT_FALSE(WatchReadingAt(readings, 1).present);
    EXPECT_FALSE(WatchReadingAt(readings, 2).present);
    EXPECT_EQ(WatchReadingAt(readings, 3).time, 0u);
    EXPECT_EQ(WatchReadingAt(readings, -1).time, 0u);

    const ReplyNumber one = FindReplyNumber("1");
    for (std::uint64_t time = 4; time <= WatchReadingsMaximum + 10; ++time)
        WatchReadingsAdd(readings, time, one);
    EXPECT_EQ(readings.count, WatchReadingsMaximum);
    EXPECT_EQ(WatchReadingAt(readings, 0).time, 11u);
    EXPECT_EQ(WatchReadingAt(readings, WatchReadingsMaximum - 1).time, WatchReadingsMaximum + 10u);

    WatchReadingsClear(readings);
    EXPECT_EQ(readings.count, 0);
    EXPECT_EQ(HeapBlockCount(MemoryHeap), 0u);
}

} // namespace
