#include "base/delay.h"

#include <chrono>
#include <thread>

void SleepMilliseconds(std::int32_t milliseconds)
{
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
