// The system's Save dialog, and writing a file so that a failure leaves the
// earlier one as it was.
#include "app/client/file_saving.h"

#include "app/client/file_report.h"
#include "app/client/messages.h"

#include "window/system_library.h"

#include <commdlg.h>
#include <shlobj.h>

#include <iterator>

namespace {

constexpr DWORD LargestWrite = 1 << 20;

// The Save dialog's libraries, and COM, start with the first Save: imported,
// they and the libraries they import loaded at every start (some 25 ms under
// Wine, COM's start besides) for a dialog most runs never open.
using FileDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

bool SaveLibrariesLoaded = false;
FileDialogFunction GetSaveFileNameCall = nullptr;
FileDialogFunction GetOpenFileNameCall = nullptr;
GetFolderPathFunction GetFolderPathCall = nullptr;

void LoadSaveLibraries()
{
    if (SaveLibrariesLoaded)
        return;
    SaveLibrariesLoaded = true;
    // The dialog's folder views are COM objects of this thread, which stays a
    // COM thread from then on.
    StartCom();
    GetFolderPathCall = SystemDllFunction<GetFolderPathFunction>(L"shell32.dll", "SHGetFolderPathW");
    GetSaveFileNameCall = SystemDllFunction<FileDialogFunction>(L"comdlg32.dll", "GetSaveFileNameW");
    GetOpenFileNameCall = SystemDllFunction<FileDialogFunction>(L"comdlg32.dll", "GetOpenFileNameW");
}

// The Save dialog, or the Open dialog with no name proposed.
bool AskForFile(FileDialogFunction& call, const SaveChoice& choice, DWORD flags, wchar_t* path, DWORD capacity)
{
    LoadSaveLibraries();
    if (!call)
        return false;
    lstrcpynW(path, choice.name ? choice.name : L"", static_cast<int>(capacity));
    wchar_t folder[MAX_PATH];
    const bool haveFolder =
        GetFolderPathCall && SUCCEEDED(GetFolderPathCall(nullptr, choice.folder, nullptr, SHGFP_TYPE_CURRENT, folder));
    wchar_t filters[128];
    WideBuilder filterList(filters, std::size(filters));
    filterList.AppendFrom1251(choice.filterName);
    filterList.EndPiece();
    filterList.Append(choice.pattern);
    filterList.EndPiece();
    filterList.AppendFrom1251(TextAllFiles);
    filterList.EndPiece();
    filterList.Append(L"*.*");
    filterList.EndPiece();
    wchar_t title[64];
    WideBuilder(title, std::size(title)).AppendFrom1251(choice.title);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = choice.owner;
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = capacity;
    dialog.lpstrInitialDir = haveFolder ? folder : nullptr;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = choice.extension;
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | flags;
    return call(&dialog) != FALSE;
}

} // namespace

bool AskWhereToSave(const SaveChoice& choice, wchar_t* path, DWORD capacity)
{
    return AskForFile(GetSaveFileNameCall, choice, OFN_OVERWRITEPROMPT, path, capacity);
}

bool AskWhichToOpen(const SaveChoice& choice, wchar_t* path, DWORD capacity)
{
    return AskForFile(GetOpenFileNameCall, choice, OFN_FILEMUSTEXIST, path, capacity);
}

namespace {

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

} // namespace

DWORD ReplaceFileSafely(const wchar_t* target, const unsigned char* bytes, std::size_t size)
{
    wchar_t folder[SavePathCapacity];
    lstrcpynW(folder, target, SavePathCapacity);
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

