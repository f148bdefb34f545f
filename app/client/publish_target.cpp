#include "app/client/publish_target.h"

#include "app/client/setting_texts.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr wchar_t AddressValue[] = L"PublishAddress";
constexpr wchar_t TokenValue[] = L"PublishToken";
constexpr wchar_t NameValue[] = L"PublishName";

PublishTarget Target{};
bool TargetRead = false;

// The token is kept as the system protects it for this user on this
// computer: another account, or a copy of the registry, reads nothing.
void ReadToken(wchar_t (&token)[512])
{
    token[0] = L'\0';
    BYTE kept[4096];
    const DWORD size = ReadSettingBytes(TokenValue, kept, sizeof kept);
    if (size == 0)
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

void KeepToken(const wchar_t* token)
{
    if (!*token) {
        KeepSettingBytes(TokenValue, nullptr, 0);
        return;
    }
    DATA_BLOB in{static_cast<DWORD>(lstrlenW(token) * sizeof(wchar_t)),
                 reinterpret_cast<BYTE*>(const_cast<wchar_t*>(token))};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"Korvane", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return;
    KeepSettingBytes(TokenValue, out.pbData, out.cbData);
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
        ReadSettingWide(AddressValue, Target.address, static_cast<DWORD>(std::size(Target.address)));
        ReadSettingWide(NameValue, Target.name, static_cast<DWORD>(std::size(Target.name)));
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
    KeepSettingWide(AddressValue, Target.address);
    KeepSettingWide(NameValue, Target.name);
    KeepToken(Target.token);
    return true;
}
