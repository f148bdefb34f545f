#include "serial/handshake.h"
#include "serial/port.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A line state with every handshake field set to something no handshake
// type writes, so that a field a type must not touch shows when it changes.
DCB MarkedLineState()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.XonChar = 'a';
    dcb.XoffChar = 'b';
    dcb.XonLim = 1;
    dcb.XoffLim = 2;
    return dcb;
}

struct HandshakeRow {
    std::int32_t handshake;
    DWORD rtsControl;
    DWORD ctsFlow;
    DWORD xonXoff;
    char xonChar;
    char xoffChar;
    WORD xonLimit;
    WORD xoffLimit;
};

TEST(HandshakeTest, EachTypeSetsItsRowAndLeavesTheRest)
{
    const HandshakeRow rows[] = {
        {HandshakeNone, RTS_CONTROL_DISABLE, FALSE, FALSE, 'a', 'b', 1, 2},
        {HandshakeRtsOn, RTS_CONTROL_ENABLE, FALSE, FALSE, 'a', 'b', 1, 2},
        {HandshakeRtsCts, RTS_CONTROL_HANDSHAKE, TRUE, FALSE, 'a', 'b', 1, 2},
        // RTS control and CTS flow stay as parsed.
        {HandshakeXonXoff, RTS_CONTROL_TOGGLE, TRUE, TRUE, 0x11, 0x13, 102, 714},
        {4, RTS_CONTROL_TOGGLE, TRUE, FALSE, 'a', 'b', 1, 2},
        {-1, RTS_CONTROL_TOGGLE, TRUE, FALSE, 'a', 'b', 1, 2},
    };
    for (const HandshakeRow& row : rows) {
        SCOPED_TRACE(row.handshake);
        DCB dcb = MarkedLineState();
        ApplyHandshake(dcb, row.handshake, 1024);
        EXPECT_EQ(dcb.fRtsControl, row.rtsControl);
        EXPECT_EQ(dcb.fOutxCtsFlow, row.ctsFlow);
        EXPECT_EQ(dcb.fOutX, row.xonXoff);
        EXPECT_EQ(dcb.fInX, row.xonXoff);
        EXPECT_EQ(dcb.XonChar, row.xonChar);
        EXPECT_EQ(dcb.XoffChar, row.xoffChar);
        EXPECT_EQ(dcb.XonLim, row.xonLimit);
        EXPECT_EQ(dcb.XoffLim, row.xoffLimit);
        EXPECT_EQ(dcb.BaudRate, 9600u);
        EXPECT_EQ(dcb.ByteSize, 8);
    }
}

TEST(HandshakeTest, XonXoffLimitsComeFromTheInputQueueTruncated)
{
    const struct {
        std::int32_t inputQueue;
        WORD xonLimit;
        WORD xoffLimit;
    } rows[] = {
        {1024, 102, 714},
        {19, 1, 7},     // 1.9 and 13.3 truncate
        {9, 0, 0},
        {0, 0, 0},
        {-25, 0xFFFE, 0xFFF2}, // -2 and -14 in the 16-bit fields
        {100000, 10000, 4464}, // 70000 does not fit 16 bits: 70000 - 65536
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.inputQueue);
        DCB dcb = MarkedLineState();
        ApplyHandshake(dcb, HandshakeXonXoff, row.inputQueue);
        EXPECT_EQ(dcb.XonLim, row.xonLimit);
        EXPECT_EQ(dcb.XoffLim, row.xoffLimit);
    }
}

// What a port's earlier program may leave in the driver: flags that drop zero
// bytes, discard input without DSR or stop the line after one error, other
// rates, and XON equal to XOFF, which SetCommState refuses.
TEST(LineSettingsTest, BuiltWholeWhateverTheDriverHeld)
{
    DCB dcb = MarkedLineState();
    dcb.BaudRate = 115200;
    dcb.fNull = dcb.fDsrSensitivity = dcb.fAbortOnError = dcb.fOutxDsrFlow = TRUE;
    dcb.fTXContinueOnXoff = dcb.fErrorChar = dcb.fParity = TRUE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.XonChar = dcb.XoffChar = dcb.ErrorChar = dcb.EofChar = dcb.EvtChar = 0x13;
    ASSERT_TRUE(BuildLineSettings(dcb, "COM2:9600,N,8,1", HandshakeNone, 1024));

    DCB expected{};
    expected.DCBlength = sizeof expected;
    expected.BaudRate = 9600;
    expected.fBinary = TRUE;
    expected.fDtrControl = DTR_CONTROL_ENABLE;
    expected.fRtsControl = RTS_CONTROL_DISABLE;
    expected.ByteSize = 8;
    expected.XonChar = 0x11;
    expected.XoffChar = 0x13;
    expected.XonLim = 102;
    expected.XoffLim = 714;
    EXPECT_EQ(dcb.fNull, 0u);
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    EXPECT_EQ(dcb.fAbortOnError, 0u);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(std::memcmp(&dcb, &expected, sizeof dcb), 0) << "every other field as from zero";
}

} // namespace
