#include "app/client/publish_target.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr wchar_t SettingsKeyWide[] = L"Software\\Korvane";
constexpr wchar_t AddressValue[] = L"PublishAddress";
constexpr wchar_t TokenValue[] = L"PublishToken";
constexpr wchar_t NameValue[] = L"PublishName";

PublishTarget Target{};
bool TargetRead = false;

void ReadWide(const wchar_t* value, wchar_t* text, DWORD count)
{
    DWORD room = count * sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, SettingsKeyWide, value, RRF_RT_REG_SZ, nullptr, text, &room) !=
        ERROR_SUCCESS)
        text[0] = L'\0';
}

void KeepWide(HKEY key, const wchar_t* value, const wchar_t* text)
{
    RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

// The token is kept as the system protects it for this user on this
// computer: another account, or a copy of the registry, reads nothing.
void ReadToken(wchar_t (&token)[512])
{
    token[0] = L'\0';
    BYTE kept[4096];
    DWORD size = sizeof kept;
    if (RegGetValueW(HKEY_CURRENT_USER, SettingsKeyWide, TokenValue, RRF_RT_REG_BINARY, nullptr, kept, &size) !=
        ERROR_SUCCESS)
        return;
    DATA_BLOB in{size, kept};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return;
    const std::size_t count = std::min<std::size_t>(out.cbData / sizeof(wchar_t), std::size(token) - 1);
    std::memcpy(token, out.pbData, count * sizeof(wchar_t));
    token[count] = L'\0';
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
}

void KeepToken(HKEY key, const wchar_t* token)
{
    if (!*token) {
        RegDeleteValueW(key, TokenValue);
        return;
    }
    DATA_BLOB in{static_cast<DWORD>(lstrlenW(token) * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(const_cast<wchar_t*>(token))};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"Korvane", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return;
    RegSetValueExW(key, TokenValue, 0, REG_BINARY, out.pbData, out.cbData);
    LocalFree(out.pbData);
}

} // namespace

bool PublishNameTag(const wchar_t* name, char (&tag)[PublishNameLongest + 1])
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, name, -1, tag, sizeof tag, nullptr, nullptr);
    if (length <= 0) {
        tag[0] = '\0';
        return false;
    }
    return PublishNameAllowed(tag);
}

const PublishTarget& PublishTargetSetting()
{
    if (!TargetRead) {
        TargetRead = true;
        ReadWide(AddressValue, Target.address, static_cast<DWORD>(std::size(Target.address)));
        ReadWide(NameValue, Target.name, static_cast<DWORD>(std::size(Target.name)));
        ReadToken(Target.token);
        if (!Target.name[0]) {
            DWORD size = static_cast<DWORD>(std::size(Target.name));
            if (!GetComputerNameW(Target.name, &size))
                lstrcpyW(Target.name, L"Korvane");
        }
    }
    return Target;
}

bool KeepPublishTarget(const PublishTarget& target)
{
    char tag[PublishNameLongest + 1];
    if ((target.address[0] && !PublishAddressAllowed(reinterpret_cast<const char16_t*>(target.address))) ||
        !PublishNameTag(target.name, tag))
        return false;
    PublishTargetSetting();
    Target = target;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyWide, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        KeepWide(key, AddressValue, Target.address);
        KeepWide(key, NameValue, Target.name);
        KeepToken(key, Target.token);
        RegCloseKey(key);
    }
    return true;
}
