#include "app/client/port_selection.h"

#include "app/logger/logger_state.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"

#include "gadget/gadget.h"
#include "serial/port.h"
#include "window/message_dialog.h"

#include "base/strings.h"
#include "base/text_expression.h"

char* PortName = nullptr;
char* PortSettings = nullptr;

bool OpenPortAgain()
{
    // Closed before the port is tried, so a failed open never leaves the old
    // port quietly in use.
    if (CurrentPort != 0)
        PortClose(CurrentPort);
    // A settings variable that could not be stored reads as empty, which
    // names no device: the open then fails.
    CurrentPort = PortOpen(PortSettings ? PortSettings : "", HandshakeNone, PortQueueSize, PortQueueSize);
    return CurrentPort != 0;
}

void ReportPortOpenFailed()
{
    MessageDialog(TextErrorTitle, TextArgument(TextStart() + TextPortOpenFailed + PortName).Text(),
                  ErrorRequesterFlags);
}

void OpenSelectedPort()
{
    // The user's pick: a port that went away earlier is no longer looked for.
    PortLost = false;

    const TextExpression name = TextStart();
    GadgetGetText(PortList, TempLength);
    StoreText(PortName, name);
    StoreText(PortSettings, TextStart() + PortName + PortLineSettings);

    if (!OpenPortAgain())
        ReportPortOpenFailed();
}
