#pragma once
// Settings kept under the program's key (HKCU\Software\Korvane), numbers
// as text, so that a setting reads the same whatever the user's
// separators: a chart's scale, the alarm's limits, where readings are
// published.

#include <windows.h>

#include <cstddef>

// The value's text, terminated; false, with the text empty, when there is
// none or it is no text.
bool ReadSettingText(const char* name, char* text, DWORD size);
// Keeps the text as the value; a key that cannot be written keeps nothing,
// and the setting holds for this run.
void KeepSettingText(const char* name, const char* text);

// The same for wide text, which code page 1251 need not hold (an address,
// a name), and for bytes: their count, 0 when there are none; bytes kept
// with a count of 0 remove the value.
bool ReadSettingWide(const wchar_t* name, wchar_t* text, DWORD count);
void KeepSettingWide(const wchar_t* name, const wchar_t* text);
DWORD ReadSettingBytes(const wchar_t* name, void* bytes, DWORD size);
void KeepSettingBytes(const wchar_t* name, const void* bytes, DWORD size);

// A setting kept as its text: read the first time it is asked for, its
// default until then and when the registry has none.
template <typename Value>
struct TextSetting {
    const char* name;
    Value (*fromText)(const char* text);
    void (*toText)(const Value& value, char* text, std::size_t size);
    Value value;
    bool read;
};

// The longest text such a setting keeps.
inline constexpr DWORD SettingTextLongest = 256;

template <typename Value>
const Value& SettingNow(TextSetting<Value>& setting)
{
    if (!setting.read) {
        setting.read = true;
        char text[SettingTextLongest];
        if (ReadSettingText(setting.name, text, sizeof text))
            setting.value = setting.fromText(text);
    }
    return setting.value;
}

template <typename Value>
void KeepSetting(TextSetting<Value>& setting, const Value& value)
{
    setting.value = value;
    setting.read = true;
    char text[SettingTextLongest];
    setting.toText(value, text, sizeof text);
    KeepSettingText(setting.name, text);
}
