#pragma once
// The client's one window: its fonts and its gadgets. The numbers are the
// ones the event dispatch and the effects name.

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

// The progress bar's range: a chunk position above it shows a full bar.
constexpr std::int32_t DumpProgressMaximum = 300;

// Font handles as FontOpen gave them; 0 when a font could not be made, and
// its gadgets then keep the system font.
extern std::intptr_t MediumFont;    // fields 10 and 11
extern std::intptr_t LargeFont;     // the reading field, 9
extern std::intptr_t SmallBoldFont; // the log, 12

void OpenClientFonts();
// The fixed-size window "Korvane", centred on the screen.
void OpenMainWindow();
// The twelve gadgets in their order of creation, each font applied right
// after its gadget exists.
void CreateClientGadgets();
