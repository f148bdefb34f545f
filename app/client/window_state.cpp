#include "app/client/publishing.h"
#include "app/client/window_state.h"

#include "app/client/alarm_driving.h"
#include "app/client/dump_driving.h"
#include "app/client/file_report.h"
#include "app/client/main_menu.h"
#include "app/client/main_window.h"
#include "app/client/port_opening.h"
#include "app/client/port_selection.h"
#include "app/client/tray_icon.h"
#include "app/client/watch_driving.h"
#include "app/logger/control_states.h"
#include "app/logger/memory_dump.h"

#include "app/client/messages.h"
#include "gadget/gadget.h"
#include "window/high_contrast.h"
#include "window/window.h"

#include <windows.h>

#include <cstring>
#include <iterator>

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

constexpr COLORREF AlarmColour = RGB(200, 0, 0);
// The reading field's colours as last set: set again only when they differ.
std::int32_t FieldFront = -1;
std::int32_t FieldBack = -1;

// During a watch's alarm the reading field's text is red, in high contrast
// the system's highlight; the notification icon is there while a watch
// runs, its tip the last reading and the watch's state.
void ShowAlarm()
{
    const bool alarm = WatchRunning() && AlarmNow() != AlarmKind::None;
    const bool contrast = alarm && HighContrastOn();
    const std::int32_t front = !alarm ? -1 : static_cast<std::int32_t>(contrast ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                                 : AlarmColour);
    const std::int32_t back = contrast ? static_cast<std::int32_t>(GetSysColor(COLOR_HIGHLIGHT)) : -1;
    if (front != FieldFront || back != FieldBack) {
        GadgetSetColor(ReadingField, ColorBack, back);
        GadgetSetColor(ReadingField, ColorFront, front);
        FieldFront = front;
        FieldBack = back;
    }
    TrayShows shows{WatchRunning(), alarm, {}};
    WideBuilder tip(shows.tip, std::size(shows.tip));
    tip.Append(L"Korvane: ");
    tip.Append(WatchLastNumberText());
    tip.Append(L"\n");
    tip.AppendFrom1251(alarm ? TextTrayAlarm : TextTrayWatching);
    if (WatchFileBehind()) {
        tip.Append(L"\n");
        tip.AppendFrom1251(TextTrayFileBehind);
    }
    const PublishShows publishing = PublishShowsNow();
    if (publishing.state == PublishState::Behind) {
        tip.Append(L"\n");
        tip.AppendFrom1251(TextTrayPublishBehind);
        AppendCount(tip, publishing.waiting);
    } else if (publishing.state == PublishState::Stopped) {
        tip.Append(L"\n");
        tip.AppendFrom1251(TextTrayPublishStopped);
    }
    ShowTrayIcon(shows);
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
    ShowAlarm();
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
