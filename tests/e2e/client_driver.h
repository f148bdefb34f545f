#pragma once
// Drives a running korvane.exe from another process the way a user does:
// clicks are posted to the buttons so that the program's own event loop
// dispatches them, message boxes are read and dismissed, and what the window
// shows is read back through its controls.
//
// A program that is inside a command sequence answers no sent message (it is
// sleeping, not pumping), so every wait here polls under a time limit.

#include "tests/support/key_input.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Generous limits: a loaded machine under Wine may be slow, never fast.
constexpr DWORD ShortWait = 5000;
constexpr DWORD LongWait = 20000;

// korvane.exe, started from KORVANE_EXE (or the program at that Windows
// path) with the arguments, ended on destruction if it still runs.
class ClientProcess {
public:
    explicit ClientProcess(const std::string& arguments = "", const std::string& windowsProgram = "");
    ~ClientProcess();
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    const std::string& failure() const { return failure_; }
    DWORD id() const { return id_; }
    // The process handle, with every access right: for its counters.
    HANDLE handle() const { return process_; }

    // The main window once it and its last gadget exist; null on time-out.
    HWND WaitForMainWindow(DWORD timeout = LongWait);
    // The exit code once the process ended; nothing on time-out.
    std::optional<DWORD> WaitForExit(DWORD timeout = LongWait);

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    std::string failure_;
};

// Polls the condition until it holds or the time is up.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeout = ShortWait)
{
    const ULONGLONG end = GetTickCount64() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
}

// Returns once the program is back in a message loop (its own or a message
// box's), so that everything a finished command sequence showed is in place.
bool WaitUntilIdle(HWND window, DWORD timeout = LongWait);

// Times a window's answers from a thread of its own: an empty message every
// 50 ms, each one's wait for its answer measured. The longest wait is about
// how long the window went without taking a message.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND window);
    ~AnswerWatch();
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;

    // Ends the watch and gives the longest wait, in milliseconds.
    double Stop();

private:
    static DWORD WINAPI Run(void* watch);

    HWND window_;
    HANDLE thread_ = nullptr;
    volatile LONG stopping_ = 0;
    double longest_ = 0;
};

HWND GadgetWindow(HWND mainWindow, int number);

// Window text as wide text; the ANSI form where it is plain ASCII.
std::wstring WideText(HWND window);
std::string Text(HWND window);
// The program's code-page-1251 text (a caption of the layout table) as its
// controls show it; null reads as empty.
std::wstring WideFromCodePage(const char* text);

// The mouse-down and mouse-up of a click in the middle of the button.
bool PostClick(HWND button);
// A double click of the mouse itself in the middle of the control, once no
// other window covers it there.
bool DoubleClick(HWND control);
// Picks a port list entry as the user does, with the mouse: a click opens the
// list, a click on the entry chooses it. The program must be idle.
bool SelectListEntry(HWND mainWindow, HWND list, int entry);
// A click on the closed list opens it; the next click closes it again. Each
// returns once the list is open (or closed) and the program idle.
bool OpenList(HWND mainWindow, HWND list);
bool CloseList(HWND mainWindow, HWND list);
std::vector<std::string> ListItems(HWND list);
int ListSelection(HWND list);
int ProgressPosition(HWND progressBar);
// A shown top-level window of the process with that class (any, for null),
// other than `other`.
HWND ShownWindow(DWORD process, const wchar_t* className, HWND other = nullptr);

// What the user asks for with the close box.
bool PostClose(HWND mainWindow);

// Files dropped on a window of another process, as the shell hands them
// over: a DROPFILES block in that process and WM_DROPFILES posted.
bool DropFiles(HWND window, const std::vector<std::wstring>& paths);

// The editor's text split into lines; line breaks of any form end a line and
// a last empty line is dropped.
std::vector<std::string> Lines(const std::string& text);

// The gadget's position and size in its window's client area.
struct Placement {
    int x, y, width, height;
    bool operator==(const Placement&) const = default;
};
Placement GadgetPlacement(HWND mainWindow, HWND gadget);

struct MessageBoxSeen {
    HWND window;
    std::wstring title;
    std::wstring text;
    std::vector<int> buttons; // the ids of its visible buttons
    bool stopIcon = false;    // the screen shows a red sign filling its icon
};
// The next visible message box of the process, or nothing on time-out.
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, DWORD timeout = LongWait);
// Presses OK and waits until the box is gone.
bool DismissMessageBox(const MessageBoxSeen& box);
// True when the process shows no message box.
bool NoMessageBox(DWORD processId);

// The Unix process that runs korvane.exe in this prefix, as its /proc folder
// ("/proc/1234"), or empty when there is none. Wine reports little of another
// Windows process (handle counts, private bytes and CPU times read 0), so
// such figures are read there. The end-to-end tests run one program at a
// time, so there is only one.
std::string KorvaneUnixProcess();
// A Unix file read whole through Wine's Z: drive; empty when unreadable.
std::string ReadUnixFile(const std::string& path);

// Removes the prefix's link for COMn, so that the port is missing; false when
// it stays.
bool RemovePortLink(int port);

// A serial port the system reports from now on, as when a USB serial adapter
// is plugged in (the device itself is a simulated logger's link), and its
// removal; false when the system's list of ports refuses the change.
bool ReportPort(const std::string& name);
bool StopReportingPort(const std::string& name);

// What the program remembers between runs (the port, the watch's interval,
// a watch to resume and its start at log-on); forgotten by every test's start.
void ForgetRememberedPort();
