#include "app/client/file_report.h"

#include "app/client/messages.h"
#include "app/logger/typed_number.h"

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

void AppendNumber(WideBuilder& text, double value)
{
    char kept[32];
    SettingText(kept, sizeof kept) << value;
    wchar_t separator[8];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1)
        lstrcpyW(separator, L".");
    for (const char* c = kept; *c; ++c) {
        const wchar_t digit[2] = {static_cast<wchar_t>(*c), L'\0'};
        text.Append(*c == '.' ? separator : digit);
    }
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

namespace {

// The 1251 heading, the file's name on the next line and what is said of
// it below, in the error requester.
class FileReport {
public:
    FileReport(const char* what, const wchar_t* file) : message_(text_, std::size(text_))
    {
        message_.AppendFrom1251(what);
        message_.Append(L"\n");
        message_.Append(file);
        message_.Append(L"\n");
    }
    WideBuilder& detail() { return message_; }
    void Show()
    {
        wchar_t title[32];
        WideBuilder(title, std::size(title)).AppendFrom1251(TextErrorTitle);
        MessageDialogWide(title, text_, ErrorRequesterFlags);
    }

private:
    wchar_t text_[MAX_PATH * 4 + 512];
    WideBuilder message_;
};

} // namespace

void ReportFileFailure(const char* what, const wchar_t* file, DWORD error)
{
    FileReport report(what, file);
    AppendSystemReason(report.detail(), error);
    report.Show();
}

void ReportFileLine(const char* what, const wchar_t* file, std::uint64_t line)
{
    FileReport report(what, file);
    report.detail().AppendFrom1251(TextRecordLine);
    AppendCount(report.detail(), line);
    report.Show();
}
