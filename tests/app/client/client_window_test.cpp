// The client's window built inside the test process, where fonts and the
// program's own state can be looked at directly: which font each gadget
// shows, what port selection leaves behind, and how events are dispatched.
#include "tests/app/client/client_window_start.h"
#include "app/client/client_effects.h"
#include "app/client/dump_driving.h"
#include "app/client/dump_keeping.h"
#include "app/logger/logger_effects.h"
#include "app/client/event_dispatch.h"
#include "app/client/file_report.h"
#include "app/client/log_document.h"
#include "app/client/main_menu.h"
#include "app/logger/logger_state.h"
#include "app/client/main_window.h"
#include "app/client/port_list.h"
#include "app/client/port_notices.h"
#include "app/client/port_opening.h"
#include "app/client/port_selection.h"
#include "app/client/power_watch.h"
#include "app/client/watch_driving.h"
#include "app/client/watch_file.h"
#include "app/client/watch_resume.h"
#include "app/logger/start_arguments.h"
#include "tests/support/record_rows.h"

#include "gadget/gadget.h"
#include "tests/support/simulated_logger.h"
#include "window/event.h"
#include "gadget/runtime.h"
#include "window/dpi.h"
#include "window/window.h"

#include "base/heap.h"
#include "base/strings.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstddef>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class ClientWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartClientWindow();
        InstallClientEffects();
        InstallPortNotices();
        InstallPowerWatch();
        FillPortList();
        InstallWatch();
    }

    void TearDown() override { PortOpener = UsualOpener; }

    static inline PortHandle (*const UsualOpener)(const char*) = PortOpener;

    // The loop's part: every event the messages waiting now raise; a close
    // ends the program as the loop does.
    static void HandleWaitingEvents()
    {
        for (std::int32_t code; (code = EventWaitTimeout(0)) != 0;)
            if (!HandleEvent(code, EventObject(), EventKind()))
                EndProgram();
    }

    // The loop until no open is under way, or for ten seconds.
    static void AwaitOpens()
    {
        for (const ULONGLONG end = GetTickCount64() + 10000; PortOpenUnderWay() && GetTickCount64() < end;) {
            HandleWaitingEvents();
            Sleep(5);
        }
        HandleWaitingEvents();
    }

    // Picks an entry (COM3 is 2) as the user does and waits for its open.
    static void Pick(int entry)
    {
        SendMessageA(GadgetHandle(PortList), CB_SETCURSEL, entry, 0);
        OpenSelectedPort();
    }
    static void OpenCom3()
    {
        Pick(2);
        AwaitOpens();
    }

    static void CloseCurrentPort()
    {
        PortClose(CurrentPort);
        CurrentPort = 0;
    }

    static HFONT FontOf(ObjectNumber number)
    {
        return reinterpret_cast<HFONT>(SendMessageA(GadgetHandle(number), WM_GETFONT, 0, 0));
    }

    static LOGFONTA Described(HFONT font)
    {
        LOGFONTA described{};
        GetObjectA(font, sizeof described, &described);
        return described;
    }

    static std::string WindowText(ObjectNumber number)
    {
        char text[256] = {};
        GetWindowTextA(GadgetHandle(number), text, sizeof text);
        return text;
    }
};

// The text of each requester a timer finds open, which it then closes.
extern std::wstring RequesterSeen;
void CALLBACK ReadRequester(HWND, UINT, UINT_PTR, DWORD);

// The log's menu as it stands open, read from inside its own modal loop by a
// timer, which then closes it.
struct MenuItemSeen {
    std::wstring text;
    bool greyed;
    bool operator==(const MenuItemSeen&) const = default;
};

void PrintTo(const MenuItemSeen& item, std::ostream* out)
{
    *out << ::testing::PrintToString(item.text) << (item.greyed ? " greyed" : "");
}
std::vector<MenuItemSeen> OpenMenuItems;

struct ClassSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK FindVisibleOfClass(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<ClassSearch*>(parameter);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (!IsWindowVisible(window) || lstrcmpA(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// A visible window of the system's class (the open menu's "#32768", a
// message box's "#32770") that this thread owns, or null.
HWND ThreadWindowOfClass(const char* className)
{
    ClassSearch search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND window = ThreadWindowOfClass("#32768");
    auto menu = reinterpret_cast<HMENU>(window ? SendMessageW(window, MN_GETHMENU, 0, 0) : 0);
    if (!menu)
        return;
    KillTimer(nullptr, timer);
    for (int item = 0; item < GetMenuItemCount(menu); ++item) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(item), text, 64, MF_BYPOSITION);
        // A separator reads as greyed on some systems; only items count.
        const UINT state = GetMenuState(menu, static_cast<UINT>(item), MF_BYPOSITION);
        OpenMenuItems.push_back({text, !(state & MF_SEPARATOR) && (state & MF_GRAYED)});
    }
    EndMenu();
}

std::vector<MenuItemSeen> LogMenuItems(HWND log)
{
    OpenMenuItems.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadOpenMenu);
    SendMessageA(log, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log), -1);
    KillTimer(nullptr, timer);
    return OpenMenuItems;
}

int PixelsForPoints(int points)
{
    HDC screen = GetDC(nullptr);
    const int pixels = MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(ClientWindow, EachFieldShowsItsFontAndTheButtonsTheDefault)
{
    ASSERT_NE(LargeFont, 0);
    ASSERT_NE(MediumFont, 0);
    ASSERT_NE(SmallBoldFont, 0);
    struct Expected {
        ObjectNumber gadget;
        std::intptr_t font;
        const char* face;
        int points;
        bool bold;
    };
    const Expected fonts[] = {
        {ReadingField, LargeFont, "Arial Black", 22, true},
        {MemoryField, MediumFont, "Arial ", 15, false},
        {IntervalField, MediumFont, "Arial ", 15, false},
    };
    for (const Expected& expected : fonts) {
        SCOPED_TRACE("gadget " + std::to_string(expected.gadget));
        EXPECT_EQ(FontOf(expected.gadget), reinterpret_cast<HFONT>(expected.font));
        const LOGFONTA described = Described(reinterpret_cast<HFONT>(expected.font));
        EXPECT_STREQ(described.lfFaceName, expected.face);
        EXPECT_EQ(described.lfHeight, -PixelsForPoints(expected.points));
        EXPECT_EQ(described.lfWeight >= FW_BOLD, expected.bold);
    }
    // The rich edit control keeps no font handle: the font became its
    // default character format.
    CHARFORMAT2A format{};
    format.cbSize = sizeof format;
    SendMessageA(GadgetHandle(LogEditor), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(std::string(format.szFaceName).substr(0, 5), "Arial");
    EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    EXPECT_EQ(format.yHeight, 12 * 20); // twips
    // Every other control of the layout, one added later included, keeps the
    // font every new gadget gets.
    for (const GadgetLayout& other : ClientGadgetLayout) {
        const bool ownFont = other.number == LogEditor ||
                             std::ranges::find(fonts, other.number, &Expected::gadget) != std::ranges::end(fonts);
        if (!ownFont) {
            EXPECT_EQ(FontOf(other.number), GadgetList->defaultFont) << "gadget " << other.number;
        }
    }
}

// What Windows sends when the window is dragged onto a monitor of another
// scale, or the scale changes; Wine, whose monitors share one DPI, never does.
TEST_F(ClientWindow, ADpiChangeRemakesTheFontsAndLaysTheWindowOutAgain)
{
    HWND window = WindowHandle(MainWindow);
    const auto oldLarge = reinterpret_cast<HFONT>(LargeFont);
    RECT frame{};
    GetWindowRect(window, &frame);
    // Asked first, so that the suggestion has the size the window takes.
    SIZE announced{};
    EXPECT_TRUE(SendMessageA(window, WindowMessageGetDpiScaledSize, 144, reinterpret_cast<LPARAM>(&announced)));
    EXPECT_GT(announced.cx, 833); // the scaled client area in a frame
    EXPECT_GT(announced.cy, 420);
    // The suggestion scales the frame too: only its corner is taken. This
    // process's frame stays at 96 dpi, and the client area still comes out
    // exactly as scaled.
    RECT suggested{frame.left + 8, frame.top + 6, frame.left + 900, frame.top + 500};
    SendMessageA(window, WindowMessageDpiChanged, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

    RECT client{}, step{};
    GetClientRect(window, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(833L, 420L));
    GetWindowRect(window, &frame);
    EXPECT_EQ(std::pair(frame.left, frame.top), std::pair(suggested.left, suggested.top));
    GetWindowRect(GadgetHandle(StepButton), &step);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&step), 2);
    // 157.5 rounds up.
    EXPECT_EQ(std::tuple(step.left, step.top, step.right, step.bottom), std::tuple(435L, 158L, 465L, 188L));
    // Points become pixels once, at the new DPI; the old fonts are gone.
    EXPECT_EQ(GetObjectType(oldLarge), 0u);
    EXPECT_EQ(FontOf(ReadingField), reinterpret_cast<HFONT>(LargeFont));
    EXPECT_EQ(Described(reinterpret_cast<HFONT>(LargeFont)).lfHeight, -44);
    const LOGFONTA stock = Described(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    const HFONT buttonFont = FontOf(ReadButton);
    EXPECT_EQ(Described(buttonFont).lfHeight, MulDiv(stock.lfHeight, 144, SystemDpi()));
    EXPECT_STREQ(Described(buttonFont).lfFaceName, stock.lfFaceName);
    ICONINFO icon{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0)), &icon));
    BITMAP picture{};
    GetObjectA(icon.hbmColor, sizeof picture, &picture);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    EXPECT_EQ(picture.bmWidth, MulDiv(GetSystemMetrics(SM_CXSMICON), 144, SystemDpi()));

    // And back: today's layout and fonts, the stock font's copy freed.
    SendMessageA(window, WindowMessageDpiChanged, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&frame));
    GetClientRect(window, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(555L, 280L));
    EXPECT_EQ(FontOf(ReadButton), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(GetObjectType(buttonFont), 0u);
    EXPECT_EQ(Described(reinterpret_cast<HFONT>(LargeFont)).lfHeight, -PixelsForPoints(22));
}

TEST_F(ClientWindow, OpeningTheSelectedPortKeepsItsNameAndSettings)
{
    SimulatedLogger logger("COM3", "reply T \"+1.0\"\n");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    SendMessageA(GadgetHandle(PortList), CB_SETCURSEL, 2, 0);
    OpenSelectedPort();
    EXPECT_STREQ(PortName, "COM3");
    EXPECT_STREQ(PortSettings, "COM3:9600,N,8,1");
    ASSERT_NE(CurrentPort, 0u);

    // Reopening the same entry closes the first handle before the second
    // open, so exactly one port stays open.
    const PortHandle first = CurrentPort;
    OpenSelectedPort();
    ASSERT_NE(CurrentPort, 0u);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(reinterpret_cast<HANDLE>(first), &flags) && first != CurrentPort)
        << "the first handle is still open";
    PortClose(CurrentPort);
    CurrentPort = 0;
}

// What Windows sends every top-level window when a port of the Ports class
// comes or goes, the name ANSI or wide as the window is; Wine sends nothing
// for its ports.
void SendPortNotice(WPARAM change, const std::string& name, bool wide)
{
    DWORD block[16] = {};
    auto* header = reinterpret_cast<DEV_BROADCAST_HDR*>(block);
    char* text = reinterpret_cast<char*>(block) + offsetof(DEV_BROADCAST_PORT_A, dbcp_name);
    const std::size_t width = wide ? 2 : 1;
    for (std::size_t i = 0; i < name.size(); ++i)
        text[i * width] = name[i];
    header->dbch_size = static_cast<DWORD>(offsetof(DEV_BROADCAST_PORT_A, dbcp_name) + (name.size() + 1) * width);
    header->dbch_devicetype = DBT_DEVTYP_PORT;
    SendMessageA(WindowHandle(MainWindow), WM_DEVICECHANGE, change, reinterpret_cast<LPARAM>(header));
}

bool HandleIsOpen(PortHandle port)
{
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(port), &flags) != 0;
}

TEST_F(ClientWindow, ARemovalNoticeClosesThePortAtOnceAndItsArrivalOpensItAgain)
{
    SimulatedLogger logger("COM3", "");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    OpenCom3();
    const PortHandle first = CurrentPort;
    ASSERT_NE(first, 0u);

    SendPortNotice(DBT_DEVICEREMOVECOMPLETE, "COM5", false);
    HandleWaitingEvents();
    EXPECT_EQ(CurrentPort, first) << "another port's removal closed this one";

    SendPortNotice(DBT_DEVICEREMOVECOMPLETE, "com3", false);
    HandleWaitingEvents();
    EXPECT_EQ(CurrentPort, 0u);
    EXPECT_FALSE(HandleIsOpen(first));
    EXPECT_TRUE(PortRemoved);

    SendPortNotice(DBT_DEVICEARRIVAL, "COM3", true);
    HandleWaitingEvents();
    EXPECT_NE(CurrentPort, 0u);
    EXPECT_FALSE(PortRemoved);
    CloseCurrentPort();
}

// A device that re-enumerates: its opens fail until the time given.
ULONGLONG PortBackAt = 0;
PortHandle OpenOnceBack(const char* settings)
{
    return GetTickCount64() >= PortBackAt ? PortOpen(settings, HandshakeNone, PortQueueSize, PortQueueSize) : 0;
}

TEST_F(ClientWindow, APortGoneUnderACommandIsTriedForAboutASecond)
{
    SimulatedLogger logger("COM3", "");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    OpenCom3();
    PortOpener = OpenOnceBack;
    ULONGLONG start = GetTickCount64();
    PortBackAt = start + 400;
    EXPECT_TRUE(AwaitPortAgain());
    EXPECT_GE(GetTickCount64() - start, 400u);
    EXPECT_NE(CurrentPort, 0u);

    start = GetTickCount64();
    PortBackAt = ~ULONGLONG{0};
    EXPECT_FALSE(AwaitPortAgain());
    EXPECT_GE(GetTickCount64() - start, 800u);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(CurrentPort, 0u);
}

// The open of a Bluetooth port whose device is slow to connect, or off.
DWORD OpenTakes = 0;
PortHandle SlowOpen(const char* settings)
{
    Sleep(OpenTakes);
    return PortOpen(settings, HandshakeNone, PortQueueSize, PortQueueSize);
}

// The longest the window went without answering, as another program sees it:
// an empty message sent from a thread of its own every 20 ms.
struct AnswerTimes {
    HWND window;
    volatile LONG stop;
    ULONGLONG longest;
};
DWORD WINAPI TimeAnswers(void* parameter)
{
    auto* times = static_cast<AnswerTimes*>(parameter);
    while (!InterlockedCompareExchange(&times->stop, 0, 0)) {
        const ULONGLONG sent = GetTickCount64();
        DWORD_PTR result = 0;
        // Bounded: the window's thread stops answering once the test waits for this one.
        SendMessageTimeoutA(times->window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result);
        times->longest = std::max(times->longest, GetTickCount64() - sent);
        Sleep(20);
    }
    return 0;
}

TEST_F(ClientWindow, ABlockedOpenLeavesTheWindowAnsweringAndACloseEndsTheProgramAtOnce)
{
    // First, in a process of its own: a close while the device is off.
    OpenTakes = 60000;
    const ULONGLONG closing = GetTickCount64();
    EXPECT_EXIT(
        {
            PortOpener = SlowOpen;
            PostMessageA(WindowHandle(MainWindow), WM_CLOSE, 0, 0);
            OpenCom3();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_LT(GetTickCount64() - closing, 30000u);

    SimulatedLogger logger("COM3", "");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    OpenTakes = 3000;
    PortOpener = SlowOpen;
    AnswerTimes times{WindowHandle(MainWindow), 0, 0};
    HANDLE watch = CreateThread(nullptr, 0, TimeAnswers, &times, 0, nullptr);
    ULONGLONG start = GetTickCount64();
    OpenCom3();
    EXPECT_GE(GetTickCount64() - start, 3000u);
    EXPECT_NE(CurrentPort, 0u);

    // A quiet look for the port gone away turns nothing off.
    CloseCurrentPort();
    PortLost = true;
    start = GetTickCount64();
    LookForLostPort();
    EXPECT_TRUE(PortOpenUnderWay());
    for (ObjectNumber command : {ReadButton, WatchButton, DumpButton})
        EXPECT_TRUE(IsWindowEnabled(GadgetHandle(command))) << command;
    AwaitOpens();
    // Taken before the thread stops answering for good.
    const ULONGLONG longest = times.longest;
    EXPECT_GE(GetTickCount64() - start, 3000u);
    InterlockedExchange(&times.stop, 1);
    WaitForSingleObject(watch, INFINITE);
    CloseHandle(watch);
    // An open that blocked the window would take its 3 s; a loaded machine's
    // scheduling is the margin.
    EXPECT_LT(longest, 500u);
    EXPECT_NE(CurrentPort, 0u);
    EXPECT_FALSE(PortLost);
    CloseCurrentPort();
}

int OpensOfCom3 = 0;
PortHandle CountedSlowOpen(const char* settings)
{
    if (std::string(settings).rfind("COM3", 0) == 0)
        ++OpensOfCom3;
    return SlowOpen(settings);
}

// A port is opened whenever it can be: a pick that failed stays wanted and
// its arrival opens it, also an arrival that comes while an open of it is
// under way and then fails; a pick during a blocked open, and the same port
// again, take that open up instead of failing against it; a resume from
// sleep opens it anew, as its handle may be dead.
TEST_F(ClientWindow, APortIsOpenedWheneverItCanBe)
{
    RequesterSeen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadRequester);
    OpenCom3();
    EXPECT_EQ(CurrentPort, 0u);
    EXPECT_NE(RequesterSeen.find(L"COM3"), std::wstring::npos) << "the failed pick was not said";
    SimulatedLogger logger("COM3", "");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    SendPortNotice(DBT_DEVICEARRIVAL, "\\\\.\\COM3", false);
    AwaitOpens();
    EXPECT_NE(CurrentPort, 0u);

    OpenTakes = 300;
    OpensOfCom3 = 0;
    PortOpener = [](const char* settings) {
        PortClose(SlowOpen(settings)); // the device was not ready yet
        PortOpener = CountedSlowOpen;
        return PortHandle{0};
    };
    Pick(2);
    SendPortNotice(DBT_DEVICEARRIVAL, "COM3", true);
    AwaitOpens();
    EXPECT_NE(CurrentPort, 0u) << "the arrival during the open was lost";

    Pick(2);
    Pick(3); // COM4, given up at once
    Pick(2);
    AwaitOpens();
    EXPECT_NE(CurrentPort, 0u);
    EXPECT_EQ(OpensOfCom3, 2) << "a second open of COM3 went against the first";

    // As Windows tells it; Wine sends nothing.
    SendMessageA(WindowHandle(MainWindow), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    HandleWaitingEvents();
    AwaitOpens();
    KillTimer(nullptr, timer);
    EXPECT_NE(CurrentPort, 0u);
    EXPECT_EQ(OpensOfCom3, 3);
    CloseCurrentPort();
}

// The window shows what is left running, whatever ended first: a drain that
// ends inside an open of the port leaves the controls to the open, and they
// all come back once it is over; a Watch click taken meanwhile shows no watch.
TEST_F(ClientWindow, ControlsComeBackWhateverOrderTheirWorkEndsIn)
{
    SimulatedLogger logger("COM3", "chunk 0 \"abc\"\nchunk 5000 \"\\0\"\n");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    OpenCom3();
    const auto usable = [] {
        std::vector<ObjectNumber> on;
        for (const GadgetLayout& gadget : ClientGadgetLayout)
            if (gadget.number != DumpProgress && IsWindowEnabled(GadgetHandle(gadget.number)))
                on.push_back(gadget.number);
        return on;
    };
    const std::vector<ObjectNumber> all = usable();
    ASSERT_EQ(all.size(), ClientGadgetLayout.size() - 1);

    const auto chartGreyed = [] {
        return (GetMenuState(GetMenu(WindowHandle(MainWindow)), MainMenuFirstCommand + 1, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    HandleEvent(EV_GADGET, DumpButton, BN_CLICKED);
    EXPECT_EQ(usable(), std::vector<ObjectNumber>{DumpButton});
    EXPECT_EQ(WindowText(DumpButton), "Stop");
    EXPECT_TRUE(chartGreyed()) << "the menu's Chart during a dump";
    HandleEvent(EV_GADGET, DumpButton, BN_CLICKED);
    EXPECT_EQ(usable(), std::vector<ObjectNumber>{PortList}) << "the stopped dump drains";
    OpenTakes = 300;
    PortOpener = SlowOpen;
    Pick(2);
    EndDumpNow();
    // A click the button took for itself while no command could run.
    SendMessageW(GadgetHandle(WatchButton), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(usable(), std::vector<ObjectNumber>{PortList}) << "the pick is under way";
    AwaitOpens();
    EXPECT_EQ(usable(), all);
    EXPECT_FALSE(chartGreyed());
    EXPECT_EQ(WindowText(DumpButton), "Dump");
    EXPECT_EQ(SendMessageW(GadgetHandle(WatchButton), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    CloseCurrentPort();
}

// A line another feature adds while a dump's entry grows never lands inside
// it: it stands above the entry, which grows on whole below it.
TEST_F(ClientWindow, ALineAddedDuringADumpStandsAboveItsWholeEntry)
{
    GadgetClearItems(LogEditor);
    BeginLogEntry("001 +21.5\r\n00");
    AddToLog("watch line");
    ExtendLogEntry("2 +21.7");
    EndLogEntry();
    AddToLog("newest");
    EXPECT_EQ(WindowText(LogEditor), "newest\r\nwatch line\r\n001 +21.5\r\n002 +21.7\r\n");
}

TEST_F(ClientWindow, OnlyCloseEndsTheLoop)
{
    const std::int32_t codes[] = {EV_MOVE, EV_SIZE, EV_REPAINT, EV_ACTIVATE, EV_MINIMIZE, EV_RESTORE, 513};
    for (std::int32_t code : codes)
        EXPECT_TRUE(HandleEvent(code, MainWindow, -1)) << "code " << code;
    EXPECT_FALSE(HandleEvent(EV_CLOSE, MainWindow, -1));
}

TEST_F(ClientWindow, ClearEmptiesTheLogAndOtherListNotificationsLeaveThePortAlone)
{
    GadgetInsertItem(LogEditor, 0, "older");
    GadgetInsertItem(LogEditor, 0, "newer");
    ASSERT_NE(WindowText(LogEditor), "");
    EXPECT_TRUE(HandleEvent(EV_GADGET, ClearButton, 0));
    EXPECT_EQ(WindowText(LogEditor), "");

    // With no port open, a selection change would try to open one and say so
    // in a requester; any other notification of the list does nothing.
    CurrentPort = 0;
    for (std::int32_t kind : {CBN_SETFOCUS, CBN_KILLFOCUS, CBN_DROPDOWN, CBN_CLOSEUP, CBN_SELENDOK})
        EXPECT_TRUE(HandleEvent(EV_GADGET, PortList, kind));
    EXPECT_EQ(CurrentPort, 0u);
    // Gadgets without an action, and numbers that name no gadget.
    for (ObjectNumber gadget : {ReadingField, MemoryField, IntervalField, LogEditor, DumpProgress, ObjectNumber{7},
                                ObjectNumber{13}, ObjectNumber{99}})
        EXPECT_TRUE(HandleEvent(EV_GADGET, gadget, 0));
    EXPECT_EQ(CurrentPort, 0u);
}

const std::wstring DumpChartItem = L"\u0413\u0440\u0430\u0444\u0438\u043a \u043f\u043e\u0441\u043b\u0435\u0434\u043d\u0435\u0439 "
                                   L"&\u0432\u044b\u0433\u0440\u0443\u0437\u043a\u0438";

TEST_F(ClientWindow, TheLogsMenuReadsInRussianAndOffersCopyOnlyForASelection)
{
    // Installed twice, the log's handler must not become its own previous
    // one: every message would then call it again without end.
    InstallLogDocument();
    InstallLogDocument();
    HWND log = GadgetHandle(LogEditor);
    GadgetInsertItem(LogEditor, 0, "+21.5");
    SendMessageA(log, EM_SETSEL, 0, 0);
    const std::vector<MenuItemSeen> expected = {
        {L"\u041a\u043e\u043f\u0438\u0440\u043e\u0432\u0430\u0442\u044c\tCtrl+C", true}, // Копировать
        {L"\u0412\u044b\u0434\u0435\u043b\u0438\u0442\u044c \u0432\u0441\u0451\tCtrl+A", false}, // Выделить всё
        {L"\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c \u0436\u0443\u0440\u043d\u0430\u043b "
         L"\u043a\u0430\u043a...\tCtrl+S", false}, // Сохранить журнал как...
        {L"", false},
        {L"\u041e\u0447\u0438\u0441\u0442\u0438\u0442\u044c \u0436\u0443\u0440\u043d\u0430\u043b", false}, // Очистить журнал
        {L"", false},
        // График последней выгрузки, greyed until a dump has ended
        {DumpChartItem, !LastDump().present},
    };
    EXPECT_EQ(LogMenuItems(log), expected);
    SendMessageA(log, EM_SETSEL, 0, -1);
    const std::vector<MenuItemSeen> items = LogMenuItems(log);
    ASSERT_EQ(items.size(), expected.size());
    EXPECT_FALSE(items[0].greyed);
    GadgetClearItems(LogEditor);
}

// The text of the message box open in this thread, read from inside its
// modal loop by a timer, which then closes it.
std::wstring RequesterSeen;
void CALLBACK ReadRequester(HWND, UINT, UINT_PTR, DWORD)
{
    HWND box = ThreadWindowOfClass("#32770");
    if (!box)
        return;
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    RequesterSeen = text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

std::string FileBytes(const wchar_t* path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

// A disk that writes, fails (a share gone at 3 a.m.) or stalls for 5 s, as
// the test says; called on the writer's thread.
enum DiskMood : LONG { DiskWrites, DiskFails, DiskStalls };
constexpr DWORD StallMilliseconds = 5000;
volatile LONG Mood = DiskWrites;
BOOL WINAPI MoodyWrite(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    const LONG mood = InterlockedCompareExchange(&Mood, 0, 0);
    if (mood == DiskFails) {
        *written = 0;
        SetLastError(ERROR_NETNAME_DELETED);
        return FALSE;
    }
    if (mood == DiskStalls)
        Sleep(StallMilliseconds);
    return WriteFile(file, bytes, size, written, overlapped);
}

std::wstring LogText()
{
    wchar_t text[16384] = {};
    GetWindowTextW(GadgetHandle(LogEditor), text, 16384);
    return text;
}

std::size_t Count(const std::wstring& text, const wchar_t* piece)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::wstring::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// The path a log line names after its Russian start, up to its line end.
std::wstring PathAfter(const std::wstring& log, const std::wstring& start)
{
    const std::size_t named = log.find(start);
    if (named == std::wstring::npos)
        return L"";
    const std::size_t from = named + start.size();
    return log.substr(from, log.find_first_of(L"\r\n", from) - from);
}

// The record's rows, in the user's list separator.
std::vector<RecordRow> RowsOf(const std::wstring& path)
{
    char separator[8] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator, sizeof separator);
    return RecordRows(FileBytes(path.c_str()), separator);
}

bool RunValueThere()
{
    wchar_t command[MAX_PATH + 100] = {};
    DWORD size = sizeof command;
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Korvane COM3",
                        RRF_RT_REG_SZ, nullptr, command, &size) == ERROR_SUCCESS &&
           std::wstring(command).find(L"\" COM3") != std::wstring::npos;
}

const std::wstring WatchEnded = L"\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                                L"\u043e\u043a\u043e\u043d\u0447\u0435\u043d\u043e, "
                                L"\u043f\u043e\u043a\u0430\u0437\u0430\u043d\u0438\u0439: ";

// A week's night in a minute: the disk fails, then stalls, then comes back;
// the session ends, and the next start resumes the watch on its file.
TEST_F(ClientWindow, AWatchGoesOnThroughAFailingAndAStalledDiskAndTheSessionsEndIntoTheSameFile)
{
    // The loop until the condition holds, for at most `milliseconds`.
    auto PumpUntil = [](auto condition, ULONGLONG milliseconds) {
        for (const ULONGLONG end = GetTickCount64() + milliseconds; GetTickCount64() < end; Sleep(5)) {
            HandleWaitingEvents();
            if (condition())
                return true;
        }
        return false;
    };
    SimulatedLogger logger("COM3", "reply T \"+20.5\"\n");
    ASSERT_TRUE(logger.ready()) << logger.failure();
    WatchFileWriter = MoodyWrite;
    Mood = DiskWrites;
    RequesterSeen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadRequester);
    OpenCom3();
    SendMessageW(GadgetHandle(WatchIntervalList), CB_SETCURSEL, 0, 0);
    EXPECT_TRUE(HandleEvent(EV_GADGET, WatchIntervalList, CBN_SELCHANGE));
    EXPECT_TRUE(HandleEvent(EV_GADGET, WatchButton, BN_CLICKED));
    const std::wstring started = L"\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                                 L"\u043d\u0430\u0447\u0430\u0442\u043e, \u0444\u0430\u0439\u043b: ";
    ASSERT_TRUE(PumpUntil([&] { return !PathAfter(LogText(), started).empty(); }, 10000));
    const std::wstring path = PathAfter(LogText(), started);
    ASSERT_NE(path.find(L"korvane-watch-"), std::wstring::npos) << LogText();
    ASSERT_TRUE(PumpUntil([&] { return RowsOf(path).size() >= 2; }, 10000));
    EXPECT_TRUE(RunValueThere()) << "no start at the next log-on";

    // The share goes: the watch goes on, and the log says so once, why too.
    InterlockedExchange(&Mood, DiskFails);
    PumpUntil([] { return false; }, 2500);
    EXPECT_TRUE(WatchRunning());
    const std::wstring behind = L"\u0424\u0430\u0439\u043b \u043d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u044f "
                                L"\u043e\u0442\u0441\u0442\u0430\u0451\u0442"; // Файл наблюдения отстаёт
    EXPECT_EQ(Count(LogText(), behind.c_str()), 1u) << LogText();
    wchar_t reason[256] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_NETNAME_DELETED, 0, reason,
                   256, nullptr);
    EXPECT_NE(LogText().find(std::wstring(reason).substr(0, 10)), std::wstring::npos) << "no reason given";

    // Each write takes 5 s: every event is still handled at once, and the
    // readings go on.
    InterlockedExchange(&Mood, DiskStalls);
    const std::int32_t readingsBefore = WatchKeptReadings().count;
    ULONGLONG longest = 0;
    for (const ULONGLONG end = GetTickCount64() + 6000; GetTickCount64() < end; Sleep(5)) {
        const ULONGLONG start = GetTickCount64();
        HandleWaitingEvents();
        longest = std::max(longest, GetTickCount64() - start);
    }
    // A write waited on would take its 5 s; a loaded machine's scheduling is the margin.
    EXPECT_LT(longest, 500u) << "the window waited on the disk";
    // As "name value" lines, which the benchmarks' report reads.
    std::printf("watch_stalled_write_ms %lu\nwatch_stalled_longest_wait_ms %llu\n", StallMilliseconds,
                static_cast<unsigned long long>(longest));
    EXPECT_GE(WatchKeptReadings().count, readingsBefore + 4);

    // Back: it catches up and says so.
    InterlockedExchange(&Mood, DiskWrites);
    const std::wstring caughtUp = L"\u0441\u043d\u043e\u0432\u0430 \u0437\u0430\u043f\u0438\u0441\u044b\u0432\u0430"
                                  L"\u0435\u0442\u0441\u044f"; // снова записывается
    EXPECT_TRUE(PumpUntil([&] { return LogText().find(caughtUp) != std::wstring::npos; }, 20000)) << LogText();

    // The session ends as the system ends it. (Wine's wineboot --end-session
    // sends the same, but then ends every process with a window, this test's
    // own; the end-to-end test ends the program as a power cut does.)
    HWND window = WindowHandle(MainWindow);
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(WatchRunning()) << "asked, the watch must go on until the session really ends";
    SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(WatchRunning());
    WatchResume resume{};
    ASSERT_TRUE(ReadWatchResume("COM3", resume)) << "the watch was not kept to resume";
    EXPECT_EQ(std::wstring(resume.file), path);
    EXPECT_EQ(resume.seconds, 1u);
    const std::size_t flushed = RowsOf(path).size();

    // The next start, two seconds on: the same file goes on, the slots the
    // program was not running as gap rows.
    Sleep(2200);
    StartArguments arguments{};
    std::strcpy(arguments.port, "COM3");
    EXPECT_TRUE(WatchStartsAtLaunch(arguments));
    StartWatchAtLaunch(arguments);
    const std::wstring resumed = L"\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435 "
                                 L"\u0432\u043e\u0437\u043e\u0431\u043d\u043e\u0432\u043b\u0435\u043d\u043e, "
                                 L"\u0444\u0430\u0439\u043b: ";
    EXPECT_TRUE(PumpUntil([&] { return PathAfter(LogText(), resumed) == path; }, 10000)) << LogText();
    EXPECT_TRUE(PumpUntil([&] { return RowsOf(path).size() >= flushed + 4; }, 10000));
    EXPECT_TRUE(HandleEvent(EV_GADGET, WatchButton, BN_CLICKED));
    EXPECT_TRUE(PumpUntil([] { return LogText().rfind(WatchEnded, 0) == 0; }, 10000)) << "no end line";
    KillTimer(nullptr, timer);
    EXPECT_TRUE(RequesterSeen.empty()) << "a requester: " << ::testing::PrintToString(RequesterSeen);

    // Every slot in the file once, the end line counting what reached it.
    const std::vector<RecordRow> rows = RowsOf(path);
    EXPECT_EQ(FirstBreakInGrid(rows), rows.size());
    std::size_t notRunning = 0;
    std::size_t readingsResumed = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        notRunning += rows[i].note == "\xd0\xbf\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd0\xbc\xd0\xb0 "
                                     "\xd0\xbd\xd0\xb5 \xd1\x80\xd0\xb0\xd0\xb1\xd0\xbe\xd1\x82\xd0\xb0\xd0\xbb\xd0\xb0"
                          ? 1
                          : 0;
        readingsResumed += i >= flushed && rows[i].number == "20.5" ? 1 : 0;
    }
    EXPECT_GE(notRunning, 2u) << "no gap rows for the time the program was not running";
    // "показаний: N, пропусков: G" of the resumed watch.
    const std::wstring gaps = L", \u043f\u0440\u043e\u043f\u0443\u0441\u043a\u043e\u0432: ";
    EXPECT_EQ(LogText().rfind(WatchEnded + std::to_wstring(readingsResumed) + gaps +
                                  std::to_wstring(rows.size() - flushed - readingsResumed),
                              0),
              0u)
        << ::testing::PrintToString(LogText().substr(0, 80));
    // Stopped by the user, it resumes no more.
    EXPECT_FALSE(ReadWatchResume("COM3", resume));
    EXPECT_FALSE(RunValueThere());
    WatchFileWriter = WriteFile;
    DeleteFileW(path.c_str());
    GadgetClearItems(LogEditor);
    CloseCurrentPort();
}

// A dump whose files cannot be written goes on: no requester while it
// collects, one after it that names the file and the system's reason, and
// no empty file is left behind.
TEST_F(ClientWindow, ADumpWhoseFileCannotBeWrittenIsToldOnceAfterIt)
{
    WatchFileWriter = MoodyWrite;
    InterlockedExchange(&Mood, DiskFails);
    RequesterSeen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadRequester);
    KeepDumpBegun();
    KeepDumpPart("0001 +20.5\r\n", 12);
    for (const ULONGLONG end = GetTickCount64() + 1500; GetTickCount64() < end; Sleep(20)) {
        HandleDumpFileNews();
        HandleWaitingEvents();
    }
    EXPECT_TRUE(RequesterSeen.empty()) << "a requester during the dump";
    KeepDumpPart("0002 +20.7\r\n", 12);
    KeepDumpEnded(DumpEnd::Whole);
    EXPECT_EQ(LastDump().summary.readings, 2u) << "the dump is whole all the same";
    ASSERT_TRUE(WatchFileWaitEnded(30'000));
    HandleDumpFileNews();
    KillTimer(nullptr, timer);
    wchar_t reason[256] = {};
    WideBuilder words(reason, std::size(reason));
    AppendSystemReason(words, ERROR_NETNAME_DELETED);
    EXPECT_NE(RequesterSeen.find(L"korvane-dump-"), std::wstring::npos) << ::testing::PrintToString(RequesterSeen);
    EXPECT_NE(RequesterSeen.find(reason), std::wstring::npos) << ::testing::PrintToString(RequesterSeen);
    EXPECT_TRUE(LastDump().textFailed);
    EXPECT_EQ(GetFileAttributesW(LastDump().text), INVALID_FILE_ATTRIBUTES) << "an empty file was left";
    WatchFileWriter = WriteFile;
    InterlockedExchange(&Mood, DiskWrites);
}

// The next EV_MENU among the events that come within a while, or 0.
std::int32_t NextMenuEvent()
{
    for (;;) {
        const std::int32_t code = EventWaitTimeout(200);
        if (code == 0 || code == EV_MENU)
            return code;
    }
}

TEST_F(ClientWindow, TheMenuBarReadsInRussianOutsideTheClientAreaAndAboutNamesTheVersion)
{
    HWND window = WindowHandle(MainWindow);
    HMENU bar = GetMenu(window);
    ASSERT_TRUE(bar);
    auto text = [](HMENU menu, int item) {
        wchar_t read[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(item), read, 64, MF_BYPOSITION);
        return std::wstring(read);
    };
    using Menu = std::pair<std::wstring, std::vector<std::wstring>>;
    std::vector<Menu> seen;
    for (int m = 0; m < GetMenuItemCount(bar); ++m) {
        Menu menu{text(bar, m), {}};
        HMENU popup = GetSubMenu(bar, m);
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i)
            menu.second.push_back(text(popup, i));
        seen.push_back(menu);
    }
    const std::vector<Menu> expected = {
        {L"&\u0424\u0430\u0439\u043b", // Файл: Сохранить журнал..., Открыть запись...
         {L"&\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c \u0436\u0443\u0440\u043d\u0430\u043b...\tCtrl+S",
          L"&\u041e\u0442\u043a\u0440\u044b\u0442\u044c \u0437\u0430\u043f\u0438\u0441\u044c..."}},
        // Наблюдение: График, График последней выгрузки, Пороги тревоги..., Публикация...
        {L"&\u041d\u0430\u0431\u043b\u044e\u0434\u0435\u043d\u0438\u0435",
         {L"&\u0413\u0440\u0430\u0444\u0438\u043a", DumpChartItem,
          L"\u041f\u043e\u0440\u043e\u0433\u0438 &\u0442\u0440\u0435\u0432\u043e\u0433\u0438...",
          L"\u041f\u0443&\u0431\u043b\u0438\u043a\u0430\u0446\u0438\u044f..."}},
        {L"&\u0421\u043f\u0440\u0430\u0432\u043a\u0430", {L"&\u041e \u043f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0435"}}, // Справка: О программе
    };
    EXPECT_EQ(seen, expected);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(555L, 280L));

    // A command that no item carries (IDCANCEL, as a dialog manager sends it)
    // is no choice of the menu's.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_EQ(NextMenuEvent(), 0);

    // "О программе" as the menu chooses it: one requester with the name and
    // version, the publisher and the licence.
    RequesterSeen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadRequester);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(AboutCommand, 0), 0);
    ASSERT_EQ(NextMenuEvent(), EV_MENU);
    EXPECT_EQ(EventObject(), AboutCommand);
    EXPECT_TRUE(HandleEvent(EV_MENU, EventObject(), EventKind()));
    KillTimer(nullptr, timer);
    EXPECT_EQ(RequesterSeen.rfind(L"Korvane, \u0432\u0435\u0440\u0441\u0438\u044f 1.", 0), 0u) << "no version"; // версия
    EXPECT_NE(RequesterSeen.find(L"The Korvane authors"), std::wstring::npos) << "no publisher";
    EXPECT_NE(RequesterSeen.find(L"MIT"), std::wstring::npos) << "no licence";
}

} // namespace
