#include "app/client/port_selection.h"

#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_opening.h"

#include "gadget/gadget.h"
#include "serial/port.h"
#include "window/message_dialog.h"

#include "base/delay.h"
#include "base/strings.h"
#include "base/text_expression.h"

#include <optional>

char* PortName = nullptr;
char* PortSettings = nullptr;

namespace {

// When a silent look for a lost port last failed; far in the past at start.
std::int64_t SilentLookFailedAt = -LookAgainAfter;

void CloseCurrentPort()
{
    if (CurrentPort != 0)
        PortClose(CurrentPort);
    CurrentPort = 0;
}

// Closed before the port is tried, so a failed open never leaves the old port
// quietly in use, and an adapter that came back can take its name.
OpenOutcome OpenPortSettings()
{
    CloseCurrentPort();
    // A settings variable that could not be stored reads as empty, which
    // names no device: the open then fails.
    return OpenPortInBackground(PortSettings ? PortSettings : "", CurrentPort);
}

} // namespace

bool OpenPortAgain()
{
    if (OpenPortSettings() == OpenOutcome::Opened)
        return true;
    SilentLookFailedAt = MonotonicMilliseconds();
    return false;
}

bool AwaitPortAgain()
{
    const std::int64_t start = MonotonicMilliseconds();
    constexpr std::int32_t pause = 100;
    std::optional<CommandsOff> off;
    for (;;) {
        const OpenOutcome outcome = OpenPortSettings();
        if (outcome != OpenOutcome::Failed)
            return outcome == OpenOutcome::Opened;
        if (MonotonicMilliseconds() - start + pause > ReturnPatience)
            return false;
        // Off from the first failed try to the last, not for each pause.
        if (!off)
            off.emplace();
        if (!PauseTakingMessages(pause))
            return false;
    }
}

void LookForLostPort()
{
    if (MonotonicMilliseconds() - SilentLookFailedAt >= LookAgainAfter)
        ReopenLostPort();
}

void ForgetRemovedPort()
{
    if (CurrentPort == 0)
        return;
    CloseCurrentPort();
    PortRemoved = true;
}

void ReportPortOpenFailed()
{
    if (PortPickWaiting)
        return;
    MessageDialog(TextErrorTitle, TextArgument(TextStart() + TextPortOpenFailed + PortName).Text(),
                  ErrorRequesterFlags);
}

void OpenSelectedPort()
{
    // The user's pick: a port that went away earlier is no longer looked for.
    PortLost = false;
    PortRemoved = false;
    PortPickWaiting = false;

    const TextExpression name = TextStart();
    GadgetGetText(PortList, TempLength);
    StoreText(PortName, name);
    StoreText(PortSettings, TextStart() + PortName + PortLineSettings);

    if (OpenPortSettings() == OpenOutcome::Failed)
        ReportPortOpenFailed();
}
