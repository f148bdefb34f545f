// The chart of a watch inside the test process, beside the main window: its
// title and owner, its keys through the program's own event wait (Ctrl+C
// puts the drawing on the clipboard, Esc closes it, and neither ends the
// program), and the time a redraw takes at a week of readings; a dump's chart
// beside it, and the time it takes to open at 10,000 readings.
#include "tests/app/client/client_window_start.h"
#include "app/client/chart_window.h"
#include "app/client/chart_picture.h"
#include "app/client/chart_scale_dialog.h"
#include "app/client/port_list.h"
#include "app/client/client_gadgets.h"
#include "app/client/dump_keeping.h"
#include "app/client/main_window.h"
#include "app/client/record_opening.h"
#include "app/client/watch_driving.h"
#include "app/client/watch_file.h"
#include "app/logger/watch_readings.h"

#include "base/heap.h"
#include "base/memory.h"
#include "gadget/runtime.h"
#include "tests/support/key_input.h"
#include "tests/support/wine_detect.h"
#include "window/dpi.h"
#include "window/dpi_scale.h"
#include "window/event.h"
#include "window/window.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The watch keeps its store in a variable of its own; the tests fill it as
// the watch would.
WatchReadings& Store() { return const_cast<WatchReadings&>(WatchKeptReadings()); }

constexpr COLORREF Trace = RGB(0, 80, 180);

// A week's worth of shape at one reading a second, a slot without a number
// now and then. The chart spans the readings' own times, so they start at a
// fixed tick rather than ending at the tick count: a week back from the tick
// count of a machine booted an hour ago would wrap round.
void FillStore(std::int32_t count)
{
    WatchReadingsClear(Store());
    constexpr std::uint64_t firstReading = 1000;
    for (std::int32_t i = 0; i < count; ++i) {
        ReplyNumber number{};
        number.found = i % 500 != 7;
        number.value = 21.5 + 3.0 * std::sin(i / 5000.0) + (i % 13) / 10.0;
        WatchReadingsAdd(Store(), firstReading + 1000 * static_cast<std::uint64_t>(i), number);
    }
    ChartReadingsChanged();
}

// Pumps the thread's messages as the program's loop does, for a while;
// false when one of them reads as the end of the program.
bool RunLoopFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds)
        if (EventWaitTimeout(20) == EV_CLOSE)
            return false;
    return true;
}

// Copies the chart in front with Ctrl+C and counts the pixels of the
// picture in that colour; -1 when the clipboard holds no such picture.
int PixelsCopied(COLORREF colour, SIZE size)
{
    if (!OpenClipboard(nullptr))
        return -1;
    EmptyClipboard();
    CloseClipboard();
    Keys({VK_CONTROL}, {'C'});
    if (!RunLoopFor(300) || !IsClipboardFormatAvailable(CF_DIB) || !OpenClipboard(nullptr))
        return -1;
    int count = -1;
    HANDLE data = GetClipboardData(CF_DIB);
    const auto* header = data ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(data)) : nullptr;
    if (header && header->biWidth == size.cx && header->biHeight == size.cy && header->biBitCount == 24) {
        const auto* bits = reinterpret_cast<const BYTE*>(header + 1);
        const std::size_t stride = (static_cast<std::size_t>(header->biWidth) * 3 + 3) & ~std::size_t{3};
        count = 0;
        for (std::size_t at = 0; at + 3 <= stride * static_cast<std::size_t>(header->biHeight); at += 3)
            count += at % stride + 3 <= stride && bits[at] == GetBValue(colour) && bits[at + 1] == GetGValue(colour) &&
                     bits[at + 2] == GetRValue(colour);
    }
    if (header)
        GlobalUnlock(data);
    CloseClipboard();
    return count;
}

// The chart's name and value as a screen reader reads them.
std::wstring Accessible(HWND chart, bool value)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(chart, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return L"(no accessible object)";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const HRESULT result = value ? object->get_accValue(self, &text) : object->get_accName(self, &text);
    object->Release();
    std::wstring read = SUCCEEDED(result) && text ? std::wstring(text) : L"(none)";
    SysFreeString(text);
    return read;
}

class ChartWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartClientWindow();
        ShowWindow(WindowHandle(MainWindow), SW_SHOW);
    }

    void TearDown() override
    {
        for (HWND chart : {ChartWindowHandle(), DumpChartWindowHandle()})
            if (chart)
                DestroyWindow(chart);
        WatchReadingsClear(Store());
    }
};

TEST_F(ChartWindow, OpensOwnedAndActiveCopiesOnCtrlCAndClosesOnEscWithTheProgramGoingOn)
{
    OpenChartWindow();
    HWND chart = ChartWindowHandle();
    ASSERT_TRUE(chart);
    // Its title and owner are checked from outside, in the watch's test.
    EXPECT_EQ(GetActiveWindow(), chart);
    EXPECT_TRUE(GetWindowLongPtrW(chart, GWL_STYLE) & WS_THICKFRAME);
    // 640 x 360 at 96 dpi, scaled to the window's.
    RECT client{};
    GetClientRect(chart, &client);
    const std::int32_t dpi = WindowDpi(chart);
    EXPECT_EQ(client.right, ScaleToDpi(640, dpi)) << dpi << " dpi";
    EXPECT_EQ(client.bottom, ScaleToDpi(360, dpi)) << dpi << " dpi";
    // Open already: the same window, to the front.
    SetActiveWindow(WindowHandle(MainWindow));
    OpenChartWindow();
    EXPECT_EQ(ChartWindowHandle(), chart);
    EXPECT_EQ(GetActiveWindow(), chart);

    FillStore(10'000);
    ASSERT_TRUE(RunLoopFor(200));
    // A picture of the window's size, with the trace's colour in it: the
    // readings were drawn.
    const SIZE size{client.right, client.bottom};
    EXPECT_GT(PixelsCopied(Trace, size), 100);

    // A screen reader finds it by its title and reads the last reading, the
    // lowest and highest, and what is in view ("Последнее: ", then 24.4 in
    // the user's way, and "Показано: с "). Wine's accessibility keeps no
    // annotations: there the value is the one the chart gave.
    EXPECT_EQ(Accessible(chart, false).substr(0, 6), L"\u0413\u0440\u0430\u0444\u0438\u043a");
    const std::wstring value = ChartAccessText(chart);
    if (!RunningOnWine()) {
        EXPECT_EQ(Accessible(chart, true), value);
    }
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    EXPECT_EQ(value.find(std::wstring(L"\u041f\u043e\u0441\u043b\u0435\u0434\u043d\u0435\u0435: 24") +
                         separator[0] + L"4"),
              0u)
        << value;
    EXPECT_NE(value.find(L"\u041f\u043e\u043a\u0430\u0437\u0430\u043d\u043e: \u0441 "), std::wstring::npos)
        << value;

    // The window's colour is the system's, followed when it changes.
    const int colourElement = COLOR_WINDOW;
    const COLORREF usualWindow = GetSysColor(COLOR_WINDOW);
    const COLORREF tinted = RGB(250, 240, 200);
    ASSERT_TRUE(SetSysColors(1, &colourElement, &tinted));
    SendMessageW(chart, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_GT(PixelsCopied(tinted, size), size.cx * size.cy / 2);
    SetSysColors(1, &colourElement, &usualWindow);
    SendMessageW(chart, WM_SYSCOLORCHANGE, 0, 0);

    // In high contrast every colour is the system's, the trace its highlight;
    // the chart draws anew on the news Windows sends. Wine has no high
    // contrast: it refuses to set it.
    HIGHCONTRASTW usual{sizeof usual, 0, nullptr};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof usual, &usual, 0));
    HIGHCONTRASTW contrast{sizeof contrast, HCF_HIGHCONTRASTON, nullptr};
    if (SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof contrast, &contrast, 0)) {
        SendMessageW(chart, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_EQ(PixelsCopied(Trace, size), 0);
        EXPECT_GT(PixelsCopied(GetSysColor(COLOR_HIGHLIGHT), size), 100);
        usual.dwFlags &= ~static_cast<DWORD>(HCF_HIGHCONTRASTON);
        SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof usual, &usual, 0);
        SendMessageW(chart, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    } else {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SPI_VALUE));
    }
    EXPECT_GT(PixelsCopied(Trace, size), 100);

    // Esc closes it; the main window stays and the loop sees no end.
    Keys({}, {VK_ESCAPE});
    ASSERT_TRUE(RunLoopFor(300));
    EXPECT_FALSE(ChartWindowHandle());
    EXPECT_FALSE(IsWindow(chart));
    EXPECT_TRUE(IsWindow(WindowHandle(MainWindow)));

    // Nor does a WM_CLOSE posted to it, which the loop would read as
    // EV_CLOSE.
    OpenChartWindow();
    chart = ChartWindowHandle();
    ASSERT_TRUE(chart);
    PostMessageW(chart, WM_CLOSE, 0, 0);
    ASSERT_TRUE(RunLoopFor(300));
    EXPECT_FALSE(IsWindow(chart));
}

// An hour at one reading a second, zoomed, scrolled and followed again with
// the wheel, a drag and the keys.
TEST_F(ChartWindow, TheWheelADragAndTheKeysMoveTheViewAndEndFollowsTheWatchAgain)
{
    FillStore(3601);
    OpenChartWindow();
    HWND chart = ChartWindowHandle();
    ASSERT_TRUE(chart);
    constexpr std::uint64_t first = 1000, newest = 3'601'000, hour = 3'600'000;
    auto shown = [&] { return ChartShownRange(chart); };
    EXPECT_TRUE(ChartFollowing(chart));
    EXPECT_EQ(shown().from, first);
    EXPECT_EQ(shown().to, newest);

    RECT client{};
    GetClientRect(chart, &client);
    auto wheel = [&](LONG x, short delta) {
        POINT at{x, client.bottom / 2};
        ClientToScreen(chart, &at);
        SendMessageW(chart, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
    };
    // Half a notch does nothing yet; the second half zooms in by 1.25 around
    // the pointer, here at the right edge: the view goes on following.
    wheel(client.right - 1, WHEEL_DELTA / 2);
    EXPECT_EQ(shown().to - shown().from, hour);
    wheel(client.right - 1, WHEEL_DELTA / 2);
    EXPECT_EQ(shown().to - shown().from, hour * 4 / 5);
    EXPECT_EQ(shown().to, newest);
    EXPECT_TRUE(ChartFollowing(chart));
    // At the left edge the time there stays where it is.
    const std::uint64_t left = shown().from;
    wheel(0, WHEEL_DELTA);
    EXPECT_EQ(shown().from, left);
    EXPECT_EQ(shown().to - shown().from, hour * 16 / 25);
    EXPECT_FALSE(ChartFollowing(chart));

    // End follows at this width; the left arrow moves back a tenth and stops
    // following, so a new reading leaves the view where it is.
    Keys({}, {VK_END});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_TRUE(ChartFollowing(chart));
    EXPECT_EQ(shown().to, newest);
    const std::uint64_t width = shown().to - shown().from;
    Keys({}, {VK_LEFT});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_FALSE(ChartFollowing(chart));
    EXPECT_EQ(shown().to, newest - width / 10);
    ReplyNumber number{};
    number.found = true;
    number.value = 22;
    WatchReadingsAdd(Store(), newest + 1000, number);
    ChartReadingsChanged();
    EXPECT_EQ(shown().to, newest - width / 10);
    Keys({}, {VK_END});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_EQ(shown().to, newest + 1000) << "End follows the watch again";

    // A drag to the right pulls earlier readings into view.
    const ChartRange before = shown();
    SendMessageW(chart, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    SendMessageW(chart, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
    SendMessageW(chart, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    EXPECT_LT(shown().to, before.to);
    EXPECT_EQ(shown().to - shown().from, before.to - before.from);
    EXPECT_FALSE(ChartFollowing(chart));

    // + zooms in to 60 readings at most, - out to the whole, Home to it at once.
    for (int i = 0; i < 40; ++i)
        Keys({}, {VK_ADD});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_EQ(shown().to - shown().from, 59'000u);
    Keys({}, {VK_SUBTRACT});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_EQ(shown().to - shown().from, 59'000u * 5 / 4);
    Keys({}, {VK_HOME});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_TRUE(ChartFollowing(chart));
    EXPECT_EQ(shown().from, first);
    EXPECT_EQ(shown().to, newest + 1000);
}

// The value axis fixed through its dialog, which refuses what is no scale
// and says why, and remembered as text.
TEST_F(ChartWindow, AFixedScaleIsCheckedOnEntryAndRemembered)
{
    FillStore(1000);
    OpenChartWindow();
    HWND chart = ChartWindowHandle();
    ASSERT_TRUE(chart);
    HWND dialog = OpenChartScaleDialog(chart);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), chart);
    EXPECT_FALSE(IsWindowEnabled(chart));
    auto enter = [&](const wchar_t* low, const wchar_t* high) {
        SetDlgItemTextW(dialog, ScaleLowField, low);
        SetDlgItemTextW(dialog, ScaleHighField, high);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    auto complaint = [&] {
        wchar_t text[128] = {};
        GetDlgItemTextW(dialog, ScaleComplaint, text, 128);
        return std::wstring(text);
    };
    // "«От» — не число", "«До» — не число", "«От» должно быть меньше «До»".
    enter(L"abc", L"40");
    EXPECT_EQ(complaint(), L"\u00ab\u041e\u0442\u00bb \u2014 \u043d\u0435 \u0447\u0438\u0441\u043b\u043e");
    enter(L"10", L"40\u00b0");
    EXPECT_EQ(complaint(), L"\u00ab\u0414\u043e\u00bb \u2014 \u043d\u0435 \u0447\u0438\u0441\u043b\u043e");
    enter(L"40", L"10");
    EXPECT_EQ(complaint().substr(0, 4), L"\u00ab\u041e\u0442\u00bb");
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_FALSE(ChartScaleSetting().fixed) << "a refused entry changes nothing";

    enter(L"-10,5", L"40");
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(chart));
    EXPECT_TRUE(ChartScaleSetting().fixed);
    EXPECT_EQ(ChartScaleSetting().low, -10.5);
    auto remembered = [] {
        char text[160] = {};
        DWORD size = sizeof text - 1;
        RegGetValueA(HKEY_CURRENT_USER, SettingsKey, "ChartScale", RRF_RT_REG_SZ, nullptr, text, &size);
        return std::string(text);
    };
    EXPECT_EQ(remembered(), "fixed -10.5 40");
    ASSERT_TRUE(RunLoopFor(100));

    // Opened again, it shows the scale with the user's separator.
    dialog = OpenChartScaleDialog(chart);
    ASSERT_TRUE(dialog);
    wchar_t low[64] = {};
    GetDlgItemTextW(dialog, ScaleLowField, low, 64);
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    EXPECT_EQ(std::wstring(low), std::wstring(L"-10") + separator[0] + L"5");
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));

    SetChartScale(ChartScale{});
    EXPECT_EQ(remembered(), "auto");
}

// A picture for a report as a PNG file: its signature and size as PNG
// readers see them, and a folder that does not exist told, not half written.
TEST_F(ChartWindow, APictureIsSavedAsAPngOfItsSize)
{
    constexpr LONG width = 33, height = 7;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::vector<BYTE> bits(static_cast<std::size_t>((width * 3 + 3) & ~3) * height, 0x80);
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring target = std::wstring(folder) + L"korvane-chart-test.png";
    ASSERT_EQ(SavePng(header, bits.data(), target.c_str()), 0u);
    HANDLE file = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BYTE start[24] = {};
    DWORD read = 0;
    ReadFile(file, start, sizeof start, &read, nullptr);
    CloseHandle(file);
    DeleteFileW(target.c_str());
    ASSERT_EQ(read, sizeof start);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(start), 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(start + 12), 4), "IHDR");
    EXPECT_EQ((start[16] << 24) | (start[17] << 16) | (start[18] << 8) | start[19], width);
    EXPECT_EQ((start[20] << 24) | (start[21] << 16) | (start[22] << 8) | start[23], height);

    const std::wstring nowhere = std::wstring(folder) + L"korvane-no-such-folder\\chart.png";
    EXPECT_NE(SavePng(header, bits.data(), nowhere.c_str()), 0u);
    EXPECT_EQ(GetFileAttributesW(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The bytes of a heap's blocks in use.
std::size_t HeapBusyBytes(HANDLE heap)
{
    std::size_t bytes = 0;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
        bytes += entry.wFlags & PROCESS_HEAP_ENTRY_BUSY ? entry.cbData : 0;
    return bytes;
}

// The redraw up to the full store, whole and after a wheel step in the
// whole and in an hour's view, and the memory the store and its summary
// take a reading and the view's moves add.
TEST_F(ChartWindow, ARedrawAtAWeekOfReadingsAndAfterAWheelStepAtAFullStore)
{
    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    auto timed = [&](auto action) {
        QueryPerformanceCounter(&before);
        action();
        QueryPerformanceCounter(&after);
        return 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    for (std::int32_t count : {10'000, 100'000, 604'800, WatchReadingsMaximum}) {
        WatchReadingsClear(Store());
        const std::size_t emptyBytes = HeapBusyBytes(MemoryHeap);
        FillStore(count);
        // Opening draws it the first time, which summarises the store whole.
        const double first = timed(OpenChartWindow);
        HWND chart = ChartWindowHandle();
        ASSERT_TRUE(chart);
        const int dpi = WindowDpi(chart);
        auto redraw = [&]() { RedrawWindow(chart, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
        std::vector<double> times;
        for (int i = 0; i < 9; ++i)
            times.push_back(timed(redraw));
        // As "name value" lines, which the benchmarks' report reads.
        std::printf("chart_redraw_%d_ms %.2f\nchart_redraw_%d_slowest_ms %.2f\nchart_open_%d_ms %.2f\n", count,
                    median(times), count, *std::max_element(times.begin(), times.end()), count, first);
        EXPECT_LT(median(times), 1000.0);
        if (count == WatchReadingsMaximum) {
            RECT client{};
            GetClientRect(chart, &client);
            POINT middle{client.right / 2, client.bottom / 2};
            ClientToScreen(chart, &middle);
            auto wheel = [&](short delta) {
                SendMessageW(chart, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(middle.x, middle.y));
                UpdateWindow(chart);
            };
            const std::size_t viewedBytes = HeapBusyBytes(MemoryHeap);
            // Out from the whole does nothing but draw; one notch in and out
            // again, alike.
            std::vector<double> whole;
            for (int i = 0; i < 9; ++i)
                whole.push_back(timed([&] { wheel(i % 2 ? -WHEEL_DELTA : WHEEL_DELTA); }));
            while (ChartShownRange(chart).to - ChartShownRange(chart).from > 3'600'000)
                wheel(WHEEL_DELTA);
            std::vector<double> hour;
            for (int i = 0; i < 9; ++i)
                hour.push_back(timed([&] { wheel(i % 2 ? WHEEL_DELTA : -WHEEL_DELTA); }));
            std::printf("chart_wheel_whole_%d_ms %.2f\nchart_wheel_hour_%d_ms %.2f\n", dpi, median(whole), dpi,
                        median(hour));
            std::printf("chart_bytes_per_reading %.2f\nchart_view_bytes_added %lld\n",
                        static_cast<double>(viewedBytes - emptyBytes) / count,
                        static_cast<long long>(HeapBusyBytes(MemoryHeap)) - static_cast<long long>(viewedBytes));
            EXPECT_EQ(HeapBusyBytes(MemoryHeap), viewedBytes) << "moving the view took memory";
        }
        ASSERT_TRUE(RunLoopFor(50));
        DestroyWindow(chart);
    }
}

// A week's record file at a reading a second, some 40 MB, read while the
// window goes on taking its messages, and charted beside the watch's chart:
// each chart its own view, and the record's readings freed with its chart.
TEST_F(ChartWindow, ARecordOfAWeekOpensWhileTheWindowAnswers)
{
    constexpr std::int64_t rows = 604'800;
    constexpr std::int64_t start = 13'400'000'000; // some time in 2025, in seconds since 1601
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(GetTempPathW(MAX_PATH, folder));
    const std::wstring path = std::wstring(folder) + L"korvane-watch-week.csv";
    {
        FILE* file = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(file);
        const WatchSeparators separators{";", ","};
        std::string bytes = "\xef\xbb\xbf";
        char row[WatchRowLongest];
        bytes.append(row, WatchHeaderText(separators, row));
        for (std::int64_t i = 0; i < rows; ++i) {
            const WatchClock time = WatchClockFromSeconds(start + i);
            char reply[16];
            std::snprintf(reply, sizeof reply, "+%d.%d\r\n", 20 + static_cast<int>(i % 7), static_cast<int>(i % 10));
            bytes.append(row, WatchRowText(WatchRow{time, time, i % 1000 == 5 ? nullptr : reply, ""}, separators, row));
        }
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    FillStore(1000);
    OpenChartWindow();
    HWND watchChart = ChartWindowHandle();
    const ChartRange watchView = ChartShownRange(watchChart);
    const std::size_t blocks = HeapBlockCount(MemoryHeap);

    LARGE_INTEGER frequency{}, before{}, last{}, now{};
    QueryPerformanceFrequency(&frequency);
    auto since = [&](const LARGE_INTEGER& then) {
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - then.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    QueryPerformanceCounter(&before);
    last = before;
    OpenRecordFile(path.c_str());
    double longest = since(last);
    HWND record = nullptr;
    while (!record && since(before) < 60'000) {
        QueryPerformanceCounter(&last);
        if (EventWaitTimeout(20) == RecordReadEvent)
            HandleRecordReadEvent();
        longest = std::max(longest, since(last));
        record = GetActiveWindow() != watchChart && GetActiveWindow() != WindowHandle(MainWindow) ? GetActiveWindow()
                                                                                                  : nullptr;
    }
    std::printf("record_open_week_ms %.0f\nrecord_open_longest_wait_ms %.1f\n", since(before), longest);
    ASSERT_TRUE(record) << "the record's chart did not open";
    wchar_t title[MAX_PATH] = {};
    GetWindowTextW(record, title, MAX_PATH);
    EXPECT_EQ(std::wstring(title), L"korvane-watch-week.csv \u2014 Korvane");
    // 1 s apart in milliseconds since 1601, the whole file in view.
    EXPECT_EQ(ChartShownRange(record).from, static_cast<std::uint64_t>(start) * 1000);
    EXPECT_EQ(ChartShownRange(record).to, static_cast<std::uint64_t>(start + rows - 1) * 1000);
    EXPECT_NE(std::wstring(ChartAccessText(record)).find(L"26"), std::wstring::npos) << ChartAccessText(record);

    // Its keys move its own view alone.
    Keys({}, {VK_ADD});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_LT(ChartShownRange(record).to - ChartShownRange(record).from, static_cast<std::uint64_t>(rows - 1) * 1000);
    EXPECT_EQ(ChartShownRange(watchChart).from, watchView.from);
    EXPECT_EQ(ChartShownRange(watchChart).to, watchView.to);
    // Opened again: the same chart, in front.
    SetActiveWindow(watchChart);
    OpenRecordFile(path.c_str());
    EXPECT_EQ(GetActiveWindow(), record);
    Keys({}, {VK_ESCAPE});
    ASSERT_TRUE(RunLoopFor(100));
    EXPECT_FALSE(IsWindow(record));
    EXPECT_EQ(HeapBlockCount(MemoryHeap), blocks) << "the record's readings outlived its chart";
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

// A dump of 10,000 readings as the dump hands it on, its chart opened beside
// the watch's: its own window, the Chart button's choice while no watch
// runs, and its files written and named.
TEST_F(ChartWindow, ADumpsChartOpensBesideTheWatchsAndNamesItsFiles)
{
    FillStore(1000);
    OpenChartWindow();
    HWND watchChart = ChartWindowHandle();
    ASSERT_TRUE(watchChart);

    std::string text;
    for (int i = 1; i <= 10'000; ++i)
        text += std::to_string(10'000 + i).substr(1) + " +" + std::to_string(15 + i % 10) + ".5\r\n";
    text += "END\r\n";
    KeepDumpBegun();
    for (std::size_t at = 0; at < text.size(); at += 4096)
        KeepDumpPart(text.data() + at, static_cast<std::int32_t>(std::min<std::size_t>(4096, text.size() - at)));
    KeepDumpEnded(DumpEnd::Whole);
    EXPECT_EQ(LastDump().summary.withoutNumber, 1u);
    EXPECT_EQ(LastDump().readings.count, 10'000);

    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    OpenChartOfNewest();
    QueryPerformanceCounter(&after);
    std::printf("dump_chart_open_10000_ms %.2f\n", 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                                                         static_cast<double>(frequency.QuadPart));
    HWND dumpChart = DumpChartWindowHandle();
    ASSERT_TRUE(dumpChart) << "the dump is newer than the watch's readings";
    EXPECT_NE(dumpChart, watchChart);
    EXPECT_TRUE(IsWindow(watchChart));
    EXPECT_EQ(GetActiveWindow(), dumpChart);
    EXPECT_EQ(GetWindow(dumpChart, GW_OWNER), WindowHandle(MainWindow));
    wchar_t title[128] = {};
    GetWindowTextW(dumpChart, title, 128);
    EXPECT_EQ(std::wstring(title).rfind(L"\u0412\u044b\u0433\u0440\u0443\u0437\u043a\u0430 ", 0), 0u) << title;

    // Its writer tells the names of the files it wrote.
    ASSERT_TRUE(WatchFileWaitEnded(10'000));
    HandleDumpFileNews();
    const KeptDump& dump = LastDump();
    EXPECT_FALSE(dump.textFailed || dump.tableFailed);
    EXPECT_TRUE(DeleteFileW(dump.text)) << dump.text;
    EXPECT_TRUE(DeleteFileW(dump.table)) << dump.table;

    // Esc closes the one in front only.
    Keys({}, {VK_ESCAPE});
    ASSERT_TRUE(RunLoopFor(300));
    EXPECT_FALSE(DumpChartWindowHandle());
    EXPECT_TRUE(IsWindow(watchChart));
}

} // namespace
