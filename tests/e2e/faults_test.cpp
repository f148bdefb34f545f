// Faults on the line: a logger that hangs up in the middle of a dump, a port
// unplugged between two commands and plugged in again, a logger that floods
// the line, replies of random bytes, a dump of 64 KiB, and device text that
// looks like a rich-text document. Each time the program must come back to its loop, show what it
// received (or its requester), and work on with a sound port.
#include "tests/e2e/client_fixture.h"
#include "tools/simlogger/scenario.h"

#include <cstdio>
#include <random>

namespace {

// The fault runs use the line's own rate, as a real logger sends.
const std::string LineRate = "pacing line-rate\n";
constexpr char SoundLogger[] = "reply M \"7\"\nreply T \"-3.0\"\nreply L \"3\"\n";
constexpr DWORD DumpOf64KiBWait = 180000;

// A scenario text that stands for exactly these bytes.
std::string Escaped(const std::string& bytes)
{
    std::string text = "\"";
    for (const char c : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        text += escape;
    }
    return text + "\"";
}

// The text as the field holds it: the logger's bytes as Windows-1251
// characters, whatever the test's own code page.
std::wstring AsShown(const std::string& bytes)
{
    std::wstring wide(bytes.size(), L'\0');
    const int length = MultiByteToWideChar(1251, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

class FaultTest : public ClientTest {
protected:
    // The sound port the program is moved to once the fault is over: COM3.
    void StartSoundLogger() { ASSERT_NO_FATAL_FAILURE(StartLogger(SoundLogger, 3)); }

    void ExpectTheSoundPortWorks()
    {
        ASSERT_TRUE(WaitUntilIdle(window_));
        ASSERT_TRUE(SelectListEntry(window_, Gadget(PortList), 2));
        ASSERT_TRUE(WaitUntilIdle(window_));
        EXPECT_TRUE(NoMessageBox(client_->id()));
        ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 3, 3));
        EXPECT_EQ(Logger(3).ReceivedText(), "TML");
        EXPECT_EQ(TextOf(ReadingField), "-3.0");
        EXPECT_EQ(TextOf(MemoryField), "7");
        EXPECT_EQ(TextOf(IntervalField), "Day");
        EXPECT_EQ(LogLines().front(), "-3.0");
    }

    void ExpectLogStartsWith(const std::vector<std::string>& expected)
    {
        const std::vector<std::string> lines = LogLines();
        ASSERT_GE(lines.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(lines[i], expected[i]) << "line " << i;
    }
};

TEST_F(FaultTest, AHangUpInTheMiddleOfADumpKeepsWhatCameAndReportsThePortGone)
{
    ASSERT_NO_FATAL_FAILURE(StartSoundLogger());
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LineRate + PlainLogger + "readings 0 40\nhangup\n"));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(PortOpenFailed + L"COM2"));
    ASSERT_TRUE(WaitForDumpEnd());
    ASSERT_NO_FATAL_FAILURE(ExpectLogStartsWith(Lines(StoredReadings(40))));
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);

    // Read on the dead line looks for the port once more, and says that none
    // is open.
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(NoOpenPort));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_NO_FATAL_FAILURE(ExpectTheSoundPortWorks());
}

TEST_F(FaultTest, AnUnpluggedPortIsReportedOnceAndOpenedAgainWhenItIsBack)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LineRate + PlainLogger));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    Logger().Stop();

    // The write finds the port gone and it does not open again: one
    // requester for the whole Read, and the fields keep what they showed.
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(PortOpenFailed + L"COM2"));
    ASSERT_TRUE(WaitUntilIdle(window_));
    Sleep(300);
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    EXPECT_EQ(TextOf(MemoryField), "120");

    // Still unplugged: the dump looks for the port once more, quietly, and
    // then says that no port is open.
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_NO_FATAL_FAILURE(ExpectRequester(NoOpenPort));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));

    // Plugged in again under the same name: the next command opens it by
    // itself.
    ASSERT_NO_FATAL_FAILURE(StartLogger(LineRate + SoundLogger));
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 3));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(Logger().ReceivedText(), "TML");
    EXPECT_EQ(TextOf(ReadingField), "-3.0");
}

TEST_F(FaultTest, ALoggerFloodingTheLineDuringAReadDoesNotHoldTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(StartSoundLogger());
    ASSERT_NO_FATAL_FAILURE(
        StartClientWithLogger(LineRate + PlainLogger + "flood T \"+99.9\\r\\n\\xFF\"\n"));
    // The flood began with the start-up's "T" and has been filling the
    // program's queue since.
    Sleep(1500);
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_EQ(Logger().ReceivedText(), "MTLTML");
    const std::string reading = TextOf(ReadingField);
    EXPECT_NE(reading.find("+99.9"), std::string::npos) << reading.substr(0, 80);
    ASSERT_NO_FATAL_FAILURE(ExpectTheSoundPortWorks());
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
}

TEST_F(FaultTest, RepliesOfRandomBytesAreShownUpToTheirFirstZeroByte)
{
    std::mt19937 random(20261207);
    auto randomBytes = [&](std::size_t count, int lowest) {
        std::string bytes;
        while (bytes.size() < count) {
            const int byte = static_cast<int>(random() % 256);
            // Line breaks would split the field's text; the log takes them.
            if (byte >= lowest && byte != '\r' && byte != '\n')
                bytes += static_cast<char>(byte);
        }
        return bytes;
    };
    // Shown part, then a zero byte and more bytes the program must drop.
    const std::string reading = randomBytes(40, 1) + '\xFF';
    const std::string memory = randomBytes(30, 1);
    const std::string trailer = std::string(1, '\0') + randomBytes(20, 0) + '\xFF' + '\0';
    // Sent at once: what is under test is the bytes, and a reply this long
    // takes longer than the wait after "T" at the line's rate.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(
        "reply T " + Escaped(reading + trailer) + " \"+21.5\"\n" + "reply M " +
        Escaped(memory + trailer) + " \"120\"\n" + "reply L " + Escaped(trailer + "2") + " \"2\"\n"));
    EXPECT_EQ(WideText(Gadget(ReadingField)), AsShown(reading));
    EXPECT_EQ(WideText(Gadget(MemoryField)), AsShown(memory));
    EXPECT_EQ(TextOf(IntervalField), "");
    EXPECT_TRUE(NoMessageBox(client_->id()));

    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 6));
    EXPECT_EQ(TextOf(ReadingField), "+21.5");
    EXPECT_EQ(TextOf(MemoryField), "120");
    EXPECT_EQ(TextOf(IntervalField), "Hour");
    EXPECT_EQ(LogLines().front(), "+21.5");
}

TEST_F(FaultTest, DeviceTextThatLooksLikeRichTextIsShownAsItStands)
{
    const std::string reply = "{\\rtf1\\ansi\\b +21.5\\b0}";
    const std::string dump = "{\\rtf1 {\\fonttbl\\f0 Arial;}\\f0\\fs40 001 +21.5\\par}";
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(LineRate + "reply M \"120\"\nreply T " + Escaped(reply) +
                                                  "\nreply L \"2\"\nchunk 0 " + Escaped(dump + '\0') + "\n"));
    EXPECT_EQ(TextOf(ReadingField), reply);
    ASSERT_NO_FATAL_FAILURE(Press(DumpButton, 4));
    EXPECT_EQ(LogLines(), std::vector<std::string>{dump});
    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 7));
    EXPECT_EQ(TextOf(ReadingField), reply);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{reply, dump}));
}

TEST_F(FaultTest, ADumpOf64KiBArrivesWholeAtLineRate)
{
    // Readings of twelve bytes: 5462 of them make 64 KiB and a little more.
    constexpr int Readings = 5462;
    const std::string stored = StoredReadings(Readings);
    ASSERT_GE(stored.size(), 65536u);
    ASSERT_NO_FATAL_FAILURE(
        StartClientWithLogger(LineRate + PlainLogger + "readings 0 " + std::to_string(Readings) + "\nchunk 0 \"\\0\"\n"));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    ASSERT_TRUE(WaitForDumpEnd(DumpOf64KiBWait));
    EXPECT_TRUE(NoMessageBox(client_->id()));
    // The stored text ends in a line break, so an empty line follows it.
    std::vector<std::string> expected = Lines(stored);
    expected.push_back("");
    ASSERT_NO_FATAL_FAILURE(ExpectLogStartsWith(expected));
    EXPECT_EQ(LogLines().size(), expected.size());
    EXPECT_EQ(ProgressPosition(Gadget(DumpProgress)), 0);

    ASSERT_NO_FATAL_FAILURE(Press(ReadButton, 7));
    EXPECT_EQ(LogLines().front(), "+21.5");
    EXPECT_EQ(LogLines().size(), expected.size() + 1);
}

} // namespace
