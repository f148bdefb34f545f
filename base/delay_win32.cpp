#include "base/delay.h"

#include <windows.h>
#include <mmsystem.h>

void SleepMilliseconds(std::int32_t milliseconds)
{
    timeBeginPeriod(1);
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
    timeEndPeriod(1);
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
