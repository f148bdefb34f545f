#include "app/client/setting_texts.h"

#include "app/client/port_list.h"

namespace {

constexpr wchar_t SettingsKeyWide[] = L"Software\\Korvane";

HKEY OpenForWriting()
{
    HKEY key = nullptr;
    return RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
                   ERROR_SUCCESS
               ? key
               : nullptr;
}

} // namespace

bool ReadSettingText(const char* name, char* text, DWORD size)
{
    if (size == 0)
        return false;
    text[0] = '\0';
    DWORD room = size - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, SettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &room) == ERROR_SUCCESS)
        return true;
    text[0] = '\0';
    return false;
}

void KeepSettingText(const char* name, const char* text)
{
    if (HKEY key = OpenForWriting()) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(lstrlenA(text) + 1));
        RegCloseKey(key);
    }
}

bool ReadSettingWide(const wchar_t* name, wchar_t* text, DWORD count)
{
    if (count == 0)
        return false;
    DWORD room = count * sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, SettingsKeyWide, name, RRF_RT_REG_SZ, nullptr, text, &room) == ERROR_SUCCESS)
        return true;
    text[0] = L'\0';
    return false;
}

void KeepSettingWide(const wchar_t* name, const wchar_t* text)
{
    if (HKEY key = OpenForWriting()) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

DWORD ReadSettingBytes(const wchar_t* name, void* bytes, DWORD size)
{
    return RegGetValueW(HKEY_CURRENT_USER, SettingsKeyWide, name, RRF_RT_REG_BINARY, nullptr, bytes, &size) ==
                   ERROR_SUCCESS
               ? size
               : 0;
}

void KeepSettingBytes(const wchar_t* name, const void* bytes, DWORD size)
{
    if (HKEY key = OpenForWriting()) {
        if (size == 0)
            RegDeleteValueW(key, name);
        else
            RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), size);
        RegCloseKey(key);
    }
}
