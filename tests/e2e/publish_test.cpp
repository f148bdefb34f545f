// Readings published as a user sets it up: a watch at one reading a second
// from the command line publishes to a real database, which is stopped for
// a few seconds while the program is cut off as by a power cut; the next
// start sends what was left, and every reading of the record file is in the
// database once, with its value, its tags and its time. Then the dialog
// points it at a server that refuses the token, slowly: the check says so,
// and the watch's sending stops with the server's words in the log. The
// window's longest waits meanwhile, and the bytes a reading takes, are
// printed for the benchmarks.
#include "app/client/main_menu.h"
#include "app/client/publish_dialog.h"
#include "tests/e2e/client_fixture.h"
#include "tests/e2e/documents_files.h"
#include "tests/support/record_rows.h"
#include "tests/support/time_series_database.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

std::string CountingLogger()
{
    std::string replies = "reply M \"120\"\nreply L \"2\"\nreply T";
    for (int i = 0; i < 200; ++i)
        replies += " \"+" + std::to_string(i % 40) + "." + std::to_string(i % 10) + "\"";
    return replies + "\n";
}

std::string ListSeparator()
{
    char text[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, text, sizeof text);
    return text;
}

// The readings of the record file, by their UTC second.
std::map<long long, double> FileReadings(const fs::path& file)
{
    std::map<long long, double> readings;
    for (const RecordRow& row : RecordRows(FileBytes(file), ListSeparator()))
        if (!row.reply.empty() && row.note.empty())
            readings[row.seconds] = std::strtod(row.reply.c_str(), nullptr);
    return readings;
}

std::string ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    GetComputerNameW(name, &size);
    char utf8[64] = {};
    WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

// "Публикация отстаёт", "Публикация остановлена, сервер ответил 401"
const std::wstring Behind = L"\u041f\u0443\u0431\u043b\u0438\u043a\u0430\u0446\u0438\u044f "
                            L"\u043e\u0442\u0441\u0442\u0430\u0451\u0442";
const std::wstring Stopped = L"\u041f\u0443\u0431\u043b\u0438\u043a\u0430\u0446\u0438\u044f "
                             L"\u043e\u0441\u0442\u0430\u043d\u043e\u0432\u043b\u0435\u043d\u0430, "
                             L"\u0441\u0435\u0440\u0432\u0435\u0440 \u043e\u0442\u0432\u0435\u0442\u0438\u043b 401";

class PublishTest : public WatchFilesTest {
protected:
    std::wstring Log() { return WideText(Gadget(LogEditor)); }

    // The database's points: the value of each second, and how many points
    // came for a second already taken.
    std::map<long long, double> Published(TimeSeriesDatabase& database, int& twice)
    {
        std::map<long long, double> points;
        twice = 0;
        for (const ExportedSeries& series : ParseExport(database.Export("{__name__=\"temperature_value\"}"))) {
            EXPECT_EQ(series.labels.at("logger"), ComputerName());
            EXPECT_EQ(series.labels.at("port"), "COM2");
            for (std::size_t i = 0; i < series.timestamps.size(); ++i) {
                EXPECT_EQ(series.timestamps[i] % 1000, 0) << "a time not to the second";
                twice += points.count(series.timestamps[i] / 1000) ? 1 : 0;
                points[series.timestamps[i] / 1000] = series.values[i];
            }
        }
        return points;
    }
};

TEST_F(PublishTest, EveryReadingArrivesOnceThroughAnOutageAndARestartAndARefusalStopsTheSending)
{
    TimeSeriesDatabase database("publish");
    ASSERT_TRUE(database.ready()) << database.failure();
    ASSERT_NO_FATAL_FAILURE(StartLogger(CountingLogger()));
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2 --watch 1 --publish " + database.WriteAddress()));
    ASSERT_TRUE(WaitUntil([&] { return WatchFiles().size() == 1 && FileReadings(WatchFiles().front()).size() >= 4; },
                          LongWait));
    const fs::path file = WatchFiles().front();
    int twice = 0;
    ASSERT_TRUE(WaitUntil([&] { return Published(database, twice).size() >= 4; }, LongWait)) << "nothing published";

    // The database goes away: the readings wait, the window answers.
    ASSERT_TRUE(database.Stop());
    {
        AnswerWatch watch(window_);
        ASSERT_TRUE(WaitUntil([&] { return Log().find(Behind) != std::wstring::npos; }, LongWait))
            << "no word of the sending falling behind";
        Sleep(3000);
        std::printf("publish_unreachable_longest_wait_ms %.0f\n", watch.Stop());
    }
    // Cut off as by a power cut while they wait; the next start resumes the
    // watch and sends them.
    client_.reset();
    ASSERT_TRUE(database.Start());
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2"));
    const std::size_t before = FileReadings(file).size();
    ASSERT_TRUE(WaitUntil([&] { return FileReadings(file).size() >= before + 3; }, LongWait));
    // Closed: what its last request had not taken yet goes at the next start.
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
    ASSERT_NO_FATAL_FAILURE(StartClient("COM2"));
    const std::map<long long, double> expected = FileReadings(file);
    std::map<long long, double> published;
    WaitUntil([&] { return (published = Published(database, twice)).size() >= expected.size(); }, LongWait);
    EXPECT_EQ(published, expected);
    EXPECT_EQ(twice, 0) << "readings sent twice";

    // The dialog, to a server that refuses the token, and is slow to.
    StandInServer refusing("HTTP/1.1 401 Unauthorized", {"Content-Type: application/json"},
                           "{\"error\":\"token not valid\"}", 2000);
    ASSERT_TRUE(refusing.ready());
    ASSERT_TRUE(PostMessageW(window_, WM_COMMAND, PublishCommand, 0));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = ShownWindow(client_->id(), L"#32770", window_)) != nullptr; }));
    const std::string written = database.WriteAddress();
    EXPECT_EQ(WideText(GetDlgItem(dialog, PublishAddressField)), std::wstring(written.begin(), written.end()));
    const std::string address = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/api/v2/write?org=lab";
    ASSERT_TRUE(SetDlgItemTextA(dialog, PublishAddressField, address.c_str()));
    ASSERT_TRUE(SetDlgItemTextA(dialog, PublishTokenField, "secret"));
    ASSERT_TRUE(PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(PublishCheckButton, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, PublishCheckButton))));
    // "Сервер ответил 401"
    const std::wstring checked = L"\u0421\u0435\u0440\u0432\u0435\u0440 \u043e\u0442\u0432\u0435\u0442\u0438\u043b 401";
    EXPECT_TRUE(WaitUntil([&] { return WideText(GetDlgItem(dialog, PublishComplaint)) == checked; }, LongWait))
        << "the check said: " << Text(GetDlgItem(dialog, PublishComplaint));
    EXPECT_EQ(refusing.LastRequest().rfind("GET /ping HTTP/1.1\r\n", 0), 0u) << refusing.LastRequest();
    ASSERT_TRUE(PostMessageW(dialog, WM_COMMAND, IDOK, 0));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    BYTE kept[4096];
    DWORD size = sizeof kept;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Korvane", "PublishToken", RRF_RT_REG_BINARY, nullptr, kept,
                           &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(kept), size).find("s\0e\0c", 0, 5), std::string::npos)
        << "the token kept as it was typed";

    ASSERT_TRUE(WaitUntilIdle(window_));
    {
        AnswerWatch watch(window_);
        ASSERT_TRUE(PostClick(Gadget(WatchButton)));
        ASSERT_TRUE(WaitUntil([&] { return Log().find(Stopped) != std::wstring::npos; }, LongWait))
            << "no word of the refusal";
        std::printf("publish_slow_longest_wait_ms %.0f\n", watch.Stop());
    }
    EXPECT_NE(Log().find(L"token not valid"), std::wstring::npos) << "not in the server's own words";
    const std::string request = refusing.LastRequest();
    EXPECT_NE(request.find("POST /api/v2/write?org=lab&precision=s HTTP/1.1\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Authorization: Token secret\r\n"), std::string::npos);
    const std::size_t body = request.find("\r\n\r\n") + 4;
    const std::size_t lines = static_cast<std::size_t>(std::count(request.begin() + body, request.end(), '\n'));
    ASSERT_GT(lines, 0u);
    std::printf("publish_bytes_per_reading %zu\n", (request.size() - body) / lines);
    const int requests = refusing.requests();
    Sleep(3000);
    EXPECT_EQ(refusing.requests(), requests) << "sending went on after the refusal";
    EXPECT_TRUE(NoMessageBox(client_->id()));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCodeZeroOnClose());
}

} // namespace
