#pragma once
// The logger's command protocol: one command byte, a fixed wait, then whatever
// the logger has sent by then is its reply. No framing, no length, no
// acknowledgement; the waits alone pace the exchange, and waiting input is
// never flushed, so late bytes join the next reply.

#include <cstdint>

// The wait after each command byte, in milliseconds.
inline constexpr std::int32_t WaitAfterMemory = 100;   // "M"
inline constexpr std::int32_t WaitAfterReading = 50;   // "T"
inline constexpr std::int32_t WaitAfterInterval = 100; // "L"
inline constexpr std::int32_t WaitAfterStep = 100;     // "+"
inline constexpr std::int32_t WaitAfterWrite = 100;    // "W"
inline constexpr std::int32_t WaitAfterFormat = 200;   // "F"
inline constexpr std::int32_t WaitAfterDump = 200;     // "D"

// The most bytes taken from the line in one read: four times the input queue
// the port is opened with, and more than a second at 9600 baud. A larger count
// is read in several turns; what is left stays waiting for the next read. It
// bounds the block that a corrupt or runaway waiting count could ask for.
inline constexpr std::int32_t LargestRead = 4096;

// True when a port is open. A port that went away is first opened again
// without a word; when none is open then, reports that none is and yields
// false. A port the system reported removed, and that is not back, is
// recovered as under a command that finds it gone.
bool RequirePort();
// Opens the port that went away, or that the system reported removed, again
// without a word; true when a port is open afterwards.
bool ReopenLostPort();
// The open port went away under a command (its write or its count of waiting
// bytes failed): it is closed and opened again, tried for up to about a
// second. True when it came back; otherwise the user is told, no port stays
// open, and the caller ends its sequence.
bool RecoverPort();
// WriteCommand, and once more on the port opened anew when the write finds
// the port gone; false when it did not come back. A letter that cannot be
// stored is not sent: the user is told that memory ran out.
bool WriteToLogger(const char* letter);
// WriteToLogger, then the wait; no wait when the port did not come back.
bool SendToLogger(const char* letter, std::int32_t milliseconds);
// Sends the first byte of the letter to the open port; after a failed write
// that a line error explains, once more. False when it was not sent: the
// letter could not be stored, or the port went away.
bool WriteCommand(const char* letter);
// WriteCommand and the wait; no wait when nothing was sent.
bool SendCommand(const char* letter, std::int32_t milliseconds);
// Replaces ReplyText by the bytes waiting on the port, up to the first zero
// byte; a single space when nothing waits. When no block can be had for the
// bytes, ReplyText keeps its value and the bytes stay waiting. False, with
// ReplyText unchanged, when the port cannot count or read its bytes: it went
// away.
bool ReadReply();
// Shows the interval named by ReplyText ("1" Minut, "2" Hour, "3" Day, matched
// exactly); any other reply leaves the interval field as it is.
void ShowInterval();

// The request sequences, each guarded by RequirePort. A command that finds
// the port gone closes it and opens it again once (a command that never left
// is then sent again); when it does not come back, the user is told once and
// the sequence ends. A reply lost with the port is not asked for again, but
// on the port opened anew the interval ("L") and the memory ("M") are, before
// the sequence ends.
void QueryLoggerAtStartup(); // "M", "T", "L", each guarded on its own
void ReadSequence();         // button Read: "T" (also logged), "M", "L"
void WriteSequence();        // button Write: "W" (no read), "M", "T" (also logged)
void FormatSequence();       // button Format: asked first, then "F" (logged), "M"
void StepIntervalSequence(); // button "+": "+" and the new interval
