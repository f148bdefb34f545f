#pragma once
// Opening a port away from the window's thread. CreateFile on a port whose
// driver first makes a connection (a Bluetooth serial port) blocks for
// seconds, tens of seconds when the device is off, and the window must not
// freeze meanwhile. The open runs on a worker thread that touches nothing of
// the runtime (its heaps and strings belong to the window's thread) and posts
// the window a message when it is done. Until then the window takes its
// messages with the commands off: a pick in the port list abandons the open,
// a close of the window ends the program at once.

#include "serial/port.h"

#include <cstdint>

enum class OpenOutcome {
    Opened,
    Failed,
    Superseded, // the user picked another port meanwhile; that pick comes next
};

// Opens the port the settings name (for example "COM3:9600,N,8,1") without
// handshake and with the program's queues; `opened` is the new handle, 0
// unless the outcome is Opened.
OpenOutcome OpenPortInBackground(const char* settings, PortHandle& opened);

// Takes the window's messages for that long with the commands off, as during
// an open; false when the user picked another port meanwhile.
bool PauseTakingMessages(std::int32_t milliseconds);

// True while an open or such a pause takes the window's messages: the port is
// closed or on its way, and nothing else may use the line.
bool PortBusy();

// While one lives the commands are off (a pick of another port stays
// possible): the window shows an open under way (window_state.h). They nest.
class CommandsOff {
public:
    CommandsOff();
    ~CommandsOff();
    CommandsOff(const CommandsOff&) = delete;
    CommandsOff& operator=(const CommandsOff&) = delete;
};

// True while a CommandsOff lives.
bool PortOpenHoldsCommands();

// True from a pick that cut an open or a pause short until the port selection
// takes it up: what went on before it ends without a word.
extern bool PortPickWaiting;

// What the worker calls to open a port; a test puts a slow one in its place.
extern PortHandle (*PortOpener)(const char* settings);
