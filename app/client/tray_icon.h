#pragma once
// Korvane's icon in the notification area while a watch runs: its tip says
// the last reading and the watch's state, it takes the system's warning
// icon during an alarm (the cue that is not a colour), it brings a
// notification when an alarm starts, and a click on it brings the window to
// the front. It comes back when Explorer starts again, and goes when the
// watch ends and with the main window.

#include <windows.h>

// What the icon shows; not present: no icon.
struct TrayShows {
    bool present;
    bool alarm;
    wchar_t tip[128];
};
// Shows it: the icon added, changed or removed as it differs.
void ShowTrayIcon(const TrayShows& shows);

// A notification from the icon, while it is there; it plays no sound of
// its own.
void TellFromTrayIcon(const wchar_t* title, const wchar_t* text);

// Once, after the main window is made: it takes the icon's messages and
// Explorer's new start.
void InstallTrayIcon();
