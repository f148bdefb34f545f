// Waits until the session's desktop accepts windows: the first program of a
// fresh Wine session can race the desktop process's start-up, and a window
// created during that race fails. Exits 0 when a window could be created.
#include <windows.h>

int main()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        HWND window = CreateWindowExA(0, "STATIC", "ready", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        if (window) {
            DestroyWindow(window);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}
