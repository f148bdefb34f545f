#include "app/client/watch_file.h"

#include "app/client/file_report.h"
#include "app/client/main_window.h"
#include "app/client/thread_events.h"
#include "app/logger/watch_writer.h"

#include "base/system_dll.h"
#include "window/section_lock.h"
#include "window/window.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cstring>

BOOL(WINAPI* WatchFileWriter)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = WriteFile;

namespace {

// A failing file is tried again this often while no rows come, and said to
// be stuck after this long.
constexpr DWORD RetryMilliseconds = 5000;
constexpr ULONGLONG StuckMilliseconds = 5 * 60 * 1000;
// An ended watch's writer goes on trying a failing file this long, then
// gives up on the rows it holds.
constexpr ULONGLONG EndingMilliseconds = 60 * 1000;

// Far more tries than a minute's watches could take; a folder where every
// name is taken ends them.
constexpr std::int32_t NameAttempts = 1000;

// Shared by the window's thread and the writer's, on the process heap; each
// holds it until it lets go, the last one frees it.
struct FileWriter {
    CRITICAL_SECTION lock;
    HANDLE wake;
    HANDLE thread;
    HWND window;
    volatile LONG owners;
    // Under the lock.
    WatchRows incoming;
    std::size_t writerBytes; // the memory of the rows the writer holds
    bool ending;
    WatchFileNews news;
    // The writer's own.
    WatchFilePlan plan;
    wchar_t folder[MAX_PATH];
    HANDLE file;
    DWORD error;
    ULONGLONG failingSince;
    bool toldOpen;
    WatchWriter writer;
};

FileWriter* Running = nullptr;
FileWriter* Ending = nullptr;

void Release(FileWriter* writer)
{
    if (!writer || InterlockedDecrement(&writer->owners) != 0)
        return;
    DeleteCriticalSection(&writer->lock);
    CloseHandle(writer->wake);
    if (writer->thread)
        CloseHandle(writer->thread);
    WatchRowsClear(writer->incoming);
    WatchRowsClear(writer->writer.rows);
    HeapFree(GetProcessHeap(), 0, writer);
}

// The shell and COM's memory calls load with the first watch, as the Save
// dialog's do with the first Save: imported, they would load at every start.
using KnownFolderFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
using TaskMemFreeFunction = void(WINAPI*)(LPVOID);

bool DocumentsFolder(wchar_t (&folder)[MAX_PATH])
{
    const auto knownFolder = SystemDllFunction<KnownFolderFunction>(L"shell32.dll", "SHGetKnownFolderPath");
    const auto taskMemFree = SystemDllFunction<TaskMemFreeFunction>(L"ole32.dll", "CoTaskMemFree");
    if (!knownFolder || !taskMemFree)
        return false;
    // The path is the caller's to free, whether the call succeeds or not.
    wchar_t* known = nullptr;
    const bool found = SUCCEEDED(knownFolder(FOLDERID_Documents, 0, nullptr, &known)) && known &&
                       lstrlenW(known) < MAX_PATH;
    if (found)
        lstrcpynW(folder, known, MAX_PATH);
    taskMemFree(known);
    return found;
}

// The folder, a backslash and the name the attempt gives; false when the
// whole does not fit a path.
bool NameAttempt(const wchar_t* folder, const WatchClock& start, std::int32_t attempt, wchar_t (&path)[MAX_PATH])
{
    char name[64];
    const std::size_t length = WatchFileName(start, attempt, name);
    const int folderLength = lstrlenW(folder);
    if (folderLength + 1 + static_cast<int>(length) >= MAX_PATH)
        return false;
    WideBuilder text(path, MAX_PATH);
    text.Append(folder);
    text.Append(L"\\");
    text.AppendFrom1251(name);
    return true;
}

bool Fail(FileWriter& writer, DWORD fallback)
{
    writer.error = LastErrorOr(fallback);
    return false;
}

bool WriteBytes(void* context, const char* bytes, std::size_t length)
{
    auto& writer = *static_cast<FileWriter*>(context);
    DWORD written = 0;
    if (!WatchFileWriter(writer.file, bytes, static_cast<DWORD>(length), &written, nullptr))
        return Fail(writer, ERROR_WRITE_FAULT);
    if (written != length) {
        writer.error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool FlushFile(void* context)
{
    auto& writer = *static_cast<FileWriter*>(context);
    return FlushFileBuffers(writer.file) || Fail(writer, ERROR_WRITE_FAULT);
}

HANDLE OpenForWriting(const wchar_t* path, DWORD disposition)
{
    return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Cuts the file back to `length` (or leaves a shorter one as it is) and
// goes to its end.
bool CutTo(FileWriter& writer, std::uint64_t length)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(writer.file, &size))
        return Fail(writer, ERROR_READ_FAULT);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length) < size.QuadPart ? static_cast<LONGLONG>(length) : size.QuadPart;
    return (SetFilePointerEx(writer.file, end, nullptr, FILE_BEGIN) && SetEndOfFile(writer.file)) ||
           Fail(writer, ERROR_WRITE_FAULT);
}

// A handle that failed once may be dead (a share that went and came back, a
// volume after a hibernate): the file is opened again whatever it was.
bool Recover(void* context, std::uint64_t length)
{
    auto& writer = *static_cast<FileWriter*>(context);
    if (writer.file != INVALID_HANDLE_VALUE)
        CloseHandle(writer.file);
    writer.file = OpenForWriting(writer.news.path, OPEN_EXISTING);
    if (writer.file == INVALID_HANDLE_VALUE)
        return Fail(writer, ERROR_OPEN_FAILED);
    return CutTo(writer, length);
}

WatchClock LocalTime(std::int64_t utc)
{
    const auto ticks = static_cast<ULONGLONG>(utc) * 10'000'000;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&time, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        local = universal;
    return WatchClock{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

WatchSink SinkOf(FileWriter& writer) { return WatchSink{&writer, WriteBytes, FlushFile, Recover, LocalTime}; }

// A new file gets its header; one that cannot have it whole goes again, so
// no empty file is left behind.
bool BeginNewFile(FileWriter& writer)
{
    const WatchSink sink = SinkOf(writer);
    writer.writer.broken = false;
    if (WatchWriterBegin(writer.writer, sink))
        return true;
    CloseHandle(writer.file);
    writer.file = INVALID_HANDLE_VALUE;
    DeleteFileW(writer.news.path);
    return false;
}

bool CreateInFolder(FileWriter& writer, wchar_t (&path)[MAX_PATH])
{
    if (!writer.folder[0]) {
        writer.error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    for (std::int32_t attempt = 1; attempt <= NameAttempts; ++attempt) {
        if (!NameAttempt(writer.folder, writer.plan.start, attempt, path)) {
            writer.error = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        writer.file = OpenForWriting(path, CREATE_NEW);
        if (writer.file != INVALID_HANDLE_VALUE)
            return BeginNewFile(writer);
        const DWORD error = LastErrorOr(ERROR_CANNOT_MAKE);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            writer.error = error;
            return false;
        }
    }
    writer.error = ERROR_FILE_EXISTS;
    return false;
}

// The file named in the plan: cut back to its last whole row, or begun when
// it is new or empty. A file with more in it than the plan knew of is not
// the one the plan read, and is left alone.
bool OpenNamed(FileWriter& writer, wchar_t (&path)[MAX_PATH])
{
    lstrcpynW(path, writer.plan.path, MAX_PATH);
    writer.file = OpenForWriting(path, OPEN_ALWAYS);
    if (writer.file == INVALID_HANDLE_VALUE)
        return Fail(writer, ERROR_OPEN_FAILED);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(writer.file, &size)) {
        Fail(writer, ERROR_READ_FAULT);
    } else if (size.QuadPart == 0) {
        return BeginNewFile(writer);
    } else if (writer.plan.keep > 0 && CutTo(writer, writer.plan.keep)) {
        writer.writer.flushedBytes = writer.plan.keep;
        return true;
    } else if (writer.plan.keep == 0) {
        writer.error = ERROR_FILE_EXISTS;
    }
    CloseHandle(writer.file);
    writer.file = INVALID_HANDLE_VALUE;
    return false;
}

bool OpenFile(FileWriter& writer)
{
    wchar_t path[MAX_PATH] = {};
    const bool open = writer.plan.path[0] ? OpenNamed(writer, path) : CreateInFolder(writer, path);
    SectionLock locked(writer.lock);
    lstrcpynW(writer.news.path, path, MAX_PATH);
    writer.news.open = open;
    return open;
}

bool WriteWaiting(FileWriter& writer)
{
    if (writer.file == INVALID_HANDLE_VALUE && !OpenFile(writer))
        return false;
    return WatchWriterRun(writer.writer, SinkOf(writer));
}

// Tells the window when what it shows changed: the file open, behind,
// caught up, stuck.
void Publish(FileWriter& writer, bool written)
{
    const ULONGLONG now = GetTickCount64();
    if (written)
        writer.failingSince = 0;
    else if (writer.failingSince == 0)
        writer.failingSince = now;
    bool changed = false;
    {
        SectionLock locked(writer.lock);
        WatchFileNews& news = writer.news;
        const bool stuck = !written && now - writer.failingSince >= StuckMilliseconds;
        changed = news.behind != !written || news.stuck != stuck || (!written && news.error != writer.error) ||
                  (news.open && !writer.toldOpen);
        writer.toldOpen = writer.toldOpen || news.open;
        news.behind = !written;
        news.stuck = stuck;
        news.error = written ? 0 : writer.error;
        news.readings = writer.writer.readingsWritten;
        news.gaps = writer.writer.gapsWritten;
        writer.writerBytes = writer.writer.rows.bytes;
    }
    if (changed)
        PostThreadEvent(writer.window, WatchFileNewsEvent);
}

void Close(FileWriter& writer)
{
    if (writer.file != INVALID_HANDLE_VALUE)
        CloseHandle(writer.file);
    writer.file = INVALID_HANDLE_VALUE;
    SectionLock locked(writer.lock);
    writer.news.ended = true;
    writer.news.lost = writer.writer.rows.rows + writer.incoming.rows;
}

DWORD WINAPI RunWriter(void* parameter)
{
    auto& writer = *static_cast<FileWriter*>(parameter);
    ULONGLONG endingSince = 0;
    for (;;) {
        WaitForSingleObject(writer.wake, writer.failingSince ? RetryMilliseconds : INFINITE);
        bool ending = false;
        {
            SectionLock locked(writer.lock);
            WatchRowsMove(writer.incoming, writer.writer.rows);
            ending = writer.ending;
        }
        const bool written = WriteWaiting(writer);
        Publish(writer, written);
        if (ending && endingSince == 0)
            endingSince = GetTickCount64();
        if (ending && (written || GetTickCount64() - endingSince >= EndingMilliseconds))
            break;
    }
    Close(writer);
    PostThreadEvent(writer.window, WatchFileNewsEvent);
    Release(&writer);
    return 0;
}

} // namespace

bool WatchFileBegin(const WatchFilePlan& plan)
{
    // The end of an earlier watch still writing goes untold.
    Release(Ending);
    Ending = nullptr;
    auto* writer = static_cast<FileWriter*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FileWriter)));
    if (!writer)
        return false;
    InitializeCriticalSection(&writer->lock);
    writer->owners = 2;
    writer->window = WindowHandle(MainWindow);
    AcceptThreadEvents(writer->window);
    writer->plan = plan;
    std::memcpy(writer->writer.list, plan.list, sizeof plan.list);
    std::memcpy(writer->writer.decimal, plan.decimal, sizeof plan.decimal);
    writer->file = INVALID_HANDLE_VALUE;
    if (!plan.path[0] && !DocumentsFolder(writer->folder))
        writer->folder[0] = L'\0';
    lstrcpynW(writer->news.path, plan.path, MAX_PATH);
    writer->wake = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    writer->thread = writer->wake ? CreateThread(nullptr, 0, RunWriter, writer, 0, nullptr) : nullptr;
    if (!writer->thread) {
        writer->owners = 1;
        Release(writer);
        return false;
    }
    Running = writer;
    return true;
}

bool WatchFileAddSlot(WatchTimeline& timeline, std::uint32_t intervalSeconds, const WatchSlotRows& slot,
                      std::int64_t& utc)
{
    if (!Running)
        return false;
    bool added = false;
    bool filled = false;
    {
        SectionLock locked(Running->lock);
        const bool full = Running->incoming.bytes + Running->writerBytes >= WatchRowsRoom;
        WatchSlotRows rows = slot;
        if (full) {
            rows.missedGap = rows.gap = WatchGap::NoRoom;
            rows.reply = nullptr;
            rows.replyLength = 0;
            filled = !Running->news.full;
            Running->news.full = true;
        }
        added = WatchRowsAddSlot(Running->incoming, timeline, intervalSeconds, rows, utc);
    }
    SetEvent(Running->wake);
    // The writer tells of a failing file only when that changes: the room
    // filling up is told from here.
    if (filled)
        PostThreadEvent(Running->window, WatchFileNewsEvent);
    return added;
}

bool WatchFileAddRows(const WatchRowsEntry& entry)
{
    if (!Running)
        return false;
    bool added = false;
    {
        SectionLock locked(Running->lock);
        added = WatchRowsAdd(Running->incoming, entry);
    }
    SetEvent(Running->wake);
    return added;
}

bool WatchFileTakeNews(WatchFileNews& news)
{
    FileWriter* writer = Running ? Running : Ending;
    if (!writer)
        return false;
    {
        SectionLock locked(writer->lock);
        news = writer->news;
    }
    if (writer == Ending && news.ended) {
        Release(Ending);
        Ending = nullptr;
    }
    return true;
}

void WatchFileEnd()
{
    if (!Running)
        return;
    {
        SectionLock locked(Running->lock);
        Running->ending = true;
    }
    SetEvent(Running->wake);
    Release(Ending);
    Ending = Running;
    Running = nullptr;
}

bool WatchFileWaitEnded(DWORD milliseconds)
{
    FileWriter* writer = Running ? Running : Ending;
    return !writer || WaitForSingleObject(writer->thread, milliseconds) == WAIT_OBJECT_0;
}
