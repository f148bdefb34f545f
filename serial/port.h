#pragma once
// The serial port library: a stateless layer over the platform's
// communications calls. A port is named by its PortHandle, which the caller
// owns and passes to every operation; 0 means no port.

#include <cstdint>

// The operating system's handle of an open port, as wide as an address.
using PortHandle = std::uintptr_t;

// The platform's invalid-handle value (all bits set): every operation but
// PortClose treats it as an absent port and returns 0 at once.
constexpr PortHandle PortInvalid = ~PortHandle{0};

enum Handshake : std::int32_t {
    HandshakeNone = 0,    // RTS held off, no CTS flow control
    HandshakeRtsOn = 1,   // RTS held on, no CTS flow control
    HandshakeRtsCts = 2,  // RTS/CTS hardware handshake
    HandshakeXonXoff = 3, // XON/XOFF in both directions
};

// Error flag word bits (PortErrorFlags).
enum PortErrorBits : std::int32_t {
    PortErrorRxOver = 0x1,
    PortErrorOverrun = 0x2,
    PortErrorParity = 0x4,
    PortErrorFrame = 0x8,
    PortErrorBreak = 0x10,
    PortErrorCtsHold = 0x80,
    PortErrorDsrHold = 0x100,
    PortErrorRlsdHold = 0x200,
    PortErrorXoffHold = 0x400,
    PortErrorXoffSent = 0x800,
};

// Opens the device named before the first ':' of settings (the whole string
// when it has none) and sets the line whole: 9600 baud, 8 data bits, no
// parity, one stop bit and no flow control, whatever the driver held before,
// then the part after the ':', for example "COM2:9600,N,8,1", the handshake
// and the time-outs. Returns 0, with nothing left open, when the device
// cannot be opened or any of that cannot be set.
PortHandle PortOpen(const char* settings, std::int32_t handshake, std::int32_t inputQueue,
                    std::int32_t outputQueue);
std::int32_t PortClose(PortHandle port);
std::int32_t PortWrite(PortHandle port, const void* bytes, std::int32_t length);
// The bytes of the write that the driver reports sent, 0 to length: also
// after a failed call (a time-out, an error), which may have sent some. 0 for
// the absent port and bad arguments.
std::int32_t PortWriteCount(PortHandle port, const void* bytes, std::int32_t length);
// The count of bytes the read delivered into the buffer, at most length (0
// when none came); -1 when the read failed (a device that went away) or was
// asked for with a negative length or no buffer.
std::int32_t PortRead(PortHandle port, void* buffer, std::int32_t length);
// The received bytes waiting; -1 when the port cannot say (a device that went
// away). The query clears the driver's line errors, which it reports in
// lineErrors as PortErrorFlags' bits 0x1 to 0x10 (0 when there were none, or
// the query failed): some of the bytes waiting, or read since the last
// query, were lost or damaged on the way. A caller that drops them must say
// why.
std::int32_t PortInputCount(PortHandle port, std::int32_t& lineErrors);
std::int32_t PortOutputCount(PortHandle port);
// Throws away the received bytes waiting, and the line errors they came
// with; nonzero on success.
std::int32_t PortDiscardInput(PortHandle port);
// Throws away the bytes still waiting to go out; nonzero on success.
std::int32_t PortDiscardOutput(PortHandle port);
std::int32_t PortSetTimeouts(PortHandle port, std::int32_t readInterval, std::int32_t readTotalConstant,
                             std::int32_t readTotalMultiplier, std::int32_t writeTotalConstant,
                             std::int32_t writeTotalMultiplier);
std::int32_t PortSetDtr(PortHandle port, std::int32_t on);
std::int32_t PortSetRts(PortHandle port, std::int32_t on);
std::int32_t PortSetBreak(PortHandle port, std::int32_t on);
std::int32_t PortCtsOn(PortHandle port);
std::int32_t PortDsrOn(PortHandle port);
std::int32_t PortRlsdOn(PortHandle port);
std::int32_t PortRingOn(PortHandle port);
std::int32_t PortSetFlowChars(PortHandle port, std::uint8_t xon, std::uint8_t xoff);
std::int32_t PortErrorFlags(PortHandle port);
