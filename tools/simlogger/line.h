#pragma once
// The simulated logger's end of the serial line: a pseudo-terminal whose
// slave a Wine prefix sees as a COM port.

#include <string>

struct PtyLine {
    int master = -1;
    int slave = -1; // kept open so that the master never reads as hung up between opens
    std::string slavePath;
};

// Opens a pty in raw mode, echo off, at 38400 baud (a new tty's rate, not the
// logger's); false (with errno set) when the system gives none.
bool OpenPtyLine(PtyLine& line);

// The far end set the line as the logger talks: 9600 baud, 8 data bits, no
// parity, 1 stop bit. The pty keeps the rate and the stop bits the far end
// set, so they can be seen (it always keeps 8 data bits and no parity); true
// when they cannot be read.
bool LineSetForLogger(const PtyLine& line);

// The cable is pulled: the far end sees the line close.
void HangUpPtyLine(PtyLine& line);

void ClosePtyLine(PtyLine& line);

// Points `link` at the slave, replacing whatever was there in one step.
bool LinkDevice(const std::string& link, const std::string& target);

// Removes `link` only while it still points at `target`: a newer logger may
// have taken the name over since.
void UnlinkDevice(const std::string& link, const std::string& target);
