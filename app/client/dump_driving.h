#pragma once
// The dump as the window lives through it. Its steps run from a timer of the
// main window, not from a wait loop of the program's own: the system's modal
// loops (the user holding the title bar, an open system menu) dispatch timer
// messages too, so the line is polled on time while they run and the port's
// input queue never overflows. It runs on the window's thread, as every
// command does.
//
// While the dump collects, every control but the Dump button is disabled and
// the button reads "Stop"; Esc or a press of it stops the dump. After a stop
// the logger's rest is drained with every control but the port list
// disabled. No command runs until the controls come back.

#include <cstdint>

// True from the press of Dump until the dump, and a drain after a stop, are
// over: no command may run meanwhile.
bool DumpBusy();

// True while Esc stops the dump: from the press of Dump until it stops.
bool DumpTakesStopKey();

// The kind of the Dump button's event that Esc raises during a dump: it
// stops the dump and never starts one, also when the dump ended before the
// event was taken.
constexpr std::int32_t DumpStopKey = 0x10001;

// Once the Dump button exists: it tells how each of its presses began.
void WatchDumpButton();

// An event of the Dump button: a press starts a dump, or stops the one
// collecting; DumpStopKey only stops it. A click is one press: a press that
// began as the second half of a double click is ignored, and so is a click
// whose button went down on "Stop" and that comes after the dump ended by
// itself (a Stop meant for it). Esc and Space always act.
void HandleDumpButton(std::int32_t kind);
// The port is about to change or the program to end: whatever the dump was
// doing ends at once, and the controls come back.
void EndDumpNow();
