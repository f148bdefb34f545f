#include "app/client/setting_texts.h"

#include "app/client/port_list.h"

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
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(lstrlenA(text) + 1));
    RegCloseKey(key);
}
