#include "serial/port.h"

#include "serial/handshake.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The device namespace prefix "\\.\": it lets names like COM10 and above,
// which are not DOS device names, reach the communications driver.
constexpr char DevicePrefix[] = "\\\\.\\";
constexpr std::size_t DevicePrefixLength = sizeof DevicePrefix - 1;

// Room for the longest path the ANSI file calls accept; a device name that
// does not fit is refused rather than cut, so that a shortened name can never
// open some other device.
using DevicePath = std::array<char, MAX_PATH>;

// Every time-out (ms) set on a port that PortOpen configures. A read takes
// what waits and returns at once, none included: the callers ask for what a
// count reported, and a driver whose count runs ahead of its data must not
// hold the window for a time that grows with the bytes asked for. A write
// gives up after 10 + 100 ms per byte.
constexpr COMMTIMEOUTS LineTimeouts{
    .ReadIntervalTimeout = MAXDWORD,
    .ReadTotalTimeoutMultiplier = 0,
    .ReadTotalTimeoutConstant = 0,
    .WriteTotalTimeoutMultiplier = 100,
    .WriteTotalTimeoutConstant = 10,
};

HANDLE PlatformHandle(PortHandle port) { return reinterpret_cast<HANDLE>(port); }

bool IsAbsent(PortHandle port) { return port == PortInvalid; }

// The device name is everything before the first ':' (the whole string when
// there is none). False when the name does not fit the path buffer.
bool BuildDevicePath(const char* settings, DevicePath& path)
{
    const std::size_t nameLength = std::strcspn(settings, ":");
    if (DevicePrefixLength + nameLength >= path.size())
        return false;
    path.fill('\0');
    std::memcpy(path.data(), DevicePrefix, DevicePrefixLength);
    std::memcpy(path.data() + DevicePrefixLength, settings, nameLength);
    return true;
}

// ClearCommError also clears the port's pending errors, so every caller of
// this resets what a later PortErrorFlags would report.
bool QueryStatus(PortHandle port, DWORD& errors, COMSTAT& status)
{
    errors = 0;
    status = COMSTAT{};
    return ClearCommError(PlatformHandle(port), &errors, &status) != FALSE;
}

std::int32_t LineErrorBits(DWORD errors)
{
    std::int32_t flags = 0;
    if (errors & CE_RXOVER)
        flags |= PortErrorRxOver;
    if (errors & CE_OVERRUN)
        flags |= PortErrorOverrun;
    if (errors & CE_RXPARITY)
        flags |= PortErrorParity;
    if (errors & CE_FRAME)
        flags |= PortErrorFrame;
    if (errors & CE_BREAK)
        flags |= PortErrorBreak;
    return flags;
}

std::int32_t EscapeFunction(PortHandle port, DWORD function)
{
    if (IsAbsent(port))
        return 0;
    return EscapeCommFunction(PlatformHandle(port), function) ? 1 : 0;
}

std::int32_t ModemLineOn(PortHandle port, DWORD bit)
{
    if (IsAbsent(port))
        return 0;
    DWORD status = 0;
    if (!GetCommModemStatus(PlatformHandle(port), &status))
        return 0;
    return (status & bit) ? 1 : 0;
}

// Counts are 32-bit signed in this library; a platform count beyond that
// range is reported as the largest count rather than as a negative one.
std::int32_t ClampCount(DWORD count)
{
    return count > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<std::int32_t>(count);
}

// The line built whole (see BuildLineSettings), then the time-outs.
bool ConfigureLine(HANDLE handle, const char* settings, std::int32_t handshake, std::int32_t inputQueue)
{
    DCB dcb;
    if (!BuildLineSettings(dcb, settings, handshake, inputQueue))
        return false;
    COMMTIMEOUTS timeouts = LineTimeouts;
    return SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts);
}

} // namespace

PortHandle PortOpen(const char* settings, std::int32_t handshake, std::int32_t inputQueue,
                    std::int32_t outputQueue)
{
    DevicePath path;
    if (!settings || !BuildDevicePath(settings, path))
        return 0;

    HANDLE handle = CreateFileA(path.data(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return 0;

    if (inputQueue > 0 && outputQueue > 0)
        SetupComm(handle, static_cast<DWORD>(inputQueue), static_cast<DWORD>(outputQueue));

    // A port that keeps the driver's line or has no time-outs would talk at
    // the wrong rate or block for ever: it counts as not opened.
    if (!ConfigureLine(handle, settings, handshake, inputQueue)) {
        CloseHandle(handle);
        return 0;
    }
    // Whatever the device held before the open (a logger's power-up text)
    // is no reply to anything this handle sends.
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return reinterpret_cast<PortHandle>(handle);
}

std::int32_t PortClose(PortHandle port) { return CloseHandle(PlatformHandle(port)) ? 1 : 0; }

std::int32_t PortWrite(PortHandle port, const void* bytes, std::int32_t length)
{
    if (IsAbsent(port) || length < 0 || (!bytes && length > 0))
        return 0;
    DWORD written = 0;
    if (!WriteFile(PlatformHandle(port), bytes, static_cast<DWORD>(length), &written, nullptr))
        return 0;
    return written == static_cast<DWORD>(length) ? 1 : 0;
}

std::int32_t PortWriteCount(PortHandle port, const void* bytes, std::int32_t length)
{
    if (IsAbsent(port) || length < 0 || (!bytes && length > 0))
        return 0;
    DWORD written = 0;
    WriteFile(PlatformHandle(port), bytes, static_cast<DWORD>(length), &written, nullptr);
    return std::min(ClampCount(written), length);
}

std::int32_t PortRead(PortHandle port, void* buffer, std::int32_t length)
{
    if (IsAbsent(port))
        return 0;
    if (length < 0 || (!buffer && length > 0))
        return -1;
    DWORD read = 0;
    if (!ReadFile(PlatformHandle(port), buffer, static_cast<DWORD>(length), &read, nullptr))
        return -1;
    return ClampCount(read);
}

std::int32_t PortInputCount(PortHandle port, std::int32_t& lineErrors)
{
    lineErrors = 0;
    if (IsAbsent(port))
        return 0;
    DWORD errors;
    COMSTAT status;
    if (!QueryStatus(port, errors, status))
        return -1;
    lineErrors = LineErrorBits(errors);
    return ClampCount(status.cbInQue);
}

std::int32_t PortOutputCount(PortHandle port)
{
    if (IsAbsent(port))
        return 0;
    DWORD errors;
    COMSTAT status;
    return QueryStatus(port, errors, status) ? ClampCount(status.cbOutQue) : 0;
}

std::int32_t PortDiscardInput(PortHandle port)
{
    if (IsAbsent(port) || !PurgeComm(PlatformHandle(port), PURGE_RXCLEAR))
        return 0;
    DWORD errors;
    COMSTAT status;
    return QueryStatus(port, errors, status) ? 1 : 0;
}

std::int32_t PortDiscardOutput(PortHandle port)
{
    if (IsAbsent(port))
        return 0;
    return PurgeComm(PlatformHandle(port), PURGE_TXCLEAR) ? 1 : 0;
}

std::int32_t PortSetTimeouts(PortHandle port, std::int32_t readInterval, std::int32_t readTotalConstant,
                             std::int32_t readTotalMultiplier, std::int32_t writeTotalConstant,
                             std::int32_t writeTotalMultiplier)
{
    if (IsAbsent(port))
        return 0;
    COMMTIMEOUTS timeouts{
        .ReadIntervalTimeout = static_cast<DWORD>(readInterval),
        .ReadTotalTimeoutMultiplier = static_cast<DWORD>(readTotalMultiplier),
        .ReadTotalTimeoutConstant = static_cast<DWORD>(readTotalConstant),
        .WriteTotalTimeoutMultiplier = static_cast<DWORD>(writeTotalMultiplier),
        .WriteTotalTimeoutConstant = static_cast<DWORD>(writeTotalConstant),
    };
    return SetCommTimeouts(PlatformHandle(port), &timeouts) ? 1 : 0;
}

std::int32_t PortSetDtr(PortHandle port, std::int32_t on) { return EscapeFunction(port, on ? SETDTR : CLRDTR); }

std::int32_t PortSetRts(PortHandle port, std::int32_t on) { return EscapeFunction(port, on ? SETRTS : CLRRTS); }

std::int32_t PortSetBreak(PortHandle port, std::int32_t on)
{
    return EscapeFunction(port, on ? SETBREAK : CLRBREAK);
}

std::int32_t PortCtsOn(PortHandle port) { return ModemLineOn(port, MS_CTS_ON); }
std::int32_t PortDsrOn(PortHandle port) { return ModemLineOn(port, MS_DSR_ON); }
std::int32_t PortRlsdOn(PortHandle port) { return ModemLineOn(port, MS_RLSD_ON); }
std::int32_t PortRingOn(PortHandle port) { return ModemLineOn(port, MS_RING_ON); }

std::int32_t PortSetFlowChars(PortHandle port, std::uint8_t xon, std::uint8_t xoff)
{
    if (IsAbsent(port))
        return 0;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(PlatformHandle(port), &dcb))
        return 0;
    dcb.XonChar = static_cast<char>(xon);
    dcb.XoffChar = static_cast<char>(xoff);
    return SetCommState(PlatformHandle(port), &dcb) ? 1 : 0;
}

std::int32_t PortErrorFlags(PortHandle port)
{
    if (IsAbsent(port))
        return 0;
    DWORD errors;
    COMSTAT status;
    if (!QueryStatus(port, errors, status))
        return 0;
    std::int32_t flags = LineErrorBits(errors);
    if (status.fCtsHold)
        flags |= PortErrorCtsHold;
    if (status.fDsrHold)
        flags |= PortErrorDsrHold;
    if (status.fRlsdHold)
        flags |= PortErrorRlsdHold;
    if (status.fXoffHold)
        flags |= PortErrorXoffHold;
    if (status.fXoffSent)
        flags |= PortErrorXoffSent;
    return flags;
}
