#include "base/delay.h"
#include "base/system_dll.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>

namespace {

using TimerPeriodFn = MMRESULT(WINAPI*)(UINT);

struct TimerPeriodCalls {
    TimerPeriodFn begin;
    TimerPeriodFn end;
};

// Looked up once; without WINMM the delays keep the system's timer
// resolution, as coarse as 16 ms.
const TimerPeriodCalls& TimerPeriod()
{
    static const TimerPeriodCalls calls = [] {
        HMODULE winmm = LoadSystemDll(L"winmm.dll");
        TimerPeriodCalls found{LibraryFunction<TimerPeriodFn>(winmm, "timeBeginPeriod"),
                               LibraryFunction<TimerPeriodFn>(winmm, "timeEndPeriod")};
        if (!found.begin || !found.end)
            found = {};
        return found;
    }();
    return calls;
}

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, which the headers here lack.
constexpr DWORD HighResolutionTimer = 0x2;

// Windows 10 (1803) and later wait to the millisecond on a high-resolution
// timer, which leaves the system's timer resolution alone and needs no WINMM
// (whose loading took 4 to 5 ms of the window's start-up under Wine). Earlier
// systems refuse the flag; false then, and every later wait goes the older
// way. False too when the wait did not happen, so that it happens there.
bool WaitOnHighResolutionTimer(std::int32_t milliseconds)
{
    static std::atomic<bool> refused{false};
    if (refused)
        return false;
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, HighResolutionTimer, TIMER_ALL_ACCESS);
    if (!timer) {
        refused = true;
        return false;
    }
    LARGE_INTEGER due{};
    due.QuadPart = -10'000LL * milliseconds; // relative, in units of 100 ns
    const bool waited = SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
                        WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(timer);
    return waited;
}

} // namespace

void SleepMilliseconds(std::int32_t milliseconds)
{
    if (milliseconds > 0 && WaitOnHighResolutionTimer(milliseconds))
        return;
    const TimerPeriodCalls& period = TimerPeriod();
    if (period.begin)
        period.begin(1);
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
    if (period.end)
        period.end(1);
}

std::int64_t MonotonicMilliseconds()
{
    // The tick count moves in steps of the system timer, as coarse as 16 ms;
    // the performance counter is exact, and its rate fixed at boot.
    static const LONGLONG perSecond = [] {
        LARGE_INTEGER frequency{};
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart;
    }();
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    return static_cast<std::int64_t>(count.QuadPart / perSecond * 1000 + count.QuadPart % perSecond * 1000 / perSecond);
}
