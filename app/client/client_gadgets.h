#pragma once
// The numbers of the client window's gadgets: the event dispatch and the
// effects name them, and so do the tests that drive the program from outside.
// A number is also its control's identifier (GetDlgCtrlID), so it is part of
// what the program shows the outside: each keeps the meaning it had in every
// earlier version. 7 and 13 have never named a control, and still name none
// (the start-up test checks it); gaps are neither closed up by renumbering
// nor filled. A new control takes the next number above the highest (15 on)
// and one row in ClientGadgetLayout (app/client/main_window.h).

#include "base/object_number.h"

#include <cstdint>

constexpr ObjectNumber MainWindow = 0;

constexpr ObjectNumber ReadButton = 1;
constexpr ObjectNumber WriteButton = 2;
constexpr ObjectNumber FormatButton = 3;
constexpr ObjectNumber StepButton = 4;
constexpr ObjectNumber DumpButton = 5;
constexpr ObjectNumber ClearButton = 6;
constexpr ObjectNumber PortList = 8;
constexpr ObjectNumber ReadingField = 9;
constexpr ObjectNumber MemoryField = 10;
constexpr ObjectNumber IntervalField = 11;
constexpr ObjectNumber LogEditor = 12;
constexpr ObjectNumber DumpProgress = 14;
constexpr ObjectNumber WatchButton = 15;
constexpr ObjectNumber WatchIntervalList = 16;
constexpr ObjectNumber ChartButton = 17;

// The gadget the window creates last: once it exists the layout is complete,
// which is what the end-to-end driver waits for. It must name the layout
// table's last row; main_window.h checks that at compile time.
constexpr ObjectNumber LastGadget = DumpProgress;

// The main window's timers, each with an id of its own: a tick names its
// timer by the id alone.
constexpr std::uintptr_t DumpStepTimer = 1;
constexpr std::uintptr_t WatchReadingTimer = 2;
