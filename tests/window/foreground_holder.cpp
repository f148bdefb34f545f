// A second program for the requester tests: it shows a window and takes the
// foreground, so that the program under test is not in front. It ends on
// WM_CLOSE, or by itself after a minute so that a failed test leaves nothing
// behind.
#include <windows.h>

namespace {

LRESULT CALLBACK HolderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE || message == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = HolderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KorvaneForegroundHolder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Korvane foreground holder",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 600, 200, 100, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    SetForegroundWindow(window);
    SetTimer(window, 1, 60000, nullptr);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}
