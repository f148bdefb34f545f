// The watch as a user runs it: a double click on Watch at one reading a
// second, a logger that answers late and then at once, a Read in between,
// its chart, the record file dropped on the window and opened in a chart of
// its own while the watch writes it, the logger unplugged and plugged in
// again as one that splits its replies, and the record file read while the
// program writes it; then a watch from the command line, ended as by a
// power cut and resumed by the next start.
#include "app/client/alarm_limits.h"
#include "app/client/main_menu.h"
#include "tests/e2e/client_fixture.h"
#include "tests/e2e/documents_files.h"
#include "tests/support/record_rows.h"

#include <windows.h>

#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace {

// Each reply of the logger tells which request it answered.
std::string CountingLogger(int first)
{
    std::string replies = "reply M \"120\"\nreply L \"2\"\nreply T";
    for (int i = 0; i < 60; ++i)
        replies += " \"+" + std::to_string(first + i) + ".5\"";
    return replies + "\n";
}

// The file's rows after its header.
std::vector<RecordRow> Rows(const fs::path& file, const std::string& separator)
{
    return RecordRows(FileBytes(file), separator);
}

// "программа не работала", "порт недоступен", "нет ответа"
const std::string NotRunning = "\xd0\xbf\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd0\xbc\xd0\xb0 "
                               "\xd0\xbd\xd0\xb5 \xd1\x80\xd0\xb0\xd0\xb1\xd0\xbe\xd1\x82\xd0\xb0\xd0\xbb\xd0\xb0";
const std::string PortAway = "\xd0\xbf\xd0\xbe\xd1\x80\xd1\x82 \xd0\xbd\xd0\xb5\xd0\xb4\xd0\xbe\xd1\x81\xd1\x82"
                             "\xd1\x83\xd0\xbf\xd0\xb5\xd0\xbd";
const std::string NoReply = "\xd0\xbd\xd0\xb5\xd1\x82 \xd0\xbe\xd1\x82\xd0\xb2\xd0\xb5\xd1\x82\xd0\xb0";

std::string LocaleText(LCTYPE item)
{
    char text[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return text;
}

// Ctrl+C in the chart, and the picture it put on the clipboard.
std::string ChartPicture()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    Keys({VK_CONTROL}, {'C'});
    std::string picture;
    WaitUntil([&] {
        if (!IsClipboardFormatAvailable(CF_DIB) || !OpenClipboard(nullptr))
            return false;
        if (HANDLE data = GetClipboardData(CF_DIB)) {
            picture.assign(static_cast<const char*>(GlobalLock(data)), GlobalSize(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return !picture.empty();
    });
    return picture;
}

class WatchTest : public WatchFilesTest {
protected:
    bool Checked() { return SendMessageW(Gadget(WatchButton), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    std::size_t RowCount()
    {
        return WatchFiles().empty() ? 0 : Rows(WatchFiles().front(), LocaleText(LOCALE_SLIST)).size();
    }
};

TEST_F(WatchTest, ReadingsGoToTheFileAsTheyComeThroughAReadAndAnUnplug)
{
    // The start-up's "T" and the watch's first three answer 60 ms late, past
    // a fixed 50 ms wait; then the logger answers at once.
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger("pacing line-rate\n" + CountingLogger(10) + "delay T 60 4\n"));
    // The list reads in Russian, shortest first, 10 s until the user picks.
    const std::vector<std::wstring> labels = {L"1 \u0441",  L"2 \u0441",  L"5 \u0441",
                                              L"10 \u0441", L"30 \u0441", L"1 \u043c\u0438\u043d",
                                              L"5 \u043c\u0438\u043d", L"10 \u043c\u0438\u043d"};
    HWND list = Gadget(WatchIntervalList);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(labels.size()));
    for (std::size_t i = 0; i < labels.size(); ++i) {
        wchar_t label[16] = {};
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(label, labels[i]);
    }
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 3);
    ASSERT_TRUE(SelectListEntry(window_, list, 0));

    // A double click is one press: the watch starts and stays on.
    ASSERT_TRUE(DoubleClick(Gadget(WatchButton)));
    ASSERT_TRUE(Logger().WaitForReceived(4, LongWait));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(Checked());
    ASSERT_EQ(WatchFiles().size(), 1u);
    const fs::path file = WatchFiles().front();
    EXPECT_TRUE(std::regex_match(file.filename().string(),
                                 std::regex("korvane-watch-20[0-9]{6}-[0-9]{6}\\.csv")))
        << file;
    // As the third reading's "T" goes out, the first two late replies stand
    // in the file, each under its own slot.
    ASSERT_TRUE(Logger().WaitForReceived(6, LongWait));
    EXPECT_GE(RowCount(), 2u) << "a late reply went in a slot late";

    // A Read between two readings, the logger answering at once: its own
    // "T", "M" and "L", exactly its replies, in the log and not in the file.
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(PostClick(Gadget(ReadButton)));
    ASSERT_TRUE(WaitUntil([&] { return Logger().ReceivedText().find("TML") != std::string::npos; }, LongWait));
    ASSERT_TRUE(WaitUntilIdle(window_));
    const std::string readReply = LogLines().front();
    EXPECT_TRUE(std::regex_match(readReply, std::regex("\\+[0-9]+\\.5"))) << readReply;
    EXPECT_EQ(TextOf(MemoryField), "120");

    // The chart, opened during the watch: its title, its owner, a picture on
    // the clipboard that changes with the next reading, and Esc closes it
    // while the watch goes on.
    ASSERT_TRUE(PostClick(Gadget(ChartButton)));
    HWND chart = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (chart = ShownWindow(client_->id(), nullptr, window_)) != nullptr; }));
    EXPECT_EQ(WideText(chart), L"\u0413\u0440\u0430\u0444\u0438\u043a \u2014 Korvane");
    EXPECT_EQ(GetWindow(chart, GW_OWNER), window_);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == chart; }));
    const std::string before = ChartPicture();
    ASSERT_FALSE(before.empty()) << "Ctrl+C put no picture on the clipboard";
    const std::size_t received = Logger().Received().size();
    ASSERT_TRUE(Logger().WaitForReceived(received + 1, LongWait));
    // The reading ends once its reply has come and the line fell quiet.
    EXPECT_TRUE(WaitUntil([&] { return ChartPicture() != before; })) << "the reading did not reach the chart";
    Keys({}, {VK_ESCAPE});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chart); }));
    EXPECT_TRUE(Checked());
    ASSERT_TRUE(Logger().WaitForReceived(received + 2, LongWait));

    // The record file dropped on the window while the watch writes it opens
    // in a chart of its own, titled with its name.
    ASSERT_TRUE(DropFiles(window_, {file.wstring()}));
    HWND record = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (record = ShownWindow(client_->id(), L"KorvaneChart", window_)) != nullptr; }, LongWait));
    EXPECT_EQ(WideText(record), file.filename().wstring() + L" \u2014 Korvane");
    EXPECT_EQ(GetWindow(record, GW_OWNER), window_);
    EXPECT_TRUE(NoMessageBox(client_->id()));
    PostMessageW(record, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(record); }));

    // Unplugged: no requester, and every slot while it is away a gap row
    // that says why.
    Logger().Stop();
    const std::size_t rowsAtUnplug = RowCount();
    ASSERT_TRUE(WaitUntil([&] { return RowCount() >= rowsAtUnplug + 3; }, 10000)) << "no gap rows while away";
    const std::vector<RecordRow> away = Rows(WatchFiles().front(), LocaleText(LOCALE_SLIST));
    const RecordRow& gap = away.back();
    EXPECT_TRUE(gap.number.empty() && gap.reply.empty()) << gap.reply;
    EXPECT_TRUE(gap.note == PortAway || gap.note == NoReply) << gap.note;
    EXPECT_TRUE(NoMessageBox(client_->id()));
    EXPECT_TRUE(Checked());
    const std::size_t rowsAway = RowCount();

    // Plugged in again: the readings go on from the new logger, whose
    // replies reach the line in two parts astride a fixed 50 ms wait.
    ASSERT_NO_FATAL_FAILURE(StartLogger("pacing line-rate\n" + CountingLogger(50) + "delay T 40\nsplit T 3 15\n"));
    ASSERT_TRUE(Logger().WaitForReceived(2, 10000)) << "the watch did not come back to the port";
    ASSERT_TRUE(WaitUntil([&] { return RowCount() >= rowsAway + 2; }, 10000));
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(PostClick(Gadget(WatchButton)));
    ASSERT_TRUE(WaitUntil([&] { return !Checked(); }));
    ASSERT_TRUE(WaitUntilIdle(window_));
    EXPECT_TRUE(NoMessageBox(client_->id()));

    const std::string separator = LocaleText(LOCALE_SLIST);
    const std::string decimal = LocaleText(LOCALE_SDECIMAL);
    const std::vector<RecordRow> rows = Rows(file, separator);
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(FirstBreakInGrid(rows), rows.size()) << "a slot without its row, or one there twice";
    std::vector<RecordRow> readings;
    for (const RecordRow& row : rows) {
        EXPECT_TRUE(std::regex_match(row.local, std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]")))
            << row.local;
        if (row.number.empty()) {
            EXPECT_FALSE(row.note.empty()) << "a gap row without its reason at " << row.utc;
            continue;
        }
        EXPECT_TRUE(std::regex_match(row.reply, std::regex("\\+[0-9]+\\.5"))) << row.reply;
        EXPECT_EQ(row.number, row.reply.substr(1, row.reply.size() - 3) + decimal + "5");
        EXPECT_EQ(row.note, "");
        EXPECT_NE(row.reply, readReply) << "the Read's reply went into the file";
        if (!readings.empty()) {
            EXPECT_GT(std::stoi(row.reply.substr(1)), std::stoi(readings.back().reply.substr(1)));
        }
        readings.push_back(row);
    }
    ASSERT_FALSE(readings.empty());
    EXPECT_GE(std::stoi(readings.back().reply.substr(1)), 50) << "no rows after the logger came back";
    // The field shows the latest reading; the log says how many rows of each
    // kind reached the file.
    EXPECT_EQ(TextOf(ReadingField), readings.back().reply);
    const std::wstring ended = L"\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                               L"\u043e\u043a\u043e\u043d\u0447\u0435\u043d\u043e, "
                               L"\u043f\u043e\u043a\u0430\u0437\u0430\u043d\u0438\u0439: ";
    const std::wstring gaps = L", \u043f\u0440\u043e\u043f\u0443\u0441\u043a\u043e\u0432: ";
    const std::wstring log = WideText(Gadget(LogEditor));
    EXPECT_EQ(log.rfind(ended + std::to_wstring(readings.size()) + gaps + std::to_wstring(rows.size() - readings.size()), 0),
              0u);

    // A watch from the command line, as a Startup shortcut starts it; a
    // power cut during it ends the program at once, and the next start (the
    // log-on's) resumes it on its file: the slots between are gap rows.
    fs::remove(file);
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2 --watch 1"));
    ASSERT_TRUE(WaitUntil([&] { return RowCount() >= 2; }, LongWait));
    ASSERT_EQ(WatchFiles().size(), 1u);
    const fs::path resumed = WatchFiles().front();
    client_.reset();
    const std::size_t rowsAtEnd = RowCount();
    Sleep(2500);
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2"));
    ASSERT_TRUE(WaitUntil([&] { return RowCount() >= rowsAtEnd + 4; }, LongWait)) << "the watch did not resume";
    ASSERT_EQ(WatchFiles().size(), 1u) << "the resumed watch went to another file";
    ASSERT_TRUE(WaitUntilIdle(window_));
    const std::wstring resumedLine = L"\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                                     L"\u0432\u043e\u0437\u043e\u0431\u043d\u043e\u0432\u043b\u0435\u043d\u043e";
    EXPECT_NE(WideText(Gadget(LogEditor)).find(resumedLine), std::wstring::npos);
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    const std::vector<RecordRow> after = Rows(resumed, separator);
    EXPECT_EQ(FirstBreakInGrid(after), after.size()) << "a slot without its row, or one there twice";
    std::size_t notRunning = 0;
    for (const RecordRow& row : after)
        notRunning += row.note == NotRunning ? 1 : 0;
    EXPECT_GE(notRunning, 2u) << "no gap rows for the time between";
    const std::string bytes = FileBytes(resumed);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << "a row cut short";
    // Closed by the user, it resumes no more.
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2"));
    Sleep(1500);
    EXPECT_FALSE(Checked()) << "a watch the user ended came back";
}

// The alarm's limits set in their dialog and kept over a restart; a watch at
// one reading a second whose logger goes over the high limit for four
// readings and back: the alarm starts at the third and ends once a reading
// is back inside by the margin, and the log and the file say so.
TEST_F(WatchTest, AnAlarmStartsAtTheThirdReadingOverTheLimitAndEndsBackInsideByTheMargin)
{
    std::string replies = "reply T \"+20.5\" \"+20.5\" \"+31.5\" \"+31.5\" \"+31.5\" \"+31.5\" \"+29.8\" \"+29.5\"";
    for (int i = 0; i < 60; ++i)
        replies += " \"+20.5\"";
    ASSERT_NO_FATAL_FAILURE(StartClientWithLogger("reply M \"120\"\nreply L \"2\"\n" + replies + "\n"));
    ASSERT_TRUE(PostMessageW(window_, WM_COMMAND, AlarmLimitsCommand, 0));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = ShownWindow(client_->id(), L"#32770", window_)) != nullptr; }));
    // The defaults: 3 readings, back by 0.5, 10 slots without one.
    EXPECT_EQ(WideText(GetDlgItem(dialog, AlarmReadingsField)), L"3");
    EXPECT_EQ(WideText(GetDlgItem(dialog, AlarmGapsField)), L"10");
    ASSERT_TRUE(SetDlgItemTextW(dialog, AlarmHighField, L"30"));
    ASSERT_TRUE(PostMessageW(dialog, WM_COMMAND, IDOK, 0));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    char kept[128] = {};
    DWORD size = sizeof kept;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Korvane", "AlarmLimits", RRF_RT_REG_SZ, nullptr, kept, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(kept, "high 30 low none readings 3 margin 0.5 gaps 10");
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());

    ASSERT_NO_FATAL_FAILURE(StartClient());
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(SelectListEntry(window_, Gadget(WatchIntervalList), 0));
    ASSERT_TRUE(PostClick(Gadget(WatchButton)));
    // "Тревога окончена"
    const std::wstring ended = L"\u0422\u0440\u0435\u0432\u043e\u0433\u0430 \u043e\u043a\u043e\u043d\u0447\u0435\u043d\u0430";
    ASSERT_TRUE(WaitUntil([&] { return WideText(Gadget(LogEditor)).find(ended) != std::wstring::npos; }, LongWait))
        << "the alarm did not end";
    ASSERT_TRUE(WaitUntilIdle(window_));
    ASSERT_TRUE(PostClick(Gadget(WatchButton)));
    ASSERT_TRUE(WaitUntil([&] { return !Checked(); }));
    EXPECT_TRUE(NoMessageBox(client_->id())) << "an alarm raised a requester";

    // The log: the start, with the limit and the reading, and the end.
    const std::wstring decimal = WideFromCodePage(LocaleText(LOCALE_SDECIMAL).c_str());
    const std::wstring log = WideText(Gadget(LogEditor));
    const std::wstring started = L"\u0422\u0440\u0435\u0432\u043e\u0433\u0430: \u0432\u044b\u0448\u0435 "
                                 L"\u043f\u043e\u0440\u043e\u0433\u0430 30, \u043f\u043e\u043a\u0430\u0437\u0430\u043d\u0438\u0435 31" +
                                 decimal + L"5";
    EXPECT_NE(log.find(started), std::wstring::npos) << "no start in the log";
    EXPECT_NE(log.find(ended + L", \u043f\u043e\u043a\u0430\u0437\u0430\u043d\u0438\u0435 29" + decimal + L"5"), std::wstring::npos);
    EXPECT_EQ(log.find(started), log.rfind(started)) << "one alarm, told once";

    // The file: the third reading over the limit notes the start, the first
    // back inside by the margin the end; the one between is still in it.
    const std::vector<RecordRow> rows = Rows(WatchFiles().front(), LocaleText(LOCALE_SLIST));
    std::size_t over = 0;
    while (over < rows.size() && rows[over].reply != "+31.5")
        ++over;
    ASSERT_LT(over + 5, rows.size());
    // "тревога: выше 30", "норма"
    const std::vector<std::string> notes = {"", "", "\xd1\x82\xd1\x80\xd0\xb5\xd0\xb2\xd0\xbe\xd0\xb3\xd0\xb0: "
                                                    "\xd0\xb2\xd1\x8b\xd1\x88\xd0\xb5 30",
                                            "", "", "\xd0\xbd\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0"};
    for (std::size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ(rows[over + i].note, notes[i]) << "row " << i << " after the first over: " << rows[over + i].reply;
    EXPECT_EQ(rows[over + 5].reply, "+29.5");
}

} // namespace
