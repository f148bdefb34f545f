#include "app/client/watch_resume.h"

#include "app/client/file_report.h"
#include "app/client/port_list.h"

#include <cstring>
#include <iterator>

namespace {

constexpr char WatchesKey[] = "Software\\Korvane\\Watches\\";
constexpr wchar_t RunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t FileValue[] = L"File";
constexpr char SecondsValue[] = "Interval";
constexpr char ListValue[] = "List";
constexpr char DecimalValue[] = "Decimal";

// The port's key under the watches' key; false for a name that does not fit.
bool PortKey(const char* port, char (&key)[128])
{
    if (!port || !*port || sizeof WatchesKey + std::strlen(port) > sizeof key)
        return false;
    std::strcpy(key, WatchesKey);
    std::strcat(key, port);
    return true;
}

// "Korvane COM3": one Run value per port.
void RunValueName(const char* port, wchar_t (&name)[96])
{
    WideBuilder text(name, std::size(name));
    text.Append(L"Korvane ");
    text.AppendFrom1251(port);
}

bool ReadBytes(HKEY key, const char* value, char* bytes, DWORD size)
{
    DWORD read = size - 1;
    if (RegGetValueA(key, nullptr, value, RRF_RT_REG_BINARY, nullptr, bytes, &read) != ERROR_SUCCESS)
        return false;
    bytes[read] = '\0';
    return true;
}

void RegisterStarts(const char* port)
{
    wchar_t argument[96];
    WideBuilder(argument, std::size(argument)).AppendFrom1251(port);
    RegisterApplicationRestart(argument, 0);

    wchar_t program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    wchar_t command[MAX_PATH + 100];
    WideBuilder text(command, std::size(command));
    text.Append(L"\"");
    text.Append(program);
    text.Append(L"\" ");
    text.Append(argument);
    wchar_t name[96];
    RunValueName(port, name);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                   static_cast<DWORD>((lstrlenW(command) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

} // namespace

bool ReadWatchResume(const char* port, WatchResume& resume)
{
    resume = WatchResume{};
    char path[128];
    HKEY key = nullptr;
    if (!PortKey(port, path) || RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof resume.file - sizeof(wchar_t);
    DWORD seconds = 0;
    DWORD secondsSize = sizeof seconds;
    const bool read =
        RegGetValueW(key, nullptr, FileValue, RRF_RT_REG_SZ, nullptr, resume.file, &size) == ERROR_SUCCESS &&
        RegGetValueA(key, nullptr, SecondsValue, RRF_RT_REG_DWORD, nullptr, &seconds, &secondsSize) == ERROR_SUCCESS &&
        ReadBytes(key, ListValue, resume.list, sizeof resume.list) &&
        ReadBytes(key, DecimalValue, resume.decimal, sizeof resume.decimal);
    RegCloseKey(key);
    resume.seconds = seconds;
    return read && resume.file[0];
}

void RememberWatch(const char* port, const WatchResume& resume)
{
    char path[128];
    HKEY key = nullptr;
    if (!PortKey(port, path) ||
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, FileValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(resume.file),
                   static_cast<DWORD>((lstrlenW(resume.file) + 1) * sizeof(wchar_t)));
    const DWORD seconds = resume.seconds;
    RegSetValueExA(key, SecondsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seconds), sizeof seconds);
    RegSetValueExA(key, ListValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(resume.list),
                   static_cast<DWORD>(std::strlen(resume.list)));
    RegSetValueExA(key, DecimalValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(resume.decimal),
                   static_cast<DWORD>(std::strlen(resume.decimal)));
    RegCloseKey(key);
    RegisterStarts(port);
}

void ForgetWatch(const char* port)
{
    char path[128];
    if (PortKey(port, path))
        RegDeleteKeyA(HKEY_CURRENT_USER, path);
    UnregisterApplicationRestart();
    wchar_t name[96];
    RunValueName(port ? port : "", name);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, name);
    RegCloseKey(key);
}
