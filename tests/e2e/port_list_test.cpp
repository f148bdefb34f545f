// The port list shows the ports the computer has and follows them while the
// program runs; the program starts on the port the command line names, or
// on the one that worked last.
//
// The Wine session reports COM13 and COM100 as the system's ports from its
// start, with no device behind them until a test links a logger there.
#include "tests/e2e/client_fixture.h"

#include <algorithm>

namespace {

constexpr char SecondLogger[] = "reply M \"7\"\nreply T \"-3.0\"\nreply L \"3\"\n";
// A name as a USB serial adapter's driver may give its port.
const std::string AdapterPort = "UsbSerialLoggerAdapter";
// The longest name a port may have, which sorts after the adapter's.
const std::string LongestPort = "UsbSerialPort" + std::string(63 - 13, 'x');

// Pixels the text needs in the list's font, the system's default GUI font.
int TextWidth(const std::string& text)
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return size.cx;
}

const std::vector<std::string> FixedAndReported = {"COM1", "COM2", "COM3", "COM4", "COM13", "COM100"};

class PortListTest : public ClientTest {
protected:
    void TearDown() override
    {
        ClientTest::TearDown();
        for (const std::string& port : reported_)
            StopReportingPort(port);
    }

    // The port is reported from now on; with a logger, it also has a device.
    void PlugIn(const std::string& port)
    {
        ASSERT_TRUE(ReportPort(port));
        reported_.push_back(port);
    }

    std::string Selected()
    {
        const std::vector<std::string> items = ListItems(Gadget(PortList));
        const int selection = ListSelection(Gadget(PortList));
        return selection >= 0 && selection < static_cast<int>(items.size()) ? items[selection] : "<none>";
    }

    int EntryOf(const std::string& port)
    {
        const std::vector<std::string> items = ListItems(Gadget(PortList));
        return static_cast<int>(std::find(items.begin(), items.end(), port) - items.begin());
    }

    std::vector<std::string> reported_;
};

TEST_F(PortListTest, ListsTheReportedPortsAfterComOneToFourAndReadsOnOneAboveNine)
{
    ASSERT_NO_FATAL_FAILURE(StartLogger(SecondLogger, 13));
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    EXPECT_EQ(ListItems(Gadget(PortList)), FixedAndReported);
    EXPECT_EQ(Selected(), "COM2");

    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 4));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 3, 13));
    EXPECT_EQ(Logger(13).ReceivedText(), "TML");
    EXPECT_EQ(TextOf(ReadingField), "-3.0");
}

TEST_F(PortListTest, OpeningTheListAddsPluggedInPortsAndDropsUnpluggedOnesButNeverTheSelectedOne)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    auto adapter = std::make_unique<SimulatedLogger>(AdapterPort, SecondLogger);
    ASSERT_TRUE(adapter->ready()) << adapter->failure();
    ASSERT_NO_FATAL_FAILURE(PlugIn("COM15"));
    ASSERT_NO_FATAL_FAILURE(PlugIn(AdapterPort));
    ASSERT_NO_FATAL_FAILURE(PlugIn(LongestPort));
    // Without its link, COM2 could not be opened again: a reopen would say so.
    ASSERT_TRUE(RemovePortLink(2));

    ASSERT_TRUE(OpenList(window_, Gadget(PortList)));
    std::vector<std::string> expected = FixedAndReported;
    expected.insert(expected.begin() + 5, "COM15");
    expected.push_back(AdapterPort);
    expected.push_back(LongestPort);
    EXPECT_EQ(ListItems(Gadget(PortList)), expected);
    // The open list shows the longest name whole, though the box is narrow.
    EXPECT_GE(SendMessageW(Gadget(PortList), CB_GETDROPPEDWIDTH, 0, 0), TextWidth(LongestPort));
    // While the list is open, its selection is the entry under the pointer.
    ASSERT_TRUE(CloseList(window_, Gadget(PortList)));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(Selected(), "COM2");
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));

    // A long device name opens and works.
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), EntryOf(AdapterPort)));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_TRUE(adapter->WaitForReceived(3, LongWait)) << "received: " << adapter->ReceivedText();
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(TextOf(ReadingField), "-3.0");

    // All unplugged: the selected one stays, selected and working.
    ASSERT_TRUE(StopReportingPort("COM15"));
    ASSERT_TRUE(StopReportingPort(AdapterPort));
    ASSERT_TRUE(StopReportingPort(LongestPort));
    ASSERT_TRUE(OpenList(window_, Gadget(PortList)));
    expected.erase(expected.begin() + 5);
    expected.pop_back();
    EXPECT_EQ(ListItems(Gadget(PortList)), expected);
    ASSERT_TRUE(CloseList(window_, Gadget(PortList)));
    EXPECT_EQ(Selected(), AdapterPort);
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_TRUE(adapter->WaitForReceived(6, LongWait)) << "received: " << adapter->ReceivedText();
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

TEST_F(PortListTest, StartsOnThePortLastPickedThatOpenedAndOnComTwoOnceItIsGone)
{
    ASSERT_NO_FATAL_FAILURE(StartLogger(SecondLogger, 13));
    ASSERT_NO_FATAL_FAILURE(StartLogger(SecondLogger, 15));
    ASSERT_NO_FATAL_FAILURE(PlugIn("COM15"));
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), EntryOf("COM13")));
    ASSERT_TRUE(WaitUntilIdle(window_));
    // A port that fails to open is not remembered.
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 2));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(PortOpenFailed + L"COM3"));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());

    // Started again: on COM13, queried there, without a requester.
    ASSERT_NO_FATAL_FAILURE(StartClient());
    ASSERT_TRUE(Logger(13).WaitForReceived(3, LongWait)) << "received: " << Logger(13).ReceivedText();
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Logger(13).ReceivedText(), "MTL");
    EXPECT_EQ(Selected(), "COM13");
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), EntryOf("COM15")));
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());

    // COM15 unplugged: the start is on COM2, as with nothing remembered.
    ASSERT_TRUE(StopReportingPort("COM15"));
    Logger(15).Stop();
    ASSERT_NO_FATAL_FAILURE(StartClient());
    ASSERT_TRUE(Logger().WaitForReceived(6, LongWait)) << "received: " << Logger().ReceivedText();
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Selected(), "COM2");
    EXPECT_EQ(ListItems(Gadget(PortList)), FixedAndReported);
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(Logger(15).ReceivedText(), "");
}

TEST_F(PortListTest, StartsOnTheCommandLinesPortAndIgnoresABadArgument)
{
    // COM16 has a device but the system does not report it.
    ASSERT_NO_FATAL_FAILURE(StartLogger(SecondLogger, 16));
    ASSERT_NO_FATAL_FAILURE(StartLogger(PlainLogger));
    ASSERT_NO_FATAL_FAILURE(StartClient("com16"));
    ASSERT_TRUE(Logger(16).WaitForReceived(3, LongWait)) << "received: " << Logger(16).ReceivedText();
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Logger(16).ReceivedText(), "MTL");
    EXPECT_EQ(ListItems(Gadget(PortList)),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM13", "COM16", "COM100"}));
    EXPECT_EQ(Selected(), "COM16");
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());

    ASSERT_NO_FATAL_FAILURE(StartClient("COM16 COM13"));
    ASSERT_TRUE(Logger().WaitForReceived(3, LongWait)) << "received: " << Logger().ReceivedText();
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Selected(), "COM2");
    EXPECT_EQ(Logger(16).ReceivedText(), "MTL");
}

} // namespace
