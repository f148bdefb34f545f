#include "app/client/file_report.h"

#include "app/client/messages.h"

#include "base/strings.h"
#include "window/message_dialog.h"

#include <iterator>

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

void AppendCount(WideBuilder& text, std::uint64_t count)
{
    char digits[LongestDecimal + 1];
    digits[DecimalText(static_cast<std::int64_t>(count), digits)] = '\0';
    text.AppendFrom1251(digits);
}

void AppendSystemReason(WideBuilder& text, DWORD error)
{
    wchar_t* reason = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr) &&
        reason) {
        // The system's text ends with a line break, which is no part of it.
        for (wchar_t* end = reason + lstrlenW(reason); end > reason && (end[-1] == L'\r' || end[-1] == L'\n');)
            *--end = L'\0';
        text.Append(reason);
        LocalFree(reason);
    } else {
        wchar_t code[16];
        wsprintfW(code, L"%lu", error);
        text.Append(code);
    }
}

void ReportFileFailure(const char* what, const wchar_t* file, DWORD error)
{
    wchar_t text[MAX_PATH * 4 + 512];
    WideBuilder message(text, std::size(text));
    message.AppendFrom1251(what);
    message.Append(L"\n");
    message.Append(file);
    message.Append(L"\n");
    AppendSystemReason(message, error);
    wchar_t title[32];
    WideBuilder(title, std::size(title)).AppendFrom1251(TextErrorTitle);
    MessageDialogWide(title, text, ErrorRequesterFlags);
}
