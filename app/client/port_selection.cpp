#include "app/client/port_selection.h"

#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_opening.h"
#include "app/client/window_state.h"

#include "gadget/gadget.h"
#include "serial/port.h"
#include "window/message_dialog.h"

#include "base/delay.h"
#include "base/strings.h"
#include "base/text_expression.h"

#include <windows.h>

#include <utility>

char* PortName = nullptr;
char* PortSettings = nullptr;

namespace {

// When a quiet look for a lost port last failed; far in the past at start.
std::int64_t QuietLookFailedAt = -LookAgainAfter;
// The wanted port arrived while an open of it was under way, which may
// still fail for having begun too soon.
bool ArrivedDuringOpen = false;

void CloseCurrentPort()
{
    if (CurrentPort != 0)
        PortClose(CurrentPort);
    CurrentPort = 0;
}

// A settings variable that could not be stored reads as empty, which names
// no device: the open then fails.
const char* Settings() { return PortSettings ? PortSettings : ""; }

void TakeOpened(PortHandle opened)
{
    CurrentPort = opened;
    PortLost = false;
    PortRemoved = false;
}

// A pick that failed is said once; its port stays wanted.
void PickFailed()
{
    PortLost = true;
    ReportPortOpenFailed();
}

// Closed before the port is tried, so a failed open never leaves the old
// port quietly in use, and an adapter that came back can take its name.
void StartOpen(OpenPurpose purpose)
{
    CloseCurrentPort();
    PortHandle opened = 0;
    const OpenOutcome outcome = StartPortOpen(Settings(), purpose, opened);
    if (outcome == OpenOutcome::Opened)
        TakeOpened(opened);
    else if (outcome == OpenOutcome::Failed && purpose == OpenPurpose::Pick)
        PickFailed();
    else if (outcome == OpenOutcome::Failed)
        QuietLookFailedAt = MonotonicMilliseconds();
    ShowWindowState();
}

} // namespace

bool PortWantedButClosed() { return CurrentPort == 0 && (PortLost || PortRemoved) && !PortOpenUnderWay(); }

void LookForPortNow()
{
    if (PortWantedButClosed())
        StartOpen(OpenPurpose::Quiet);
}

void WantedPortArrived()
{
    if (PortOpenUnderWay())
        ArrivedDuringOpen = true;
    else
        LookForPortNow();
}

void TakePortOpened()
{
    PortHandle opened = 0;
    OpenPurpose purpose = OpenPurpose::Quiet;
    if (!TakeEndedOpen(opened, purpose))
        return;
    ShowWindowState();
    const bool tryAgain = std::exchange(ArrivedDuringOpen, false);
    if (opened != 0)
        TakeOpened(opened);
    else if (purpose == OpenPurpose::Pick)
        PickFailed();
    else
        QuietLookFailedAt = MonotonicMilliseconds();
    if (opened == 0 && tryAgain)
        LookForPortNow();
}

bool OpenPortAgain() { return CurrentPort != 0; }

bool AwaitPortAgain()
{
    const std::int64_t start = MonotonicMilliseconds();
    constexpr std::int32_t pause = 100;
    CloseCurrentPort();
    for (;;) {
        const std::int64_t left = ReturnPatience - (MonotonicMilliseconds() - start);
        if (const PortHandle opened = OpenPortWithin(Settings(), static_cast<std::int32_t>(left))) {
            TakeOpened(opened);
            return true;
        }
        if (MonotonicMilliseconds() - start + pause > ReturnPatience)
            return false;
        SleepMilliseconds(pause);
    }
}

void LookForLostPort()
{
    if (MonotonicMilliseconds() - QuietLookFailedAt >= LookAgainAfter)
        LookForPortNow();
}

void ForgetRemovedPort()
{
    if (CurrentPort == 0)
        return;
    CloseCurrentPort();
    PortRemoved = true;
}

void ReopenAfterResume()
{
    if (CurrentPort == 0 && !PortLost && !PortRemoved)
        return;
    CloseCurrentPort();
    PortLost = true;
    QuietLookFailedAt = -LookAgainAfter;
    LookForPortNow();
}

void ReportPortOpenFailed()
{
    MessageDialog(TextErrorTitle, TextArgument(TextStart() + TextPortOpenFailed + PortName).Text(),
                  ErrorRequesterFlags);
}

namespace {

// A port that went away earlier is no longer looked for; one opened quietly
// is wanted until it opens.
void OpenSelected(OpenPurpose purpose)
{
    PortLost = purpose == OpenPurpose::Quiet;
    PortRemoved = false;
    ArrivedDuringOpen = false;

    const TextExpression name = TextStart();
    GadgetGetText(PortList, TempLength);
    StoreText(PortName, name);
    StoreText(PortSettings, TextStart() + PortName + PortLineSettings);
    StartOpen(purpose);
}

} // namespace

void OpenSelectedPort() { OpenSelected(OpenPurpose::Pick); }

void OpenSelectedPortQuietly() { OpenSelected(OpenPurpose::Quiet); }
