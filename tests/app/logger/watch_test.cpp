// A watch's portable parts: the schedule on a virtual clock, the number taken
// from a reply, the record's rows and file name, and the readings kept for
// the chart.
#include "app/logger/watch_readings.h"
#include "app/logger/watch_record.h"
#include "app/logger/watch_schedule.h"
#include "app/logger/watch_rows.h"
#include "app/logger/watch_writer.h"
#include "logger_heaps.h"
#include "tests/support/record_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// A text written to a buffer of the longest size, which must not be
// written past.
template <typename Writer>
std::string Written(Writer write)
{
    std::string out(WatchRowLongest + 1, '#');
    const std::size_t length = write(out.data());
    EXPECT_LE(length, WatchRowLongest);
    EXPECT_EQ(out.back(), '#');
    return out.substr(0, length);
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
        std::uint64_t missed;
    } steps[] = {
        {5000, 5000, 10000, 0},     // the first reading at once
        {14990, 0, 10, 0},          // a timer a little early
        {15250, 15000, 9750, 0},    // late, and the next slot does not move
        {25000, 25000, 10000, 0},
        {67000, 65000, 8000, 3},    // a long stall: one reading, for the latest slot
        {1000075000, 1000075000, 10000, 100000},
    };
    for (const auto& step : steps) {
        std::uint64_t slot = 0;
        std::uint64_t missed = 99;
        EXPECT_EQ(WatchPassDueSlots(schedule, step.now, slot, missed), step.slot != 0) << step.now;
        EXPECT_EQ(slot, step.slot) << step.now;
        if (step.slot != 0) {
            EXPECT_EQ(missed, step.missed) << step.now;
        }
        EXPECT_EQ(WatchDelay(schedule, step.now), step.delay) << step.now;
    }

    // Change to 1 min at 1000078000: the next slot stays at 1000085000, and
    // the one after it is a minute later.
    WatchChangeInterval(schedule, 60, 1000078000);
    std::uint64_t slot = 0;
    std::uint64_t missed = 0;
    EXPECT_TRUE(WatchPassDueSlots(schedule, 1000085000, slot, missed));
    EXPECT_EQ(slot, 1000085000u);
    EXPECT_EQ(WatchDelay(schedule, 1000085000), 60000u);

    // Back to 1 s at 1000100000: the grid starts again a second later, not
    // at the minute's end.
    WatchChangeInterval(schedule, 1, 1000100000);
    EXPECT_EQ(WatchDelay(schedule, 1000100000), 1000u);
    EXPECT_TRUE(WatchPassDueSlots(schedule, 1000101000, slot, missed));
    EXPECT_EQ(slot, 1000101000u);

    // At the clock's very end the schedule neither wraps nor divides by zero.
    schedule = WatchScheduleStart(UINT64_MAX - 1, 0);
    EXPECT_TRUE(WatchPassDueSlots(schedule, UINT64_MAX, slot, missed));
    EXPECT_EQ(schedule.nextSlot, UINT64_MAX);
}

// A reply's rule takes the first number, a dump line's the last, with a
// date's dashes no signs; side by side, so that where they differ shows.
TEST(WatchRecord, AReplyGivesItsFirstNumberAndADumpLineItsLast)
{
    const struct {
        const char* reply;
        std::string text; // with "," as the decimal separator
        double value;
        std::string lineText; // the same as a dump's line
    } rows[] = {
        {"T=+21.5C\r\n", "21,5", 21.5, "21,5"},
        {"-0,5", "-0,5", -0.5, "-0,5"},
        {"12.", "12", 12, "12"},
        {".5", "0,5", 0.5, "0,5"},
        {"t -.25", "-0,25", -0.25, "-0,25"},
        {"--3", "-3", -3, "-3"},
        {"- 3", "3", 3, "3"},
        {"1.2.3", "1,2", 1.2, "1,2"},
        {"007.50", "7,50", 7.5, "7,50"},
        {"\xd2\xe5\xec\xef. 19,0 \xb0\x43", "19,0", 19, "19,0"}, // "Темп. 19,0 °C"
        {"", "", 0, ""},
        {"-", "", 0, ""},
        {"\xc5\xd0\xd0. \r\n", "", 0, ""},
        {"0001 +20.5", "1", 1, "20,5"},
        {"12:30 20.5", "12", 12, "20,5"},
        {"T=20,5 C", "20,5", 20.5, "20,5"},
        {"0042 -7", "42", 42, "-7"},
        {"2024-01-05 12:30:00 -3.5", "2024", 2024, "-3,5"},
        {"2024-01-05", "2024", 2024, "5"},
        {"0007;20,5;-1.25", "7", 7, "-1,25"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        const ReplyNumber number = FindReplyNumber(row.reply);
        EXPECT_EQ(number.found, !row.text.empty());
        EXPECT_DOUBLE_EQ(number.value, row.value);
        EXPECT_EQ(Written([&](char* out) { return ReplyNumberText(number, ",", out); }), row.text);
        const ReplyNumber last = FindLineNumber(row.reply, std::strlen(row.reply));
        EXPECT_EQ(Written([&](char* out) { return ReplyNumberText(last, ",", out); }), row.lineText);
        std::string point = row.lineText;
        std::replace(point.begin(), point.end(), ',', '.');
        EXPECT_DOUBLE_EQ(last.value, point.empty() ? 0 : std::stod(point));
    }
    // A line is not read past its length.
    EXPECT_EQ(Written([](char* out) { return ReplyNumberText(FindLineNumber("0001 20.5", 6), ".", out); }), "2");
    EXPECT_FALSE(FindReplyNumber(nullptr).found);
    const std::string digits(400, '9');
    const std::string longReply = "x" + digits + ".5";
    const ReplyNumber huge = FindReplyNumber(longReply.c_str());
    EXPECT_TRUE(std::isinf(huge.value));
    // The text keeps a row's longest of its digits.
    EXPECT_EQ(Written([&](char* out) { return ReplyNumberText(huge, " dec ", out); }),
              std::string(WatchRowReplyLongest, '9') + " dec 5");
}

std::string Row(const char* reply, const char* list, const char* decimal, const char* note = "",
                WatchClock local = {2026, 12, 9, 1, 2, 3})
{
    const WatchRow row{local, {2026, 12, 8, 22, 2, 3}, reply, note};
    return Written([&](char* out) { return WatchRowText(row, {list, decimal}, out); });
}

TEST(WatchRecord, RowsJoinTheirFieldsByTheListSeparatorAndQuoteWhatWouldSplitThem)
{
    const std::string time = "2026-12-09 01:02:03";
    const std::string utc = "2026-12-08 22:02:03";
    EXPECT_EQ(Row("+21.5\r\n", ";", ","), time + ";21,5;+21.5;" + utc + ";\r\n");
    EXPECT_EQ(Row("21.5", ",", ","), time + ",\"21,5\",21.5," + utc + ",\r\n");
    // A reply's line ends inside it stay as they came, quoted.
    EXPECT_EQ(Row("say \"hi\"\r\nagain\n\r\r\n", ";", "."), time + ";;\"say \"\"hi\"\"\r\nagain\";" + utc + ";\r\n");
    EXPECT_EQ(Row(nullptr, " ; ", "."), "\"" + time + "\" ;  ;  ; \"" + utc + "\" ; \r\n");
    // A field ending with the start of a longer separator is quoted too.
    EXPECT_EQ(Row("a|", "||", "."), time + "||||\"a|\"||" + utc + "||\r\n");
    // Empty separators and one with a quote fall back to "," and ".".
    EXPECT_EQ(Row("1,5", "", nullptr), time + ",1.5,\"1,5\"," + utc + ",\r\n");
    EXPECT_EQ(Row("x", "\"", ""), time + ",,x," + utc + ",\r\n");
    EXPECT_EQ(Row("", ";", ".", "", {123456, 0, -4, 24, 99, 60}), "9999-00-00 24:99:60;;;" + utc + ";\r\n");
    // The reply's 1251 bytes and any separator and note read right as UTF-8:
    // "Темп. 19,5 °C", a separator outside 1251, a gap's note.
    EXPECT_EQ(Row("\xd2\xe5\xec\xef. 19,5 \xb0\x43", "\xe2\x80\xa2", "\xd9\xab", "\xd0\xbd\xd0\xb5\xd1\x82"),
              time + "\xe2\x80\xa2" + "19\xd9\xab" "5\xe2\x80\xa2\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf. 19,5 \xc2\xb0\x43\xe2\x80\xa2" +
                  utc + "\xe2\x80\xa2\xd0\xbd\xd0\xb5\xd1\x82\r\n");

    EXPECT_EQ(Written([](char* out) { return WatchHeaderText({";", ","}, out); }),
              "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f;\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82"
              "\xd1\x83\xd1\x80\xd0\xb0;\xd0\x9e\xd1\x82\xd0\xb2\xd0\xb5\xd1\x82;\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f "
              "UTC;\xd0\x9f\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x87\xd0\xb0\xd0\xbd\xd0\xb8\xd0\xb5\r\n");

    // The longest row the limits allow fits its buffer: a reply of quotes and
    // of bytes three UTF-8 bytes long, and separators and a note cut at a
    // whole character.
    const std::string quotes(WatchRowReplyLongest + 100, '"');
    EXPECT_EQ(Row(quotes.c_str(), ";", "."), time + ";;\"" + std::string(2 * WatchRowReplyLongest, '"') + "\";" + utc + ";\r\n");
    const std::string euros(WatchRowReplyLongest + 100, '\x88');
    std::string separator;
    for (int i = 0; i < 40; ++i)
        separator += "\xe2\x80\xa2";
    const std::string note(WatchNoteLongest * 2, '\'');
    const std::string cut = separator.substr(0, 30);
    std::string euroText;
    for (std::size_t i = 0; i < WatchRowReplyLongest; ++i)
        euroText += "\xe2\x82\xac";
    // The reply holds the separator's first byte, so it is quoted.
    EXPECT_EQ(Row(euros.c_str(), separator.c_str(), separator.c_str(), note.c_str()),
              time + cut + cut + "\"" + euroText + "\"" + cut + utc + cut + std::string(WatchNoteLongest, '\'') + "\r\n");
}

TEST(WatchRecord, TheFileNameCarriesTheStartAndTheTry)
{
    const WatchClock start{2026, 1, 31, 23, 5, 9};
    for (const auto& [attempt, name] : std::vector<std::pair<std::int32_t, std::string>>{
             {1, "korvane-watch-20260131-230509.csv"},
             {0, "korvane-watch-20260131-230509.csv"},
             {2, "korvane-watch-20260131-230509-2.csv"},
             {1000, "korvane-watch-20260131-230509-1000.csv"}}) {
        char text[64];
        EXPECT_EQ(WatchFileName(start, attempt, text), name.size());
        EXPECT_EQ(text, name);
    }
    char text[64];
    DumpFileName(start, 1, ".txt", text);
    EXPECT_STREQ(text, "korvane-dump-20260131-230509.txt");
    DumpFileName(start, 3, ".csv", text);
    EXPECT_STREQ(text, "korvane-dump-20260131-230509-3.csv");
}

// A dump's table: its own header, the reading's place, the times when the
// interval gave them and empty fields when not, the line as sent.
TEST(WatchRecord, ADumpsRowsNumberTheReadingsAndKeepTheirLines)
{
    const WatchSeparators separators{";", ","};
    EXPECT_EQ(Written([&](char* out) { return DumpHeaderText(separators, out); }),
              "\xe2\x84\x96;\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f (\xd0\xbe\xd1\x86\xd0\xb5\xd0\xbd\xd0\xba\xd0\xb0);"
              "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82\xd1\x83\xd1\x80\xd0\xb0;"
              "\xd0\xa1\xd1\x82\xd1\x80\xd0\xbe\xd0\xba\xd0\xb0;"
              "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f UTC (\xd0\xbe\xd1\x86\xd0\xb5\xd0\xbd\xd0\xba\xd0\xb0)\r\n");
    const char line[] = "0012;+20.5 \xb0\x43\r\n"; // "°C"
    DumpRow row{12, true, {2026, 3, 29, 3, 1, 0}, {2026, 3, 29, 0, 1, 0}, FindLineNumber(line, sizeof line - 1), line, sizeof line - 1};
    EXPECT_EQ(Written([&](char* out) { return DumpRowText(row, separators, out); }),
              "12;2026-03-29 03:01:00;20,5;\"0012;+20.5 \xc2\xb0\x43\";2026-03-29 00:01:00\r\n");
    row.timed = false;
    row.number = 1;
    EXPECT_EQ(Written([&](char* out) { return DumpRowText(row, separators, out); }),
              "1;;20,5;\"0012;+20.5 \xc2\xb0\x43\";\r\n");
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

namespace {

constexpr std::int64_t Hour = 3600;
// 2026-03-29 00:00 UTC in seconds since 1601.
const std::int64_t SpringDay = WatchSecondsFromClock({2026, 3, 29, 0, 0, 0});

TEST(WatchTimeline, RowsKeepTheirSecondsThroughNewTiesAndNeverGoBack)
{
    for (const WatchClock clock : {WatchClock{1601, 1, 1, 0, 0, 0}, WatchClock{2024, 2, 29, 23, 59, 59},
                                   WatchClock{2100, 3, 1, 12, 0, 0}, WatchClock{30827, 12, 31, 23, 59, 59}}) {
        const WatchClock back = WatchClockFromSeconds(WatchSecondsFromClock(clock));
        EXPECT_EQ(std::vector<int>({back.year, back.month, back.day, back.hour, back.minute, back.second}),
                  std::vector<int>({clock.year, clock.month, clock.day, clock.hour, clock.minute, clock.second}));
    }
    EXPECT_EQ(WatchSecondsFromClock({1970, 1, 1, 0, 0, 0}), 11'644'473'600);

    // Tied at tick 1000 to 12:00:00.400; slots every second from there.
    WatchTimeline timeline{};
    const std::int64_t noon = (SpringDay + 12 * Hour) * 1000;
    WatchAnchor(timeline, 1000, noon + 400);
    EXPECT_EQ(WatchRowsTime(timeline, 1000, 1, 1), SpringDay + 12 * Hour);
    EXPECT_EQ(WatchRowsTime(timeline, 2000, 3, 1), SpringDay + 12 * Hour + 1);
    // A new tie 300 ms off keeps the phase; one 2.6 s on moves it 3 s.
    WatchAnchor(timeline, 5000, noon + 4700);
    EXPECT_EQ(WatchRowsTime(timeline, 5000, 1, 1), SpringDay + 12 * Hour + 4);
    WatchAnchor(timeline, 6000, noon + 5400 + 2600);
    EXPECT_EQ(WatchRowsTime(timeline, 6000, 1, 1), SpringDay + 12 * Hour + 8);
    // The clock set back an hour: rows go on one second after the last.
    WatchAnchor(timeline, 7000, noon + 6400 - Hour * 1000);
    EXPECT_EQ(WatchRowsTime(timeline, 7000, 1, 1), SpringDay + 12 * Hour + 9);
    EXPECT_EQ(WatchRowsTime(timeline, 8000, 1, 1), SpringDay + 12 * Hour + 10);

    // A resume on a 10 s grid: the first slot on the grid at or after now,
    // and the grid's slots missed meanwhile.
    const std::int64_t last = SpringDay;
    const struct {
        std::int64_t now; // milliseconds after the last row
        std::uint64_t delay, notRunning;
    } resumes[] = {
        {3000, 7000, 0}, {10000, 0, 0}, {10001, 9999, 1}, {35000, 5000, 3}, {-Hour * 1000, Hour * 1000 + 10000, 0},
    };
    for (const auto& resume : resumes) {
        std::uint64_t notRunning = 99;
        EXPECT_EQ(WatchResumeDelay(last, last * 1000 + resume.now, 10, notRunning), resume.delay) << resume.now;
        EXPECT_EQ(notRunning, resume.notRunning) << resume.now;
    }
}

TEST(WatchRecord, AResumeReadsTheFilesSeparatorAndItsLastWholeRowBack)
{
    for (const char* list : {";", "||", "\xe2\x80\xa2", ":"}) {
        SCOPED_TRACE(list);
        std::string file = "\xef\xbb\xbf" + Written([&](char* out) { return WatchHeaderText({list, "."}, out); });
        char read[WatchSeparatorLongest + 1] = {};
        EXPECT_TRUE(WatchFileListSeparator(file.data(), file.size(), read));
        EXPECT_STREQ(read, list);
        // Rows with a quoted reply holding a line end and a quoted note; then
        // a row cut short.
        const WatchRow rows[] = {
            {{2026, 10, 25, 2, 30, 0}, {2026, 10, 25, 0, 30, 0}, "a\r\nb\"", ""},
            {{2026, 10, 25, 2, 30, 1}, {2026, 10, 25, 0, 30, 1}, nullptr, "x\"y:z"},
        };
        for (const WatchRow& row : rows) {
            file += Written([&](char* out) { return WatchRowText(row, {list, "."}, out); });
            const WatchFileTail tail = WatchReadTail(file.data(), file.size(), list);
            EXPECT_EQ(tail.wholeLength, file.size());
            EXPECT_TRUE(tail.timed);
            EXPECT_EQ(tail.lastUtc, WatchSecondsFromClock(row.utc));
        }
        const std::size_t whole = file.size();
        file += "2026-10-25 02:30:02;2";
        EXPECT_EQ(WatchReadTail(file.data(), file.size(), list).wholeLength, whole);
    }
    // Not a header, and a file of the header alone, with no time to read.
    char read[WatchSeparatorLongest + 1] = {};
    const std::string other = "\xef\xbb\xbfTime;Temperature\r\n";
    EXPECT_FALSE(WatchFileListSeparator(other.data(), other.size(), read));
    EXPECT_FALSE(WatchFileListSeparator("\xef\xbb", 2, read));
    const WatchFileTail tail = WatchReadTail(other.data(), other.size(), ";");
    EXPECT_EQ(tail.wholeLength, other.size());
    EXPECT_FALSE(tail.timed);
    EXPECT_EQ(WatchReadTail("no line end", 11, ";").wholeLength, 0u);
}

// A record file in memory, failing when told. Bytes written after the last
// flush are what a crash could lose; a recover cuts back to its length.
struct MemoryFile {
    std::string bytes;
    std::size_t flushed = 0;
    std::int32_t writes = 0, flushes = 0;
    std::vector<std::int32_t> failingWrites, failingFlushes;
    bool broken = false;
    bool wroteWhileBroken = false;

    static bool Write(void* context, const char* data, std::size_t length)
    {
        auto& file = *static_cast<MemoryFile*>(context);
        file.wroteWhileBroken = file.wroteWhileBroken || file.broken;
        if (std::find(file.failingWrites.begin(), file.failingWrites.end(), ++file.writes) != file.failingWrites.end()) {
            // Half of it reaches the file, as a write cut short by the share going.
            file.bytes.append(data, length / 2);
            file.broken = true;
            return false;
        }
        file.bytes.append(data, length);
        return true;
    }
    static bool Flush(void* context)
    {
        auto& file = *static_cast<MemoryFile*>(context);
        if (std::find(file.failingFlushes.begin(), file.failingFlushes.end(), ++file.flushes) != file.failingFlushes.end()) {
            file.broken = true;
            return false;
        }
        file.flushed = file.bytes.size();
        return true;
    }
    static bool Recover(void* context, std::uint64_t length)
    {
        auto& file = *static_cast<MemoryFile*>(context);
        EXPECT_LE(length, file.bytes.size());
        file.bytes.resize(static_cast<std::size_t>(length));
        file.broken = false;
        return true;
    }
};

// Central European time: summer from the last Sunday of March, 01:00 UTC,
// to the last Sunday of October, 01:00 UTC.
WatchClock EuropeanTime(std::int64_t utc)
{
    const std::int64_t spring = SpringDay + Hour;
    const std::int64_t autumn = WatchSecondsFromClock({2026, 10, 25, 1, 0, 0});
    return WatchClockFromSeconds(utc + (utc >= spring && utc < autumn ? 2 : 1) * Hour);
}

std::string LocalText(const WatchClock& c)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
    return text;
}

// The watch as the program runs it, on a virtual tick count and a virtual
// system clock: a slot at a time, its rows handed to the writer, the writer
// run every minute as the thread would be woken.
struct WeekWatch {
    MemoryFile file;
    WatchSink sink{&file, MemoryFile::Write, MemoryFile::Flush, MemoryFile::Recover, EuropeanTime};
    WatchWriter* writer = new WatchWriter{};
    WatchSchedule schedule{};
    WatchTimeline timeline{};
    std::uint64_t tick = 0;
    std::int64_t clockOffset = 0; // the system's UTC milliseconds less the tick count
    std::uint64_t handed = 0, readings = 0;
    std::size_t mostWaiting = 0, bytesWaiting = 0;

    ~WeekWatch()
    {
        WatchRowsClear(writer->rows);
        delete writer;
    }
    std::int64_t Utc() const { return static_cast<std::int64_t>(tick) + clockOffset; }

    void Start(std::uint64_t startTick)
    {
        tick = startTick;
        schedule = WatchScheduleStart(tick, 1);
        timeline = WatchTimeline{};
        WatchAnchor(timeline, tick, Utc());
    }

    // Runs every slot due until `until` on the tick count, `asleep` of that
    // time asleep.
    void RunUntil(std::uint64_t until, bool asleep = false)
    {
        for (; tick <= until; tick += 1000) {
            std::uint64_t slot = 0, missed = 0;
            if (!WatchPassDueSlots(schedule, tick, slot, missed))
                continue;
            const bool silent = slot / 1000 % 97 == 0;
            std::int64_t utc = 0;
            ASSERT_TRUE(WatchRowsAddSlot(writer->rows, timeline, 1,
                                         {slot, missed, asleep ? WatchGap::Asleep : WatchGap::Missed,
                                          silent ? WatchGap::NoReply : WatchGap::None, "+20.5\r\n", 7, WatchAlarmNote::None, 0},
                                         utc));
            handed += missed + 1;
            readings += silent ? 0 : 1;
            if (writer->rows.rows > mostWaiting) {
                mostWaiting = writer->rows.rows;
                bytesWaiting = writer->rows.bytes;
            }
            if (slot / 1000 % 60 == 0)
                WatchWriterRun(*writer, sink);
        }
    }
};

TEST(WatchWeek, EverySlotOfAWeekAtOneSecondIsOneRowThroughSleepRestartClockChangesAndFailingWrites)
{
    WeekWatch watch;
    // Ten failures: writes cut short and flushes refused, some in a row.
    watch.file.failingWrites = {3, 4, 5, 900, 2000, 2001};
    watch.file.failingFlushes = {10, 11, 3000, 3001};
    std::strcpy(watch.writer->list, ";");
    std::strcpy(watch.writer->decimal, ",");
    // From 2026-03-28 12:00 UTC, across the spring change.
    watch.clockOffset = (SpringDay - 12 * Hour) * 1000 - 5000;
    watch.Start(5000);
    ASSERT_TRUE(WatchWriterBegin(*watch.writer, watch.sink));
    const std::uint64_t day = 86'400'000;
    watch.RunUntil(5000 + day);
    // Eight hours asleep: the tick count goes on, no slot runs, and the
    // resume ties the timeline again.
    watch.tick += 8 * Hour * 1000;
    WatchAnchor(watch.timeline, watch.tick, watch.Utc());
    watch.RunUntil(watch.tick, true);
    watch.RunUntil(5000 + 3 * day);

    // The program ends at the session's end, its last rows flushed, and a
    // power cut then leaves a row cut short after them. Two hours later it
    // starts again with a new tick count and resumes on the file's grid.
    EXPECT_TRUE(WatchWriterRun(*watch.writer, watch.sink));
    watch.file.bytes += "2026-03-31 1";
    const std::int64_t endedAt = watch.Utc();
    const WatchFileTail tail = WatchReadTail(watch.file.bytes.data(), watch.file.bytes.size(), ";");
    ASSERT_TRUE(tail.timed);
    watch.file.bytes.resize(tail.wholeLength);
    const std::uint64_t startTick = 77'000;
    watch.clockOffset = endedAt + 2 * Hour * 1000 + 300 - static_cast<std::int64_t>(startTick);
    watch.Start(startTick);
    std::uint64_t notRunning = 0;
    const std::uint64_t delay = WatchResumeDelay(tail.lastUtc, watch.Utc(), 1, notRunning);
    EXPECT_EQ(notRunning, 2 * Hour + 1); // the slot due as it ended, and two hours of them
    watch.schedule = WatchScheduleStart(startTick + delay, 1);
    watch.timeline.lastRow = tail.lastUtc;
    watch.timeline.rowed = true;
    ASSERT_TRUE(WatchRowsAdd(watch.writer->rows, {tail.lastUtc + 1, static_cast<std::uint32_t>(notRunning), 1,
                                                 WatchGap::NotRunning, nullptr, 0, WatchAlarmNote::None, 0}));
    watch.handed += notRunning;
    watch.RunUntil(startTick + delay + 2 * day);
    // The clock set back an hour, as a user might.
    watch.clockOffset -= Hour * 1000;
    WatchAnchor(watch.timeline, watch.tick, watch.Utc());
    // To the end of the week: a slot a second.
    watch.RunUntil(watch.tick + (7 * 24 * Hour - watch.handed - 1) * 1000);
    EXPECT_TRUE(WatchWriterRun(*watch.writer, watch.sink));

    EXPECT_FALSE(watch.file.wroteWhileBroken) << "written again before the file was recovered";
    EXPECT_EQ(watch.file.flushed, watch.file.bytes.size());
    EXPECT_EQ(watch.writer->rows.rows, 0u);
    // The rows waiting for a failing file cost far less than 128 bytes each.
    EXPECT_GT(watch.mostWaiting, 60u);
    EXPECT_LE(watch.bytesWaiting / watch.mostWaiting, 128u);

    bool whole = false;
    const std::vector<RecordRow> rows = RecordRows(watch.file.bytes, ";", &whole);
    EXPECT_TRUE(whole);
    ASSERT_EQ(rows.size(), 604'800u) << "a slot of the week without its row, or one written twice";
    EXPECT_EQ(FirstBreakInGrid(rows), rows.size());
    EXPECT_EQ(watch.handed, rows.size());
    EXPECT_EQ(watch.writer->readingsWritten + watch.writer->gapsWritten, rows.size());
    const std::int64_t unixEpoch = WatchSecondsFromClock({1970, 1, 1, 0, 0, 0});
    EXPECT_EQ(rows.front().seconds + unixEpoch, SpringDay - 12 * Hour);
    std::map<std::string, std::uint64_t> notes;
    std::uint64_t withNumber = 0;
    for (const RecordRow& row : rows) {
        if (row.local != LocalText(EuropeanTime(row.seconds + unixEpoch))) {
            ADD_FAILURE() << "local time " << row.local << " at " << row.utc;
            break;
        }
        EXPECT_EQ(row.number.empty(), !row.note.empty()) << row.utc;
        withNumber += row.number == "20,5" ? 1 : 0;
        ++notes[row.note];
    }
    EXPECT_EQ(withNumber, watch.readings);
    EXPECT_EQ(watch.writer->readingsWritten, watch.readings);
    EXPECT_EQ(notes[WatchGapNote(WatchGap::Asleep)], 8 * Hour);
    EXPECT_EQ(notes[WatchGapNote(WatchGap::NotRunning)], 2 * Hour + 1);
    EXPECT_EQ(notes[WatchGapNote(WatchGap::Missed)], 0u);
    EXPECT_GT(notes[WatchGapNote(WatchGap::NoReply)], 5000u);
}

} // namespace
