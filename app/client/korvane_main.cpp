// The program entry: the runtime's start in its fixed order, the window and
// its gadgets, the first port (the command line's, the remembered one or
// COM2), the first look at the logger, the record file the command line
// names and the watch it asks for or the port's watch resumed, then the
// event loop until the window is closed.
#include "app/client/client_effects.h"
#include "app/client/dump_driving.h"
#include "app/client/event_dispatch.h"
#include "app/client/log_document.h"
#include "app/client/main_window.h"
#include "app/client/port_list.h"
#include "app/client/port_notices.h"
#include "app/client/port_selection.h"
#include "app/client/power_watch.h"
#include "app/client/publishing.h"
#include "app/client/record_opening.h"
#include "app/client/tray_icon.h"
#include "app/client/watch_driving.h"
#include "gadget/runtime.h"

#include "base/heap.h"
#include "base/system_dll.h"

#include <windows.h>

namespace {

// The system runs timer callbacks inside a handler that swallows faults, so
// a dump's step or a watch's slot that faulted would stop silently while the
// window says it runs. A system without the setting refuses it, and keeps
// its old way.
void LetTimerFaultsThrough()
{
    BOOL suppress = FALSE;
    SetUserObjectInformationW(GetCurrentProcess(), UOI_TIMERPROC_EXCEPTION_SUPPRESSION, &suppress, sizeof suppress);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything loads a library.
    RestrictLibrarySearch();
    LetTimerFaultsThrough();
    // The installer and the uninstaller leave the program's files alone while
    // this exists. It is never closed: the system closes it when the process
    // ends, however it ends.
    CreateMutexW(nullptr, FALSE, L"Local\\Korvane.Running");

    // Every registry and toolkit record comes from this heap, so it exists
    // before the first start step.
    MainHeap = HeapOpen();
    RuntimeStart();
    InstallClientEffects();

    OpenClientFonts();
    OpenMainWindow();
    CreateClientGadgets();
    InstallLogDocument();
    WatchDumpButton();
    InstallWatch();
    InstallPortNotices();
    InstallPowerWatch();
    AcceptDroppedRecords();
    InstallTrayIcon();
    FillPortList();
    // Large for the stack of a start.
    static StartArguments arguments;
    ReadStartArguments(reinterpret_cast<const char16_t*>(GetCommandLineW()), arguments);
    SelectStartPort(arguments.port);
    // An unattended start (a restart, a log-on) raises no requester for a
    // port that is not there yet.
    if (WatchStartsAtLaunch(arguments))
        OpenSelectedPortQuietly();
    else
        OpenSelectedPort();
    RunStartupQueries();
    // A record file named without a watch to write it opens in a chart.
    if (*arguments.file && !WatchStartsAtLaunch(arguments))
        OpenRecordFile(reinterpret_cast<const wchar_t*>(arguments.file));
    StartWatchAtLaunch(arguments);
    PublishLeftovers();

    RunEventLoop();
    EndProgram();
}
