// The memory dump: the logger's stored text into the log, with the progress
// bar back at its start afterwards, and a logger that stops answering. The
// window lives through a dump: it answers, no command runs, and Esc or a
// close stops it.
#include "app/client/main_window.h"
#include "tests/e2e/client_fixture.h"
#include "tools/simlogger/scenario.h"

namespace {

constexpr char Replies[] = "reply M \"120\"\nreply T \"+21.5\"\nreply L \"2\"\n";

// A dump of this many readings at the line's rate: some five seconds.
constexpr int LongDumpReadings = 400;
const std::string LongDump = "pacing line-rate\n" + std::string(Replies) + "readings 0 " +
                             std::to_string(LongDumpReadings) + "\nchunk 0 \"\\0\"\n";

// Every control of the layout but the one left usable and the progress bar,
// which takes no input: a control added to the window is checked too.
std::vector<ObjectNumber> ControlsBut(ObjectNumber usable)
{
    std::vector<ObjectNumber> controls;
    for (const GadgetLayout& gadget : ClientGadgetLayout) {
        if (gadget.number != usable && gadget.number != DumpProgress)
            controls.push_back(gadget.number);
    }
    return controls;
}

// The gadgets a dump disables: all but the Dump button, which stays usable
// as the Stop button.
const std::vector<ObjectNumber> OtherGadgets = ControlsBut(DumpButton);

// The marker line above a stopped dump's text. Its Cyrillic reads as one
// question mark a letter here, whichever code page the log decodes it with.
constexpr char StoppedMarker[] = "???????? ????????";

void PressEscape(HWND window)
{
    SetForegroundWindow(window);
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_ESCAPE;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

TEST_F(ClientTest, ADumpInOneBurstGoesOnTopOfTheLog)
{
    ASSERT_NO_FATAL_FAILURE(
        StartClientWithLogger(std::string(Replies) + "chunk 0 \"001 +21.5\\r\\n002 +21.7\\0left over\"\n"));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 7));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"001 +21.5", "002 +21.7", "+21.5"}));
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);
    // Pressed again the moment it ended: a second dump, at once.
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 8));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"001 +21.5", "002 +21.7", "001 +21.5", "002 +21.7", "+21.5"}));
    EXPECT_TRUE(NoMessageBox(client_->id()));
}

TEST_F(ClientTest, ADumpOverSeveralPollsFromADoubleClickGivesTheSameText)
{
    // Pauses longer than a poll, so the text arrives in three pieces; above a
    // log this long each goes in at its own poll.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(std::string(Replies) +
                                                  "chunk 0 \"001 +21.5\\r\\n\"\n"
                                                  "chunk 700 \"002 +21.7\"\n"
                                                  "chunk 700 \"\\0\"\n"));
    std::vector<std::string> expected{"001 +21.5", "002 +21.7"};
    std::wstring earlier;
    for (int line = 0; line < 1200; ++line) {
        expected.push_back("earlier " + std::to_string(line));
        earlier += (line ? L"\r\nearlier " : L"earlier ") + std::to_wstring(line);
    }
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(Gadget(LogEditor), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(earlier.c_str()),
                                    SMTO_NORMAL, LongWait, &result));
    // People double-click buttons: the second click must not stop the dump
    // the first one started.
    ASSERT_TRUE(DoubleClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    ASSERT_TRUE(WaitForDumpEnd());
    EXPECT_EQ(LogLines(), expected);
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
    ASSERT_TRUE(WaitForDumpEnd());
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
    ASSERT_TRUE(WaitForDumpEnd());
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

TEST_F(ClientTest, TheWindowAnswersThroughADumpAndNoCommandRunsMeanwhile)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LongDump));
    AnswerWatch watch(window_);
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    EXPECT_EQ(TextOf(DumpButton), "Stop");
    EXPECT_TRUE(IsWindowEnabled(Gadget(DumpButton)));
    for (ObjectNumber other : OtherGadgets)
        EXPECT_FALSE(IsWindowEnabled(Gadget(other))) << "gadget " << other;
    EXPECT_TRUE(WaitUntil([&] { return ProgressPosition(Gadget(DumpProgress)) > 0; })) << "the bar moves";
    // A click that reaches the Read button all the same runs nothing, then
    // or after the dump; nor does one whose button went down on "Stop" and
    // came up once the dump had ended by itself.
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    RECT button{};
    GetClientRect(Gadget(DumpButton), &button);
    const LPARAM middle = MAKELPARAM(button.right / 2, button.bottom / 2);
    ASSERT_TRUE(PostMessageW(Gadget(DumpButton), WM_LBUTTONDOWN, MK_LBUTTON, middle));

    ASSERT_TRUE(WaitForDumpEnd());
    ASSERT_TRUE(PostMessageW(Gadget(DumpButton), WM_LBUTTONUP, 0, middle));
    const double longest = watch.Stop();
    // The window takes a message every poll or sooner; a loaded machine's
    // scheduling is the margin.
    EXPECT_LT(longest, 500.0);
    std::vector<std::string> expected = Lines(StoredReadings(LongDumpReadings));
    expected.push_back("");
    EXPECT_EQ(LogLines(), expected);
    for (ObjectNumber other : OtherGadgets)
        EXPECT_TRUE(IsWindowEnabled(Gadget(other))) << "gadget " << other;
    Sleep(500);
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_EQ(Logger().ReceivedText(), "MTLD");
}

TEST_F(ClientTest, EscStopsADumpAndWhatTheLoggerStillSendsIsDropped)
{
    // The logger pauses a second before its zero byte: the drain lasts
    // through the pause.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LongDump.substr(0, LongDump.rfind("chunk 0")) +
                                                  "chunk 1000 \"\\0\"\n"));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    Sleep(1500);
    PressEscape(window_);

    // What came so far is in the log at once, under the marker line.
    ASSERT_TRUE(WaitUntil([&] { return !LogLines().empty() && LogLines().front() == StoppedMarker; }));
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 3u) << "a second and a half brings more than one reading";
    EXPECT_EQ(lines[0], StoppedMarker);
    const std::vector<std::string> stored = Lines(StoredReadings(LongDumpReadings));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& reading = stored.at(i - 1);
        if (i + 1 < lines.size())
            EXPECT_EQ(lines[i], reading) << "line " << i;
        else
            EXPECT_EQ(reading.substr(0, lines[i].size()), lines[i]) << "the last line is a reading's start";
    }

    // The logger goes on sending: only the port list may be used meanwhile.
    EXPECT_EQ(TextOf(DumpButton), "Dump");
    Sleep(1000);
    for (ObjectNumber other : ControlsBut(PortList))
        EXPECT_FALSE(IsWindowEnabled(Gadget(other))) << "gadget " << other;
    EXPECT_TRUE(IsWindowEnabled(Gadget(PortList)));
    ASSERT_TRUE(WaitForDumpEnd());
    EXPECT_EQ(LogLines(), lines);

    // Nothing of the dump is left to lead the next reply.
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 7));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    EXPECT_EQ(LogLines().front(), "+21.5");
}

TEST_F(ClientTest, ClosingTheWindowDuringADumpEndsTheProgramAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LongDump));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    Sleep(1000);
    const ULONGLONG closed = GetTickCount64();
    ASSERT_TRUE(PostClose(window_));
    const std::optional<DWORD> code = client_->WaitForExit(ShortWait);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_LT(GetTickCount64() - closed, 1000u);
}

} // namespace
