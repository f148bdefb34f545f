#pragma once
// The client's event loop: button presses become command sequences, a new
// port list selection reopens the port, opening the port list looks again
// for a port that went away, closing the window ends the loop.

#include "base/object_number.h"

#include <cstdint>

// A combo box's selection-change notification (CBN_SELCHANGE): also the
// arrow keys on a closed list.
constexpr std::int32_t ListSelectionChanged = 1;
constexpr std::int32_t PortListSelectionChanged = ListSelectionChanged;
// The combo box's list is about to open (CBN_DROPDOWN).
constexpr std::int32_t PortListOpening = 7;

// Acts on one event; false once the loop is to end.
bool HandleEvent(std::int32_t code, ObjectNumber object, std::int32_t kind);

// The start-up's queries, once the first port's open has ended.
void RunStartupQueries();

// Waits for events and handles them until the window is closed.
void RunEventLoop();

// The runtime's end steps, then the process ends with exit code 0. The open
// port is left to the end of the process, which releases it.
[[noreturn]] void EndProgram();
