#pragma once
// The numbers of the client window's gadgets: the event dispatch and the
// effects name them, and so do the tests that drive the program from outside.

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

// The gadget the window creates last: once it exists the layout is complete.
constexpr ObjectNumber LastGadget = DumpProgress;

// The main window's timers, each with an id of its own: a tick names its
// timer by the id alone.
constexpr std::uintptr_t DumpStepTimer = 1;
