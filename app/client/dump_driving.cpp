#include "app/client/dump_driving.h"

#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/window_state.h"
#include "app/logger/memory_dump.h"

#include "gadget/gadget.h"
#include "window/event.h"
#include "window/message_dialog.h"
#include "window/window.h"

#include <windows.h>


namespace {

bool Busy = false;
// A step is scheduled: a tick that was on its way when its timer was killed
// finds none, and runs nothing.
bool StepDue = false;
// How the Dump button's latest press began.
WNDPROC DumpButtonProc = nullptr;
bool PressByMouse = false;
bool PressFromDoubleClick = false;
bool PressBeganOnStop = false;

// The button reads "Stop" (window_state.h): from the press of Dump until the
// dump stops or ends.
bool ShowsStop() { return Busy && DumpCurrentPhase() != DumpPhase::Draining; }

LRESULT CALLBACK WatchDumpButtonPress(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        PressByMouse = true;
        PressFromDoubleClick = message == WM_LBUTTONDBLCLK;
        PressBeganOnStop = ShowsStop();
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        PressByMouse = false;
        break;
    default:
        break;
    }
    return CallWindowProcW(DumpButtonProc, button, message, wParam, lParam);
}

// The button's class takes double clicks, so the second click of one is a
// press of its own, which would stop the dump the first one started. A
// click whose button went down on "Stop" and that comes once the dump has
// ended by itself was meant for that Stop. Any other click that began on
// "Dump" is a Dump, however soon after the last one it comes.
bool PressIgnored(std::int32_t kind)
{
    if (kind == DumpStopKey || !PressByMouse)
        return false;
    return PressFromDoubleClick || (PressBeganOnStop && !ShowsStop());
}

void ControlsBack()
{
    KillTimer(WindowHandle(MainWindow), DumpStepTimer);
    StepDue = false;
    Busy = false;
    ShowWindowState();
}

void ScheduleStep(std::int32_t wait);

void CALLBACK DumpTimerTick(HWND window, UINT, UINT_PTR timer, DWORD)
{
    // One step at a time: a requester the last step shows runs a message
    // loop of its own, in which the timer would tick again.
    KillTimer(window, timer);
    if (!StepDue)
        return;
    StepDue = false;
    ScheduleStep(DumpStep());
}

void ScheduleStep(std::int32_t wait)
{
    if (wait <= 0) {
        ControlsBack();
        return;
    }
    StepDue = SetTimer(WindowHandle(MainWindow), DumpStepTimer, static_cast<UINT>(wait), DumpTimerTick) != 0;
    if (StepDue)
        return;
    // Without its timer the dump would wait for ever.
    DumpEndNow();
    ControlsBack();
    MessageDialog(TextErrorTitle, TextDumpNoTimer, ErrorRequesterFlags);
}

// The controls change before "D" goes out, so that whoever sees the logger
// answer sees the window busy.
void StartDump()
{
    Busy = true;
    ShowWindowState();
    ScheduleStep(DumpStart());
}

void StopDump()
{
    const std::int32_t wait = DumpStop(TextDumpStopped);
    ShowWindowState();
    ScheduleStep(wait);
}

} // namespace

bool DumpBusy() { return Busy; }

void WatchDumpButton()
{
    HWND button = GadgetHandle(DumpButton);
    if (button && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC)) != WatchDumpButtonPress)
        DumpButtonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchDumpButtonPress)));
}

bool DumpTakesStopKey() { return ShowsStop(); }

void HandleDumpButton(std::int32_t kind)
{
    if (PressIgnored(kind))
        return;
    switch (DumpCurrentPhase()) {
    case DumpPhase::Idle:
        if (!Busy && kind != DumpStopKey)
            StartDump();
        break;
    case DumpPhase::Collecting:
        StopDump();
        break;
    case DumpPhase::Draining:
        break;
    }
}

void EndDumpNow()
{
    if (!Busy)
        return;
    DumpAbandon();
    ControlsBack();
}
