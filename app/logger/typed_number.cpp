#include "app/logger/typed_number.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t LongestNumber = 64;
constexpr std::size_t MostIntegerDigits = 9;
constexpr std::size_t MostDigits = 15;
constexpr double LargestKept = 999'999'999.999999;
constexpr std::uint64_t KeptScale = 1'000'000;
constexpr int KeptDecimals = 6;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool KeptNumber(const char* text, const char* end, double& value)
{
    bool negative = false;
    if (text < end && (*text == '+' || *text == '-'))
        negative = *text++ == '-';
    // All the digits as one integer, divided once by the power of ten of the
    // fraction's: one rounding, the nearest double to the decimal.
    std::uint64_t digits = 0;
    std::size_t integer = 0, fraction = 0;
    bool point = false;
    for (; text < end; ++text) {
        if (*text == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(*text))
            return false;
        (point ? fraction : integer) += 1;
        digits = digits * 10 + static_cast<std::uint64_t>(*text - '0');
    }
    if (integer + fraction == 0 || integer > MostIntegerDigits || integer + fraction > MostDigits)
        return false;
    double scale = 1;
    for (std::size_t i = 0; i < fraction; ++i)
        scale *= 10;
    value = static_cast<double>(digits) / scale;
    value = negative ? -value : value;
    return true;
}

bool TypedNumber(const char* text, double& value)
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
    for (std::size_t i = 0; i < length; ++i)
        number[i] = text[i] == ',' ? '.' : text[i];
    return KeptNumber(number, number + length, value);
}

SettingText::SettingText(char* text, std::size_t size) : text_(text), size_(size)
{
    if (size_ > 0)
        text_[0] = '\0';
}

void SettingText::Put(char c)
{
    if (length_ + 1 >= size_)
        return;
    text_[length_++] = c;
    text_[length_] = '\0';
}

SettingText& SettingText::operator<<(const char* piece)
{
    for (; piece && *piece; ++piece)
        Put(*piece);
    return *this;
}

SettingText& SettingText::operator<<(std::int32_t count)
{
    if (count < 0)
        Put('-');
    std::uint64_t magnitude = count < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(count))
                                        : static_cast<std::uint64_t>(count);
    char digits[20];
    std::size_t length = 0;
    do
        digits[length++] = static_cast<char>('0' + magnitude % 10);
    while (magnitude /= 10);
    while (length > 0)
        Put(digits[--length]);
    return *this;
}

SettingText& SettingText::operator<<(double number)
{
    const double held = std::isfinite(number) ? std::fmax(-LargestKept, std::fmin(number, LargestKept)) : 0;
    const auto scaled = static_cast<std::uint64_t>(std::llround(std::fabs(held) * static_cast<double>(KeptScale)));
    if (held < 0 && scaled != 0)
        Put('-');
    *this << static_cast<std::int32_t>(scaled / KeptScale);
    char fraction[KeptDecimals];
    std::uint64_t rest = scaled % KeptScale;
    for (int i = KeptDecimals - 1; i >= 0; --i, rest /= 10)
        fraction[i] = static_cast<char>('0' + rest % 10);
    int shown = KeptDecimals;
    while (shown > 0 && fraction[shown - 1] == '0')
        --shown;
    if (shown > 0)
        Put('.');
    for (int i = 0; i < shown; ++i)
        Put(fraction[i]);
    return *this;
}
