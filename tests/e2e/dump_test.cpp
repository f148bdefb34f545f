// The memory dump: the logger's stored text into the log, with the progress
// bar back at its start afterwards, and a logger that stops answering. The
// window lives through a dump: it answers, no command runs, and Esc or a
// close stops it. Every dump is kept in the Documents folder as its text and
// a table of its readings, and charted.
#include "app/client/main_window.h"
#include "tests/e2e/client_fixture.h"
#include "tests/e2e/documents_files.h"
#include "tests/support/record_rows.h"
#include "tools/simlogger/scenario.h"

#include <cstdio>
#include <optional>
#include <regex>

namespace fs = std::filesystem;

namespace {

const std::string Bom = "\xef\xbb\xbf";
// "Выгрузка не закончена": the kept text's last line after a dump cut short.
const std::string CutLine = "\xd0\x92\xd1\x8b\xd0\xb3\xd1\x80\xd1\x83\xd0\xb7\xd0\xba\xd0\xb0 \xd0\xbd\xd0\xb5 "
                            "\xd0\xb7\xd0\xb0\xd0\xba\xd0\xbe\xd0\xbd\xd1\x87\xd0\xb5\xd0\xbd\xd0\xb0";

// A dump's files, its table (.csv) before its text (.txt).
std::vector<fs::path> DumpFiles() { return DocumentsFiles("korvane-dump-"); }

std::string LocaleText(LCTYPE item)
{
    char text[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return text;
}

class DumpTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        RemoveDumpFiles();
    }

    void TearDown() override
    {
        ClientTest::TearDown();
        RemoveDumpFiles();
    }

    static void RemoveDumpFiles()
    {
        for (const fs::path& file : DumpFiles())
            fs::remove(file);
    }

    // The two files of the dump, once its table is there too.
    bool DumpFilesWritten(fs::path& table, fs::path& text)
    {
        std::vector<fs::path> files;
        if (!WaitUntil([&] { return (files = DumpFiles()).size() == 2 && fs::file_size(files[0]) > 0; }))
            return false;
        table = files[0];
        text = files[1];
        return true;
    }
};

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

TEST_F(DumpTest, ADumpInOneBurstGoesOnTopOfTheLog)
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

// The demo's logger: 300 readings at its interval "Minut", the last one as
// the dump begins.
TEST_F(DumpTest, TheDemosDumpIsKeptAsItCameWithATableOfItsReadingsAndChartedByTheChartButton)
{
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger(DefaultScenarioText()));
    ASSERT_TRUE(PostClick(Gadget(DumpButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    ASSERT_TRUE(WaitForDumpEnd());
    EXPECT_EQ(TextOf(IntervalField), "Minut");
    const std::string sent = StoredReadings(300);
    std::vector<std::string> lines = Lines(sent);
    std::vector<std::string> logged = lines;
    logged.push_back("");
    EXPECT_EQ(LogLines(), logged) << "the log reads as it always did";

    fs::path table, text;
    ASSERT_TRUE(DumpFilesWritten(table, text));
    EXPECT_TRUE(std::regex_match(text.filename().string(), std::regex("korvane-dump-20[0-9]{6}-[0-9]{6}\\.txt")))
        << text;
    EXPECT_EQ(table.stem(), text.stem());
    EXPECT_EQ(FileBytes(text), Bom + sent);
    const std::string list = LocaleText(LOCALE_SLIST);
    const std::string bytes = FileBytes(table);
    EXPECT_EQ(bytes.rfind(Bom + "\xe2\x84\x96" + list, 0), 0u) << "the dump's own header, \"№\" first";
    // №, the estimated local time, the temperature, the line, the estimated
    // UTC time.
    const std::vector<RecordRow> rows = RecordRows(bytes, list);
    ASSERT_EQ(rows.size(), 300u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        std::string number = lines[i].substr(lines[i].find('+') + 1);
        number.replace(number.find('.'), 1, LocaleText(LOCALE_SDECIMAL));
        EXPECT_EQ(rows[i].local, std::to_string(i + 1));
        EXPECT_EQ(rows[i].reply, number);
        EXPECT_EQ(rows[i].utc, lines[i]);
        if (i > 0) {
            EXPECT_EQ(RecordSeconds(rows[i].note) - RecordSeconds(rows[i - 1].note), 60);
        }
    }

    // No watch ran: the Chart button opens the dump's chart, titled with its
    // time and owned by the main window.
    ASSERT_TRUE(PostClick(Gadget(ChartButton)));
    HWND chart = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (chart = ShownWindow(client_->id(), nullptr, window_)) != nullptr; }));
    EXPECT_TRUE(std::regex_match(WideText(chart), std::wregex(L"\u0412\u044b\u0433\u0440\u0443\u0437\u043a\u0430 "
                                                              L"[0-9]{2}\\.[0-9]{2}\\.20[0-9]{2} [0-9:]{8} \u2014 Korvane")));
    EXPECT_EQ(GetWindow(chart, GW_OWNER), window_);
    EXPECT_TRUE(NoMessageBox(client_->id()));

    // The table dropped on that chart opens in a chart of its own; a text
    // file that is no record, dropped on the main window, gives one
    // requester that names it and its line, and no chart.
    ASSERT_TRUE(DropFiles(chart, {table.wstring()}));
    HWND record = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (record = ShownWindow(client_->id(), L"KorvaneChart", chart)) != nullptr; }, LongWait));
    EXPECT_EQ(WideText(record), table.filename().wstring() + L" \u2014 Korvane");
    const fs::path notes = table.parent_path() / "korvane-dump-notes.csv";
    FILE* written = _wfopen(notes.c_str(), L"wb");
    ASSERT_NE(written, nullptr);
    std::fputs("\xef\xbb\xbfnot, a, record\r\n", written);
    std::fclose(written);
    ASSERT_TRUE(DropFiles(window_, {notes.wstring()}));
    const std::optional<MessageBoxSeen> box = WaitForMessageBox(client_->id());
    ASSERT_TRUE(box.has_value());
    // "Файл не является записью Korvane:", the file, "Строка 1"
    EXPECT_EQ(box->text, L"\u0424\u0430\u0439\u043b \u043d\u0435 \u044f\u0432\u043b\u044f\u0435\u0442\u0441\u044f "
                         L"\u0437\u0430\u043f\u0438\u0441\u044c\u044e Korvane:\n" +
                             notes.wstring() + L"\n\u0421\u0442\u0440\u043e\u043a\u0430 1");
    ASSERT_TRUE(DismissMessageBox(*box));
    fs::remove(notes);
}

TEST_F(DumpTest, ADumpOverSeveralPollsFromADoubleClickGivesTheSameText)
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

TEST_F(DumpTest, ADumpThatNeverEndsStopsWithARequesterAndKeepsWhatCame)
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

TEST_F(DumpTest, DumpWithoutAPortReportsItAndSendsNothing)
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

TEST_F(DumpTest, TheWindowAnswersThroughADumpAndNoCommandRunsMeanwhile)
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

TEST_F(DumpTest, EscStopsADumpAndWhatTheLoggerStillSendsIsDropped)
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

TEST_F(DumpTest, ClosingTheWindowDuringADumpEndsTheProgramAtOnce)
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

    // What had come is kept, and its last line says it is not all.
    fs::path table, text;
    ASSERT_TRUE(DumpFilesWritten(table, text));
    const std::string bytes = FileBytes(text);
    const std::string end = "\r\n" + CutLine + "\r\n";
    ASSERT_GT(bytes.size(), Bom.size() + end.size());
    EXPECT_EQ(bytes.substr(0, 3), Bom);
    EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
    // The kept part ends with the logger's line end or with one added before
    // the last line.
    const std::string kept = bytes.substr(Bom.size(), bytes.size() - Bom.size() - end.size());
    EXPECT_EQ(StoredReadings(LongDumpReadings).substr(0, kept.size()), kept);
    EXPECT_FALSE(RecordRows(FileBytes(table), LocaleText(LOCALE_SLIST)).empty());
}

} // namespace
