#include "app/logger/watch_record.h"

#include "app/logger/log_file_format.h"

#include <cstring>
#include <iterator>

namespace {

constexpr char Quote = '"';
constexpr const char* DefaultListSeparator = ",";
constexpr const char* DefaultDecimalSeparator = ".";
constexpr const char* RowEnd = "\r\n";
constexpr char ByteOrderMark[] = "\xef\xbb\xbf";

// "Время", "Температура", "Ответ", "Время UTC", "Примечание"
constexpr const char* HeaderFields[] = {
    "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f",
    "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82\xd1\x83\xd1\x80\xd0\xb0",
    "\xd0\x9e\xd1\x82\xd0\xb2\xd0\xb5\xd1\x82",
    "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f UTC",
    "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xbc\xd0\xb5\xd1\x87\xd0\xb0\xd0\xbd\xd0\xb8\xd0\xb5",
};

// "№", "Время (оценка)", "Температура", "Строка", "Время UTC (оценка)"
constexpr const char* DumpHeaderFields[] = {
    "\xe2\x84\x96",
    "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f (\xd0\xbe\xd1\x86\xd0\xb5\xd0\xbd\xd0\xba\xd0\xb0)",
    "\xd0\xa2\xd0\xb5\xd0\xbc\xd0\xbf\xd0\xb5\xd1\x80\xd0\xb0\xd1\x82\xd1\x83\xd1\x80\xd0\xb0",
    "\xd0\xa1\xd1\x82\xd1\x80\xd0\xbe\xd0\xba\xd0\xb0",
    "\xd0\x92\xd1\x80\xd0\xb5\xd0\xbc\xd1\x8f UTC (\xd0\xbe\xd1\x86\xd0\xb5\xd0\xbd\xd0\xba\xd0\xb0)",
};

// More fraction digits than this add nothing a double can hold, and this
// many still fit in 64 bits.
constexpr std::size_t ValuedFractionDigits = 18;

constexpr std::int64_t SecondsPerDay = 86'400;
// 1601-01-01 counted in days from 1970-01-01.
constexpr std::int64_t DaysFrom1601To1970 = 134'774;
// "YYYY-MM-DD HH:MM:SS"
constexpr std::size_t ClockTextLength = 19;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '.' || c == ','; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// At most `longest` bytes of UTF-8 text, cut before a character's
// continuation bytes.
std::size_t CutUtf8(const char* text, std::size_t longest)
{
    std::size_t length = 0;
    while (length < longest && text[length])
        ++length;
    if (text[length])
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    return length;
}

const char* ListSeparator(const char* list)
{
    return list && *list && !std::strpbrk(list, "\"\r\n") ? list : DefaultListSeparator;
}

const char* DecimalSeparator(const char* decimal) { return decimal && *decimal ? decimal : DefaultDecimalSeparator; }

// A row's text being written; bytes beyond WatchRowLongest are dropped,
// which the limits on each field's length never let happen.
struct Out {
    char* to;
    std::size_t length;

    void Put(const char* bytes, std::size_t count)
    {
        if (count > WatchRowLongest - length)
            return;
        std::memcpy(to + length, bytes, count);
        length += count;
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }
    void PutCut(const char* text, std::size_t longest) { Put(text, CutUtf8(text, longest)); }
};

// The value in exactly `width` digits, held to what they can show.
void PutDigits(Out& out, std::int32_t value, std::int32_t width)
{
    std::int32_t largest = 1;
    for (std::int32_t i = 0; i < width; ++i)
        largest *= 10;
    value = value < 0 ? 0 : (value >= largest ? largest - 1 : value);
    char digits[4];
    for (std::int32_t i = width; i-- > 0; value /= 10)
        digits[i] = static_cast<char>('0' + value % 10);
    out.Put(digits, static_cast<std::size_t>(width));
}

// A count in decimal digits, as many as it needs.
void PutCount(Out& out, std::uint64_t value)
{
    char digits[20];
    std::size_t count = 0;
    do
        digits[count++] = static_cast<char>('0' + value % 10);
    while (value /= 10);
    while (count > 0)
        out.Put(&digits[--count], 1);
}

// The date and the time with the given marks between their parts.
void PutClock(Out& out, const WatchClock& time, const char* dateMark, const char* between, const char* timeMark)
{
    PutDigits(out, time.year, 4);
    out.Put(dateMark);
    PutDigits(out, time.month, 2);
    out.Put(dateMark);
    PutDigits(out, time.day, 2);
    out.Put(between);
    PutDigits(out, time.hour, 2);
    out.Put(timeMark);
    PutDigits(out, time.minute, 2);
    out.Put(timeMark);
    PutDigits(out, time.second, 2);
}

// A field, in quotes with its quotes doubled when it holds a quote, a line
// end or the separator's first byte.
void PutField(Out& out, const char* bytes, std::size_t length, char separatorStart)
{
    bool needed = false;
    for (std::size_t i = 0; i < length && !needed; ++i)
        needed = bytes[i] == Quote || IsLineEnd(bytes[i]) || bytes[i] == separatorStart;
    if (!needed) {
        out.Put(bytes, length);
        return;
    }
    out.Put("\"", 1);
    for (std::size_t i = 0; i < length; ++i) {
        if (bytes[i] == Quote)
            out.Put("\"", 1);
        out.Put(bytes + i, 1);
    }
    out.Put("\"", 1);
}

void PutClockField(Out& out, const WatchClock& time, char separatorStart)
{
    char text[ClockTextLength];
    Out clock{text, 0};
    PutClock(clock, time, "-", " ", ":");
    PutField(out, text, clock.length, separatorStart);
}

// The separator, cut to its longest.
struct Separator {
    char text[WatchSeparatorLongest + 1];
};
Separator CutSeparator(const char* separator)
{
    Separator cut{};
    std::memcpy(cut.text, separator, CutUtf8(separator, WatchSeparatorLongest));
    return cut;
}

// A header row: the fields, joined and ended as a row.
std::size_t HeaderText(const char* const* fields, std::size_t count, const WatchSeparators& separators, char* out)
{
    Out text{out, 0};
    const Separator list = CutSeparator(ListSeparator(separators.list));
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text.Put(list.text);
        PutField(text, fields[i], std::strlen(fields[i]), list.text[0]);
    }
    text.Put(RowEnd);
    return text.length;
}

std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

// Two digits or four at `at`, as a number; -1 when they are not all digits.
std::int32_t DigitsAt(const char* at, std::size_t count)
{
    std::int32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsDigit(at[i]))
            return -1;
        value = value * 10 + (at[i] - '0');
    }
    return value;
}

bool ReadClock(const char* at, WatchClock& clock)
{
    if (at[4] != '-' || at[7] != '-' || at[10] != ' ' || at[13] != ':' || at[16] != ':')
        return false;
    clock = WatchClock{DigitsAt(at, 4),      DigitsAt(at + 5, 2),  DigitsAt(at + 8, 2),
                       DigitsAt(at + 11, 2), DigitsAt(at + 14, 2), DigitsAt(at + 17, 2)};
    return clock.year >= 1601 && clock.month >= 1 && clock.month <= 12 && clock.day >= 1 && clock.day <= 31 &&
           clock.hour >= 0 && clock.hour < 24 && clock.minute >= 0 && clock.minute < 60 && clock.second >= 0 &&
           clock.second < 61;
}

bool StartsWith(const char* bytes, std::size_t length, const char* text)
{
    const std::size_t textLength = std::strlen(text);
    return length >= textLength && std::memcmp(bytes, text, textLength) == 0;
}

// Where the last field of a row ends its separator: the row's bytes from
// `begin` to `end`, the field quoted or not. Returns the field's first byte,
// or begin when the row holds no separator before it.
const char* LastFieldStart(const char* begin, const char* end, const char* list)
{
    const std::size_t listLength = std::strlen(list);
    const char* at = end;
    if (at > begin && at[-1] == Quote) {
        // Back over the field's doubled quotes to its opening one.
        --at;
        while (at > begin) {
            if (at[-1] != Quote)
                --at;
            else if (at - 1 > begin && at[-2] == Quote)
                at -= 2;
            else
                return at - 1;
        }
        return begin;
    }
    while (at - begin >= static_cast<std::ptrdiff_t>(listLength)) {
        if (std::memcmp(at - listLength, list, listLength) == 0)
            return at;
        --at;
    }
    return begin;
}

// The number's value from its digits. A long run of integer digits
// overflows to infinity, which is defined for a double; the fraction adds
// its first digits as one exact integer.
void SetValue(ReplyNumber& number)
{
    double value = 0;
    for (std::size_t i = 0; i < number.integerLength; ++i)
        value = value * 10 + (number.integer[i] - '0');
    std::uint64_t fraction = 0;
    double scale = 1;
    for (std::size_t i = 0; i < number.fractionLength && i < ValuedFractionDigits; ++i) {
        fraction = fraction * 10 + static_cast<std::uint64_t>(number.fraction[i] - '0');
        scale *= 10;
    }
    value += static_cast<double>(fraction) / scale;
    number.value = number.negative ? -value : value;
}

} // namespace

ReplyNumber FindReplyNumber(const char* reply)
{
    ReplyNumber number{};
    if (!reply)
        return number;
    const char* at = reply;
    while (*at && !IsDigit(*at) && !(IsSeparator(*at) && IsDigit(at[1])))
        ++at;
    if (!*at)
        return number;
    number.found = true;
    number.negative = at > reply && at[-1] == '-';
    while (*at == '0')
        ++at;
    number.integer = at;
    while (IsDigit(*at))
        ++at;
    number.integerLength = static_cast<std::size_t>(at - number.integer);
    if (IsSeparator(*at) && IsDigit(at[1])) {
        number.fraction = ++at;
        while (IsDigit(*at))
            ++at;
        number.fractionLength = static_cast<std::size_t>(at - number.fraction);
    }
    SetValue(number);
    return number;
}

ReplyNumber FindLineNumber(const char* line, std::size_t length)
{
    ReplyNumber last{};
    std::size_t at = 0;
    while (at < length) {
        const bool starts = IsDigit(line[at]) || (IsSeparator(line[at]) && at + 1 < length && IsDigit(line[at + 1]));
        if (!starts) {
            ++at;
            continue;
        }
        ReplyNumber number{};
        number.found = true;
        // "2024-01-05" is a date, not 2024 and two negative numbers.
        number.negative = at > 0 && line[at - 1] == '-' && !(at > 1 && IsDigit(line[at - 2]));
        while (at < length && line[at] == '0')
            ++at;
        number.integer = line + at;
        while (at < length && IsDigit(line[at]))
            ++at;
        number.integerLength = static_cast<std::size_t>(line + at - number.integer);
        if (at + 1 < length && IsSeparator(line[at]) && IsDigit(line[at + 1])) {
            number.fraction = line + ++at;
            while (at < length && IsDigit(line[at]))
                ++at;
            number.fractionLength = static_cast<std::size_t>(line + at - number.fraction);
        }
        // What runs on of digits and separators is no number of its own:
        // "1.2.3" is 1.2, as a reply reads it.
        while (at < length && (IsDigit(line[at]) || IsSeparator(line[at])))
            ++at;
        last = number;
    }
    if (last.found)
        SetValue(last);
    return last;
}

std::size_t ReplyNumberText(const ReplyNumber& number, const char* decimalSeparator, char* out)
{
    Out text{out, 0};
    if (!number.found)
        return 0;
    if (number.negative)
        text.Put("-");
    if (number.integerLength > 0)
        text.Put(number.integer, number.integerLength < WatchRowReplyLongest ? number.integerLength : WatchRowReplyLongest);
    else
        text.Put("0");
    if (number.fractionLength > 0) {
        text.PutCut(DecimalSeparator(decimalSeparator), WatchSeparatorLongest);
        text.Put(number.fraction,
                 number.fractionLength < WatchRowReplyLongest ? number.fractionLength : WatchRowReplyLongest);
    }
    return text.length;
}

WatchClock WatchClockFromSeconds(std::int64_t seconds)
{
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - SecondsPerDay + 1) / SecondsPerDay;
    const std::int64_t inDay = seconds - days * SecondsPerDay;
    // From days since 1970 to the calendar, in eras of 400 years.
    const std::int64_t z = days - DaysFrom1601To1970 + 719'468;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const std::int64_t dayOfEra = z - era * 146'097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const std::int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return WatchClock{static_cast<std::int32_t>(year),           static_cast<std::int32_t>(month),
                      static_cast<std::int32_t>(day),            static_cast<std::int32_t>(inDay / 3600),
                      static_cast<std::int32_t>(inDay / 60 % 60), static_cast<std::int32_t>(inDay % 60)};
}

std::int64_t WatchSecondsFromClock(const WatchClock& clock)
{
    const std::int64_t days = DaysFromCivil(clock.year, clock.month, clock.day) + DaysFrom1601To1970;
    return days * SecondsPerDay + clock.hour * 3600 + clock.minute * 60 + clock.second;
}

std::size_t WatchRowText(const WatchRow& row, const WatchSeparators& separators, char* out)
{
    Out text{out, 0};
    const Separator list = CutSeparator(ListSeparator(separators.list));
    const char start = list.text[0];
    const char* reply = row.reply ? row.reply : "";
    std::size_t length = 0;
    while (length < WatchRowReplyLongest && reply[length])
        ++length;
    while (length > 0 && IsLineEnd(reply[length - 1]))
        --length;

    PutClockField(text, row.local, start);
    text.Put(list.text);
    char field[WatchRowReplyLongest * 3];
    // The number is found in the reply as the row keeps it.
    char kept[WatchRowReplyLongest + 1];
    std::memcpy(kept, reply, length);
    kept[length] = 0;
    PutField(text, field, ReplyNumberText(FindReplyNumber(kept), separators.decimal, field), start);
    text.Put(list.text);
    PutField(text, field, Utf8From1251(reply, length, field), start);
    text.Put(list.text);
    PutClockField(text, row.utc, start);
    text.Put(list.text);
    const char* note = row.note ? row.note : "";
    PutField(text, note, CutUtf8(note, WatchNoteLongest), start);
    text.Put(RowEnd);
    return text.length;
}

std::size_t WatchHeaderText(const WatchSeparators& separators, char* out)
{
    return HeaderText(HeaderFields, std::size(HeaderFields), separators, out);
}

namespace {

// korvane-<kind>-YYYYMMDD-HHMMSS, "-2", "-3" ... for the later attempts,
// and the extension.
std::size_t RecordFileName(const char* kind, const WatchClock& start, std::int32_t attempt, const char* extension,
                           char (&name)[64])
{
    Out text{name, 0};
    text.Put("korvane-");
    text.Put(kind);
    text.Put("-");
    PutClock(text, start, "", "-", "");
    if (attempt >= 2) {
        text.Put("-");
        PutCount(text, static_cast<std::uint32_t>(attempt));
    }
    text.Put(extension);
    name[text.length] = 0;
    return text.length;
}

} // namespace

std::size_t WatchFileName(const WatchClock& start, std::int32_t attempt, char (&name)[64])
{
    return RecordFileName("watch", start, attempt, ".csv", name);
}

std::size_t DumpFileName(const WatchClock& start, std::int32_t attempt, const char* extension, char (&name)[64])
{
    return RecordFileName("dump", start, attempt, extension, name);
}

std::size_t DumpHeaderText(const WatchSeparators& separators, char* out)
{
    return HeaderText(DumpHeaderFields, std::size(DumpHeaderFields), separators, out);
}

std::size_t DumpRowText(const DumpRow& row, const WatchSeparators& separators, char* out)
{
    Out text{out, 0};
    const Separator list = CutSeparator(ListSeparator(separators.list));
    const char start = list.text[0];
    PutCount(text, row.number);
    text.Put(list.text);
    if (row.timed)
        PutClockField(text, row.local, start);
    text.Put(list.text);
    char field[WatchRowReplyLongest * 3];
    PutField(text, field, ReplyNumberText(row.value, separators.decimal, field), start);
    text.Put(list.text);
    std::size_t length = row.lineLength < WatchRowReplyLongest ? row.lineLength : WatchRowReplyLongest;
    while (length > 0 && IsLineEnd(row.line[length - 1]))
        --length;
    PutField(text, field, Utf8From1251(row.line, length, field), start);
    text.Put(list.text);
    if (row.timed)
        PutClockField(text, row.utc, start);
    text.Put(RowEnd);
    return text.length;
}

namespace {

// The separator between a header's first two fields, each quoted or not:
// false when the bytes do not begin with them.
bool HeaderSeparator(const char* at, const char* end, const char* first, const char* second,
                     char (&list)[WatchSeparatorLongest + 1])
{
    const bool quoted = at < end && *at == Quote;
    at += quoted ? 1 : 0;
    if (!StartsWith(at, static_cast<std::size_t>(end - at), first))
        return false;
    at += std::strlen(first) + (quoted ? 1 : 0);
    for (const char* field = at; field < end && !IsLineEnd(*field); ++field) {
        const std::size_t rest = static_cast<std::size_t>(end - field);
        if (!StartsWith(field, rest, second) && !(*field == Quote && StartsWith(field + 1, rest - 1, second)))
            continue;
        const std::size_t separator = static_cast<std::size_t>(field - at);
        if (separator == 0 || separator > WatchSeparatorLongest || (quoted && at[-1] != Quote))
            return false;
        std::memcpy(list, at, separator);
        list[separator] = 0;
        return !std::strpbrk(list, "\"\r\n");
    }
    return false;
}

// The first three fields of a watch's header: the first versions wrote no
// more.
constexpr const char* ThreeColumnFields[] = {HeaderFields[0], HeaderFields[1], HeaderFields[2]};

} // namespace

bool WatchFileListSeparator(const char* bytes, std::size_t length, char (&list)[WatchSeparatorLongest + 1])
{
    return StartsWith(bytes, length, ByteOrderMark) &&
           HeaderSeparator(bytes + 3, bytes + length, HeaderFields[0], HeaderFields[1], list);
}

RecordHeaderFound ReadRecordHeader(const char* bytes, std::size_t length)
{
    struct Form {
        RecordHeader kind;
        const char* const* fields;
        std::size_t count;
    };
    static constexpr Form Forms[] = {
        {RecordHeader::Watch, HeaderFields, std::size(HeaderFields)},
        {RecordHeader::WatchThreeColumns, ThreeColumnFields, std::size(ThreeColumnFields)},
        {RecordHeader::Dump, DumpHeaderFields, std::size(DumpHeaderFields)},
    };
    RecordHeaderFound found{};
    if (!StartsWith(bytes, length, ByteOrderMark))
        return found;
    const char* at = bytes + 3;
    const std::size_t rest = length - 3;
    for (const Form& form : Forms) {
        char list[WatchSeparatorLongest + 1];
        if (!HeaderSeparator(at, at + rest, form.fields[0], form.fields[1], list))
            continue;
        char expected[WatchRowLongest];
        const std::size_t expectedLength = HeaderText(form.fields, form.count, WatchSeparators{list, nullptr}, expected);
        if (rest < expectedLength || std::memcmp(at, expected, expectedLength) != 0)
            continue;
        found.kind = form.kind;
        found.length = 3 + expectedLength;
        std::memcpy(found.list, list, sizeof list);
        return found;
    }
    return found;
}

bool WatchReadClock(const char* text, std::size_t length, WatchClock& clock)
{
    return length == ClockTextLength && ReadClock(text, clock);
}

WatchFileTail WatchReadTail(const char* bytes, std::size_t length, const char* list)
{
    WatchFileTail tail{0, false, 0};
    std::size_t whole = length;
    while (whole >= 2 && !(bytes[whole - 2] == '\r' && bytes[whole - 1] == '\n'))
        --whole;
    if (whole < 2)
        return tail;
    tail.wholeLength = whole;
    const char* end = bytes + whole - 2;
    const char* begin = end;
    while (begin - bytes >= 2 && !(begin[-2] == '\r' && begin[-1] == '\n'))
        --begin;
    const char* separator = LastFieldStart(begin, end, ListSeparator(list));
    // The note's separator, and before it the UTC time, quoted or not.
    const char* utcEnd = separator - std::strlen(ListSeparator(list));
    if (separator == begin || utcEnd < begin)
        return tail;
    if (utcEnd > begin && utcEnd[-1] == Quote)
        --utcEnd;
    if (utcEnd - begin < static_cast<std::ptrdiff_t>(ClockTextLength))
        return tail;
    WatchClock utc{};
    if (!ReadClock(utcEnd - ClockTextLength, utc))
        return tail;
    tail.timed = true;
    tail.lastUtc = WatchSecondsFromClock(utc);
    return tail;
}
