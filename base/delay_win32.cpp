#include "base/delay.h"

#include <windows.h>
#include <mmsystem.h>

void SleepMilliseconds(std::int32_t milliseconds)
{
    timeBeginPeriod(1);
    Sleep(milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds));
    timeEndPeriod(1);
}
