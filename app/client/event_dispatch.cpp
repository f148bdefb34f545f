#include "app/client/publish_dialog.h"
#include "app/client/publishing.h"
#include "app/client/event_dispatch.h"

#include "app/client/chart_window.h"
#include "app/client/dump_driving.h"
#include "app/client/dump_keeping.h"
#include "app/client/log_document.h"
#include "app/logger/logger_protocol.h"
#include "app/client/main_menu.h"
#include "app/client/main_window.h"
#include "app/logger/line_jobs.h"
#include "app/logger/memory_dump.h"
#include "app/client/port_list.h"
#include "app/client/port_notices.h"
#include "app/client/port_opening.h"
#include "app/client/port_selection.h"
#include "app/client/power_watch.h"
#include "app/client/record_opening.h"
#include "app/client/watch_driving.h"
#include "app/client/watch_file.h"
#include "app/client/window_state.h"

#include "gadget/gadget.h"
#include "gadget/runtime.h"
#include "base/heap.h"
#include "window/event.h"

#include <windows.h>

namespace {

// While a dump runs no command does, whatever reaches the loop (a key, a
// menu, a click queued before the controls were disabled): only its own
// button, and the port list once a stop turned the dump to draining.
bool ActsDuringDump(ObjectNumber gadget)
{
    return gadget == DumpButton || (gadget == PortList && DumpCurrentPhase() == DumpPhase::Draining);
}

// The events that need the line to themselves: a command, a dump's start, a
// watch's start.
bool NeedsLine(ObjectNumber gadget, std::int32_t kind)
{
    switch (gadget) {
    case ReadButton:
    case WriteButton:
    case FormatButton:
    case StepButton:
        return true;
    case DumpButton:
        return !DumpBusy() && kind != DumpStopKey;
    case WatchButton:
        return !WatchRunning();
    default:
        return false;
    }
}

// The kind of a waiting job that is a menu item's own call, its gadget the
// item's command.
constexpr std::int32_t MenuCallJob = -1;

// A command that finds the port wanted but shut, or an open under way,
// waits for the open, starting a quiet one when none is under way.
bool WaitsForOpen(bool needsLine, const WaitingJob& job)
{
    if (!needsLine || StartOfJob(LineJob::Command, LineStateNow()) != JobStart::AfterOpen)
        return false;
    WaitingJobsPush(job);
    LookForPortNow();
    return true;
}

void DispatchGadget(ObjectNumber gadget, std::int32_t kind);

void HandleGadget(ObjectNumber gadget, std::int32_t kind)
{
    if (DumpBusy() && !ActsDuringDump(gadget))
        return;
    if (!WaitsForOpen(NeedsLine(gadget, kind), WaitingJob{gadget, kind}))
        DispatchGadget(gadget, kind);
}

// The jobs that waited run once the open has ended, in the order they came,
// whether it opened the port or not: without one they say so.
void RunWaitingJobs()
{
    for (WaitingJob job; !PortOpenUnderWay() && WaitingJobsPop(job);) {
        const MainMenuItem* item = job.kind == MenuCallJob ? MainMenuItemOf(job.gadget) : nullptr;
        if (DumpBusy())
            continue;
        if (item)
            item->run();
        else if (job.gadget == MainWindow)
            RunSequence(StartupQueries);
        else
            DispatchGadget(job.gadget, job.kind);
    }
}

void DispatchGadget(ObjectNumber gadget, std::int32_t kind)
{
    switch (gadget) {
    case ReadButton:
        RunSequence(ReadCommands);
        break;
    case WriteButton:
        RunSequence(WriteCommands);
        break;
    case FormatButton:
        RunSequence(FormatCommands);
        break;
    case StepButton:
        RunSequence(StepIntervalCommands);
        break;
    case DumpButton:
        HandleDumpButton(kind);
        break;
    case WatchButton:
        HandleWatchButton();
        break;
    case WatchIntervalList:
        if (kind == ListSelectionChanged)
            HandleWatchIntervalPick();
        break;
    case ChartButton:
        OpenChartOfNewest();
        break;
    case ClearButton:
        GadgetClearItems(LogEditor);
        break;
    case LogEditor:
        // Its menu and keys; the control's own notifications are not commands.
        RunLogCommand(kind);
        break;
    case PortList:
        // The list also reports focus changes and closing; those change
        // nothing. A port the user picked that opens is the one to start on
        // next time. The list brought its entries up to date as it opened;
        // a port that went away may be back among them.
        if (kind == PortListSelectionChanged) {
            // A drain is over once its port is.
            EndDumpNow();
            OpenSelectedPort();
            RememberOpenPort();
        } else if (kind == PortListOpening && StartOfJob(LineJob::Look, LineStateNow()) == JobStart::Now) {
            LookForLostPort();
        }
        break;
    default:
        break;
    }
}

// An item that raises a gadget's event is kept off, or waits, as its gadget
// does. A call of its own that uses the line runs nothing during a dump,
// whose bytes it would cut into, and waits for an open as a command does.
void RunMenuItem(ObjectNumber command, const MainMenuItem& item)
{
    if (!item.run)
        HandleGadget(item.gadget, item.kind);
    else if (item.duringDump)
        item.run();
    else if (!DumpBusy() && !WaitsForOpen(true, WaitingJob{command, MenuCallJob}))
        item.run();
}

} // namespace

bool HandleEvent(std::int32_t code, ObjectNumber object, std::int32_t kind)
{
    if (code == EV_CLOSE) {
        EndDumpNow();
        EndWatch();
        CancelPortOpens();
        EndRecordReading();
        EndPublishing();
        return false;
    }
    if (code == PortOpenedEvent) {
        TakePortOpened();
        RunWaitingJobs();
        return true;
    }
    // A dump that lost its port to the sleep finds it gone by itself.
    if (code == PowerResumedEvent) {
        WatchClockMoved();
        if (!DumpBusy())
            ReopenAfterResume();
    }
    if (code == WatchFileNewsEvent)
        HandleWatchFileNews();
    if (code == DumpFileNewsEvent)
        HandleDumpFileNews();
    if (code == RecordReadEvent)
        HandleRecordReadEvent();
    if (code == PublishNewsEvent)
        HandlePublishNews();
    if (code == PublishCheckEvent)
        ShowPublishCheck();
    if (code == EV_GADGET) {
        HandleGadget(object, kind);
        // The Watch button checks itself on a click even when the click
        // reached no command (the line was busy with a dump or an open).
        if (object == WatchButton)
            ShowWindowState();
    }
    else if (code == EV_MENU) {
        if (const MainMenuItem* item = MainMenuItemOf(object))
            RunMenuItem(object, *item);
    }
    else if (code == PortNoticeEvent)
        HandlePortNotices();
    return true;
}

void RunStartupQueries()
{
    if (PortOpenUnderWay())
        WaitingJobsPush(WaitingJob{MainWindow, 0});
    else
        RunSequence(StartupQueries);
}

void RunEventLoop()
{
    for (;;) {
        const std::int32_t code = EventWait();
        if (!HandleEvent(code, EventObject(), EventKind()))
            return;
    }
}

void EndProgram()
{
    RuntimeEnd();
    HeapClose(MainHeap);
    ExitProcess(0);
}
