#pragma once
// Port selection: the port list names the serial port the logger is reached
// on. Exactly one port is open at a time, or none. Every open runs away from
// the window's thread (port_opening.h); its result is taken when it comes,
// if that port is still the one wanted.

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
// names the port, and no port is open; the port stays wanted, and the next
// command or its arrival tries it again without a word.
void OpenSelectedPort();
// The same for an unattended start (a watch to start or resume): a port that
// fails to open raises no requester and is looked for again as a lost one.
void OpenSelectedPortQuietly();
// An open ended (PortOpenedEvent): its port becomes the open one, or a pick
// that failed is reported; then whatever waited for it runs.
void TakePortOpened();

// True while the port is wanted but not open and no open of it is under way:
// a command then starts a quiet one (LookForPortNow) and waits for it.
bool PortWantedButClosed();
// A quiet open of the wanted port, now.
void LookForPortNow();
// The system reported the wanted port arrived: it is opened without a word,
// also when an open of it that is under way fails.
void WantedPortArrived();

// The reopenPort effect: true when a port is open. It opens nothing itself:
// a command that needs the port waits for a quiet open first.
bool OpenPortAgain();

// After a command found the port gone: tried again for up to ReturnPatience,
// the window's thread waiting without taking messages.
bool AwaitPortAgain();
inline constexpr std::int32_t ReturnPatience = 1000;

// Opening the port list, an arrival of another port, a watch's slot: a port
// that went away is looked for again without a word, unless a quiet look
// failed less than LookAgainAfter ago.
void LookForLostPort();
inline constexpr std::int32_t LookAgainAfter = 3000;

// The system reported the open port removed: it is closed at once and the
// next command looks for it (see RequirePort).
void ForgetRemovedPort();

// The system woke from sleep: the open port's handle may be dead (a USB
// adapter comes back anew as the system wakes). It is closed and looked for
// again at once, and then as a lost port is, until it is back.
void ReopenAfterResume();

// "Не удалось открыть порт  " and PortName, in the error requester.
void ReportPortOpenFailed();
