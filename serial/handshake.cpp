#include "serial/handshake.h"

#include "serial/port.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char XonChar = 0x11;
constexpr char XoffChar = 0x13;

// The input queue's fill levels at which XOFF is sent and XON follows (and an
// RTS or DTR handshake drops and raises its line). Both are 16-bit fields:
// the truncation is the platform's.
void SetFlowLimits(DCB& dcb, std::int32_t inputQueue)
{
    dcb.XonLim = static_cast<WORD>(inputQueue / 10);
    dcb.XoffLim = static_cast<WORD>(inputQueue / 10 * 7);
}

// 9600 baud, 8 data bits, no parity, one stop bit, DTR on and every other
// flag clear. A driver keeps what the port's previous program set: fNull
// would drop the dump's zero byte, fDsrSensitivity discard all input on a
// three-wire cable, fAbortOnError stop every transfer after one framing
// error, and equal XON and XOFF characters make SetCommState fail.
DCB LineFromZero(std::int32_t inputQueue)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonChar = XonChar;
    dcb.XoffChar = XoffChar;
    // Queues left as the driver has them (a size of 0 or less) have no size
    // here to take levels from: 0 stays valid for any queue.
    SetFlowLimits(dcb, std::max(inputQueue, 0));
    return dcb;
}

} // namespace

bool BuildLineSettings(DCB& dcb, const char* settings, std::int32_t handshake, std::int32_t inputQueue)
{
    dcb = LineFromZero(inputQueue);
    // The parser takes a device name in front of the settings only in the form
    // COMn, so it is given the settings alone: every port gets them, whatever
    // its name.
    const char* colon = std::strchr(settings, ':');
    if (colon && !BuildCommDCBA(colon + 1, &dcb))
        return false;
    ApplyHandshake(dcb, handshake, inputQueue);
    return true;
}

void ApplyHandshake(DCB& dcb, std::int32_t handshake, std::int32_t inputQueue)
{
    switch (handshake) {
    case HandshakeNone:
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fOutxCtsFlow = FALSE;
        break;
    case HandshakeRtsOn:
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fOutxCtsFlow = FALSE;
        break;
    case HandshakeRtsCts:
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        dcb.fOutxCtsFlow = TRUE;
        break;
    case HandshakeXonXoff:
        dcb.fOutX = TRUE;
        dcb.fInX = TRUE;
        dcb.XonChar = XonChar;
        dcb.XoffChar = XoffChar;
        SetFlowLimits(dcb, inputQueue);
        break;
    default:
        break;
    }
}
