// The store of a watch's readings until the watch itself keeps one: empty,
// and no watch runs.
#include "app/client/watch_driving.h"

namespace {

WatchReadings KeptReadings{};

} // namespace

const WatchReadings& WatchKeptReadings() { return KeptReadings; }

bool WatchRunning() { return false; }
