#pragma once
// Opening a port away from the window's thread. CreateFile on a port whose
// driver first makes a connection (a Bluetooth serial port) blocks for
// seconds, tens of seconds when the device is off, and the window must not
// freeze meanwhile. The open runs on a worker thread that touches nothing of
// the runtime (its heaps and strings belong to the window's thread); the
// window's thread goes back to its loop, and the worker's message raises
// PortOpenedEvent, on which the result is taken. No loop of messages runs
// for an open.
//
// An open given up (the user picked another port, the program ends) is
// cancelled; one the driver does not let go of is kept by its settings, and
// a new open of the same settings takes it up instead of failing against
// it.

#include "serial/port.h"

#include <cstdint>

// The event an open's end raises in the loop.
constexpr std::int32_t PortOpenedEvent = 0x7A01;

enum class OpenPurpose : std::uint8_t {
    Pick,  // the user's pick, or the start-up's: the commands wait for it
    Quiet, // a look for a port that went away: nothing waits, nothing is said
};

enum class OpenOutcome : std::uint8_t { Opened, Failed, UnderWay };

// Starts opening the port the settings name (for example "COM3:9600,N,8,1")
// without handshake and with the program's queues; an open still under way
// is given up first. An open done at once (a wired port, a USB adapter) is
// Opened or Failed here, with `opened` its handle; otherwise UnderWay, and
// its end comes as PortOpenedEvent.
OpenOutcome StartPortOpen(const char* settings, OpenPurpose purpose, PortHandle& opened);
// After PortOpenedEvent: true with the wanted open's handle (0 when it
// failed) and purpose once it has ended; opens given up that ended are
// closed and forgotten.
bool TakeEndedOpen(PortHandle& opened, OpenPurpose& purpose);
// The open the port selection waits for, if any, and its purpose.
bool PortOpenUnderWay();
bool PortPickUnderWay();

// For a command that found its port gone: opens the settings' port within
// that many milliseconds, the window's thread waiting without taking
// messages; 0 when it did not open by then (an open still under way is
// given up).
PortHandle OpenPortWithin(const char* settings, std::int32_t milliseconds);

// The program ends: every open still under way is cancelled and given a
// moment, never longer.
void CancelPortOpens();

// What the worker calls to open a port; a test puts a slow one in its place.
extern PortHandle (*PortOpener)(const char* settings);
