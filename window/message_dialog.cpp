#include "window/message_dialog.h"

#include <string>

ListBlock* DisabledWindowList = nullptr;

namespace {

// The system's texts are stored in this code page.
constexpr UINT TextCodePage = 1251;

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

// Windows-1251 to UTF-16; null reads as the empty text. Every byte of the
// code page has a character, so this fails only when memory runs out.
bool WideText(const char* text, std::wstring& wide)
{
    if (!text || !*text) {
        wide.clear();
        return true;
    }
    const int length = MultiByteToWideChar(TextCodePage, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(TextCodePage, 0, text, -1, wide.data(), length) != length)
        return false;
    wide.pop_back(); // the terminator, which std::wstring keeps by itself
    return true;
}

int ShowBox(HWND owner, const char* title, const char* text, std::uint32_t flags)
{
    std::wstring wideTitle, wideText;
    if (WideText(title, wideTitle) && WideText(text, wideText))
        return MessageBoxW(owner, wideText.c_str(), wideTitle.c_str(), flags);
    // Not even the conversion worked: the bytes as they are still tell the
    // user more than no box at all.
    return MessageBoxA(owner, text ? text : "", title ? title : "", flags);
}

} // namespace

std::int32_t MessageDialog(const char* title, const char* text, std::uint32_t flags)
{
    EnumWindows(DisableThreadWindow, 0);
    const int result = ShowBox(BoxOwner(), title, text, flags);
    EnableThreadWindows();
    return result;
}
