#pragma once
// What a watch needs to resume after the program ended without the user
// stopping it (a restart for an update, a log-off, a shutdown, a power cut,
// a crash), kept per port under HKCU\Software\Korvane\Watches so that
// several windows, one per logger, each resume their own. While a watch
// runs the program is registered to start again: with the system's restart
// of applications (after an update, or a crash once it has run 60 s) and by
// a Run value at the next log-on, each with the port on its command line.

#include "app/logger/watch_record.h"

#include <windows.h>

#include <cstdint>

struct WatchResume {
    wchar_t file[MAX_PATH];
    std::uint32_t seconds;
    char list[WatchSeparatorLongest + 1];
    char decimal[WatchSeparatorLongest + 1];
};

// The watch that ran on this port and was not stopped by the user.
bool ReadWatchResume(const char* port, WatchResume& resume);

// A watch runs on the port: what it needs is kept, and the program is
// registered to start again on that port.
void RememberWatch(const char* port, const WatchResume& resume);

// The user stopped the watch on the port: it is forgotten, and neither
// start stays registered.
void ForgetWatch(const char* port);
