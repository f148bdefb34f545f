#pragma once
// The millisecond delay that paces the serial exchanges, and the clock that
// measures time spent. They live apart from the rest of the runtime base so
// that tests can link a virtual clock in their place.

#include <cstdint>

// Suspends the calling thread for that many milliseconds, to the millisecond:
// on a high-resolution timer where the system has one, otherwise holding a
// 1-millisecond system timer resolution only while it sleeps.
void SleepMilliseconds(std::int32_t milliseconds);

// Milliseconds since some fixed start: a clock that never runs backwards, for
// telling how long ago something happened, not what time it is.
std::int64_t MonotonicMilliseconds();
