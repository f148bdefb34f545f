#pragma once
// Windows counts only user input as activity, not serial traffic or disk
// writes, so an unattended PC sleeps on its power plan's timer and a watch
// would stop recording. While a watch runs the system is kept awake (the
// display may still turn off). When it sleeps all the same (a closed lid,
// the user's choice), its resume becomes an event of the loop. The same
// subclass agrees to the session's end at once, flushes the watch's record
// at it, and ties the watch's times again when the system's time is changed.

#include <cstdint>

constexpr std::int32_t PowerResumedEvent = 0x7A02;

// Once the main window exists: the system's resume becomes PowerResumedEvent.
void InstallPowerWatch();

// Keeps the system from sleeping, or lets it again; a system that cannot be
// asked (before Windows 7) sleeps as its plan says.
void KeepSystemAwake(bool awake);
