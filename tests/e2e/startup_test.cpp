// The program's start and end: the window and its layout, the start-up
// queries, a start without a logger, and the exit code.
#include "tests/e2e/client_fixture.h"

#include <commctrl.h>

#include <tuple>

namespace {

TEST_F(ClientTest, OpensItsWindowCentredWithTheLayoutAndTheFirstReadings)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));

    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right, 555);
    EXPECT_EQ(client.bottom, 280);
    RECT frame{};
    GetWindowRect(window_, &frame);
    // Centred on the whole screen, not on the work area a taskbar leaves.
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    struct Expected {
        int gadget;
        const char* className;
        Placement placement;
        const char* text;
    };
    const Expected layout[] = {
        {ReadButton, "Button", {30, 60, 80, 70}, "Read"},
        {WatchButton, "Button", {30, 150, 80, 30}, "Watch"},
        {ChartButton, "Button", {30, 220, 80, 30}, "Chart"},
        {WriteButton, "Button", {460, 90, 60, 40}, "Write"},
        {FormatButton, "Button", {460, 30, 60, 40}, "Format"},
        {StepButton, "Button", {290, 105, 20, 20}, "+"},
        {DumpButton, "Button", {460, 150, 60, 40}, "Dump"},
        {ClearButton, "Button", {460, 210, 60, 40}, "Clear"},
        {ReadingField, "Edit", {130, 20, 280, 60}, "+21.5"},
        {MemoryField, "Edit", {130, 100, 90, 30}, "120"},
        {IntervalField, "Edit", {320, 100, 90, 30}, "Hour"},
        {LogEditor, nullptr, {130, 150, 280, 90}, ""},
        {DumpProgress, "msctls_progress32", {130, 250, 140, 10}, nullptr},
    };
    for (const Expected& expected : layout) {
        SCOPED_TRACE("gadget " + std::to_string(expected.gadget));
        HWND gadget = Gadget(expected.gadget);
        ASSERT_NE(gadget, nullptr);
        EXPECT_EQ(GadgetPlacement(window_, gadget), expected.placement);
        if (expected.className) {
            char className[64] = {};
            GetClassNameA(gadget, className, sizeof className);
            EXPECT_STREQ(className, expected.className);
        }
        if (expected.text) {
            EXPECT_EQ(Text(gadget), expected.text);
        }
    }
    for (int field : {ReadingField, MemoryField, IntervalField})
        EXPECT_TRUE(GetWindowLongPtrW(Gadget(field), GWL_STYLE) & ES_READONLY) << "field " << field;
    EXPECT_EQ(GadgetWindow(window_, 7), nullptr);
    EXPECT_EQ(GadgetWindow(window_, 13), nullptr);

    // The drop-down's window is taller than the closed list; its corner and
    // width are what the layout places.
    const Placement list = GadgetPlacement(window_, Gadget(PortList));
    EXPECT_EQ(list.x, 30);
    EXPECT_EQ(list.y, 20);
    EXPECT_EQ(list.width, 70);
    // A button that stays down while a watch runs, and its list below it.
    EXPECT_EQ(GetWindowLongPtrW(Gadget(WatchButton), GWL_STYLE) & (BS_TYPEMASK | BS_PUSHLIKE),
              BS_AUTOCHECKBOX | BS_PUSHLIKE);
    const Placement intervals = GadgetPlacement(window_, Gadget(WatchIntervalList));
    EXPECT_EQ((std::tuple{intervals.x, intervals.y, intervals.width}), (std::tuple{30, 190, 80}));
    // The system's other ports follow these four.
    const std::vector<std::string> items = ListItems(Gadget(PortList));
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 4),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(ListSelection(Gadget(PortList)), 1);
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

TEST_F(ClientTest, QueriesMemoryReadingAndIntervalOnceWithTheirWaits)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    // Nothing else follows on its own.
    Sleep(300);
    const std::vector<ReceivedByte> received = Logger().Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(Logger().ReceivedText(), "MTL");
    // Each command waits before the next one goes out; the line may only
    // stretch the gap. The simulated logger stamps a byte when its poll of the
    // line takes it, which a loaded machine delays by up to a few tens of
    // milliseconds, so a late first stamp shortens the gap seen: 30 ms, well
    // inside the shorter wait of 50 ms, still catches a wait left out.
    constexpr std::int64_t Slack = 30000;
    EXPECT_GE(received[1].microseconds - received[0].microseconds, 100000 - Slack);
    EXPECT_GE(received[2].microseconds - received[1].microseconds, 50000 - Slack);
}

TEST_F(ClientTest, WithoutALoggerReportsThePortAndEachQueryThenStaysUsable)
{
    // The requesters show Windows-1251 texts; a Western code page must not
    // garble them.
    ASSERT_NE(GetACP(), 1251u) << "this test is about a machine whose code page is not Cyrillic";
    ASSERT_NO_FATAL_FAILURE(StartClient());
    ExpectRequester(PortOpenFailed + L"COM2");
    for (int query = 0; query < 3; ++query) {
        SCOPED_TRACE("query " + std::to_string(query));
        ExpectRequester(NoOpenPort);
    }
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(TextOf(ReadingField), "");
    EXPECT_EQ(TextOf(MemoryField), "");

    // Read, with no port: one report and nothing else.
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ExpectRequester(NoOpenPort);
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(LogLines(), std::vector<std::string>{});

    ExpectExitCodeZeroOnClose();
}

TEST_F(ClientTest, ClosingWithAnOpenPortEndsWithExitCodeZero)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    ExpectExitCodeZeroOnClose();
}

} // namespace
