// Waits until the session's desktop accepts windows: the first program of a
// fresh Wine session can race the desktop process's start-up, and a window
// created during that race fails, and the process stays cut off from the
// desktop. So each attempt is a process of its own: this one exits 0 when it
// could create a window, and the session script runs it until it does.
#include <windows.h>

int main()
{
    HWND window = CreateWindowExA(0, "STATIC", "ready", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        return 1;
    DestroyWindow(window);
    return 0;
}
