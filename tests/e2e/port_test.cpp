// Choosing another port in the list: the old port is closed first, a working
// port answers the buttons, a missing one is reported and leaves none open.
#include "tests/e2e/client_fixture.h"
#include "tests/support/wine_detect.h"

namespace {

constexpr char SecondLogger[] = "reply M \"7\"\nreply T \"-3.0\"\nreply L \"3\"\n";

TEST_F(ClientTest, SwitchingToAWorkingPortMovesTheCommandsThere)
{
    ASSERT_NO_FATAL_FAILURE(StartLogger(SecondLogger, 3));
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 2));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(ListSelection(Gadget(PortList)), 2);

    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 3, 3));
    EXPECT_EQ(Logger(3).ReceivedText(), "TML");
    EXPECT_EQ(Logger(2).ReceivedText(), "MTL");
    EXPECT_EQ(TextOf(ReadingField), "-3.0");
    EXPECT_EQ(TextOf(MemoryField), "7");
    EXPECT_EQ(TextOf(IntervalField), "Day");
}

TEST_F(ClientTest, SwitchingToAMissingPortReportsItAndLeavesNoPortOpen)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 3));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(PortOpenFailed + L"COM4"));
    ASSERT_TRUE(WaitUntilIdle(window_));

    // The working port was closed before the missing one was tried.
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(NoOpenPort));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Logger().ReceivedText(), "MTL");

    // Back to COM2: it opens again and answers.
    ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 1));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(Logger().ReceivedText(), "MTLTML");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+21.5"});
}

TEST_F(ClientTest, OtherNotificationsOfThePortListChangeNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    HWND list = Gadget(PortList);
    // Without its link COM2 cannot be opened again, so a reopen would say so.
    ASSERT_TRUE(RemovePortLink(2));
    // Focus, drop-down and close-up notifications of the list.
    for (WORD notification : {CBN_SETFOCUS, CBN_DROPDOWN, CBN_CLOSEUP, CBN_KILLFOCUS})
        ASSERT_TRUE(PostMessageW(window_, WM_COMMAND, MAKEWPARAM(PortList, notification),
                                 reinterpret_cast<LPARAM>(list)));
    ASSERT_TRUE(WaitUntilIdle(window_));
    Sleep(200);
    EXPECT_TRUE(NoMessageBox(client_->id()));
    // The port is still open: Read reaches the logger.
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
}

TEST_F(ClientTest, APortHeldByAnotherProgramIsReportedAsNotOpened)
{
    if (RunningOnWine())
        GTEST_SKIP() << "Wine does not refuse a second open of a COM port";
    ASSERT_NO_FATAL_FAILURE(StartLogger(PlainLogger));
    HANDLE held = CreateFileA("\\\\.\\COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(StartClient());
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(PortOpenFailed + L"COM2"));
    for (int query = 0; query < 3; ++query)
        ASSERT_NO_FATAL_FAILURE(ExpectRequester(NoOpenPort));
    CloseHandle(held);
    EXPECT_EQ(Logger().ReceivedText(), "");
}

} // namespace
