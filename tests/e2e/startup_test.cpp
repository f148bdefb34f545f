// The program's start and end: the window and its layout, the start-up
// queries, a start without a logger, and the exit code.
#include "app/client/main_window.h"
#include "tests/e2e/client_fixture.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// The window class each kind of gadget is made of; null where the system
// decides (the port list's extended combo box, the log's rich edit).
const char* ClassOfKind(GadgetKind kind)
{
    switch (kind) {
    case GadgetKindButton: return "Button";
    case GadgetKindStringField: return "Edit";
    case GadgetKindProgressBar: return "msctls_progress32";
    default: return nullptr;
    }
}

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

    // What the window's own controls are and say is fixed, and stated here:
    // the twelve controls of the window, their captions and, once the first
    // readings are in, the fields' texts. Where each stands comes from the
    // layout table.
    const struct {
        int gadget;
        const wchar_t* text; // null: no text of its own
    } fixed[] = {
        {ReadButton, L"Read"},   {WriteButton, L"Write"},      {FormatButton, L"Format"}, {StepButton, L"+"},
        {DumpButton, L"Dump"},   {ClearButton, L"Clear"},      {PortList, nullptr},       {ReadingField, L"+21.5"},
        {MemoryField, L"120"},   {IntervalField, L"Hour"},     {LogEditor, L""},          {DumpProgress, nullptr},
    };
    for (const auto& expected : fixed) {
        SCOPED_TRACE("gadget " + std::to_string(expected.gadget));
        EXPECT_TRUE(std::ranges::any_of(ClientGadgetLayout, [&](const GadgetLayout& row) { return row.number == expected.gadget; }));
        ASSERT_NE(Gadget(expected.gadget), nullptr);
        if (expected.text) {
            EXPECT_EQ(WideText(Gadget(expected.gadget)), expected.text);
        }
    }
    for (const GadgetLayout& row : ClientGadgetLayout) {
        SCOPED_TRACE("gadget " + std::to_string(row.number));
        HWND gadget = Gadget(static_cast<int>(row.number));
        ASSERT_NE(gadget, nullptr);
        Placement placed = GadgetPlacement(window_, gadget);
        // The drop-down's window is taller than the closed list; its corner
        // and width are what the layout places.
        if (row.kind == GadgetKindComboBox)
            placed.height = row.height;
        EXPECT_EQ(placed, (Placement{row.x, row.y, row.width, row.height}));
        char className[64] = {};
        GetClassNameA(gadget, className, sizeof className);
        if (const char* expectedClass = ClassOfKind(row.kind)) {
            EXPECT_STREQ(className, expectedClass);
        }
        if (row.kind == GadgetKindButton) {
            EXPECT_EQ(WideText(gadget), WideFromCodePage(row.caption));
        }
    }
    for (int field : {ReadingField, MemoryField, IntervalField})
        EXPECT_TRUE(GetWindowLongPtrW(Gadget(field), GWL_STYLE) & ES_READONLY) << "field " << field;
    EXPECT_EQ(GadgetWindow(window_, 7), nullptr);
    EXPECT_EQ(GadgetWindow(window_, 13), nullptr);

    // A button that stays down while a watch runs.
    EXPECT_EQ(GetWindowLongPtrW(Gadget(WatchButton), GWL_STYLE) & (BS_TYPEMASK | BS_PUSHLIKE),
              BS_AUTOCHECKBOX | BS_PUSHLIKE);
    // The system's other ports follow these four.
    const std::vector<std::string> items = ListItems(Gadget(PortList));
    ASSERT_GE(items.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.begin() + 4),
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(ListSelection(Gadget(PortList)), 1);
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);
    EXPECT_TRUE(NoMessageBox(client_->id()));

    // The menu bar stands above the client area measured above; the window
    // test reads its items.
    EXPECT_NE(GetMenu(window_), nullptr);
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
