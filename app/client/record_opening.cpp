#include "app/client/record_opening.h"

#include "app/client/chart_window.h"
#include "app/client/file_report.h"
#include "app/client/file_saving.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/thread_events.h"

#include "base/system_dll.h"
#include "window/message_dialog.h"
#include "window/process_heap.h"
#include "window/window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>

namespace {

// Files read at once, far more than a user drops together.
constexpr std::size_t MostReadings = 8;
// The disk is read this much at a time: a week's record at a reading a
// second is some 40 MB, which need never be in memory at once.
constexpr DWORD ReadPart = 1 << 20;
// How long the program's end waits for readers told to stop.
constexpr DWORD EndGrace = 1000;
constexpr UINT_PTR DropSubclass = 4;
constexpr std::uint64_t FileTimeTicksPerSecond = 10'000'000;

// The reader sets Finished once it has read all it will; only the window's
// thread frees a job, so it can always look at one.
enum ReadState : LONG { Reading, Finished };

// One file's reading, on the process heap. The readings' chunks come from
// the memory heap, which the system serialises, so the reader fills them.
struct RecordJob {
    volatile LONG state;
    volatile LONG stop;
    HWND window;
    HANDLE thread;
    DWORD error;
    RecordRead read;
    OpenedRecord record;
};
std::array<RecordJob*, MostReadings> Jobs{};

using DragQueryFunction = UINT(WINAPI*)(HDROP, UINT, LPWSTR, UINT);
using DragFinishFunction = void(WINAPI*)(HDROP);
bool DropCallsLoaded = false;
DragQueryFunction DragQueryCall = nullptr;
DragFinishFunction DragFinishCall = nullptr;

bool Ended(RecordJob* job) { return InterlockedCompareExchange(&job->state, Reading, Reading) == Finished; }

// The first versions wrote local times: as the zone's rules have them for
// that moment.
std::int64_t LocalToUtc(std::int64_t localSeconds)
{
    std::uint64_t ticks = static_cast<std::uint64_t>(localSeconds) * FileTimeTicksPerSecond;
    FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME local{};
    SYSTEMTIME universal{};
    if (!FileTimeToSystemTime(&time, &local) || !TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) ||
        !SystemTimeToFileTime(&universal, &time))
        return localSeconds;
    ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / FileTimeTicksPerSecond);
}

// The file as it stands, a part at a time; a running watch's goes on
// growing behind the last part read.
DWORD ReadWholeFile(RecordJob& job)
{
    HANDLE file = CreateFileW(job.record.path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LastErrorOr(ERROR_OPEN_FAILED);
    const ProcessHeapBlock part(ReadPart);
    DWORD error = part.As<char>() ? 0 : ERROR_NOT_ENOUGH_MEMORY;
    while (!error && job.read.fault == RecordFault::None && !InterlockedCompareExchange(&job.stop, 0, 0)) {
        DWORD got = 0;
        if (!ReadFile(file, part.As<char>(), ReadPart, &got, nullptr))
            error = LastErrorOr(ERROR_READ_FAULT);
        else if (got == 0)
            break;
        else
            RecordReadBytes(job.read, part.As<char>(), got, job.record.readings, LocalToUtc);
    }
    CloseHandle(file);
    RecordReadEnd(job.read);
    return error;
}

DWORD WINAPI RunReader(void* parameter)
{
    auto* job = static_cast<RecordJob*>(parameter);
    // Read before the hand-over: the window's thread may free the job once
    // it says Finished.
    HWND window = job->window;
    job->error = ReadWholeFile(*job);
    InterlockedExchange(&job->state, Finished);
    PostThreadEvent(window, RecordReadEvent);
    return 0;
}

void ForgetJob(RecordJob* job)
{
    CloseHandle(job->thread);
    WatchReadingsClear(job->record.readings);
    HeapFree(GetProcessHeap(), 0, job);
}

void TellTooMany() { MessageDialog(TextErrorTitle, TextRecordTooMany, ErrorRequesterFlags); }

// A reading that has ended: its chart, which takes its readings, or the
// requester that says why there is none.
void Finish(RecordJob& job)
{
    const wchar_t* path = job.record.path;
    if (job.error) {
        ReportFileFailure(TextRecordOpenFailed, path, job.error);
        return;
    }
    if (job.read.fault != RecordFault::None) {
        ReportFileLine(job.read.fault == RecordFault::NotRecord ? TextRecordNotRecord : TextRecordDamaged, path,
                       job.read.faultLine);
        return;
    }
    auto* record = static_cast<OpenedRecord*>(HeapAlloc(GetProcessHeap(), 0, sizeof(OpenedRecord)));
    if (!record) {
        ReportFileFailure(TextRecordOpenFailed, path, ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    *record = job.record;
    record->kind = job.read.kind;
    record->timed = job.read.kind != RecordHeader::Dump || job.read.timed;
    record->summary = job.read.summary;
    job.record.readings = WatchReadings{};
    if (!OpenRecordChart(record))
        TellTooMany();
}

LRESULT CALLBACK TakeDrop(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_DROPFILES) {
        OpenDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, TakeDrop, DropSubclass);
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

void OpenRecordFile(const wchar_t* path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        ReportFileFailure(TextRecordOpenFailed, path, length ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
        return;
    }
    if (ShowRecordChart(full))
        return;
    RecordJob** free = nullptr;
    for (RecordJob*& slot : Jobs) {
        if (slot && lstrcmpiW(slot->record.path, full) == 0)
            return;
        if (!slot && !free)
            free = &slot;
    }
    HWND window = WindowHandle(MainWindow);
    if (!free || !window) {
        TellTooMany();
        return;
    }
    AcceptThreadEvents(window);
    auto* job = static_cast<RecordJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RecordJob)));
    if (job) {
        job->window = window;
        lstrcpynW(job->record.path, full, MAX_PATH);
        job->thread = CreateThread(nullptr, 0, RunReader, job, 0, nullptr);
    }
    if (!job || !job->thread) {
        const DWORD error = LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
        if (job)
            HeapFree(GetProcessHeap(), 0, job);
        ReportFileFailure(TextRecordOpenFailed, full, error);
        return;
    }
    *free = job;
}

void AskForRecordFile()
{
    const SaveChoice choice{.owner = WindowHandle(MainWindow), .title = TextOpenRecordTitle,
                            .filterName = TextRecordFiles, .pattern = L"*.csv", .extension = L"csv",
                            .folder = CSIDL_PERSONAL, .name = nullptr};
    wchar_t path[SavePathCapacity];
    if (AskWhichToOpen(choice, path, SavePathCapacity))
        OpenRecordFile(path);
}

void OpenDroppedFiles(HDROP drop)
{
    // Looked up at the first drop: most runs see none.
    if (!DropCallsLoaded) {
        DropCallsLoaded = true;
        DragQueryCall = SystemDllFunction<DragQueryFunction>(L"shell32.dll", "DragQueryFileW");
        DragFinishCall = SystemDllFunction<DragFinishFunction>(L"shell32.dll", "DragFinish");
    }
    const auto query = DragQueryCall;
    const auto finish = DragFinishCall;
    const UINT count = query ? query(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        if (query(drop, i, path, MAX_PATH))
            OpenRecordFile(path);
    }
    if (finish)
        finish(drop);
}

void AcceptDroppedRecords()
{
    HWND window = WindowHandle(MainWindow);
    if (!window)
        return;
    SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    SetWindowSubclass(window, TakeDrop, DropSubclass, 0);
}

void HandleRecordReadEvent()
{
    for (RecordJob*& slot : Jobs) {
        if (!slot || !Ended(slot))
            continue;
        // Out of the list before a requester's loop can bring the next event.
        RecordJob* job = slot;
        slot = nullptr;
        Finish(*job);
        ForgetJob(job);
    }
}

void EndRecordReading()
{
    std::array<HANDLE, MostReadings> running{};
    DWORD count = 0;
    for (RecordJob* job : Jobs) {
        if (job && !Ended(job)) {
            InterlockedExchange(&job->stop, 1);
            running[count++] = job->thread;
        }
    }
    if (count > 0)
        WaitForMultipleObjects(count, running.data(), TRUE, EndGrace);
}

void CloseOpenedRecord(OpenedRecord* record)
{
    if (!record)
        return;
    WatchReadingsClear(record->readings);
    HeapFree(GetProcessHeap(), 0, record);
}
