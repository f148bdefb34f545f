// The buttons: each sends its commands, and the window shows the replies.
#include "tests/e2e/client_fixture.h"

namespace {

TEST_F(ClientTest, ReadTwicePutsTheNewestReadingOnTop)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(
        "reply M \"120\" \"121\" \"122\"\nreply T \"+20.0\" \"+20.5\" \"+21.0\"\nreply L \"1\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(TextOf(ReadingField), "+20.5");
    EXPECT_EQ(TextOf(MemoryField), "121");
    EXPECT_EQ(TextOf(IntervalField), "Minut");
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 9));
    EXPECT_EQ(Logger().ReceivedText(), "MTLTMLTML");
    EXPECT_EQ(TextOf(ReadingField), "+21.0");
    EXPECT_EQ(TextOf(MemoryField), "122");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"+21.0", "+20.5"}));
}

TEST_F(ClientTest, WriteShowsTheReplyToWriteJoinedToTheMemoryCount)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(
        "reply M \"120\" \"121\"\nreply T \"+21.5\" \"+22.5\"\nreply L \"2\"\nreply W \"stored \"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(WriteButton, 6));
    EXPECT_EQ(Logger().ReceivedText(), "MTLWMT");
    EXPECT_EQ(TextOf(MemoryField), "stored 121");
    EXPECT_EQ(TextOf(ReadingField), "+22.5");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"+22.5"});
    EXPECT_EQ(TextOf(IntervalField), "Hour");
}

// A window of the test's own in front, as another program's would be.
class ForegroundWindow {
public:
    ForegroundWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"in front", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr))
    {
    }
    ~ForegroundWindow() { DestroyWindow(window_); }
    ForegroundWindow(const ForegroundWindow&) = delete;
    ForegroundWindow& operator=(const ForegroundWindow&) = delete;

    bool InFront() const
    {
        return window_ && WaitUntil([&] {
                   SetForegroundWindow(window_);
                   return GetForegroundWindow() == window_;
               });
    }

private:
    HWND window_;
};

// Format erases the logger's readings: a question comes first, owned by the
// window even while another program is in front, and No sends nothing.
TEST_F(ClientTest, FormatAsksFirstThenLogsTheReplyAndRefreshesTheMemoryCount)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(
        "reply M \"120\" \"0\"\nreply T \"+21.5\"\nreply L \"2\"\nreply F \"Memory cleared\"\n"));
    for (const int answer : {IDNO, IDYES}) {
        const ForegroundWindow other;
        ASSERT_TRUE(other.InFront());
        ASSERT_TRUE(PostClick(Gadget(FormatButton)));
        const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
        ASSERT_TRUE(box.has_value()) << "no question";
        EXPECT_EQ(GetWindow(box->window, GW_OWNER), window_);
        // "Стереть все показания, сохранённые в логгере?"
        EXPECT_EQ(box->text, L"\u0421\u0442\u0435\u0440\u0435\u0442\u044c \u0432\u0441\u0435 "
                             L"\u043f\u043e\u043a\u0430\u0437\u0430\u043d\u0438\u044f, "
                             L"\u0441\u043e\u0445\u0440\u0430\u043d\u0451\u043d\u043d\u044b\u0435 \u0432 "
                             L"\u043b\u043e\u0433\u0433\u0435\u0440\u0435?");
        EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
        ASSERT_TRUE(PostMessageW(box->window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }));
        if (answer == IDNO) {
            ASSERT_TRUE(WaitUntilIdle(window_));
            EXPECT_EQ(Logger().ReceivedText(), "MTL");
        }
    }
    ASSERT_TRUE(Logger().WaitForReceived(5, LongWait));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Logger().ReceivedText(), "MTLFM");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Memory cleared"});
    EXPECT_EQ(TextOf(MemoryField), "0");
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
}

TEST_F(ClientTest, StepNamesTheNewIntervalAndKeepsTheOldNameForAnUnknownReply)
{
    ASSERT_NO_FATAL_FAILURE(
        StartClientWithLogger("reply M \"120\"\nreply T \"+21.5\"\nreply L \"1\"\nreply + \"3\" \"2\\r\\n\" \"2\"\n"));
    EXPECT_EQ(TextOf(IntervalField), "Minut");
    ASSERT_NO_FATAL_FAILURE(Press(StepButton, 4));
    EXPECT_EQ(TextOf(IntervalField), "Day");
    ASSERT_NO_FATAL_FAILURE(Press(StepButton, 5));
    EXPECT_EQ(TextOf(IntervalField), "Day");
    ASSERT_NO_FATAL_FAILURE(Press(StepButton, 6));
    EXPECT_EQ(TextOf(IntervalField), "Hour");
    EXPECT_EQ(Logger().ReceivedText(), "MTL+++");
    EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

TEST_F(ClientTest, ClearEmptiesTheLogAndSendsNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(PlainLogger));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 9));
    ASSERT_EQ(LogLines().size(), 2u);

    ASSERT_TRUE(PostClick(Gadget(ClearButton)));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(LogEditor).empty(); }));
    ASSERT_TRUE(WaitUntilIdle(window_));
    Sleep(200);
    EXPECT_EQ(Logger().ReceivedText(), "MTLTMLTML");
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

TEST_F(ClientTest, ASilentLoggerLeavesBlankFieldsAndABlankLogLine)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger("silent M\nsilent T\nsilent L\n"));
    EXPECT_EQ(TextOf(ReadingField), " ");
    EXPECT_EQ(TextOf(MemoryField), " ");
    EXPECT_EQ(TextOf(IntervalField), "");
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(LogLines(), std::vector<std::string>{" "});
    EXPECT_EQ(TextOf(IntervalField), "");
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

} // namespace
