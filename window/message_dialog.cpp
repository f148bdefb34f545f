#include "window/message_dialog.h"

#include "window/wide_text.h"
#include "window/window.h"

#include <cstddef>

ListBlock* DisabledWindowList = nullptr;

namespace {

// The window that owns every requester while it exists; -1 for none.
ObjectNumber RequesterOwner = -1;

bool OwnProcessWindow(HWND window)
{
    DWORD process = 0;
    return window && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

// The application's owner when it exists; otherwise the foreground window if
// it belongs to this process, and else no owner.
HWND BoxOwner()
{
    if (HWND owner = WindowHandle(RequesterOwner))
        return owner;
    HWND foreground = GetForegroundWindow();
    return OwnProcessWindow(foreground) ? foreground : nullptr;
}

// The owner is left to the box, which disables it itself.
BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM owner)
{
    const DWORD thread = GetCurrentThreadId();
    if (GetWindowThreadProcessId(window, nullptr) != thread || !IsWindowVisible(window) ||
        !IsWindowEnabled(window) || window == GetForegroundWindow() || window == reinterpret_cast<HWND>(owner))
        return TRUE;
    // Entered before it is disabled: a window that could not be entered
    // would stay disabled for good.
    auto* entry = static_cast<DisabledWindow*>(
        BlockListPush(&DisabledWindowList, BlockListLinkSize + sizeof(DisabledWindow)));
    if (!entry)
        return TRUE;
    entry->threadId = thread;
    entry->window = window;
    EnableWindow(window, FALSE);
    return TRUE;
}

void EnableThreadWindows()
{
    const DWORD thread = GetCurrentThreadId();
    for (ListBlock* block = DisabledWindowList; block;) {
        ListBlock* older = block->older;
        auto* entry = static_cast<DisabledWindow*>(BlockListRecord(block));
        if (entry->threadId == thread) {
            EnableWindow(entry->window, TRUE);
            BlockListRemove(&DisabledWindowList, entry);
        }
        block = older;
    }
}

// A box behind another program's window would go unseen: the owner's
// taskbar button flashes until the user brings the program to the front.
void FlashWhileBehind(HWND owner)
{
    if (!owner || OwnProcessWindow(GetForegroundWindow()))
        return;
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = owner;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}

int ShowBox(HWND owner, const char* title, const char* text, std::uint32_t flags)
{
    const WideText wideTitle(title);
    const WideText wideText(text);
    if (wideTitle.text() && wideText.text())
        return MessageBoxW(owner, wideText.text(), wideTitle.text(), flags);
    // Not even the conversion worked: the bytes as they are still tell the
    // user more than no box at all.
    return MessageBoxA(owner, text ? text : "", title ? title : "", flags);
}

// Runs the box with every other window of the thread disabled.
template <typename Show>
std::int32_t RunModal(Show show)
{
    HWND owner = BoxOwner();
    EnumWindows(DisableThreadWindow, reinterpret_cast<LPARAM>(owner));
    FlashWhileBehind(owner);
    const int result = show(owner);
    EnableThreadWindows();
    return result;
}

} // namespace

void MessageDialogSetOwner(ObjectNumber window) { RequesterOwner = window; }

std::int32_t MessageDialog(const char* title, const char* text, std::uint32_t flags)
{
    return RunModal([&](HWND owner) { return ShowBox(owner, title, text, flags); });
}

std::int32_t MessageDialogWide(const wchar_t* title, const wchar_t* text, std::uint32_t flags)
{
    return RunModal([&](HWND owner) { return MessageBoxW(owner, text ? text : L"", title ? title : L"", flags); });
}
