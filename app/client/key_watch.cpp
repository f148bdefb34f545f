#include "app/client/key_watch.h"

#include "app/client/dump_driving.h"
#include "app/client/log_document.h"
#include "app/client/main_window.h"

#include "window/event.h"

#include <windows.h>

#include <array>

namespace {

HHOOK KeyWatch = nullptr;

// An Esc, outside the system's own loops (they take Esc to end a move or
// close a menu). Alt+Esc switches windows: it is no Esc. Without a focused
// control a plain Esc arrives as a system key.
bool IsStopKey(const MSG& message)
{
    if (message.message == WM_SYSKEYDOWN && (HIWORD(message.lParam) & KF_ALTDOWN))
        return false;
    return (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) && message.wParam == VK_ESCAPE &&
           !GetCapture() && DumpTakesStopKey();
}

// Ctrl+S pressed first (not repeated), without Alt.
bool IsSaveKey(const MSG& message)
{
    constexpr LPARAM WasDown = 1 << 30;
    return message.message == WM_KEYDOWN && message.wParam == 'S' && !(message.lParam & WasDown) &&
           GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;
}

struct WatchedKey {
    bool (*pressed)(const MSG& message);
    ObjectNumber gadget; // whose event the key raises
    std::int32_t kind;
};

constexpr std::array<WatchedKey, 2> WatchedKeys{{
    {IsStopKey, DumpButton, DumpStopKey},
    {IsSaveKey, LogEditor, LogCommandSave},
}};

LRESULT CALLBACK WatchKeys(int code, WPARAM removal, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && (removal & PM_REMOVE) && IsInMainWindow(message->hwnd)) {
        for (const WatchedKey& key : WatchedKeys) {
            if (key.pressed(*message)) {
                message->message = WM_NULL;
                EventPost(EV_GADGET, key.gadget, MainWindow, key.kind);
                break;
            }
        }
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

} // namespace

void InstallKeyWatch()
{
    if (!KeyWatch)
        KeyWatch = SetWindowsHookExW(WH_GETMESSAGE, WatchKeys, nullptr, GetCurrentThreadId());
}
