#pragma once
// The clock and the user's separators as the record files write them.

#include <windows.h>

#include "app/logger/watch_record.h"

#include <cstdint>

// The user's separator (LOCALE_SLIST, LOCALE_SDECIMAL) as UTF-8, whatever
// characters it holds; empty when the system has none.
void ReadSeparator(LCTYPE item, char (&separator)[WatchSeparatorLongest + 1]);

// The local time now, as the calendar shows it.
WatchClock LocalClock();

// The time now as milliseconds since 1601, UTC.
std::int64_t UtcMilliseconds();

// The local time of a UTC time (seconds since 1601), as the system's zone
// and its daylight saving rules have it for that moment.
WatchClock LocalClockAt(std::int64_t utcSeconds);
