#pragma once
// What the chart reads of the watch: the readings it keeps, and whether it runs.

#include "app/logger/watch_readings.h"

// The readings of the current watch, or of the last one when none runs.
const WatchReadings& WatchKeptReadings();

// True while a watch takes readings.
bool WatchRunning();
