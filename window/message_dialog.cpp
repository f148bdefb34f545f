#include "window/message_dialog.h"

#include "window/wide_text.h"

#include <cstddef>

ListBlock* DisabledWindowList = nullptr;

namespace {

BOOL CALLBACK DisableThreadWindow(HWND window, LPARAM)
{
    const DWORD thread = GetCurrentThreadId();
    if (GetWindowThreadProcessId(window, nullptr) != thread || !IsWindowVisible(window) ||
        !IsWindowEnabled(window) || window == GetForegroundWindow())
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

// The foreground window when it belongs to this process; the box then sits
// over it. Otherwise the box has no owner.
HWND BoxOwner()
{
    HWND foreground = GetForegroundWindow();
    if (!foreground)
        return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
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
    EnumWindows(DisableThreadWindow, 0);
    const int result = show(BoxOwner());
    EnableThreadWindows();
    return result;
}

} // namespace

std::int32_t MessageDialog(const char* title, const char* text, std::uint32_t flags)
{
    return RunModal([&](HWND owner) { return ShowBox(owner, title, text, flags); });
}

std::int32_t MessageDialogWide(const wchar_t* title, const wchar_t* text, std::uint32_t flags)
{
    return RunModal([&](HWND owner) { return MessageBoxW(owner, text ? text : L"", title ? title : L"", flags); });
}
