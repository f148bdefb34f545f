#include "app/client/record_times.h"

namespace {

constexpr ULONGLONG FileTimeTicksPerMillisecond = 10'000;
constexpr ULONGLONG FileTimeTicksPerSecond = 10'000'000;

} // namespace

void ReadSeparator(LCTYPE item, char (&separator)[WatchSeparatorLongest + 1])
{
    wchar_t wide[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, item, wide, 8);
    const int bytes = length > 1 ? WideCharToMultiByte(CP_UTF8, 0, wide, length - 1, separator,
                                                        WatchSeparatorLongest, nullptr, nullptr)
                                 : 0;
    separator[bytes > 0 ? bytes : 0] = '\0';
}

WatchClock LocalClock()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return WatchClock{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::int64_t UtcMilliseconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>(((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime) /
                                     FileTimeTicksPerMillisecond);
}

WatchClock LocalClockAt(std::int64_t utcSeconds)
{
    const auto ticks = static_cast<ULONGLONG>(utcSeconds) * FileTimeTicksPerSecond;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&time, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        local = universal;
    return WatchClock{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}
