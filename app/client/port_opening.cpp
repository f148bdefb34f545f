#include "app/client/port_opening.h"

#include "app/client/main_window.h"
#include "app/client/thread_events.h"
#include "app/client/port_selection.h"

#include "window/window.h"

#include <windows.h>

#include <array>
#include <cstring>

namespace {

PortHandle OpenWithoutHandshake(const char* settings)
{
    return PortOpen(settings, HandshakeNone, PortQueueSize, PortQueueSize);
}

// An open done this soon is taken at once: the controls do not flicker, and
// a click meanwhile finds the port open.
constexpr DWORD QuickOpen = 30;

// How long the program's end waits for cancelled opens to give up.
constexpr DWORD CancelGrace = 500;

// The worker sets Finished once its handle is in the record; only the
// window's thread frees a record, so it can always look at one.
enum OpenState : LONG { Running, Finished };

// One open, on the process heap: the runtime's heaps are not the worker's.
struct OpenJob {
    volatile LONG state;
    HWND window;
    HANDLE thread;
    PortHandle handle;
    bool wanted; // the port selection waits for it
    OpenPurpose purpose;
    char settings[MAX_PATH];
};

// Opens under way or given up and not yet ended. Far more than a user makes
// at once; a driver that keeps this many can open no more.
std::array<OpenJob*, 8> Jobs{};

DWORD WINAPI RunOpen(void* parameter)
{
    auto* job = static_cast<OpenJob*>(parameter);
    // Read before the hand-over: the window's thread may free the record
    // once it says Finished.
    HWND window = job->window;
    job->handle = PortOpener(job->settings);
    InterlockedExchange(&job->state, Finished);
    PostThreadEvent(window, PortOpenedEvent);
    return 0;
}

bool Ended(OpenJob* job) { return InterlockedCompareExchange(&job->state, Running, Running) == Finished; }

void Forget(OpenJob*& slot)
{
    CloseHandle(slot->thread);
    HeapFree(GetProcessHeap(), 0, slot);
    slot = nullptr;
}

// Ended opens nobody wants: a handle that still arrived is closed.
void ForgetEndedUnwanted()
{
    for (OpenJob*& job : Jobs) {
        if (job && !job->wanted && Ended(job)) {
            if (job->handle != 0)
                PortClose(job->handle);
            Forget(job);
        }
    }
}

OpenJob* WantedJob()
{
    for (OpenJob* job : Jobs)
        if (job && job->wanted)
            return job;
    return nullptr;
}

void GiveUpWanted()
{
    if (OpenJob* job = WantedJob()) {
        job->wanted = false;
        if (!Ended(job))
            CancelSynchronousIo(job->thread);
    }
    ForgetEndedUnwanted();
}

// An open given up earlier that is still blocked in the driver holds the
// port: it is taken up again rather than tried against.
OpenJob* TakeUpGivenUp(const char* settings)
{
    for (OpenJob* job : Jobs) {
        if (job && !job->wanted && !Ended(job) && std::strcmp(job->settings, settings) == 0) {
            job->wanted = true;
            return job;
        }
    }
    return nullptr;
}

OpenJob* StartJob(const char* settings, OpenPurpose purpose)
{
    OpenJob** free = nullptr;
    for (OpenJob*& slot : Jobs)
        if (!slot && !free)
            free = &slot;
    HWND window = WindowHandle(MainWindow);
    if (!free || !window || std::strlen(settings) >= MAX_PATH)
        return nullptr;
    AcceptThreadEvents(window);
    auto* job = static_cast<OpenJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenJob)));
    if (!job)
        return nullptr;
    job->state = Running;
    job->window = window;
    job->wanted = true;
    job->purpose = purpose;
    std::strcpy(job->settings, settings);
    job->thread = CreateThread(nullptr, 0, RunOpen, job, 0, nullptr);
    if (!job->thread) {
        HeapFree(GetProcessHeap(), 0, job);
        return nullptr;
    }
    *free = job;
    return job;
}

// The wanted open's result, once it has ended; the record is forgotten.
PortHandle TakeResult(OpenJob* job)
{
    const PortHandle handle = job->handle;
    for (OpenJob*& slot : Jobs)
        if (slot == job)
            Forget(slot);
    return handle;
}

} // namespace

PortHandle (*PortOpener)(const char* settings) = OpenWithoutHandshake;

OpenOutcome StartPortOpen(const char* settings, OpenPurpose purpose, PortHandle& opened)
{
    opened = 0;
    GiveUpWanted();
    OpenJob* job = TakeUpGivenUp(settings);
    if (!job)
        job = StartJob(settings, purpose);
    if (!job)
        return OpenOutcome::Failed;
    job->purpose = purpose;
    if (WaitForSingleObject(job->thread, QuickOpen) != WAIT_OBJECT_0 || !Ended(job))
        return OpenOutcome::UnderWay;
    opened = TakeResult(job);
    return opened != 0 ? OpenOutcome::Opened : OpenOutcome::Failed;
}

bool TakeEndedOpen(PortHandle& opened, OpenPurpose& purpose)
{
    ForgetEndedUnwanted();
    OpenJob* job = WantedJob();
    if (!job || !Ended(job))
        return false;
    purpose = job->purpose;
    opened = TakeResult(job);
    return true;
}

bool PortOpenUnderWay() { return WantedJob() != nullptr; }

bool PortPickUnderWay()
{
    OpenJob* job = WantedJob();
    return job && job->purpose == OpenPurpose::Pick;
}

PortHandle OpenPortWithin(const char* settings, std::int32_t milliseconds)
{
    GiveUpWanted();
    OpenJob* job = TakeUpGivenUp(settings);
    if (!job)
        job = StartJob(settings, OpenPurpose::Quiet);
    if (!job)
        return 0;
    if (WaitForSingleObject(job->thread, static_cast<DWORD>(milliseconds > 0 ? milliseconds : 0)) == WAIT_OBJECT_0 &&
        Ended(job))
        return TakeResult(job);
    GiveUpWanted();
    return 0;
}

void CancelPortOpens()
{
    std::array<HANDLE, Jobs.size()> running{};
    DWORD count = 0;
    for (OpenJob* job : Jobs) {
        if (job && !Ended(job)) {
            CancelSynchronousIo(job->thread);
            running[count++] = job->thread;
        }
    }
    if (count > 0)
        WaitForMultipleObjects(count, running.data(), TRUE, CancelGrace);
}
