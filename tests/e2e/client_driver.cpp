#include "tests/e2e/client_driver.h"

#include "app/client/client_gadgets.h"

#include "tests/support/wine_paths.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr UINT MessageTimeout = 2000;
// Where the system lists its serial ports.
constexpr char SerialPortsKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Not SMTO_ABORTIFHUNG: a program that just spent seconds in a dump without
// pumping counts as hung for a while after, and would get no chance to answer.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, MessageTimeout, &result) != 0;
}

struct WindowSearch {
    DWORD processId;
    const char* className;
    const char* title; // null: any
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    char title[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (owner == search->processId && IsWindowVisible(window) && lstrcmpA(className, search->className) == 0 &&
        (!search->title || lstrcmpA(title, search->title) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD processId, const char* className, const char* title)
{
    WindowSearch search{processId, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Narrow(const std::wstring& wide)
{
    std::string text;
    for (wchar_t c : wide)
        text += c < 0x80 ? static_cast<char>(c) : '?';
    return text;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM buttons)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (IsWindowVisible(child) && lstrcmpiA(className, "Button") == 0)
        reinterpret_cast<std::vector<int>*>(buttons)->push_back(GetDlgCtrlID(child));
    return TRUE;
}

std::vector<int> VisibleButtons(HWND box)
{
    std::vector<int> buttons;
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&buttons));
    return buttons;
}

BOOL CALLBACK MatchIconControl(HWND child, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (IsWindowVisible(child) && lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND IconControl(HWND box)
{
    HWND icon = nullptr;
    EnumChildWindows(box, MatchIconControl, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

// Whether a quarter or more of the window's area on the screen is clearly red:
// the stop sign fills about half of its icon, the warning sign's red edge a
// fortieth.
bool LargelyRed(HWND window)
{
    RECT rect{};
    if (!window || !GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int red = 0;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
            const auto* pixels = static_cast<const RGBQUAD*>(bits);
            for (int i = 0; i < width * height; ++i)
                red += pixels[i].rgbRed >= 160 && pixels[i].rgbGreen <= 96 && pixels[i].rgbBlue <= 96;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return red * 4 >= width * height;
}

} // namespace

ClientProcess::ClientProcess(const std::string& arguments, const std::string& windowsProgram)
{
    const std::string fromEnvironment = Environment("KORVANE_EXE");
    if (windowsProgram.empty() && fromEnvironment.empty()) {
        failure_ = "KORVANE_EXE must name korvane.exe";
        return;
    }
    std::string command = "\"" + (windowsProgram.empty() ? WindowsPath(fromEnvironment) : windowsProgram) + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        failure_ = "cannot start " + command + ": error " + std::to_string(GetLastError());
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

ClientProcess::~ClientProcess()
{
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, ShortWait);
    }
    CloseHandle(process_);
}

HWND ClientProcess::WaitForMainWindow(DWORD timeout)
{
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindProcessWindow(id_, "WindowClass_0", "Korvane");
            return window && GadgetWindow(window, LastGadget);
        },
        timeout);
    return window && GadgetWindow(window, LastGadget) ? window : nullptr;
}

std::optional<DWORD> ClientProcess::WaitForExit(DWORD timeout)
{
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, timeout) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

bool WaitUntilIdle(HWND window, DWORD timeout)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout, &result) != 0;
}

AnswerWatch::AnswerWatch(HWND window) : window_(window)
{
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

AnswerWatch::~AnswerWatch() { Stop(); }

double AnswerWatch::Stop()
{
    InterlockedExchange(&stopping_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return longest_;
}

DWORD WINAPI AnswerWatch::Run(void* watch)
{
    constexpr DWORD Interval = 50;
    auto* self = static_cast<AnswerWatch*>(watch);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    while (!InterlockedCompareExchange(&self->stopping_, 0, 0)) {
        LARGE_INTEGER sent, answered;
        QueryPerformanceCounter(&sent);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(self->window_, WM_NULL, 0, 0, SMTO_NORMAL, LongWait * 10, &result);
        QueryPerformanceCounter(&answered);
        const double wait =
            static_cast<double>(answered.QuadPart - sent.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
        self->longest_ = std::max(self->longest_, wait);
        Sleep(Interval);
    }
    return 0;
}

HWND GadgetWindow(HWND mainWindow, int number) { return GetDlgItem(mainWindow, number); }

std::wstring WideFromCodePage(const char* text)
{
    wchar_t wide[64] = {};
    if (text)
        MultiByteToWideChar(1251, 0, text, -1, wide, 64);
    return wide;
}

std::wstring WideText(HWND window)
{
    DWORD_PTR length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, length))
        return L"<no answer>";
    std::vector<wchar_t> text(length + 1);
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied))
        return L"<no answer>";
    return std::wstring(text.data(), copied);
}

std::string Text(HWND window) { return Narrow(WideText(window)); }

bool PostClick(HWND button)
{
    RECT client{};
    GetClientRect(button, &client);
    const LPARAM middle = MAKELPARAM(client.right / 2, client.bottom / 2);
    return PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, middle) && PostMessageW(button, WM_LBUTTONUP, 0, middle);
}

namespace {

// The pointer moved to a point of the screen through the input queue. Under
// Wine a move takes effect a little later, and the display's report of an
// earlier move can still pull the pointer back for a moment: it counts as
// there once it stayed there a while.
bool MovePointer(POINT point)
{
    constexpr ULONGLONG Settled = 150;
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ULONGLONG since = 0;
    return WaitUntil([&] {
        POINT pointer{};
        if (GetCursorPos(&pointer) && pointer.x == point.x && pointer.y == point.y)
            return GetTickCount64() - since >= Settled;
        since = GetTickCount64();
        return SendInput(1, &move, sizeof move) != 1;
    });
}

// Clicks of the left button on the window at a point of the screen, once
// no other window covers it there: two make a double click.
bool ClickAt(POINT point, HWND target, int clicks = 1)
{
    const bool uncovered = WaitUntil([&] {
        HWND under = WindowFromPoint(point);
        if (under == target || IsChild(target, under))
            return true;
        SetForegroundWindow(GetAncestor(target, GA_ROOT));
        return false;
    });
    if (!uncovered || !MovePointer(point))
        return false;
    INPUT inputs[4] = {};
    const auto count = static_cast<UINT>(std::min(2 * clicks, 4));
    for (UINT i = 0; i < count; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    }
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

} // namespace

bool DoubleClick(HWND control)
{
    RECT area{};
    GetWindowRect(control, &area);
    return ClickAt(POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2}, control, 2);
}

namespace {

bool IsListOpen(HWND list)
{
    DWORD_PTR open = 0;
    return Send(list, CB_GETDROPPEDSTATE, 0, 0, open) && open != 0;
}

// A click in the middle of the closed list's field (its window reaches far
// below, where the open list goes), then a wait until the list is open or
// closed as asked.
bool ClickListField(HWND mainWindow, HWND list, bool open)
{
    DWORD_PTR fieldHeight = 0;
    RECT rect{};
    if (!Send(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0, fieldHeight) || !GetWindowRect(list, &rect))
        return false;
    const POINT middle{(rect.left + rect.right) / 2, rect.top + (static_cast<LONG>(fieldHeight) + 6) / 2};
    return ClickAt(middle, list) && WaitUntil([&] { return IsListOpen(list) == open; }) && WaitUntilIdle(mainWindow);
}

} // namespace

bool OpenList(HWND mainWindow, HWND list) { return ClickListField(mainWindow, list, true); }

bool CloseList(HWND mainWindow, HWND list) { return ClickListField(mainWindow, list, false); }

bool SelectListEntry(HWND mainWindow, HWND list, int entry)
{
    if (!OpenList(mainWindow, list))
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HWND entries = FindProcessWindow(processId, "ComboLBox", nullptr);
    DWORD_PTR entryHeight = 0;
    DWORD_PTR top = 0;
    if (!entries || !Send(entries, LB_GETITEMHEIGHT, 0, 0, entryHeight) || !Send(entries, LB_GETTOPINDEX, 0, 0, top))
        return false;
    RECT client{};
    GetClientRect(entries, &client);
    const int height = static_cast<int>(entryHeight);
    POINT middle{client.right / 2, (entry - static_cast<int>(top)) * height + height / 2};
    if (middle.y < 0 || middle.y >= client.bottom || !ClientToScreen(entries, &middle))
        return false;
    return ClickAt(middle, entries) && WaitUntil([&] { return !IsListOpen(list); });
}

std::vector<std::string> ListItems(HWND list)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!Send(list, CB_GETCOUNT, 0, 0, count))
        return items;
    for (DWORD_PTR i = 0; i < count; ++i) {
        wchar_t item[64] = {};
        DWORD_PTR length = 0;
        Send(list, CB_GETLBTEXTLEN, i, 0, length);
        if (length >= std::size(item) || !Send(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item), length))
            return items;
        items.push_back(Narrow(item));
    }
    return items;
}

int ListSelection(HWND list)
{
    DWORD_PTR selection = 0;
    return Send(list, CB_GETCURSEL, 0, 0, selection) ? static_cast<int>(selection) : -2;
}

int ProgressPosition(HWND progressBar)
{
    DWORD_PTR position = 0;
    return Send(progressBar, PBM_GETPOS, 0, 0, position) ? static_cast<int>(position) : -1;
}

bool PostClose(HWND mainWindow) { return PostMessageW(mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool DropFiles(HWND window, const std::vector<std::wstring>& paths)
{
    std::wstring names;
    for (const std::wstring& path : paths)
        names += path + L'\0';
    names += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    block.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process);
    if (!target)
        return false;
    // A fixed block's address is its handle: the drop's receiver locks and
    // frees it as the shell's own.
    void* remote = VirtualAllocEx(target, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote && WriteProcessMemory(target, remote, block.data(), block.size(), nullptr);
    CloseHandle(target);
    return written && PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

Placement GadgetPlacement(HWND mainWindow, HWND gadget)
{
    RECT rect{};
    GetWindowRect(gadget, &rect);
    MapWindowPoints(HWND_DESKTOP, mainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD timeout)
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindProcessWindow(processId, "#32770", nullptr)) != nullptr; }, timeout))
        return std::nullopt;
    // The message box's text is its static control, 0xFFFF.
    MessageBoxSeen seen{box, WideText(box), WideText(GetDlgItem(box, 0xFFFF)), VisibleButtons(box)};
    // Its icon is another process's, so it is judged by what the screen shows
    // once the box has painted.
    seen.stopIcon = WaitUntil([&] { return LargelyRed(IconControl(box)); }, 2000);
    return seen;
}

bool DismissMessageBox(const MessageBoxSeen& box)
{
    if (!PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0))
        return false;
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

bool NoMessageBox(DWORD processId) { return FindProcessWindow(processId, "#32770", nullptr) == nullptr; }

namespace {

// Each port gets a device name of its own, as the system's ports do.
std::string ReportedDevice(const std::string& port) { return "\\Device\\KorvaneTest" + port; }

} // namespace

bool ReportPort(const std::string& name)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SerialPortsKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, ReportedDevice(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(name.c_str()), static_cast<DWORD>(name.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool StopReportingPort(const std::string& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SerialPortsKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const LONG result = RegDeleteValueA(key, ReportedDevice(name).c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void ForgetRememberedPort()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korvane");
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_SET_VALUE,
                      &run) != ERROR_SUCCESS)
        return;
    for (int port = 1; port <= 4; ++port)
        RegDeleteValueA(run, ("Korvane COM" + std::to_string(port)).c_str());
    RegCloseKey(run);
}

namespace {

// Whether the folder holds an entry of that name. The "\\?\" form keeps a
// name such as com2 from meaning the device COM2, which every folder seems
// to hold.
bool Listed(const std::string& path)
{
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(("\\\\?\\" + path).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

} // namespace

bool RemovePortLink(int port)
{
    const std::string prefix = Environment("WINEPREFIX");
    if (prefix.empty())
        return false;
    const std::string link = prefix + "/dosdevices/com" + std::to_string(port);
    const std::string path = WindowsPath(link);
    // Wine deletes a link that leads nowhere, but refuses to delete one that
    // leads to a device; the Unix side removes that one.
    if (!Listed(path) || (DeleteFileA(("\\\\?\\" + path).c_str()) && !Listed(path)))
        return true;
    std::string command = "/bin/rm -f -- \"" + link + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // The handles of a Unix program tell nothing; the link going does.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return WaitUntil([&] { return !Listed(path); });
}

std::string ReadUnixFile(const std::string& path)
{
    std::ifstream file("Z:" + path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string KorvaneUnixProcess()
{
    const std::string prefix = Environment("WINEPREFIX");
    if (prefix.empty())
        return {};
    // Wine passes its prefix on to the Unix process of every program it runs.
    const std::string ownPrefix = "WINEPREFIX=" + prefix + '\0';
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    std::string found;
    do {
        const std::string pid = entry.cFileName;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string folder = "/proc/" + pid;
        if (ReadUnixFile(folder + "/cmdline").find("korvane.exe") != std::string::npos &&
            ReadUnixFile(folder + "/environ").find(ownPrefix) != std::string::npos)
            found = folder;
    } while (found.empty() && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

HWND ShownWindow(DWORD process, const wchar_t* className, HWND other)
{
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && window != other && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

