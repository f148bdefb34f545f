// The hand of `make demo` on a display nobody watches: it waits for the
// Korvane window and its first readings, presses Read once, dumps the
// logger's memory and charts it, runs a watch with its chart open, and later
// closes the window.
//   korvane_demo_pilot read    prints the window's frame as WxH+X+Y once the
//                              reading is in the log
//   korvane_demo_pilot dump    presses Dump, opens the dump's chart once it
//                              has ended, zooms it with the wheel, picks a
//                              reading and prints the frame around both
//                              windows
//   korvane_demo_pilot watch   closes a chart that is open, starts a watch at
//                              one reading a second, opens its chart after a
//                              few readings and prints the frame around both
//                              windows
//   korvane_demo_pilot close   asks the window to close
#include "app/client/client_gadgets.h"
#include "tests/e2e/client_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

HWND FindClientWindow()
{
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindWindowA("WindowClass_0", "Korvane");
            return window && GadgetWindow(window, LastGadget);
        },
        LongWait);
    return window && GadgetWindow(window, LastGadget) ? window : nullptr;
}

void PrintFrame(const RECT& frame)
{
    std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left, frame.top);
    std::fflush(stdout);
}

int PressRead(HWND window)
{
    // The start-up queries are done once the reading field shows something
    // and the program is back in its loop.
    if (!WaitUntil([&] { return !Text(GadgetWindow(window, ReadingField)).empty(); }, LongWait) ||
        !WaitUntilIdle(window)) {
        std::fputs("demo_pilot: the start-up queries did not finish\n", stderr);
        return 1;
    }
    if (!PostClick(GadgetWindow(window, ReadButton)) ||
        !WaitUntil([&] { return !Text(GadgetWindow(window, LogEditor)).empty(); }, LongWait) || !WaitUntilIdle(window)) {
        std::fputs("demo_pilot: Read did not reach the log\n", stderr);
        return 1;
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    PrintFrame(frame);
    return 0;
}

// The frame around the main window and a chart.
void PrintBoth(HWND window, HWND chart)
{
    RECT main{}, drawn{}, both{};
    GetWindowRect(window, &main);
    GetWindowRect(chart, &drawn);
    UnionRect(&both, &main, &drawn);
    PrintFrame(both);
}

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// Two notches of the wheel at two thirds across the chart, then a double
// click on its plot a little left of there: the view zoomed around the
// pointer, with the reading picked there.
void ZoomAndPick(HWND chart)
{
    RECT client{};
    GetClientRect(chart, &client);
    POINT at{client.right * 2 / 3, client.bottom * 2 / 3};
    POINT screen = at;
    ClientToScreen(chart, &screen);
    for (int notch = 0; notch < 2; ++notch)
        PostMessageW(chart, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    PostMessageW(chart, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x - client.right / 10, at.y));
}

int DumpWithChart(HWND window)
{
    HWND chart = nullptr;
    HWND button = GadgetWindow(window, DumpButton);
    if (!PostClick(button) || !WaitUntil([&] { return Text(button) == "Stop"; }, LongWait) ||
        !WaitUntil([&] { return Text(button) == "Dump" && IsWindowEnabled(GadgetWindow(window, ReadButton)); },
                   3 * LongWait) ||
        !WaitUntilIdle(window)) {
        std::fputs("demo_pilot: the dump did not end\n", stderr);
        return 1;
    }
    if (!PostClick(GadgetWindow(window, ChartButton)) ||
        !WaitUntil([&] { return (chart = ShownWindow(ProcessOf(window), nullptr, window)) != nullptr; }, LongWait)) {
        std::fputs("demo_pilot: the dump's chart did not open\n", stderr);
        return 1;
    }
    ZoomAndPick(chart);
    Sleep(1000);
    PrintBoth(window, chart);
    return 0;
}

int WatchWithChart(HWND window)
{
    const DWORD process = ProcessOf(window);
    HWND chart = ShownWindow(process, nullptr, window);
    if (chart && (!PostMessageW(chart, WM_CLOSE, 0, 0) || !WaitUntil([&] { return !IsWindow(chart); }, LongWait))) {
        std::fputs("demo_pilot: the dump's chart did not close\n", stderr);
        return 1;
    }
    if (!SelectListEntry(window, GadgetWindow(window, WatchIntervalList), 0) ||
        !PostClick(GadgetWindow(window, WatchButton))) {
        std::fputs("demo_pilot: the watch did not start\n", stderr);
        return 1;
    }
    Sleep(5000);
    if (!WaitUntilIdle(window) || !PostClick(GadgetWindow(window, ChartButton)) ||
        !WaitUntil([&] { return (chart = ShownWindow(process, nullptr, window)) != nullptr; }, LongWait)) {
        std::fputs("demo_pilot: the chart did not open\n", stderr);
        return 1;
    }
    Sleep(3000);
    PrintBoth(window, chart);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const char* const steps[] = {"read", "dump", "watch", "close"};
    if (argc != 2 || std::none_of(std::begin(steps), std::end(steps),
                                  [&](const char* step) { return std::strcmp(argv[1], step) == 0; })) {
        std::fputs("usage: korvane_demo_pilot read|dump|watch|close\n", stderr);
        return 2;
    }
    // The window's frame as the screen has it, whatever the display's scale.
    SetProcessDPIAware();
    HWND window = FindClientWindow();
    if (!window) {
        std::fputs("demo_pilot: no Korvane window\n", stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "close") == 0)
        return PostClose(window) ? 0 : 1;
    if (std::strcmp(argv[1], "dump") == 0)
        return DumpWithChart(window);
    if (std::strcmp(argv[1], "watch") == 0)
        return WatchWithChart(window);
    return PressRead(window);
}
