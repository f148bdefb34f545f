// The hand of `make demo` on a display nobody watches: it waits for the
// Korvane window and its first readings, presses Read once, and later closes
// the window.
//   korvane_demo_pilot read    prints the window's frame as WxH+X+Y once the
//                              reading is in the log
//   korvane_demo_pilot close   asks the window to close
#include "app/client/client_gadgets.h"
#include "tests/e2e/client_driver.h"

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
    std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left, frame.top);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || (std::strcmp(argv[1], "read") != 0 && std::strcmp(argv[1], "close") != 0)) {
        std::fputs("usage: korvane_demo_pilot read|close\n", stderr);
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
    return PressRead(window);
}
