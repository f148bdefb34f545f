#include "app/logger/chart_scale.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t LongestNumber = 64;
constexpr char FixedWord[] = "fixed ";

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Reads a number with '.' as its separator from `text` up to `end`; true
// when all of it is one finite number.
bool WholeNumber(const char* text, const char* end, double& value)
{
    if (text < end && *text == '+')
        ++text;
    if (text == end || !(*text == '-' || *text == '.' || (*text >= '0' && *text <= '9')))
        return false;
    double read = 0;
    const std::from_chars_result result = std::from_chars(text, end, read);
    if (result.ec != std::errc{} || result.ptr != end || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

} // namespace

bool ChartScaleNumber(const char* text, double& value)
{
    if (!text)
        return false;
    while (IsSpace(*text))
        ++text;
    std::size_t length = std::strlen(text);
    while (length && IsSpace(text[length - 1]))
        --length;
    if (length == 0 || length >= LongestNumber)
        return false;
    char number[LongestNumber];
    std::size_t separators = 0;
    for (std::size_t i = 0; i < length; ++i) {
        number[i] = text[i] == ',' ? '.' : text[i];
        separators += number[i] == '.';
    }
    return separators <= 1 && WholeNumber(number, number + length, value);
}

ChartScaleCheck ChartScaleFromTyped(const char* low, const char* high, ChartScale& scale)
{
    ChartScale typed{true, 0, 0};
    if (!ChartScaleNumber(low, typed.low))
        return ChartScaleCheck::LowNotNumber;
    if (!ChartScaleNumber(high, typed.high))
        return ChartScaleCheck::HighNotNumber;
    if (!(typed.low < typed.high))
        return ChartScaleCheck::LowNotBelowHigh;
    scale = typed;
    return ChartScaleCheck::Good;
}

void ChartScaleText(const ChartScale& scale, char* text, std::size_t size)
{
    if (!text || size == 0)
        return;
    if (!scale.fixed) {
        std::snprintf(text, size, "auto");
        return;
    }
    // The shortest text that reads back as the same double, whatever the
    // locale.
    char low[LongestNumber] = {};
    char high[LongestNumber] = {};
    std::to_chars(low, low + sizeof low - 1, scale.low);
    std::to_chars(high, high + sizeof high - 1, scale.high);
    std::snprintf(text, size, "%s%s %s", FixedWord, low, high);
}

ChartScale ChartScaleFromText(const char* text)
{
    const std::size_t word = sizeof FixedWord - 1;
    if (!text || std::strncmp(text, FixedWord, word) != 0)
        return ChartScale{};
    const char* low = text + word;
    const char* space = std::strchr(low, ' ');
    if (!space)
        return ChartScale{};
    ChartScale scale{true, 0, 0};
    const char* high = space + 1;
    if (!WholeNumber(low, space, scale.low) || !WholeNumber(high, high + std::strlen(high), scale.high) ||
        !(scale.low < scale.high))
        return ChartScale{};
    return scale;
}
