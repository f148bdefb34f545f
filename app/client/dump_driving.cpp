#include "app/client/dump_driving.h"

#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/logger/memory_dump.h"

#include "gadget/gadget.h"
#include "window/event.h"
#include "window/message_dialog.h"
#include "window/window.h"

#include <windows.h>

#include <array>
#include <cstddef>

namespace {

constexpr char StopCaption[] = "Stop";

bool Busy = false;
// A step is scheduled: a tick that was on its way when its timer was killed
// finds none, and runs nothing.
bool StepDue = false;
// The button reads "Stop": from the press of Dump until the dump stops or
// ends.
bool ShowsStop = false;

// How the Dump button's latest press began.
WNDPROC DumpButtonProc = nullptr;
bool PressByMouse = false;
bool PressFromDoubleClick = false;
bool PressBeganOnStop = false;
// Each gadget's enabled state before the dump, in the layout's order, and
// the control that had the focus.
std::array<bool, ClientGadgetLayout.size()> EnabledBefore{};
HWND FocusBefore = nullptr;
// Where the dump put the focus last; the focus goes back only from there.
HWND FocusPlaced = nullptr;

HWND GadgetWindow(ObjectNumber number)
{
    const GadgetRecord* record = GadgetLookup(number);
    return record ? record->hwnd : nullptr;
}

const char* DumpCaption()
{
    for (const GadgetLayout& gadget : ClientGadgetLayout) {
        if (gadget.number == DumpButton)
            return gadget.caption;
    }
    return "";
}

// Focus on a control the user can still use, or on the window itself, so
// that keys never arrive with no focus as system keys. Only while the window
// is active: focusing a control would otherwise activate it.
void FocusWhileBusy(HWND control)
{
    HWND main = WindowHandle(MainWindow);
    if (main && GetActiveWindow() == main)
        SetFocus(control ? control : main);
    FocusPlaced = GetFocus();
}

// Only the one control the phase leaves to the user stays enabled: the Stop
// button while the text comes in, the port list while a stopped dump drains.
// The progress bar takes no input and shows the dump, so it is left alone.
void DisableAllBut(ObjectNumber usable)
{
    for (const GadgetLayout& gadget : ClientGadgetLayout) {
        if (gadget.number != DumpProgress)
            EnableWindow(GadgetWindow(gadget.number), gadget.number == usable);
    }
}

LRESULT CALLBACK WatchDumpButtonPress(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        PressByMouse = true;
        PressFromDoubleClick = message == WM_LBUTTONDBLCLK;
        PressBeganOnStop = ShowsStop;
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
    return PressFromDoubleClick || (PressBeganOnStop && !ShowsStop);
}

void ControlsBack()
{
    KillTimer(WindowHandle(MainWindow), DumpStepTimer);
    StepDue = false;
    ShowsStop = false;
    GadgetSetText(DumpButton, DumpCaption());
    for (std::size_t i = 0; i < ClientGadgetLayout.size(); ++i)
        EnableWindow(GadgetWindow(ClientGadgetLayout[i].number), EnabledBefore[i]);
    // A focus the user moved meanwhile (the port list opened during a drain)
    // stays where the user put it.
    if (FocusBefore && IsWindowEnabled(FocusBefore) && GetFocus() == FocusPlaced)
        FocusWhileBusy(FocusBefore);
    Busy = false;
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
    FocusBefore = GetFocus();
    for (std::size_t i = 0; i < ClientGadgetLayout.size(); ++i)
        EnabledBefore[i] = IsWindowEnabled(GadgetWindow(ClientGadgetLayout[i].number)) != 0;
    FocusWhileBusy(GadgetWindow(DumpButton));
    DisableAllBut(DumpButton);
    ShowsStop = true;
    GadgetSetText(DumpButton, StopCaption);
    ScheduleStep(DumpStart());
}

void StopDump()
{
    const std::int32_t wait = DumpStop(TextDumpStopped);
    FocusWhileBusy(nullptr);
    ShowsStop = false;
    GadgetSetText(DumpButton, DumpCaption());
    DisableAllBut(PortList);
    ScheduleStep(wait);
}

} // namespace

bool DumpBusy() { return Busy; }

void WatchDumpButton()
{
    HWND button = GadgetWindow(DumpButton);
    if (button && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC)) != WatchDumpButtonPress)
        DumpButtonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchDumpButtonPress)));
}

bool DumpTakesStopKey() { return Busy && DumpCurrentPhase() != DumpPhase::Draining; }

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
