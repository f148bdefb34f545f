#pragma once
// Port selection: the port list names the serial port the logger is reached
// on. Exactly one port is open at a time, or none.

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
// names the port, and no port is open.
void OpenSelectedPort();

// Opens the port named by PortSettings again, closing the open one first,
// without a requester; true when it opened.
bool OpenPortAgain();

// "Не удалось открыть порт  " and PortName, in the error requester.
void ReportPortOpenFailed();
