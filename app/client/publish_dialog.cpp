#include "app/client/publish_dialog.h"

#include "app/client/file_report.h"
#include "app/client/http_requests.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/publishing.h"
#include "app/client/small_dialog.h"
#include "app/client/thread_events.h"

#include "window/window.h"

#include <windows.h>

#include <iterator>

namespace {

// The dialog open, for the check's answer; null when none is.
HWND Open = nullptr;

// The check's answer.
volatile LONG CheckStatus = 0;
volatile LONG CheckError = 0;

struct CheckJob {
    HWND window;
    wchar_t address[1100];
};

DWORD WINAPI RunCheck(void* parameter)
{
    auto* job = static_cast<CheckJob*>(parameter);
    HttpAnswer answer{};
    if (HINTERNET session = OpenHttpSession()) {
        answer = SendHttp(session, L"GET", job->address, L"", "", 0, nullptr);
        WinHttpCloseHandle(session);
    } else {
        answer.error = LastErrorOr(ERROR_NOT_ENOUGH_MEMORY);
    }
    InterlockedExchange(&CheckStatus, answer.status);
    InterlockedExchange(&CheckError, static_cast<LONG>(answer.error));
    PostThreadEvent(job->window, PublishCheckEvent);
    HeapFree(GetProcessHeap(), 0, job);
    return 0;
}

// A GET of /ping on the address' host, on a thread of its own: both kinds
// of database answer it with 204. Its answer comes as PublishCheckEvent.
void StartPublishCheck(const wchar_t* address)
{
    auto* job = static_cast<CheckJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(CheckJob)));
    if (!job)
        return;
    job->window = WindowHandle(MainWindow);
    if (!PublishPingAddress(reinterpret_cast<const char16_t*>(address), reinterpret_cast<char16_t*>(job->address),
                            std::size(job->address))) {
        HeapFree(GetProcessHeap(), 0, job);
        return;
    }
    AcceptThreadEvents(job->window);
    HANDLE thread = CreateThread(nullptr, 0, RunCheck, job, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
        HeapFree(GetProcessHeap(), 0, job);
}

template <std::size_t Size>
void ReadField(HWND dialog, int field, wchar_t (&text)[Size])
{
    GetDlgItemTextW(dialog, field, text, static_cast<int>(Size));
}

void Fill(HWND dialog)
{
    Open = dialog;
    const PublishTarget& target = PublishTargetSetting();
    SetDlgItemTextW(dialog, PublishAddressField, target.address);
    SetDlgItemTextW(dialog, PublishTokenField, target.token);
    SetDlgItemTextW(dialog, PublishNameField, target.name);
    SendDlgItemMessageW(dialog, PublishAddressField, EM_LIMITTEXT, std::size(target.address) - 1, 0);
    SendDlgItemMessageW(dialog, PublishTokenField, EM_LIMITTEXT, std::size(target.token) - 1, 0);
    SendDlgItemMessageW(dialog, PublishNameField, EM_LIMITTEXT, PublishNameLongest, 0);
}

void Accept(HWND dialog)
{
    PublishTarget target{};
    ReadField(dialog, PublishAddressField, target.address);
    ReadField(dialog, PublishTokenField, target.token);
    ReadField(dialog, PublishNameField, target.name);
    if (target.address[0] && !PublishAddressAllowed(reinterpret_cast<const char16_t*>(target.address))) {
        ComplainAbout(dialog, PublishComplaint, TextPublishAddressRefused, PublishAddressField);
        return;
    }
    if (!SetPublishTarget(target)) {
        ComplainAbout(dialog, PublishComplaint, TextPublishNameRefused, PublishNameField);
        return;
    }
    DestroyWindow(dialog);
}

void Pressed(HWND dialog, WORD id)
{
    if (id != PublishCheckButton)
        return;
    wchar_t address[std::size(PublishTarget{}.address)];
    ReadField(dialog, PublishAddressField, address);
    if (!PublishAddressAllowed(reinterpret_cast<const char16_t*>(address))) {
        ComplainAbout(dialog, PublishComplaint, TextPublishAddressRefused, PublishAddressField);
        return;
    }
    wchar_t line[64];
    WideBuilder(line, std::size(line)).AppendFrom1251(TextPublishChecking);
    SetDlgItemTextW(dialog, PublishComplaint, line);
    StartPublishCheck(address);
}

} // namespace

void OpenPublishDialog()
{
    constexpr short Width = 260;
    constexpr short Row = 17;
    constexpr short Height = 7 + 3 * Row + 28 + 28 + 14 + 7;
    DialogTemplate form(TextPublishTitle, Width, Height);
    struct Field {
        int id;
        const char* label;
        DWORD style;
    };
    const Field fields[] = {
        {PublishAddressField, TextPublishAddress, 0},
        {PublishTokenField, TextPublishToken, ES_PASSWORD},
        {PublishNameField, TextPublishName, 0},
    };
    short y = 7;
    for (const Field& field : fields) {
        form.Item(StaticKind, field.label, 0xFFFF, SS_LEFT, 7, static_cast<short>(y + 2), 90, 8);
        form.Item(EditKind, "", static_cast<WORD>(field.id), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | field.style,
                  100, y, Width - 107, 12);
        y = static_cast<short>(y + Row);
    }
    form.Item(StaticKind, TextPublishHint, 0xFFFF, SS_LEFT, 7, y, Width - 14, 24);
    form.Item(StaticKind, "", PublishComplaint, SS_LEFT, 7, static_cast<short>(y + 28), Width - 14, 24);
    const short buttons = static_cast<short>(y + 56);
    form.Item(ButtonKind, TextPublishCheck, PublishCheckButton, BS_PUSHBUTTON | WS_TABSTOP, 7, buttons, 60, 14);
    form.Item(ButtonKind, TextScaleOk, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, Width - 112, buttons, 50, 14);
    form.Item(ButtonKind, TextScaleCancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, Width - 57, buttons, 50, 14);
    OpenSmallDialog(form, WindowHandle(MainWindow), SmallDialogParts{Fill, Accept, nullptr, Pressed});
}

void ShowPublishCheck()
{
    if (!Open || !IsWindow(Open))
        return;
    const int status = static_cast<int>(InterlockedCompareExchange(&CheckStatus, 0, 0));
    const auto error = static_cast<DWORD>(InterlockedCompareExchange(&CheckError, 0, 0));
    wchar_t line[300];
    WideBuilder text(line, std::size(line));
    if (status >= 200 && status < 300) {
        text.AppendFrom1251(TextPublishCheckAnswered);
        AppendCount(text, static_cast<std::uint64_t>(status));
    } else if (status > 0) {
        text.AppendFrom1251(TextPublishCheckOther);
        AppendCount(text, static_cast<std::uint64_t>(status));
    } else {
        text.AppendFrom1251(TextPublishCheckNoAnswer);
        AppendHttpReason(text, error);
    }
    SetDlgItemTextW(Open, PublishComplaint, line);
}
