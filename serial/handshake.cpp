#include "serial/handshake.h"

#include "serial/port.h"

namespace {

constexpr char XonChar = 0x11;
constexpr char XoffChar = 0x13;

} // namespace

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
        // Both limits are 16-bit fields: the truncation is the platform's.
        dcb.XonLim = static_cast<WORD>(inputQueue / 10);
        dcb.XoffLim = static_cast<WORD>(inputQueue / 10 * 7);
        break;
    default:
        break;
    }
}
