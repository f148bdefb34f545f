#include "app/logger/record_reading.h"

#include <cstring>

namespace {

constexpr char Quote = '"';
// A dump's table has the most columns, five, as a watch's record has.
constexpr std::size_t MostFields = 5;
// A dump's readings without times stand 1000 apart, as its own chart has them.
constexpr std::uint64_t ReadingSpacing = 1000;
constexpr std::uint64_t MillisecondsPerSecond = 1000;
// A dump's reading number has at most this many digits: no overflow.
constexpr std::size_t MostCountDigits = 18;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Field {
    const char* text;
    std::size_t length;
};

bool ListAt(const char* row, std::size_t length, std::size_t at, const char* list, std::size_t listLength)
{
    return length - at >= listLength && std::memcmp(row + at, list, listLength) == 0;
}

// The row's fields as the writer joined and quoted them, a quoted field's
// text unquoted into `scratch` (as long as the row). False for a quote
// that is not closed, text after a closing quote, a quote inside a field
// that is not quoted or more than MostFields fields.
bool SplitRow(const char* row, std::size_t length, const char* list, char* scratch, Field (&fields)[MostFields],
              std::size_t& count)
{
    const std::size_t listLength = std::strlen(list);
    std::size_t at = 0;
    std::size_t used = 0;
    for (count = 0;;) {
        if (count == MostFields)
            return false;
        Field& field = fields[count++];
        if (at < length && row[at] == Quote) {
            field.text = scratch + used;
            for (++at;; ++at) {
                if (at >= length)
                    return false;
                if (row[at] == Quote && !(at + 1 < length && row[at + 1] == Quote))
                    break;
                at += row[at] == Quote ? 1 : 0;
                scratch[used++] = row[at];
            }
            field.length = static_cast<std::size_t>(scratch + used - field.text);
            ++at;
        } else {
            const std::size_t begin = at;
            for (; at < length && !ListAt(row, length, at, list, listLength); ++at)
                if (row[at] == Quote)
                    return false;
            field = Field{row + begin, at - begin};
        }
        if (at == length)
            return true;
        if (!ListAt(row, length, at, list, listLength))
            return false;
        at += listLength;
    }
}

// The temperature column as the writer puts it: '-' when negative, digits,
// and the user's decimal separator (any bytes but digits) with digits after
// it; empty for a slot without a reading, which leaves `number` not found.
bool ReadNumber(const Field& field, ReplyNumber& number)
{
    number = ReplyNumber{};
    if (field.length == 0)
        return true;
    char text[2 * WatchRowReplyLongest + 4];
    std::size_t written = 0;
    std::size_t at = 0;
    if (field.text[0] == '-')
        text[written++] = field.text[at++];
    auto digits = [&]() {
        const std::size_t begin = at;
        for (; at < field.length && IsDigit(field.text[at]) && at - begin < WatchRowReplyLongest; ++at)
            text[written++] = field.text[at];
        return at > begin && !(at < field.length && IsDigit(field.text[at]));
    };
    if (!digits())
        return false;
    if (at < field.length) {
        const std::size_t mark = at;
        while (at < field.length && !IsDigit(field.text[at]))
            ++at;
        if (at - mark > WatchSeparatorLongest)
            return false;
        text[written++] = '.';
        if (!digits() || at < field.length)
            return false;
    }
    text[written] = '\0';
    number = FindReplyNumber(text);
    return number.found;
}

// A time column in milliseconds since 1601.
bool ReadTime(const Field& field, std::uint64_t& milliseconds)
{
    WatchClock clock{};
    if (!WatchReadClock(field.text, field.length, clock))
        return false;
    milliseconds = static_cast<std::uint64_t>(WatchSecondsFromClock(clock)) * MillisecondsPerSecond;
    return true;
}

bool ReadCount(const Field& field, std::uint64_t& count)
{
    if (field.length == 0 || field.length > MostCountDigits)
        return false;
    count = 0;
    for (std::size_t i = 0; i < field.length; ++i) {
        if (!IsDigit(field.text[i]))
            return false;
        count = count * 10 + static_cast<std::uint64_t>(field.text[i] - '0');
    }
    return true;
}

void Fault(RecordRead& read, RecordFault fault)
{
    read.fault = fault;
    read.faultLine = read.rowLine;
}

// A dump's row gives its time, or its number where the dump had no times:
// every row alike, as its first.
bool DumpRowTime(RecordRead& read, const Field (&fields)[MostFields], std::uint64_t& time)
{
    const bool timed = fields[4].length != 0;
    if (read.rows == 0)
        read.timed = timed;
    if (timed != read.timed)
        return false;
    std::uint64_t number = 0;
    if (!ReadCount(fields[0], number))
        return false;
    time = number * ReadingSpacing;
    return !timed || ReadTime(fields[4], time);
}

bool StartsWith(const Field& field, const char* start)
{
    const std::size_t length = std::strlen(start);
    return field.length >= length && std::memcmp(field.text, start, length) == 0;
}

// "тревога: " starts an alarm's note, "норма" is its end's.
void TakeAlarmNote(RecordRead& read, const Field& note)
{
    if (StartsWith(note, "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: "))
        read.alarm = true;
    else if (note.length == 10 && StartsWith(note, "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0"))
        read.alarm = false;
}

void TakeRow(RecordRead& read, const char* row, std::size_t length, WatchReadings& readings,
             RecordLocalToUtc toUtc)
{
    Field fields[MostFields];
    std::size_t count = 0;
    char scratch[WatchRowLongest];
    const bool dump = read.kind == RecordHeader::Dump;
    const bool threeColumns = read.kind == RecordHeader::WatchThreeColumns;
    ReplyNumber number{};
    if (!SplitRow(row, length, read.list, scratch, fields, count) || count != (threeColumns ? 3 : MostFields) ||
        !ReadNumber(fields[dump ? 2 : 1], number) || (dump && !number.found)) {
        Fault(read, RecordFault::Damaged);
        return;
    }
    std::uint64_t time = 0;
    bool timeRead = false;
    if (dump) {
        timeRead = DumpRowTime(read, fields, time);
    } else if (threeColumns) {
        timeRead = ReadTime(fields[0], time);
        time = static_cast<std::uint64_t>(toUtc(static_cast<std::int64_t>(time / MillisecondsPerSecond))) *
               MillisecondsPerSecond;
        // The hour that repeats when the clocks go back reads as the one
        // before it: the first versions kept no UTC time to tell them apart.
        time = time < read.lastTime ? read.lastTime : time;
    } else {
        timeRead = ReadTime(fields[3], time);
    }
    if (!timeRead || time < read.lastTime) {
        Fault(read, RecordFault::Damaged);
        return;
    }
    read.lastTime = time;
    ++read.rows;
    if (!dump && !threeColumns)
        TakeAlarmNote(read, fields[4]);
    WatchReadingsAdd(readings, time, number);
    DumpSummaryAdd(read.summary, number);
    if (read.visit)
        read.visit(read.visitContext, time, number, read.alarm);
}

// The first row is the header, its row end included.
void TakeHeader(RecordRead& read)
{
    const RecordHeaderFound header = ReadRecordHeader(read.row, read.rowLength);
    if (header.kind == RecordHeader::None) {
        Fault(read, RecordFault::NotRecord);
        return;
    }
    read.kind = header.kind;
    std::memcpy(read.list, header.list, sizeof read.list);
}

} // namespace

void RecordReadBytes(RecordRead& read, const char* bytes, std::size_t length, WatchReadings& readings,
                     RecordLocalToUtc toUtc)
{
    for (std::size_t i = 0; i < length && read.fault == RecordFault::None; ++i) {
        if (read.rowLength == 0)
            read.rowLine = read.lineEnds + 1;
        if (read.rowLength == sizeof read.row) {
            Fault(read, read.kind == RecordHeader::None ? RecordFault::NotRecord : RecordFault::Damaged);
            return;
        }
        const char c = bytes[i];
        read.row[read.rowLength++] = c;
        read.quoted = c == Quote ? !read.quoted : read.quoted;
        if (c != '\n')
            continue;
        ++read.lineEnds;
        // A line end inside quotes is a field's: the row goes on.
        if (read.quoted && read.kind != RecordHeader::None)
            continue;
        if (read.kind == RecordHeader::None) {
            TakeHeader(read);
        } else {
            std::size_t rowLength = read.rowLength - 1;
            rowLength -= rowLength > 0 && read.row[rowLength - 1] == '\r' ? 1 : 0;
            if (rowLength > 0)
                TakeRow(read, read.row, rowLength, readings, toUtc);
        }
        read.rowLength = 0;
        read.quoted = false;
    }
}

void RecordReadEnd(RecordRead& read)
{
    if (read.fault == RecordFault::None && read.kind == RecordHeader::None) {
        // Its first line, the header's, never ended.
        read.rowLine = 1;
        Fault(read, RecordFault::NotRecord);
    }
}
