#pragma once
// The millisecond delay that paces the serial exchanges. It lives apart from
// the rest of the runtime base so that tests can link a virtual clock in its
// place.

#include <cstdint>

// Suspends the calling thread for that many milliseconds, holding a
// 1-millisecond system timer resolution only while it sleeps.
void SleepMilliseconds(std::int32_t milliseconds);
