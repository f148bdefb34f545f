#pragma once
// The logger client's state, shared by the protocol, the dump and the window
// client. All of it is zero or empty when the program starts. The texts are
// string variables: null reads as the empty string, each owns its block.

#include "serial/port.h"

#include <cstdint>

// The open port, 0 when none. Port selection sets it; a command that finds
// the port gone closes it and opens it again when it can.
extern PortHandle CurrentPort;
// True once the open port went away and could not be opened again: the next
// command looks for it again before it says that no port is open.
extern bool PortLost;
// True once the system reported the open port removed: it was closed at once,
// and the next command looks for it as a command does that finds its port
// gone, telling the user when it is not back.
extern bool PortRemoved;

extern char* CommandText; // the one command letter; its first byte is what is sent
extern char* ReplyText;   // the last reply taken from the line
extern char* DumpText;    // the text collected by the latest dump
extern std::uint8_t EndSeen; // 1 once the dump met its zero byte

// Releases every text and clears the state, as at program start.
void LoggerStateReset();
