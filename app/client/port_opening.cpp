#include "app/client/port_opening.h"

#include "app/client/event_dispatch.h"
#include "app/client/main_window.h"
#include "app/client/port_selection.h"
#include "app/client/window_state.h"

#include "base/delay.h"
#include "gadget/gadget.h"
#include "window/event.h"
#include "window/window.h"

#include <windows.h>

#include <cstring>
#include <optional>

bool PortPickWaiting = false;

namespace {

PortHandle OpenWithoutHandshake(const char* settings)
{
    return PortOpen(settings, HandshakeNone, PortQueueSize, PortQueueSize);
}

// Tells the window's thread that an open is done; the window layer sees a
// message of no toolkit meaning and leaves it to the default procedure.
constexpr UINT PortOpenDoneMessage = WM_APP + 0x100;

// How long the window's thread waits between two looks at an open whose
// message might be lost (a window that went away): the message wakes it sooner.
constexpr std::int32_t OpenLookInterval = 100;

// An open done this soon (a wired port, a USB adapter) is waited for without
// taking messages: the controls do not flicker, and a click meanwhile is
// taken as a command once the port is open.
constexpr DWORD QuickOpen = 30;

// How long a close of the window waits for a cancelled open to give up
// before the process ends without it.
constexpr DWORD CancelGrace = 500;

// The worker moves an open from Running to Finished, the window's thread
// from Running to Abandoned; the side that finds the other's state already
// set owns the handle and the record.
enum OpenState : LONG { Running, Finished, Abandoned };

// One open, on the process heap: the runtime's heaps are not the worker's.
struct OpenJob {
    volatile LONG state;
    HWND window;
    PortHandle handle;
    char settings[MAX_PATH];
};

void FreeJob(OpenJob* job) { HeapFree(GetProcessHeap(), 0, job); }

DWORD WINAPI RunOpen(void* parameter)
{
    auto* job = static_cast<OpenJob*>(parameter);
    // Read before the hand-over: once the state says Finished the window's
    // thread may free the record.
    HWND window = job->window;
    job->handle = PortOpener(job->settings);
    if (InterlockedCompareExchange(&job->state, Finished, Running) == Abandoned) {
        if (job->handle != 0)
            PortClose(job->handle);
        FreeJob(job);
        return 0;
    }
    PostMessageA(window, PortOpenDoneMessage, 0, 0);
    return 0;
}

bool JobFinished(OpenJob* job) { return InterlockedCompareExchange(&job->state, Running, Running) == Finished; }

// The user picked another port: the open is cancelled and left to its
// worker, which closes a handle that still arrives.
void Abandon(OpenJob* job, HANDLE thread)
{
    if (InterlockedCompareExchange(&job->state, Abandoned, Running) == Finished) {
        if (job->handle != 0)
            PortClose(job->handle);
        FreeJob(job);
    } else {
        CancelSynchronousIo(thread);
    }
}

// The window goes at once; an open still blocked in the driver is cancelled
// and given a moment, then the process ends without it.
[[noreturn]] void EndDuringOpen(HANDLE thread)
{
    ShowWindow(WindowHandle(MainWindow), SW_HIDE);
    if (thread) {
        CancelSynchronousIo(thread);
        WaitForSingleObject(thread, CancelGrace);
    }
    EndProgram();
}

// Opens and pauses that are taking the window's messages; they may nest.
int MessageTakers = 0;

bool IsPortPick(std::int32_t code)
{
    return code == EV_GADGET && EventObject() == PortList && EventKind() == PortListSelectionChanged;
}

// CommandsOff scopes alive.
int CommandsOffDepth = 0;

// Takes the window's messages until the open is finished or, without one,
// the time is up; every command meanwhile is dropped. False when the user
// picked another port: the pick is queued again for the loop.
bool TakeMessagesUntil(OpenJob* job, HANDLE thread, std::int64_t deadline)
{
    // Off once the window has answered what waits: disabling the controls
    // takes a while of its own.
    std::optional<CommandsOff> off;
    ++MessageTakers;
    struct Leave {
        ~Leave() { --MessageTakers; }
    } leave;
    for (;;) {
        if (job ? JobFinished(job) : MonotonicMilliseconds() >= deadline)
            return true;
        const std::int64_t left = !off ? 0 : job ? OpenLookInterval : deadline - MonotonicMilliseconds();
        const std::int32_t code = EventWaitTimeout(static_cast<std::int32_t>(left > 0 ? left : 0));
        if (code == EV_CLOSE)
            EndDuringOpen(thread);
        if (IsPortPick(code)) {
            PortPickWaiting = true;
            EventPost(EV_GADGET, PortList, MainWindow, PortListSelectionChanged);
            return false;
        }
        if (!off)
            off.emplace();
    }
}

} // namespace

PortHandle (*PortOpener)(const char* settings) = OpenWithoutHandshake;

OpenOutcome OpenPortInBackground(const char* settings, PortHandle& opened)
{
    opened = 0;
    if (!settings || std::strlen(settings) >= MAX_PATH)
        return OpenOutcome::Failed;
    auto* job = static_cast<OpenJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenJob)));
    if (!job)
        return OpenOutcome::Failed;
    job->state = Running;
    job->window = WindowHandle(MainWindow);
    std::strcpy(job->settings, settings);
    HANDLE thread = CreateThread(nullptr, 0, RunOpen, job, 0, nullptr);
    if (!thread) {
        FreeJob(job);
        return OpenOutcome::Failed;
    }
    const bool finished = WaitForSingleObject(thread, QuickOpen) == WAIT_OBJECT_0 || TakeMessagesUntil(job, thread, 0);
    if (!finished)
        Abandon(job, thread);
    CloseHandle(thread);
    if (!finished)
        return OpenOutcome::Superseded;
    opened = job->handle;
    FreeJob(job);
    return opened != 0 ? OpenOutcome::Opened : OpenOutcome::Failed;
}

bool PauseTakingMessages(std::int32_t milliseconds)
{
    return TakeMessagesUntil(nullptr, nullptr, MonotonicMilliseconds() + milliseconds);
}

bool PortBusy() { return MessageTakers > 0; }

CommandsOff::CommandsOff()
{
    ++CommandsOffDepth;
    ShowWindowState();
}

CommandsOff::~CommandsOff()
{
    --CommandsOffDepth;
    ShowWindowState();
}

bool PortOpenHoldsCommands() { return CommandsOffDepth > 0; }
