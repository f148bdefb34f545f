#include "app/client/window_state.h"

#include "app/client/dump_driving.h"
#include "app/client/main_menu.h"
#include "app/client/main_window.h"
#include "app/client/port_opening.h"
#include "app/client/port_selection.h"
#include "app/client/watch_driving.h"
#include "app/logger/control_states.h"
#include "app/logger/memory_dump.h"

#include "gadget/gadget.h"
#include "window/window.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr char StopCaption[] = "Stop";

// What the window shows now, and where the focus was when the line last
// left its idle state, for it to go back there.
LineWork Shown = LineWork::Idle;
HWND FocusBack = nullptr;
// Where the focus was put for the work; a focus the user moved meanwhile
// (the port list opened during a drain) stays where the user put it.
HWND FocusPut = nullptr;

ControlRole RoleOf(ObjectNumber gadget)
{
    switch (gadget) {
    case DumpButton: return ControlRole::DumpButton;
    case PortList: return ControlRole::PortList;
    case DumpProgress: return ControlRole::Display;
    default: return ControlRole::Command;
    }
}

LineWork WorkNow()
{
    return CurrentLineWork(DumpBusy(), DumpCurrentPhase() == DumpPhase::Draining, PortPickUnderWay());
}

const char* DumpCaption(LineWork work)
{
    if (DumpButtonStops(work))
        return StopCaption;
    for (const GadgetLayout& gadget : ClientGadgetLayout) {
        if (gadget.number == DumpButton)
            return gadget.caption;
    }
    return "";
}

void ShowControls(LineWork work)
{
    for (const GadgetLayout& gadget : ClientGadgetLayout) {
        HWND control = GadgetHandle(gadget.number);
        const bool usable = ControlUsable(work, RoleOf(gadget.number));
        if (control && (IsWindowEnabled(control) != 0) != usable)
            EnableWindow(control, usable);
    }
    char caption[16] = {};
    GetWindowTextA(GadgetHandle(DumpButton), caption, sizeof caption);
    if (std::strcmp(caption, DumpCaption(work)) != 0)
        GadgetSetText(DumpButton, DumpCaption(work));
    // Set only when it differs: setting it redraws the button.
    HWND watch = GadgetHandle(WatchButton);
    if ((SendMessageW(watch, BM_GETCHECK, 0, 0) == BST_CHECKED) != WatchRunning())
        SendMessageW(watch, BM_SETCHECK, WatchRunning() ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowMainMenuState(work == LineWork::Idle);
}

HWND FocusTarget(FocusPlace place)
{
    switch (place) {
    case FocusPlace::DumpButton: return GadgetHandle(DumpButton);
    case FocusPlace::PortList: return GadgetHandle(PortList);
    case FocusPlace::Window: return WindowHandle(MainWindow);
    case FocusPlace::Back: break;
    }
    return nullptr;
}

// Keys must never arrive with no focus, as system keys: the focus moves off
// a control before it is turned off. Focusing a control of an inactive
// window would activate it, so the focus moves only while the window is.
void MoveFocus(LineWork work)
{
    HWND main = WindowHandle(MainWindow);
    if (!main || GetActiveWindow() != main)
        return;
    const FocusPlace place = FocusDuring(work);
    if (place == FocusPlace::Back) {
        if (FocusBack && IsWindowEnabled(FocusBack) && GetFocus() == FocusPut)
            SetFocus(FocusBack);
        return;
    }
    SetFocus(FocusTarget(place));
    FocusPut = GetFocus();
}

} // namespace

LineNow LineStateNow() { return LineNow{WorkNow(), PortOpenUnderWay(), PortWantedButClosed()}; }

void ShowWindowState()
{
    const LineWork work = WorkNow();
    if (work != Shown && Shown == LineWork::Idle)
        FocusBack = GetFocus();
    const bool moved = work != Shown;
    // Off a control before it goes off; back onto one once it is on again.
    if (moved && work != LineWork::Idle)
        MoveFocus(work);
    ShowControls(work);
    if (moved && work == LineWork::Idle)
        MoveFocus(work);
    Shown = work;
}
