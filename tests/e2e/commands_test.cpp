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

TEST_F(ClientTest, FormatLogsTheReplyAndRefreshesTheMemoryCount)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(
        "reply M \"120\" \"0\"\nreply T \"+21.5\"\nreply L \"2\"\nreply F \"Memory cleared\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(FormatButton, 5));
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
