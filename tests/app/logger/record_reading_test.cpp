// Record files read back for a chart: both record forms and the first
// versions' three columns, under the separators a user may have, quoted
// fields, gap rows, a row still being written, and what is no record or a
// damaged one, with the line it is found on.
#include "app/logger/record_reading.h"
#include "logger_heaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char Bom[] = "\xef\xbb\xbf";
// "Время,Температура,Ответ": the first versions' header.
constexpr char ThreeColumnHeader[] = "\xef\xbb\xbf\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f,"
                                     "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82\xd1\x83"
                                     "\xd1\x80\xd0\xb0,\xd0\x9e\xd1\x82\xd0\xb2\xd0\xb5\xd1\x82\r\n";
constexpr std::uint64_t Second = 1000;

WatchClock Clock(std::int32_t hour, std::int32_t minute, std::int32_t second)
{
    return WatchClock{2026, 3, 29, hour, minute, second};
}

std::uint64_t Milliseconds(const WatchClock& clock)
{
    return static_cast<std::uint64_t>(WatchSecondsFromClock(clock)) * Second;
}

std::string WatchFile(const WatchSeparators& separators, const char* const* replies, std::size_t count)
{
    char text[WatchRowLongest];
    std::string file(Bom);
    file.append(text, WatchHeaderText(separators, text));
    for (std::size_t i = 0; i < count; ++i) {
        const auto second = static_cast<std::int32_t>(i);
        const WatchRow row{Clock(3, 0, second), Clock(1, 0, second), replies[i], replies[i] ? "" : "gap, \"late\""};
        file.append(text, WatchRowText(row, separators, text));
    }
    return file;
}

std::int64_t TwoHoursAhead(std::int64_t local) { return local - 2 * 3600; }

struct Reading {
    explicit Reading(const std::string& bytes, std::size_t part = 0)
    {
        StartLoggerHeaps();
        const std::size_t step = part ? part : bytes.size();
        for (std::size_t at = 0; at < bytes.size(); at += step)
            RecordReadBytes(read, bytes.data() + at, std::min(step, bytes.size() - at), readings, TwoHoursAhead);
        RecordReadEnd(read);
    }
    ~Reading() { WatchReadingsClear(readings); }
    RecordRead read{};
    WatchReadings readings{};
};

TEST(RecordReading, AWatchRecordReadsBackUnderAnySeparatorsWithItsGapsAndQuotedFields)
{
    const char* replies[] = {"+20.5C\r\n", nullptr, "-3,25", "a \"quoted\"; reply 7"};
    const WatchSeparators forms[] = {{",", "."}, {";", ","}, {" ", "."}, {"\xc2\xa0|", "\xd9\xab"}};
    for (const WatchSeparators& separators : forms) {
        SCOPED_TRACE(separators.list);
        const std::string file = WatchFile(separators, replies, std::size(replies));
        // Whole, and a byte at a time: parts split rows, quotes and separators anywhere.
        for (std::size_t part : {std::size_t{0}, std::size_t{1}}) {
            const Reading reading(file, part);
            ASSERT_EQ(reading.read.fault, RecordFault::None);
            EXPECT_EQ(reading.read.kind, RecordHeader::Watch);
            EXPECT_STREQ(reading.read.list, separators.list);
            ASSERT_EQ(reading.readings.count, 4);
            const WatchReading first = WatchReadingAt(reading.readings, 0);
            EXPECT_EQ(first.time, Milliseconds(Clock(1, 0, 0)));
            EXPECT_FLOAT_EQ(first.value, 20.5f);
            EXPECT_FALSE(WatchReadingAt(reading.readings, 1).present);
            EXPECT_FLOAT_EQ(WatchReadingAt(reading.readings, 2).value, -3.25f);
            EXPECT_FLOAT_EQ(WatchReadingAt(reading.readings, 3).value, 7.0f);
            EXPECT_EQ(reading.read.summary.readings, 3u);
            EXPECT_EQ(reading.read.summary.withoutNumber, 1u);
        }
    }
}

TEST(RecordReading, EachRowIsToldWithTheAlarmItsNotesSayLasts)
{
    // "тревога: выше 30", "норма"
    const char* notes[] = {"", "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: \xd0\xb2\xd1\x8b\xd1\x88\xd0\xb5 30",
                           "", "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0 \xd0\xb8 \xd0\xb2\xd1\x81\xd1\x91",
                           "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0", ""};
    const WatchSeparators separators{";", ","};
    char text[WatchRowLongest];
    std::string file(Bom);
    file.append(text, WatchHeaderText(separators, text));
    for (std::size_t i = 0; i < std::size(notes); ++i) {
        const auto second = static_cast<std::int32_t>(i);
        file.append(text, WatchRowText({Clock(3, 0, second), Clock(1, 0, second), "31,5", notes[i]}, separators, text));
    }
    std::string told;
    RecordRead read{};
    read.visit = [](void* context, std::uint64_t, const ReplyNumber& number, bool alarm) {
        *static_cast<std::string*>(context) += number.found ? (alarm ? "A" : ".") : "?";
    };
    read.visitContext = &told;
    WatchReadings readings{};
    StartLoggerHeaps();
    RecordReadBytes(read, file.data(), file.size(), readings, TwoHoursAhead);
    RecordReadEnd(read);
    WatchReadingsClear(readings);
    EXPECT_EQ(read.fault, RecordFault::None);
    // A note that only begins like the end's is none.
    EXPECT_EQ(told, ".AAA..") << "the alarm as the rows were told";
}

TEST(RecordReading, ARowStillBeingWrittenIsLeftOutAndAnEmptyRecordIsOne)
{
    const char* replies[] = {"20.5", "21.5"};
    std::string file = WatchFile(WatchSeparators{",", "."}, replies, 2);
    const Reading whole(file.substr(0, file.size() - 5));
    EXPECT_EQ(whole.read.fault, RecordFault::None);
    EXPECT_EQ(whole.readings.count, 1);

    const std::string headerOnly = WatchFile(WatchSeparators{",", "."}, replies, 0);
    const Reading empty(headerOnly);
    EXPECT_EQ(empty.read.fault, RecordFault::None);
    EXPECT_EQ(empty.readings.count, 0);
}

TEST(RecordReading, TheFirstVersionsThreeColumnsReadTheirLocalTimesAsUtc)
{
    const std::string file = std::string(ThreeColumnHeader) +
                             "2026-03-29 03:00:00,20.5,20.5\r\n"
                             "2026-03-29 03:00:01,,\r\n"
                             // The hour the clocks went back: kept in order.
                             "2026-03-29 02:59:59,21,21\r\n";
    const Reading reading(file);
    ASSERT_EQ(reading.read.fault, RecordFault::None);
    EXPECT_EQ(reading.read.kind, RecordHeader::WatchThreeColumns);
    ASSERT_EQ(reading.readings.count, 3);
    EXPECT_EQ(WatchReadingAt(reading.readings, 0).time, Milliseconds(Clock(1, 0, 0)));
    EXPECT_FALSE(WatchReadingAt(reading.readings, 1).present);
    EXPECT_EQ(WatchReadingAt(reading.readings, 2).time, Milliseconds(Clock(1, 0, 1)));
}

TEST(RecordReading, ADumpTableReadsItsEstimatedTimesOrCountsItsReadings)
{
    const ReplyNumber value = FindReplyNumber("-12.75");
    for (bool timed : {true, false}) {
        SCOPED_TRACE(timed);
        std::string file(Bom);
        char text[WatchRowLongest];
        const WatchSeparators separators{";", ","};
        file.append(text, DumpHeaderText(separators, text));
        for (std::uint64_t n = 1; n <= 3; ++n) {
            const char* line = "0001 -12.75; \"x\"";
            const DumpRow row{n, timed, Clock(3, 0, static_cast<std::int32_t>(n)),
                              Clock(1, 0, static_cast<std::int32_t>(n)), value, line, std::strlen(line)};
            file.append(text, DumpRowText(row, separators, text));
        }
        const Reading reading(file);
        ASSERT_EQ(reading.read.fault, RecordFault::None);
        EXPECT_EQ(reading.read.kind, RecordHeader::Dump);
        EXPECT_EQ(reading.read.timed, timed);
        ASSERT_EQ(reading.readings.count, 3);
        EXPECT_EQ(WatchReadingAt(reading.readings, 2).time, timed ? Milliseconds(Clock(1, 0, 3)) : 3000);
        EXPECT_FLOAT_EQ(WatchReadingAt(reading.readings, 2).value, -12.75f);
        EXPECT_DOUBLE_EQ(DumpSummaryMean(reading.read.summary), -12.75);
    }
}

TEST(RecordReading, WhatIsNoRecordOrADamagedRowIsToldWithItsLine)
{
    struct Case {
        const char* name;
        std::string bytes;
        RecordFault fault;
        std::uint64_t line;
    };
    const char* replies[] = {"20.5", "multi\nline", "21.5"};
    const std::string good = WatchFile(WatchSeparators{",", "."}, replies, 3);
    const std::string header = WatchFile(WatchSeparators{",", "."}, replies, 0);
    const Case cases[] = {
        {"empty", "", RecordFault::NotRecord, 1},
        {"text", "hello\r\nworld\r\n", RecordFault::NotRecord, 1},
        {"no byte-order mark", good.substr(3), RecordFault::NotRecord, 1},
        {"header unended", header.substr(0, header.size() - 2), RecordFault::NotRecord, 1},
        {"first line endless", std::string(Bom) + std::string(5000, 'x'), RecordFault::NotRecord, 1},
        // The second row holds a quoted line end: the fourth begins on line 6.
        {"a field too few", good + "2026-03-29 03:00:09,1,1,2026-03-29 01:00:09\r\n", RecordFault::Damaged, 6},
        {"a field too many", good + "2026-03-29 03:00:09,1,1,2026-03-29 01:00:09,,\r\n", RecordFault::Damaged, 6},
        {"no time", good + "2026-03-29 03:00:09,1,1,yesterday,\r\n", RecordFault::Damaged, 6},
        {"time back", good + "2026-03-29 03:00:00,1,1,2026-03-29 01:00:00,\r\n", RecordFault::Damaged, 6},
        {"not a number", good + "2026-03-29 03:00:09,1.2.3,1,2026-03-29 01:00:09,\r\n", RecordFault::Damaged, 6},
        {"stray quote", good + "2026-03-29 03:00:09,1,a\"b\"c,2026-03-29 01:00:09,\r\n", RecordFault::Damaged, 6},
        {"quote unclosed", good + "2026-03-29 03:00:09,1,\"ab\r\n\r\n", RecordFault::None, 0},
        {"row endless", good + std::string(5000, 'x') + "\r\n", RecordFault::Damaged, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Reading reading(c.bytes);
        EXPECT_EQ(reading.read.fault, c.fault);
        EXPECT_EQ(reading.read.faultLine, c.line);
    }
}

} // namespace
