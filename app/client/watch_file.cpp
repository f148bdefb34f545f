#include "app/client/watch_file.h"

#include "app/client/file_report.h"
#include "app/client/main_window.h"
#include "app/client/record_times.h"
#include "app/client/thread_events.h"
#include "app/logger/watch_writer.h"

#include "base/system_dll.h"
#include "window/byte_run.h"
#include "window/section_lock.h"
#include "window/window.h"

#include <windows.h>
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

// A dump's writer, once the dump has ended, tries this long: its requester
// is to come soon after the dump.
constexpr ULONGLONG DumpEndingMilliseconds = 10 * 1000;

// Far more tries than a minute's watches could take; a folder where every
// name is taken ends them.
constexpr std::int32_t NameAttempts = 1000;

constexpr char ByteOrderMark[] = "\xef\xbb\xbf";

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
    // A dump's files rather than a watch's record: its text, then its table.
    bool dump;
    ByteRun incomingText; // under the lock
    ByteRun table;        // handed with the end
    // The writer's own.
    ByteRun text; // taken from incomingText, not yet flushed
    std::int32_t attempt; // the text file's name, which the table's follows
    bool textClosed;
    bool tableWritten;
    WatchFilePlan plan;
    wchar_t folder[MAX_PATH];
    HANDLE file;
    DWORD error;
    ULONGLONG failingSince;
    bool toldOpen;
    WatchWriter writer;
};

// A watch's writer or a dump's: the one running, and the one that ended
// last until its end has been taken.
struct WriterPlace {
    FileWriter* running;
    FileWriter* ending;
};
WriterPlace Watch{};
WriterPlace Dump{};

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
    ByteRunFree(writer->incomingText);
    ByteRunFree(writer->table);
    ByteRunFree(writer->text);
    HeapFree(GetProcessHeap(), 0, writer);
}

// The shell and COM's memory calls load with the first watch, as the Save
// dialog's do with the first Save: imported, they would load at every start.
using KnownFolderFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
using TaskMemFreeFunction = void(WINAPI*)(LPVOID);
// The system's library of identifiers holds them all in one block of 36 KB,
// a seventh of the program: the one it needs is its own.
constexpr KNOWNFOLDERID DocumentsFolderId{0xfdd39ad0, 0x238f, 0x46af, {0xad, 0xb4, 0x6c, 0x85, 0x48, 0x03, 0x69, 0xc7}};

bool DocumentsFolder(wchar_t (&folder)[MAX_PATH])
{
    const auto knownFolder = SystemDllFunction<KnownFolderFunction>(L"shell32.dll", "SHGetKnownFolderPath");
    const auto taskMemFree = SystemDllFunction<TaskMemFreeFunction>(L"ole32.dll", "CoTaskMemFree");
    if (!knownFolder || !taskMemFree)
        return false;
    // The path is the caller's to free, whether the call succeeds or not.
    wchar_t* known = nullptr;
    const bool found = SUCCEEDED(knownFolder(DocumentsFolderId, 0, nullptr, &known)) && known &&
                       lstrlenW(known) < MAX_PATH;
    if (found)
        lstrcpynW(folder, known, MAX_PATH);
    taskMemFree(known);
    return found;
}

// The folder, a backslash and the name the attempt gives (a dump's with the
// extension); false when the whole does not fit a path.
bool NameAttempt(const FileWriter& writer, std::int32_t attempt, const char* extension, wchar_t (&path)[MAX_PATH])
{
    char name[64];
    const std::size_t length = writer.dump ? DumpFileName(writer.plan.start, attempt, extension, name)
                                           : WatchFileName(writer.plan.start, attempt, name);
    const int folderLength = lstrlenW(writer.folder);
    if (folderLength + 1 + static_cast<int>(length) >= MAX_PATH)
        return false;
    WideBuilder text(path, MAX_PATH);
    text.Append(writer.folder);
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

WatchSink SinkOf(FileWriter& writer) { return WatchSink{&writer, WriteBytes, FlushFile, Recover, LocalClockAt}; }

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
        wchar_t table[MAX_PATH] = {};
        const bool named = NameAttempt(writer, attempt, ".txt", path) &&
                           (!writer.dump || NameAttempt(writer, attempt, ".csv", table));
        if (!named) {
            writer.error = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        // A dump's two files share their name: one taken takes both.
        if (writer.dump && GetFileAttributesW(table) != INVALID_FILE_ATTRIBUTES)
            continue;
        writer.file = OpenForWriting(path, CREATE_NEW);
        writer.attempt = attempt;
        if (writer.file != INVALID_HANDLE_VALUE && writer.dump) {
            SectionLock locked(writer.lock);
            lstrcpynW(writer.news.table, table, MAX_PATH);
            return true;
        }
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

// The dump's text taken so far, flushed; after a failure the file is
// recovered first, cut back to what the last flush kept.
bool WriteText(FileWriter& writer)
{
    const WatchSink sink = SinkOf(writer);
    if (writer.writer.broken && !sink.recover(&writer, writer.writer.flushedBytes))
        return false;
    writer.writer.broken = true;
    for (std::size_t at = 0; at < writer.text.length; at += WatchWriterPiece) {
        const std::size_t rest = writer.text.length - at;
        if (!sink.write(&writer, writer.text.bytes + at, rest < WatchWriterPiece ? rest : WatchWriterPiece))
            return false;
    }
    if (!sink.flush(&writer))
        return false;
    writer.writer.broken = false;
    writer.writer.flushedBytes += writer.text.length;
    writer.text.length = 0;
    return true;
}

// The table, written whole beside the text or not at all.
bool WriteTable(FileWriter& writer)
{
    wchar_t path[MAX_PATH] = {};
    if (!NameAttempt(writer, writer.attempt, ".csv", path))
        return Fail(writer, ERROR_FILENAME_EXCED_RANGE);
    const HANDLE file = OpenForWriting(path, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return Fail(writer, ERROR_OPEN_FAILED);
    bool written = true;
    for (std::size_t at = 0; written && at < writer.table.length; at += WatchWriterPiece) {
        const std::size_t rest = writer.table.length - at;
        const DWORD size = static_cast<DWORD>(rest < WatchWriterPiece ? rest : WatchWriterPiece);
        DWORD done = 0;
        written = WatchFileWriter(file, writer.table.bytes + at, size, &done, nullptr) && done == size;
    }
    written = written && FlushFileBuffers(file);
    if (!written)
        Fail(writer, ERROR_WRITE_FAULT);
    CloseHandle(file);
    if (!written)
        DeleteFileW(path);
    writer.tableWritten = written;
    return written;
}

// A dump's text as it comes; once the dump has ended, the text file is
// closed and the table written.
bool WriteDump(FileWriter& writer, bool ending)
{
    if (!writer.textClosed) {
        if (writer.file == INVALID_HANDLE_VALUE && !OpenFile(writer))
            return false;
        if (!WriteText(writer))
            return false;
        if (!ending)
            return true;
        CloseHandle(writer.file);
        writer.file = INVALID_HANDLE_VALUE;
        writer.textClosed = true;
    }
    return writer.tableWritten || WriteTable(writer);
}

bool WriteWaiting(FileWriter& writer, bool ending)
{
    if (writer.dump)
        return WriteDump(writer, ending);
    if (writer.file == INVALID_HANDLE_VALUE && !OpenFile(writer))
        return false;
    return WatchWriterRun(writer.writer, SinkOf(writer));
}

std::int32_t NewsEventOf(const FileWriter& writer) { return writer.dump ? DumpFileNewsEvent : WatchFileNewsEvent; }

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
        PostThreadEvent(writer.window, NewsEventOf(writer));
}

void Close(FileWriter& writer)
{
    if (writer.file != INVALID_HANDLE_VALUE)
        CloseHandle(writer.file);
    writer.file = INVALID_HANDLE_VALUE;
    // A dump's text file that never got a byte is no record of it.
    if (writer.dump && writer.news.open && writer.writer.flushedBytes == 0)
        DeleteFileW(writer.news.path);
    SectionLock locked(writer.lock);
    writer.news.ended = true;
    writer.news.lost = writer.dump ? writer.text.length + writer.incomingText.length
                                   : writer.writer.rows.rows + writer.incoming.rows;
    writer.news.tableWritten = writer.tableWritten;
    if (writer.news.lost || (writer.dump && !writer.tableWritten))
        writer.news.error = writer.error;
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
            ByteRunMove(writer.incomingText, writer.text);
            ending = writer.ending;
        }
        const bool written = WriteWaiting(writer, ending);
        Publish(writer, written);
        if (ending && endingSince == 0)
            endingSince = GetTickCount64();
        const ULONGLONG limit = writer.dump ? DumpEndingMilliseconds : EndingMilliseconds;
        if (ending && (written || GetTickCount64() - endingSince >= limit))
            break;
    }
    Close(writer);
    PostThreadEvent(writer.window, NewsEventOf(writer));
    Release(&writer);
    return 0;
}

bool StartWriter(WriterPlace& place, const WatchFilePlan& plan, bool dump)
{
    // The end of an earlier one still writing goes untold.
    Release(place.ending);
    place.ending = nullptr;
    auto* writer = static_cast<FileWriter*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FileWriter)));
    if (!writer)
        return false;
    InitializeCriticalSection(&writer->lock);
    writer->owners = 2;
    writer->dump = dump;
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
    const bool marked = !dump || ByteRunAppend(writer->incomingText, ByteOrderMark, 3);
    writer->thread = writer->wake && marked ? CreateThread(nullptr, 0, RunWriter, writer, 0, nullptr) : nullptr;
    if (!writer->thread) {
        writer->owners = 1;
        Release(writer);
        return false;
    }
    place.running = writer;
    return true;
}

bool TakeNews(WriterPlace& place, WatchFileNews& news)
{
    FileWriter* writer = place.running ? place.running : place.ending;
    if (!writer)
        return false;
    {
        SectionLock locked(writer->lock);
        news = writer->news;
    }
    if (writer == place.ending && news.ended) {
        Release(place.ending);
        place.ending = nullptr;
    }
    return true;
}

void EndWriter(WriterPlace& place)
{
    if (!place.running)
        return;
    {
        SectionLock locked(place.running->lock);
        place.running->ending = true;
    }
    SetEvent(place.running->wake);
    Release(place.ending);
    place.ending = place.running;
    place.running = nullptr;
}

// Only a writer told to end ends by itself.
HANDLE EndingThread(const WriterPlace& place) { return place.ending ? place.ending->thread : nullptr; }

} // namespace

bool WatchFileBegin(const WatchFilePlan& plan) { return StartWriter(Watch, plan, false); }

bool WatchFileAddSlot(WatchTimeline& timeline, std::uint32_t intervalSeconds, const WatchSlotRows& slot,
                      std::int64_t& utc)
{
    FileWriter* running = Watch.running;
    if (!running)
        return false;
    bool added = false;
    bool filled = false;
    {
        SectionLock locked(running->lock);
        const bool full = running->incoming.bytes + running->writerBytes >= WatchRowsRoom;
        WatchSlotRows rows = slot;
        if (full) {
            rows.missedGap = rows.gap = WatchGap::NoRoom;
            rows.reply = nullptr;
            rows.replyLength = 0;
            filled = !running->news.full;
            running->news.full = true;
        }
        added = WatchRowsAddSlot(running->incoming, timeline, intervalSeconds, rows, utc);
    }
    SetEvent(running->wake);
    // The writer tells of a failing file only when that changes: the room
    // filling up is told from here.
    if (filled)
        PostThreadEvent(running->window, WatchFileNewsEvent);
    return added;
}

bool WatchFileAddRows(const WatchRowsEntry& entry)
{
    FileWriter* running = Watch.running;
    if (!running)
        return false;
    bool added = false;
    {
        SectionLock locked(running->lock);
        added = WatchRowsAdd(running->incoming, entry);
    }
    SetEvent(running->wake);
    return added;
}

bool WatchFileTakeNews(WatchFileNews& news) { return TakeNews(Watch, news); }

void WatchFileEnd() { EndWriter(Watch); }

bool WatchFileWaitEnded(DWORD milliseconds)
{
    const ULONGLONG start = GetTickCount64();
    for (const WriterPlace* place : {&Watch, &Dump}) {
        const HANDLE thread = EndingThread(*place);
        const ULONGLONG spent = GetTickCount64() - start;
        const DWORD left = spent < milliseconds ? static_cast<DWORD>(milliseconds - spent) : 0;
        if (thread && WaitForSingleObject(thread, left) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

bool DumpFileBegin(const WatchClock& start)
{
    WatchFilePlan plan{};
    plan.start = start;
    return StartWriter(Dump, plan, true);
}

bool DumpFileAdd(const char* bytes, std::size_t length)
{
    FileWriter* running = Dump.running;
    if (!running)
        return false;
    bool added = false;
    {
        SectionLock locked(running->lock);
        added = ByteRunAppend(running->incomingText, bytes, length);
    }
    SetEvent(running->wake);
    return added;
}

bool DumpFileEnd(const char* table, std::size_t length)
{
    FileWriter* running = Dump.running;
    if (!running)
        return false;
    bool kept = false;
    {
        SectionLock locked(running->lock);
        kept = ByteRunAppend(running->table, table, length);
    }
    EndWriter(Dump);
    return kept;
}

bool DumpFileTakeNews(WatchFileNews& news) { return TakeNews(Dump, news); }
