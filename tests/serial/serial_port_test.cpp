#include "serial/port.h"
#include "tests/support/simulated_logger.h"
#include "tests/support/wine_detect.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// This binary's ports (see tests/support/simulated_logger.h).
constexpr const char* LoggerPort = "COM5";
constexpr const char* SecondPort = "COM6";
constexpr const char* MissingPort = "COM9";
constexpr const char* LineSettings = ":9600,N,8,1";

std::string Settings(const std::string& device) { return device + LineSettings; }

// Closes a port a test opened, whatever the test's outcome.
struct OpenPort {
    PortHandle handle = 0;
    explicit OpenPort(PortHandle port) : handle(port) {}
    ~OpenPort()
    {
        if (handle)
            PortClose(handle);
    }
    OpenPort(const OpenPort&) = delete;
    OpenPort& operator=(const OpenPort&) = delete;
};

DCB LineState(PortHandle port)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_TRUE(GetCommState(reinterpret_cast<HANDLE>(port), &dcb));
    return dcb;
}

// The waiting count; a pseudo-terminal never reports a line error.
std::int32_t WaitingCount(PortHandle port)
{
    std::int32_t lineErrors = -1;
    const std::int32_t count = PortInputCount(port, lineErrors);
    EXPECT_EQ(lineErrors, 0);
    return count;
}

// Waits up to two seconds until `expected` bytes are there.
void AwaitWaiting(PortHandle port, std::int32_t expected)
{
    for (int i = 0; i < 200 && WaitingCount(port) < expected; ++i)
        Sleep(10);
}

// Reads what the logger sent in reply, waiting until `expected` bytes are there.
std::string ReadWaiting(PortHandle port, std::int32_t expected)
{
    AwaitWaiting(port, expected);
    const std::int32_t count = WaitingCount(port);
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (count > 0) {
        EXPECT_EQ(PortRead(port, bytes.data(), count), count);
    }
    return bytes;
}

class SerialPortTest : public ::testing::Test {
protected:
    void StartLogger(const std::string& scenario, const std::string& device = LoggerPort)
    {
        logger_ = std::make_unique<SimulatedLogger>(device, scenario);
        ASSERT_TRUE(logger_->ready()) << logger_->failure();
    }
    std::unique_ptr<SimulatedLogger> logger_;
};

// What a tty keeps of the line settings (Wine keeps the line there) and so
// can be read back everywhere.
struct HandshakeCase {
    std::int32_t handshake;
    DWORD ctsFlow;
    DWORD xonXoff; // fOutX and fInX alike
};

TEST_F(SerialPortTest, OpenSetsTheLineAndEachHandshake)
{
    StartLogger("");
    const HandshakeCase cases[] = {
        {HandshakeNone, 0, 0},
        {HandshakeRtsOn, 0, 0},
        {HandshakeRtsCts, 1, 0},
        {HandshakeXonXoff, 0, 1},
    };
    for (const HandshakeCase& expected : cases) {
        SCOPED_TRACE(expected.handshake);
        OpenPort port(PortOpen(Settings(LoggerPort).c_str(), expected.handshake, 1024, 1024));
        ASSERT_NE(port.handle, 0u);
        const DCB dcb = LineState(port.handle);
        EXPECT_EQ(dcb.BaudRate, 9600u);
        EXPECT_EQ(dcb.Parity, NOPARITY);
        EXPECT_EQ(dcb.ByteSize, 8);
        EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
        EXPECT_EQ(dcb.fOutxCtsFlow, expected.ctsFlow);
        EXPECT_EQ(dcb.fOutX, expected.xonXoff);
        EXPECT_EQ(dcb.fInX, expected.xonXoff);
        if (expected.xonXoff) {
            EXPECT_EQ(dcb.XonChar, 0x11);
            EXPECT_EQ(dcb.XoffChar, 0x13);
        }
    }
}

TEST_F(SerialPortTest, RtsControlAndFlowLimitsReadBack)
{
    if (RunningOnWine())
        GTEST_SKIP() << "Wine keeps the line in a tty, which holds no RTS control mode and no XON/XOFF limits: "
                        "GetCommState reads RTS as enabled and both limits as 10 (the table itself is checked "
                        "in handshake_test)";
    StartLogger("");
    const struct {
        std::int32_t handshake;
        DWORD rtsControl;
    } cases[] = {
        {HandshakeNone, RTS_CONTROL_DISABLE},
        {HandshakeRtsOn, RTS_CONTROL_ENABLE},
        {HandshakeRtsCts, RTS_CONTROL_HANDSHAKE},
    };
    for (const auto& expected : cases) {
        SCOPED_TRACE(expected.handshake);
        OpenPort port(PortOpen(Settings(LoggerPort).c_str(), expected.handshake, 1024, 1024));
        ASSERT_NE(port.handle, 0u);
        EXPECT_EQ(LineState(port.handle).fRtsControl, expected.rtsControl);
    }
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeXonXoff, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    const DCB dcb = LineState(port.handle);
    EXPECT_EQ(dcb.XonLim, 102);
    EXPECT_EQ(dcb.XoffLim, 714);
}

// Types outside the table leave the line as the settings parser made it,
// whatever handshake the port had before.
TEST_F(SerialPortTest, UnknownHandshakeTypesKeepTheParsedSettings)
{
    StartLogger("");
    for (std::int32_t handshake : {4, -1, 1000}) {
        SCOPED_TRACE(handshake);
        // Leave a flow control on the line that must not survive.
        {
            OpenPort before(PortOpen(Settings(LoggerPort).c_str(), HandshakeXonXoff, 1024, 1024));
            ASSERT_NE(before.handle, 0u);
        }
        OpenPort port(PortOpen(Settings(LoggerPort).c_str(), handshake, 1024, 1024));
        ASSERT_NE(port.handle, 0u);
        const DCB dcb = LineState(port.handle);
        EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
        EXPECT_EQ(dcb.fOutX, 0u);
        EXPECT_EQ(dcb.fInX, 0u);
        EXPECT_EQ(dcb.BaudRate, 9600u);
    }
}

TEST_F(SerialPortTest, OpenSetsTheLineTimeouts)
{
    StartLogger("");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(reinterpret_cast<HANDLE>(port.handle), &timeouts));
    // A read takes what waits and returns at once.
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 10u);
}

TEST_F(SerialPortTest, SetTimeoutsTakesConstantsBeforeMultipliers)
{
    StartLogger("");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    ASSERT_NE(PortSetTimeouts(port.handle, 11, 22, 33, 44, 55), 0);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(reinterpret_cast<HANDLE>(port.handle), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 11u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 22u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 33u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 44u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 55u);
}

TEST_F(SerialPortTest, SetFlowCharsReplacesOnlyTheFlowCharacters)
{
    StartLogger("");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    ASSERT_NE(PortSetFlowChars(port.handle, 0x21, 0xA3), 0);
    const DCB dcb = LineState(port.handle);
    EXPECT_EQ(static_cast<unsigned char>(dcb.XonChar), 0x21);
    EXPECT_EQ(static_cast<unsigned char>(dcb.XoffChar), 0xA3);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.fOutX, 0u);
}

TEST_F(SerialPortTest, CommandGoesOutAndTheReplyIsCountedAndRead)
{
    StartLogger("reply T \"+21.5\"\n");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    EXPECT_EQ(WaitingCount(port.handle), 0);

    EXPECT_EQ(PortWrite(port.handle, "T", 1), 1);
    EXPECT_EQ(ReadWaiting(port.handle, 5), "+21.5");
    EXPECT_EQ(WaitingCount(port.handle), 0);
    EXPECT_EQ(PortOutputCount(port.handle), 0);
    EXPECT_EQ(PortErrorFlags(port.handle), 0);
    // The count of bytes sent, which a resend is judged by.
    EXPECT_EQ(PortWriteCount(port.handle, "T", 1), 1);
    EXPECT_EQ(ReadWaiting(port.handle, 5), "+21.5");
    ASSERT_TRUE(logger_->WaitForReceived(2, 2000));
    EXPECT_EQ(logger_->ReceivedText(), "TT");
}

// A reply nobody read is gone once the input is thrown away, and so is one
// that waited when its handle was closed.
TEST_F(SerialPortTest, StaleInputIsThrownAwayAndAFreshHandleStartsEmpty)
{
    StartLogger("reply T \"stale\"\n");
    // The second open closes with the reply waiting; the third finds none.
    for (int open = 0; open < 3; ++open) {
        OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
        ASSERT_NE(port.handle, 0u);
        EXPECT_EQ(WaitingCount(port.handle), 0);
        ASSERT_EQ(PortWrite(port.handle, "T", 1), 1);
        AwaitWaiting(port.handle, 5);
        ASSERT_EQ(WaitingCount(port.handle), 5);
        if (open == 0) {
            EXPECT_NE(PortDiscardInput(port.handle), 0);
            EXPECT_EQ(WaitingCount(port.handle), 0);
            EXPECT_NE(PortDiscardOutput(port.handle), 0);
        }
    }
}

// A read asks for more than will come: it returns at once with what did
// come, instead of waiting for the rest.
TEST_F(SerialPortTest, ReadOfMoreThanArrivesEndsWithWhatCame)
{
    StartLogger("reply M \"123\"\n");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    ASSERT_EQ(PortWrite(port.handle, "M", 1), 1);
    AwaitWaiting(port.handle, 3);

    std::array<char, 4096> buffer{};
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(PortRead(port.handle, buffer.data(), static_cast<std::int32_t>(buffer.size())), 3);
    // 41 s for 4096 bytes under time-outs that grow with the bytes asked for.
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_EQ(std::string(buffer.data()), "123");
}

TEST_F(SerialPortTest, RepliesArriveInTheOrderOfTheCommands)
{
    StartLogger("reply M \"m\"\nreply T \"t\"\nreply L \"l\"\n");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    for (const char* command : {"M", "T", "L", "T"})
        ASSERT_EQ(PortWrite(port.handle, command, 1), 1);
    EXPECT_EQ(ReadWaiting(port.handle, 4), "mtlt");
}

// The protocol tests read the pacing of commands off the logger's record.
TEST_F(SerialPortTest, TheLoggerRecordsCommandsWithTheirGaps)
{
    StartLogger("");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    ASSERT_EQ(PortWrite(port.handle, "M", 1), 1);
    Sleep(250);
    ASSERT_EQ(PortWrite(port.handle, "TL", 2), 1);
    ASSERT_TRUE(logger_->WaitForReceived(3, 2000));
    const std::vector<ReceivedByte> received = logger_->Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].byte, 'M');
    EXPECT_EQ(received[1].byte, 'T');
    EXPECT_EQ(received[2].byte, 'L');
    EXPECT_GE(received[1].microseconds - received[0].microseconds, 200000);
    EXPECT_LE(received[1].microseconds, received[2].microseconds);
}

// The logger's cable is pulled in the middle of a dump: the line reports
// failure instead of success, and nothing hangs.
TEST_F(SerialPortTest, HungUpLineFailsInsteadOfHanging)
{
    StartLogger("chunk 0 \"part\"\nhangup\n");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    ASSERT_EQ(PortWrite(port.handle, "D", 1), 1);
    // What came before the hang-up is there to read.
    EXPECT_EQ(ReadWaiting(port.handle, 4), "part");
    bool refused = false;
    for (int i = 0; i < 100 && !refused; ++i) {
        Sleep(30);
        refused = PortWrite(port.handle, "T", 1) == 0;
    }
    EXPECT_TRUE(refused);
    // The waiting count fails too: the port cannot say, which is not "none".
    std::int32_t lineErrors = -1;
    EXPECT_EQ(PortInputCount(port.handle, lineErrors), -1);
    EXPECT_EQ(lineErrors, 0);
    // The read brings nothing: Windows fails it (-1) for a device that went
    // away; Wine reads the hung-up pty as its end, no bytes.
    std::array<char, 8> buffer{};
    const ULONGLONG start = GetTickCount64();
    EXPECT_LE(PortRead(port.handle, buffer.data(), static_cast<std::int32_t>(buffer.size())), 0);
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

// Modem lines and line control answer 1 or 0, never the raw status word; a
// status query that fails (on Wine's pty, which has no modem lines) answers 0.
TEST_F(SerialPortTest, ModemStatesAndLineControlAnswerOneOrZero)
{
    StartLogger("");
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(port.handle, 0u);
    const std::int32_t modemStates[] = {PortCtsOn(port.handle), PortDsrOn(port.handle), PortRlsdOn(port.handle),
                                        PortRingOn(port.handle)};
    for (std::int32_t state : modemStates) {
        EXPECT_TRUE(state == 0 || state == 1) << state;
        if (RunningOnWine()) {
            EXPECT_EQ(state, 0);
        }
    }
    const std::int32_t lineControl[] = {PortSetDtr(port.handle, 1), PortSetDtr(port.handle, 0),
                                        PortSetRts(port.handle, 1), PortSetRts(port.handle, 0),
                                        PortSetBreak(port.handle, 1), PortSetBreak(port.handle, 0)};
    for (std::int32_t answer : lineControl)
        EXPECT_TRUE(answer == 0 || answer == 1) << answer;
    // The line still works after all of it.
    EXPECT_EQ(PortWrite(port.handle, "T", 1), 1);
}

TEST_F(SerialPortTest, SettingsWithoutLinePartStillOpenTheWholeNamedDevice)
{
    StartLogger("");
    OpenPort port(PortOpen(LoggerPort, HandshakeNone, 1024, 1024));
    EXPECT_NE(port.handle, 0u);
}

// A port left at the driver's line would talk at the wrong rate: settings the
// parser rejects make the open fail.
TEST_F(SerialPortTest, RejectedLineSettingsGiveNoPort)
{
    StartLogger("");
    for (const char* settings : {":fast,Q,9,7", ":9600,X,8,1", ":9600,N,8,1,5"}) {
        SCOPED_TRACE(settings);
        EXPECT_EQ(PortOpen((std::string(LoggerPort) + settings).c_str(), HandshakeRtsCts, 1024, 1024), 0u);
    }
    OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    EXPECT_NE(port.handle, 0u);
}

TEST_F(SerialPortTest, QueueSizesOfZeroOrLessStillOpen)
{
    StartLogger("reply T \"x\"\n");
    const std::pair<std::int32_t, std::int32_t> queues[] = {{0, 1024}, {1024, 0}, {-1, -1}, {0, 0}};
    for (const auto& [input, output] : queues) {
        SCOPED_TRACE(testing::Message() << input << "/" << output);
        OpenPort port(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, input, output));
        ASSERT_NE(port.handle, 0u);
        EXPECT_EQ(LineState(port.handle).BaudRate, 9600u);
        ASSERT_EQ(PortWrite(port.handle, "T", 1), 1);
        EXPECT_EQ(ReadWaiting(port.handle, 1), "x");
    }
}

TEST_F(SerialPortTest, MissingDeviceGivesNoPort)
{
    for (const std::string& settings : {Settings(MissingPort), std::string(MissingPort), std::string(LineSettings),
                                        std::string(""), std::string("COM0:9600,N,8,1")}) {
        SCOPED_TRACE(settings);
        EXPECT_EQ(PortOpen(settings.c_str(), HandshakeNone, 1024, 1024), 0u);
    }
    EXPECT_EQ(PortOpen(nullptr, HandshakeNone, 1024, 1024), 0u);
}

TEST_F(SerialPortTest, SecondOpenOfAnOpenPortIsRefused)
{
    if (RunningOnWine())
        GTEST_SKIP() << "Wine does not refuse a second open of a COM port; only Windows enforces it";
    StartLogger("");
    OpenPort first(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(first.handle, 0u);
    EXPECT_EQ(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024), 0u);
}

TEST_F(SerialPortTest, TwoLoggersOnTwoPortsStayApart)
{
    StartLogger("reply T \"first\"\n");
    SimulatedLogger second(SecondPort, "reply T \"second\"\n");
    ASSERT_TRUE(second.ready()) << second.failure();
    OpenPort one(PortOpen(Settings(LoggerPort).c_str(), HandshakeNone, 1024, 1024));
    OpenPort two(PortOpen(Settings(SecondPort).c_str(), HandshakeNone, 1024, 1024));
    ASSERT_NE(one.handle, 0u);
    ASSERT_NE(two.handle, 0u);
    ASSERT_EQ(PortWrite(two.handle, "T", 1), 1);
    ASSERT_EQ(PortWrite(one.handle, "T", 1), 1);
    EXPECT_EQ(ReadWaiting(one.handle, 5), "first");
    EXPECT_EQ(ReadWaiting(two.handle, 6), "second");
}

// Names longer than the classic COMn form are opened whole, never cut short.
TEST_F(SerialPortTest, LongDeviceNamesOpenWhole)
{
    for (const std::string device : {"COM12345", "korvane-logger-with-a-long-name"}) {
        SCOPED_TRACE(device);
        StartLogger("reply T \"long\"\n", device);
        OpenPort port(PortOpen(Settings(device).c_str(), HandshakeNone, 1024, 1024));
        ASSERT_NE(port.handle, 0u);
        EXPECT_EQ(LineState(port.handle).BaudRate, 9600u);
        ASSERT_EQ(PortWrite(port.handle, "T", 1), 1);
        EXPECT_EQ(ReadWaiting(port.handle, 4), "long");
        PortClose(port.handle);
        port.handle = 0;
        // The first seven characters alone name no device.
        EXPECT_EQ(PortOpen(Settings(device.substr(0, 7)).c_str(), HandshakeNone, 1024, 1024), 0u);
    }
}

TEST_F(SerialPortTest, NamesBeyondThePathLimitAreRefused)
{
    for (std::size_t length : {std::size_t{256}, std::size_t{MAX_PATH}, std::size_t{5000}}) {
        SCOPED_TRACE(length);
        const std::string settings = std::string(length, 'C') + LineSettings;
        EXPECT_EQ(PortOpen(settings.c_str(), HandshakeNone, 1024, 1024), 0u);
    }
}

TEST(SerialPortAbsentTest, InvalidHandleGivesZeroFromEveryOperationButClose)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(PortWrite(PortInvalid, "T", 1), 0);
    EXPECT_EQ(PortRead(PortInvalid, buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    std::int32_t lineErrors = -1;
    EXPECT_EQ(PortInputCount(PortInvalid, lineErrors), 0);
    EXPECT_EQ(lineErrors, 0);
    EXPECT_EQ(PortWriteCount(PortInvalid, "T", 1), 0);
    EXPECT_EQ(PortOutputCount(PortInvalid), 0);
    EXPECT_EQ(PortDiscardInput(PortInvalid), 0);
    EXPECT_EQ(PortDiscardOutput(PortInvalid), 0);
    EXPECT_EQ(PortSetTimeouts(PortInvalid, 1, 2, 3, 4, 5), 0);
    for (std::int32_t on : {0, 1}) {
        EXPECT_EQ(PortSetDtr(PortInvalid, on), 0);
        EXPECT_EQ(PortSetRts(PortInvalid, on), 0);
        EXPECT_EQ(PortSetBreak(PortInvalid, on), 0);
    }
    EXPECT_EQ(PortCtsOn(PortInvalid), 0);
    EXPECT_EQ(PortDsrOn(PortInvalid), 0);
    EXPECT_EQ(PortRlsdOn(PortInvalid), 0);
    EXPECT_EQ(PortRingOn(PortInvalid), 0);
    EXPECT_EQ(PortSetFlowChars(PortInvalid, 0x11, 0x13), 0);
    EXPECT_EQ(PortErrorFlags(PortInvalid), 0);
}

// No port (0) reaches the platform, which rejects it: a failure, not a crash.
TEST(SerialPortAbsentTest, NoPortIsRejectedByThePlatform)
{
    char buffer[4] = {};
    EXPECT_EQ(PortWrite(0, "T", 1), 0);
    EXPECT_EQ(PortRead(0, buffer, 4), -1);
    std::int32_t lineErrors = -1;
    EXPECT_EQ(PortInputCount(0, lineErrors), -1);
    EXPECT_EQ(PortWriteCount(0, "T", 1), 0);
    EXPECT_EQ(PortDiscardInput(0), 0);
    EXPECT_EQ(PortErrorFlags(0), 0);
    EXPECT_EQ(PortSetFlowChars(0, 0x11, 0x13), 0);
    EXPECT_EQ(PortClose(0), 0);
}

} // namespace
