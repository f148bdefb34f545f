#include "app/client/log_document.h"

#include "app/client/chart_window.h"
#include "app/client/dump_keeping.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"

#include "gadget/gadget.h"
#include "window/event.h"
#include "window/wide_text.h"
#include "window/window.h"

#include <windows.h>
#include <richedit.h>
#include <windowsx.h>


namespace {

WNDPROC LogPreviousProc = nullptr;
// The key (VK_APPS, or F10 with Shift) that is to open the menu when it is
// released; 0 when none is down.
WPARAM MenuKeyDown = 0;

void QueueLogCommand(std::int32_t command) { EventPost(EV_GADGET, LogEditor, MainWindow, command); }

bool HasSelection(HWND log)
{
    CHARRANGE range{};
    SendMessageA(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMin != range.cpMax;
}

void AppendItem(HMENU menu, UINT flags, std::int32_t command, const char* text)
{
    AppendMenuFromText(menu, MF_STRING | flags, static_cast<UINT_PTR>(command), text);
}

// A menu asked for from the keyboard opens at the caret when it is in view,
// else at the log's corner.
POINT KeyboardMenuPoint(HWND log)
{
    POINT point{};
    RECT client{};
    GetClientRect(log, &client);
    if (!GetCaretPos(&point) || !PtInRect(&client, point))
        point = {client.left, client.top};
    ClientToScreen(log, &point);
    return point;
}

// where: the screen point of a click, or -1 in both halves when a key asked
// for the menu.
void ShowLogMenu(HWND log, LPARAM where)
{
    POINT point{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (point.x == -1 && point.y == -1)
        point = KeyboardMenuPoint(log);
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendItem(menu, HasSelection(log) ? 0 : MF_GRAYED, LogCommandCopy, TextMenuCopy);
    AppendItem(menu, 0, LogCommandSelectAll, TextMenuSelectAll);
    AppendItem(menu, 0, LogCommandSave, TextMenuSaveAs);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendItem(menu, 0, LogCommandClear, TextMenuClear);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendItem(menu, LastDump().present ? 0 : MF_GRAYED, LogCommandDumpChart, TextMenuDumpChart);
    const int command =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y, 0, log, nullptr);
    DestroyMenu(menu);
    if (command)
        QueueLogCommand(command);
}

bool IsMenuKey(WPARAM key) { return key == VK_APPS || (key == VK_F10 && GetKeyState(VK_SHIFT) < 0); }

// In front of the log gadget: the rich edit control has no menu of its own.
// The menu keys open it on their release and are kept from default
// processing, which would otherwise open the menu a second time or, for F10,
// enter the window's menu mode.
LRESULT CALLBACK LogDocumentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CONTEXTMENU:
        ShowLogMenu(window, lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (IsMenuKey(wParam)) {
            MenuKeyDown = wParam;
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (MenuKeyDown && wParam == MenuKeyDown) {
            MenuKeyDown = 0;
            ShowLogMenu(window, MAKELPARAM(-1, -1));
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcW(LogPreviousProc, window, message, wParam, lParam);
}

} // namespace

void InstallLogDocument()
{
    HWND log = GadgetHandle(LogEditor);
    if (!log)
        return;
    // Installed a second time, the procedure would be its own previous one
    // and call itself without end.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(log, GWLP_WNDPROC)) != LogDocumentProc)
        LogPreviousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogDocumentProc)));
}

void RunLogCommand(std::int32_t command)
{
    HWND log = GadgetHandle(LogEditor);
    switch (command) {
    case LogCommandCopy:
        SendMessageA(log, WM_COPY, 0, 0);
        break;
    case LogCommandSelectAll:
        SendMessageA(log, EM_SETSEL, 0, -1);
        break;
    case LogCommandSave:
        SaveLogAs(log);
        break;
    case LogCommandClear:
        // The same as the Clear button.
        GadgetClearItems(LogEditor);
        break;
    case LogCommandDumpChart:
        OpenDumpChartWindow();
        break;
    default:
        break;
    }
}
