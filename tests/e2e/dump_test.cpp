// The memory dump: the logger's stored text into the log, with the progress
// bar back at its start afterwards, and a logger that stops answering.
#include "tests/e2e/client_fixture.h"

namespace {

constexpr char Replies[] = "reply M \"120\"\nreply T \"+21.5\"\nreply L \"2\"\n";

TEST_F(ClientTest, ADumpInOneBurstGoesOnTopOfTheLog)
{
    ASSERT_NO_FATAL_FAILURE(
        StartClientWithLogger(std::string(Replies) + "chunk 0 \"001 +21.5\\r\\n002 +21.7\\0left over\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 7));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"001 +21.5", "002 +21.7", "+21.5"}));
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

TEST_F(ClientTest, ADumpOverSeveralPollsGivesTheSameText)
{
    // Pauses longer than a poll, so the text arrives in three pieces.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(Replies) +
                                                  "chunk 0 \"001 +21.5\\r\\n\"\n"
                                                  "chunk 700 \"002 +21.7\"\n"
                                                  "chunk 700 \"\\0\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"001 +21.5", "002 +21.7"}));
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);
    EXPECT_EQ(Logger().ReceivedText(), "MTLD");
}

TEST_F(ClientTest, ADumpThatNeverEndsStopsWithARequesterAndKeepsWhatCame)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(Replies) + "chunk 0 \"001 +21.5\"\n"));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    // The logger falls silent before its zero byte; the dump gives up after
    // its silent polls.
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(LoggerNotAnswering));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"001 +21.5"});
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);

    // The window works again.
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 7));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"+21.5", "001 +21.5"}));
}

TEST_F(ClientTest, DumpWithoutAPortReportsItAndSendsNothing)
{
    ASSERT_NO_FATAL_FAILURE(StartClient());
    for (int requester = 0; requester < 4; ++requester) {
        const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
        ASSERT_TRUE(box.has_value());
        ASSERT_TRUE(DismissMessageBox(*box));
    }
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(NoOpenPort));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

} // namespace
