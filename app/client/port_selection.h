#pragma once
// Port selection: the port list names the serial port the logger is reached
// on. Exactly one port is open at a time, or none.

#include <cstdint>

// The text of the selected list entry (for example COM3) and the settings it
// was opened with; kept until the next selection.
extern char* PortName;
extern char* PortSettings;

// The line settings every port is opened with: 9600 baud, no parity, 8 data
// bits, 1 stop bit.
inline constexpr char PortLineSettings[] = ":9600,N,8,1";
inline constexpr int PortQueueSize = 1024;

// Closes the open port, if any, then opens the one the list shows selected,
// without handshake. When it cannot be opened, says so in a requester that
// names the port, and no port is open. Every open runs away from the
// window's thread (port_opening.h).
void OpenSelectedPort();

// Opens the port named by PortSettings again, closing the open one first,
// without a requester; true when it opened.
bool OpenPortAgain();

// OpenPortAgain after a command found the port gone: tried again for up to
// ReturnPatience, the window taking its messages between two tries.
bool AwaitPortAgain();
inline constexpr std::int32_t ReturnPatience = 1000;

// Opening the port list, an arrival of another port: a port that went away is
// looked for again without a word, unless a silent look failed less than
// LookAgainAfter ago. Only a button press looks sooner.
void LookForLostPort();
inline constexpr std::int32_t LookAgainAfter = 3000;

// The system reported the open port removed: it is closed at once and the
// next command looks for it (see RequirePort).
void ForgetRemovedPort();

// "Не удалось открыть порт  " and PortName, in the error requester; nothing
// while another pick waits to be opened.
void ReportPortOpenFailed();
