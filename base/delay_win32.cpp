#include "base/delay.h"
#include "base/system_dll.h"

#include <windows.h>
#include <mmsystem.h>

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

} // namespace

void SleepMilliseconds(std::int32_t milliseconds)
{
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
