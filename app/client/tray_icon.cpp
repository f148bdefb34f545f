#include "app/client/tray_icon.h"

#include "app/client/main_window.h"

#include "base/system_dll.h"
#include "window/window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <iterator>

namespace {

constexpr UINT TrayMessage = WM_APP + 0x101;
constexpr UINT TrayIconId = 1;
constexpr UINT_PTR TraySubclass = 5;

// Loaded with the first icon: most runs watch nothing.
using NotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
bool NotifyLoaded = false;
NotifyFunction NotifyCall = nullptr;

UINT TaskbarCreated = 0;
TrayShows Shown{};
bool Added = false;

NotifyFunction Notify()
{
    if (!NotifyLoaded) {
        NotifyLoaded = true;
        NotifyCall = SystemDllFunction<NotifyFunction>(L"shell32.dll", "Shell_NotifyIconW");
    }
    return NotifyCall;
}

NOTIFYICONDATAW Data(UINT flags)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = WindowHandle(MainWindow);
    data.uID = TrayIconId;
    data.uFlags = flags;
    data.uCallbackMessage = TrayMessage;
    data.hIcon = Shown.alarm ? LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING))
                             : static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1),
                                                             IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    lstrcpynW(data.szTip, Shown.tip, static_cast<int>(std::size(data.szTip)));
    return data;
}

constexpr UINT ShownParts = NIF_ICON | NIF_TIP | NIF_SHOWTIP;

bool Add()
{
    NOTIFYICONDATAW data = Data(ShownParts | NIF_MESSAGE);
    if (!Notify() || !Notify()(NIM_ADD, &data))
        return false;
    data.uVersion = NOTIFYICON_VERSION_4;
    Notify()(NIM_SETVERSION, &data);
    return true;
}

void Remove()
{
    if (!Added)
        return;
    NOTIFYICONDATAW data = Data(0);
    Notify()(NIM_DELETE, &data);
    Added = false;
}

void BringWindowForward(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

LRESULT CALLBACK TakeTrayMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == TrayMessage) {
        // The icon's own message, as its version 4 sends it: the event in
        // the low word.
        const UINT event = LOWORD(lParam);
        if (event == WM_LBUTTONUP || event == NIN_SELECT || event == NIN_KEYSELECT)
            BringWindowForward(window);
        return 0;
    }
    if (TaskbarCreated && message == TaskbarCreated) {
        Added = Shown.present && Add();
        return 0;
    }
    if (message == WM_NCDESTROY) {
        Remove();
        RemoveWindowSubclass(window, TakeTrayMessages, TraySubclass);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

void ShowTrayIcon(const TrayShows& shows)
{
    if (shows.present == Shown.present && shows.alarm == Shown.alarm && lstrcmpW(shows.tip, Shown.tip) == 0 &&
        (Added || !shows.present))
        return;
    const bool iconChanged = shows.alarm != Shown.alarm;
    Shown = shows;
    if (!shows.present) {
        Remove();
        return;
    }
    if (!Added) {
        Added = Add();
        return;
    }
    NOTIFYICONDATAW data = Data(iconChanged ? ShownParts : NIF_TIP | NIF_SHOWTIP);
    Notify()(NIM_MODIFY, &data);
}

void TellFromTrayIcon(const wchar_t* title, const wchar_t* text)
{
    if (!Added)
        return;
    NOTIFYICONDATAW data = Data(NIF_INFO);
    lstrcpynW(data.szInfoTitle, title, static_cast<int>(std::size(data.szInfoTitle)));
    lstrcpynW(data.szInfo, text, static_cast<int>(std::size(data.szInfo)));
    data.dwInfoFlags = NIIF_WARNING | NIIF_NOSOUND;
    Notify()(NIM_MODIFY, &data);
}

void InstallTrayIcon()
{
    HWND window = WindowHandle(MainWindow);
    if (!window)
        return;
    TaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // A program run as administrator would not hear of Explorer's new start.
    if (TaskbarCreated)
        ChangeWindowMessageFilterEx(window, TaskbarCreated, MSGFLT_ALLOW, nullptr);
    SetWindowSubclass(window, TakeTrayMessages, TraySubclass, 0);
}
