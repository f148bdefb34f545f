// Saving the log: the system's Save dialog, then the log's whole text into a
// new file beside the chosen one, which replaces it only once every byte is
// on disk. A save that fails leaves the earlier file as it was.
#include "app/client/log_document.h"
#include "app/client/file_report.h"
#include "app/client/file_saving.h"
#include "app/logger/log_file_format.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"

#include "window/message_dialog.h"
#include "window/process_heap.h"
#include "window/wide_text.h"
#include "window/window.h"

#include <windows.h>
#include <richedit.h>
#include <shlobj.h>

namespace {

constexpr UINT Utf16CodePage = 1200;

// "korvane-YYYYMMDD-HHMM.txt" from the local time.
void DefaultFileName(wchar_t* name)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wsprintfW(name, L"korvane-%04u%02u%02u-%02u%02u.txt", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute);
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
    wchar_t name[MAX_PATH];
    DefaultFileName(name);
    const SaveChoice choice{.owner = WindowHandle(MainWindow), .title = TextSaveTitle, .filterName = TextTextFiles,
                            .pattern = L"*.txt", .extension = L"txt", .folder = CSIDL_PERSONAL, .name = name};
    wchar_t target[SavePathCapacity];
    if (!AskWhereToSave(choice, target, SavePathCapacity))
        return;
    if (const DWORD error = SaveLogText(log, target))
        ReportFileFailure(TextSaveFailed, target, error);
}
