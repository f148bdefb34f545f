#include "app/logger/watch_record.h"

#include "base/strings.h"

#include <cstring>
#include <iterator>

namespace {

constexpr char Quote = '"';
constexpr const char* DefaultListSeparator = ",";
constexpr const char* DefaultDecimalSeparator = ".";
constexpr const char* RowEnd = "\r\n";

// "Время", "Температура", "Ответ"
constexpr const char* HeaderFields[] = {
    "\xc2\xf0\xe5\xec\xff",
    "\xd2\xe5\xec\xef\xe5\xf0\xe0\xf2\xf3\xf0\xe0",
    "\xce\xf2\xe2\xe5\xf2",
};

// More fraction digits than this add nothing a double can hold, and this
// many still fit in 64 bits.
constexpr std::size_t ValuedFractionDigits = 18;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return c == '.' || c == ','; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

const char* ListSeparator(const char* list)
{
    return list && *list && !std::strpbrk(list, "\"\r\n") ? list : DefaultListSeparator;
}

const char* DecimalSeparator(const char* decimal) { return decimal && *decimal ? decimal : DefaultDecimalSeparator; }

// Appends the bytes at TempLength, terminated; false when the buffer cannot
// grow, with TempLength where it was.
bool AppendBytes(const char* bytes, std::size_t length)
{
    if (length > static_cast<std::size_t>(INT32_MAX))
        return false;
    const std::int32_t end = TempLength;
    char* to = TempReserve(static_cast<std::int32_t>(length), end);
    if (!to) {
        TempSetLength(end);
        return false;
    }
    if (length > 0)
        std::memcpy(to, bytes, length);
    to[length] = 0;
    return true;
}

bool AppendText(const char* text) { return AppendBytes(text, std::strlen(text)); }

// The value in exactly `width` digits, held to what they can show.
bool AppendDigits(std::int32_t value, std::int32_t width)
{
    std::int32_t largest = 1;
    for (std::int32_t i = 0; i < width; ++i)
        largest *= 10;
    value = value < 0 ? 0 : (value >= largest ? largest - 1 : value);
    char digits[4];
    for (std::int32_t i = width; i-- > 0; value /= 10)
        digits[i] = static_cast<char>('0' + value % 10);
    return AppendBytes(digits, static_cast<std::size_t>(width));
}

// The date and the time with the given marks between their parts.
bool AppendClock(const WatchClock& time, const char* dateMark, const char* between, const char* timeMark)
{
    return AppendDigits(time.year, 4) && AppendText(dateMark) && AppendDigits(time.month, 2) &&
           AppendText(dateMark) && AppendDigits(time.day, 2) && AppendText(between) &&
           AppendDigits(time.hour, 2) && AppendText(timeMark) && AppendDigits(time.minute, 2) &&
           AppendText(timeMark) && AppendDigits(time.second, 2);
}

bool AppendNumber(const ReplyNumber& number, const char* decimalSeparator)
{
    if (!number.found)
        return true;
    return (!number.negative || AppendText("-")) &&
           (number.integerLength > 0 ? AppendBytes(number.integer, number.integerLength) : AppendText("0")) &&
           (number.fractionLength == 0 ||
            (AppendText(DecimalSeparator(decimalSeparator)) && AppendBytes(number.fraction, number.fractionLength)));
}

// Puts the field built since `start` in quotes, its quotes doubled, when it
// holds a quote, a line end or the separator's first character. The field is
// widened in place from its end, so every byte is read before it is
// overwritten.
bool QuoteField(std::int32_t start, char separatorStart)
{
    const std::int32_t length = TempLength - start;
    std::int32_t quotes = 0;
    bool needed = false;
    for (std::int32_t i = 0; i < length; ++i) {
        const char c = TempBuffer[start + i];
        quotes += c == Quote ? 1 : 0;
        needed = needed || c == Quote || IsLineEnd(c) || c == separatorStart;
    }
    if (!needed)
        return true;
    if (!TempReserve(quotes + 2, TempLength)) {
        TempSetLength(start + length);
        return false;
    }
    char* field = TempBuffer + start;
    std::int32_t to = length + quotes + 2;
    field[--to] = Quote;
    for (std::int32_t from = length; from-- > 0;) {
        const char c = field[from];
        field[--to] = c;
        if (c == Quote)
            field[--to] = Quote;
    }
    field[0] = Quote;
    TempBuffer[TempLength] = 0;
    return true;
}

bool AppendField(const char* bytes, std::size_t length, const char* list)
{
    const std::int32_t start = TempLength;
    return AppendBytes(bytes, length) && QuoteField(start, list[0]);
}

// Starts a producer's text at its position.
bool StartAt(std::int32_t position) { return TempReserve(0, position) != nullptr; }

// Ends a producer: the text when it was built whole, else nothing at all.
bool Finish(bool whole, std::int32_t position)
{
    if (!whole)
        TempSetLength(position);
    return whole;
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
    // A long run of integer digits overflows to infinity, which is defined
    // for a double; the fraction adds its first digits as one exact integer.
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
    return number;
}

void ReplyNumberText(const ReplyNumber& number, const char* decimalSeparator, std::int32_t position)
{
    if (StartAt(position))
        Finish(AppendNumber(number, decimalSeparator), position);
}

bool WatchRowText(const WatchClock& time, const char* reply, const WatchSeparators& separators,
                  std::int32_t position)
{
    if (!StartAt(position))
        return false;
    const char* list = ListSeparator(separators.list);
    const char* text = reply ? reply : "";
    std::size_t length = std::strlen(text);
    while (length > 0 && IsLineEnd(text[length - 1]))
        --length;
    const std::int32_t timeStart = TempLength;
    bool whole = AppendClock(time, "-", " ", ":") && QuoteField(timeStart, list[0]) && AppendText(list);
    const std::int32_t numberStart = TempLength;
    whole = whole && AppendNumber(FindReplyNumber(text), separators.decimal) && QuoteField(numberStart, list[0]) &&
            AppendText(list) && AppendField(text, length, list) && AppendText(RowEnd);
    return Finish(whole, position);
}

bool WatchHeaderText(const WatchSeparators& separators, std::int32_t position)
{
    if (!StartAt(position))
        return false;
    const char* list = ListSeparator(separators.list);
    bool whole = true;
    for (std::size_t i = 0; i < std::size(HeaderFields); ++i)
        whole = whole && (i == 0 || AppendText(list)) && AppendField(HeaderFields[i], std::strlen(HeaderFields[i]), list);
    return Finish(whole && AppendText(RowEnd), position);
}

bool WatchFileName(const WatchClock& start, std::int32_t attempt, std::int32_t position)
{
    if (!StartAt(position))
        return false;
    bool whole = AppendText("korvane-watch-") && AppendClock(start, "", "-", "");
    if (attempt >= 2) {
        char digits[LongestDecimal];
        whole = whole && AppendText("-") && AppendBytes(digits, static_cast<std::size_t>(DecimalText(attempt, digits)));
    }
    return Finish(whole && AppendText(".csv"), position);
}
