#pragma once
// Numbers the user types and numbers the program keeps as text: a setting
// kept with '.' for its separator reads the same under any locale, and what
// the user types may have '.' or ',', whichever their keyboard gives. Both
// are plain decimals of at most 9 integer digits and 15 digits in all,
// which every temperature and count is; the C library's number formatting
// and reading would add a third to the program's size.

#include <cstddef>
#include <cstdint>

// A number as the user types it: an optional sign, digits with '.' or ',' as
// the separator, spaces around it; nothing else.
bool TypedNumber(const char* text, double& value);

// A number as the program keeps it, from `text` up to `end`: an optional
// sign, digits and '.' with digits around it.
bool KeptNumber(const char* text, const char* end, double& value);

// A setting's text built in a caller's buffer, cut at its size and always
// terminated: words, counts, and numbers as they are kept, rounded to six
// decimals, trailing zeros left out, held within the largest kept number.
class SettingText {
public:
    SettingText(char* text, std::size_t size);
    SettingText& operator<<(const char* piece);
    SettingText& operator<<(double number);
    SettingText& operator<<(std::int32_t count);

private:
    void Put(char c);
    char* text_;
    std::size_t size_;
    std::size_t length_ = 0;
};
