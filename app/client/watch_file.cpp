#include "app/client/watch_file.h"

#include "app/client/file_report.h"
#include "app/logger/log_file_format.h"

#include "base/strings.h"
#include "base/system_dll.h"
#include "window/process_heap.h"
#include "window/wide_text.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <cstdint>

BOOL(WINAPI* WatchFileWriter)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = WriteFile;

namespace {

// The flushing thread's record, on the process heap: the thread frees it with
// its own copy of the file's handle once it has flushed for the last time.
struct Flusher {
    HANDLE file;
    HANDLE wake;
    volatile LONG ending;
};

HANDLE File = INVALID_HANDLE_VALUE;
Flusher* FileFlusher = nullptr;
bool FileBegun = false;

DWORD WINAPI RunFlusher(void* parameter)
{
    auto* flusher = static_cast<Flusher*>(parameter);
    for (;;) {
        WaitForSingleObject(flusher->wake, INFINITE);
        const bool ending = InterlockedCompareExchange(&flusher->ending, 0, 0) != 0;
        FlushFileBuffers(flusher->file);
        if (ending)
            break;
    }
    CloseHandle(flusher->file);
    CloseHandle(flusher->wake);
    HeapFree(GetProcessHeap(), 0, flusher);
    return 0;
}

// Without a thread of its own the rows still reach the system's cache at
// once; they go to the disk when the system writes them out.
void StartFlusher()
{
    auto* flusher = static_cast<Flusher*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Flusher)));
    if (!flusher)
        return;
    const HANDLE process = GetCurrentProcess();
    flusher->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (flusher->wake && DuplicateHandle(process, File, process, &flusher->file, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        if (HANDLE thread = CreateThread(nullptr, 0, RunFlusher, flusher, 0, nullptr)) {
            CloseHandle(thread);
            FileFlusher = flusher;
            return;
        }
        CloseHandle(flusher->file);
    }
    if (flusher->wake)
        CloseHandle(flusher->wake);
    HeapFree(GetProcessHeap(), 0, flusher);
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
    const std::int32_t position = TempLength;
    if (!WatchFileName(start, attempt, position))
        return false;
    wchar_t name[64];
    const int written = WideFromText(TempBuffer + position, name, 64);
    TempSetLength(position);
    const int folderLength = lstrlenW(folder);
    if (written <= 0 || folderLength + 1 + written > MAX_PATH)
        return false;
    lstrcpyW(path, folder);
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    return true;
}

// Far more tries than a minute's watches could take; a folder where every
// name is taken ends them.
constexpr std::int32_t NameAttempts = 1000;

} // namespace

DWORD WatchFileCreate(const WatchClock& start, wchar_t (&path)[MAX_PATH])
{
    WatchFileClose();
    path[0] = L'\0';
    wchar_t folder[MAX_PATH];
    if (!DocumentsFolder(folder))
        return ERROR_PATH_NOT_FOUND;
    for (std::int32_t attempt = 1; attempt <= NameAttempts; ++attempt) {
        if (!NameAttempt(folder, start, attempt, path))
            return ERROR_FILENAME_EXCED_RANGE;
        File = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (File != INVALID_HANDLE_VALUE) {
            FileBegun = false;
            StartFlusher();
            return 0;
        }
        const DWORD error = LastErrorOr(ERROR_CANNOT_MAKE);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return error;
    }
    return ERROR_FILE_EXISTS;
}

DWORD WatchFileAppend(const char* text)
{
    if (File == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    const WideText wide(text);
    if (!wide.text() && text && *text)
        return ERROR_NOT_ENOUGH_MEMORY;
    const auto* units = reinterpret_cast<const char16_t*>(wide.text());
    const auto length = static_cast<std::size_t>(wide.length());
    auto encode = FileBegun ? EncodeLogText : EncodeLogFile;
    const std::size_t size = encode(units, length, nullptr);
    ProcessHeapBlock bytes(size);
    if (!bytes.As<unsigned char>())
        return ERROR_NOT_ENOUGH_MEMORY;
    encode(units, length, bytes.As<unsigned char>());
    DWORD written = 0;
    if (!WatchFileWriter(File, bytes.As<unsigned char>(), static_cast<DWORD>(size), &written, nullptr))
        return LastErrorOr(ERROR_WRITE_FAULT);
    if (written != size)
        return ERROR_DISK_FULL;
    FileBegun = true;
    if (FileFlusher)
        SetEvent(FileFlusher->wake);
    return 0;
}

void WatchFileClose()
{
    if (FileFlusher) {
        InterlockedExchange(&FileFlusher->ending, 1);
        SetEvent(FileFlusher->wake);
        FileFlusher = nullptr;
    }
    if (File != INVALID_HANDLE_VALUE)
        CloseHandle(File);
    File = INVALID_HANDLE_VALUE;
}
