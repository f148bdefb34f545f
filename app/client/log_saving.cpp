// Saving the log: the system's Save dialog, then the log's whole text into a
// new file beside the chosen one, which replaces it only once every byte is
// on disk. A save that fails leaves the earlier file as it was.
#include "app/client/log_document.h"
#include "app/client/file_report.h"
#include "app/logger/log_file_format.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"

#include "window/message_dialog.h"
#include "window/process_heap.h"
#include "window/wide_text.h"
#include "window/window.h"

#include "base/system_dll.h"

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shlobj.h>

#include <iterator>

namespace {

constexpr UINT Utf16CodePage = 1200;
constexpr DWORD PathCapacity = 1024;
constexpr DWORD LargestWrite = 1 << 20;

// The Save dialog's libraries, and COM, start with the first Save: imported,
// they and the libraries they import loaded at every start (some 25 ms under
// Wine, COM's start besides) for a dialog most runs never open.
using GetSaveFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
using ComStartFunction = HRESULT(WINAPI*)(LPVOID);

bool SaveLibrariesLoaded = false;
GetSaveFileNameFunction GetSaveFileNameCall = nullptr;
GetFolderPathFunction GetFolderPathCall = nullptr;

void LoadSaveLibraries()
{
    if (SaveLibrariesLoaded)
        return;
    SaveLibrariesLoaded = true;
    // The dialog's folder views are COM objects of this thread, which stays a
    // COM thread from then on.
    if (const auto comStart = SystemDllFunction<ComStartFunction>(L"ole32.dll", "CoInitialize"))
        comStart(nullptr);
    GetFolderPathCall = SystemDllFunction<GetFolderPathFunction>(L"shell32.dll", "SHGetFolderPathW");
    GetSaveFileNameCall = SystemDllFunction<GetSaveFileNameFunction>(L"comdlg32.dll", "GetSaveFileNameW");
}

// "korvane-YYYYMMDD-HHMM.txt" from the local time.
void DefaultFileName(wchar_t* name)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wsprintfW(name, L"korvane-%04u%02u%02u-%02u%02u.txt", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute);
}

// The file the user chose, in path; false when the dialog was cancelled, or
// the system has none.
bool AskForTarget(wchar_t* path, DWORD capacity)
{
    LoadSaveLibraries();
    if (!GetSaveFileNameCall)
        return false;
    DefaultFileName(path);
    wchar_t documents[MAX_PATH];
    const bool haveDocuments =
        GetFolderPathCall &&
        SUCCEEDED(GetFolderPathCall(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents));
    wchar_t filters[96];
    WideBuilder filterList(filters, std::size(filters));
    filterList.AppendFrom1251(TextTextFiles);
    filterList.EndPiece();
    filterList.Append(L"*.txt");
    filterList.EndPiece();
    filterList.AppendFrom1251(TextAllFiles);
    filterList.EndPiece();
    filterList.Append(L"*.*");
    filterList.EndPiece();
    wchar_t title[32];
    WideBuilder(title, std::size(title)).AppendFrom1251(TextSaveTitle);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = WindowHandle(MainWindow);
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = capacity;
    dialog.lpstrInitialDir = haveDocuments ? documents : nullptr;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return GetSaveFileNameCall(&dialog) != FALSE;
}

DWORD WriteWholeFile(const wchar_t* path, const unsigned char* bytes, std::size_t size)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LastErrorOr(ERROR_WRITE_FAULT);
    DWORD error = 0;
    while (size > 0 && !error) {
        const DWORD chunk = size < LargestWrite ? static_cast<DWORD>(size) : LargestWrite;
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) {
            error = LastErrorOr(ERROR_WRITE_FAULT);
        } else {
            bytes += written;
            size -= written;
        }
    }
    if (!error && !FlushFileBuffers(file))
        error = LastErrorOr(ERROR_WRITE_FAULT);
    if (!CloseHandle(file) && !error)
        error = LastErrorOr(ERROR_WRITE_FAULT);
    return error;
}

// An earlier file is replaced in place, so that it keeps its attributes, its
// permissions and its other streams: only its bytes are the new file's. A
// new target is the new file renamed.
bool MoveIntoPlace(const wchar_t* temporary, const wchar_t* target)
{
    if (GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES)
        return ReplaceFileW(target, temporary, nullptr, 0, nullptr, nullptr) != FALSE;
    return MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

// Writes a new file in the target's folder and moves it into the target's
// place once every byte is flushed; 0, or the system's error code with the
// new file removed and the target untouched.
DWORD ReplaceFileSafely(const wchar_t* target, const unsigned char* bytes, std::size_t size)
{
    wchar_t folder[PathCapacity];
    lstrcpynW(folder, target, PathCapacity);
    wchar_t* cut = folder;
    for (wchar_t* c = folder; *c; ++c)
        if (*c == L'\\' || *c == L'/')
            cut = c + 1;
    *cut = L'\0';
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder[0] ? folder : L".", L"kor", 0, temporary))
        return LastErrorOr(ERROR_CANNOT_MAKE);
    DWORD error = WriteWholeFile(temporary, bytes, size);
    if (!error && !MoveIntoPlace(temporary, target))
        error = LastErrorOr(ERROR_WRITE_FAULT);
    if (error)
        DeleteFileW(temporary);
    return error;
}

DWORD SaveLogText(HWND log, const wchar_t* target)
{
    GETTEXTLENGTHEX measure{GTL_NUMCHARS | GTL_PRECISE, Utf16CodePage};
    const LRESULT counted = SendMessageA(log, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
    // Room for line ends counted as one character and read as two.
    const std::size_t capacity = 2 * static_cast<std::size_t>(counted > 0 ? counted : 0) + 1;
    ProcessHeapBlock text(capacity * sizeof(char16_t));
    if (!text.As<char16_t>())
        return ERROR_NOT_ENOUGH_MEMORY;
    GETTEXTEX request{};
    request.cb = static_cast<DWORD>(capacity * sizeof(char16_t));
    request.flags = GT_DEFAULT;
    request.codepage = Utf16CodePage;
    const LRESULT read = SendMessageA(log, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                      reinterpret_cast<LPARAM>(text.As<char16_t>()));
    const std::size_t length = read > 0 ? static_cast<std::size_t>(read) : 0;
    const char16_t* units = text.As<char16_t>();

    const std::size_t size = EncodeLogFile(units, length, nullptr);
    ProcessHeapBlock bytes(size);
    if (!bytes.As<unsigned char>())
        return ERROR_NOT_ENOUGH_MEMORY;
    EncodeLogFile(units, length, bytes.As<unsigned char>());
    return ReplaceFileSafely(target, bytes.As<unsigned char>(), size);
}

} // namespace

void SaveLogAs(HWND log)
{
    wchar_t target[PathCapacity];
    if (!AskForTarget(target, PathCapacity))
        return;
    if (const DWORD error = SaveLogText(log, target))
        ReportFileFailure(TextSaveFailed, target, error);
}
