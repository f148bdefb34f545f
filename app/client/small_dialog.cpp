#include "app/client/small_dialog.h"

#include "app/client/file_report.h"

#include <iterator>

namespace {

HWND Dialog = nullptr;
HHOOK DialogKeys = nullptr;
SmallDialogParts Parts{};

// A modeless dialog gets Tab, Enter and Esc only through IsDialogMessage;
// the program's loop knows nothing of it, so the messages are given to it
// here, on their way out of the queue.
LRESULT CALLBACK DialogKeysHook(int code, WPARAM removal, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && (removal & PM_REMOVE) && Dialog && message->message >= WM_KEYFIRST &&
        message->message <= WM_KEYLAST && IsDialogMessageW(Dialog, message))
        message->message = WM_NULL;
    return CallNextHookEx(nullptr, code, removal, lParam);
}

// The owner is enabled and active again before the dialog goes, so that the
// activation stays with this program.
void Closed(HWND dialog)
{
    if (HWND owner = GetWindow(dialog, GW_OWNER)) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    Dialog = nullptr;
    if (DialogKeys) {
        UnhookWindowsHookEx(DialogKeys);
        DialogKeys = nullptr;
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Parts.fill(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            Parts.accept(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            DestroyWindow(dialog);
        else if (HIWORD(wParam) == EN_CHANGE && Parts.edited)
            Parts.edited(dialog);
        else if (HIWORD(wParam) == BN_CLICKED && Parts.pressed)
            Parts.pressed(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        Closed(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

DialogTemplate::DialogTemplate(const char* title, short width, short height)
{
    Put32(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
    Put32(0);
    Put(0); // items, counted as they are added
    Put(0);
    Put(0);
    Put(static_cast<WORD>(width));
    Put(static_cast<WORD>(height));
    Put(0); // no menu
    Put(0); // the dialog class
    PutText(title);
    Put(8);
    PutWide(L"MS Shell Dlg");
}

void DialogTemplate::Item(WORD kind, const char* text, WORD id, DWORD style, short x, short y, short width,
                          short height)
{
    while (length_ % 2)
        Put(0);
    Put32(style | WS_CHILD | WS_VISIBLE);
    Put32(0);
    for (short value : {x, y, width, height})
        Put(static_cast<WORD>(value));
    Put(id);
    Put(0xFFFF);
    Put(kind);
    PutText(text);
    Put(0);
    ++words_[4];
}

void DialogTemplate::Put(WORD word)
{
    if (length_ < words_.size())
        words_[length_] = word;
    ++length_;
}

void DialogTemplate::Put32(DWORD value)
{
    Put(LOWORD(value));
    Put(HIWORD(value));
}

void DialogTemplate::PutWide(const wchar_t* text)
{
    do
        Put(static_cast<WORD>(*text));
    while (*text++);
}

void DialogTemplate::PutText(const char* text)
{
    wchar_t wide[128];
    WideBuilder built(wide, std::size(wide));
    built.AppendFrom1251(text);
    PutWide(wide);
}

HWND OpenSmallDialog(const DialogTemplate& form, HWND owner, const SmallDialogParts& parts)
{
    if (Dialog) {
        SetActiveWindow(Dialog);
        return Dialog;
    }
    if (!form.whole())
        return nullptr;
    Parts = parts;
    Dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), form.get(), owner, DialogProc, 0);
    if (!Dialog)
        return nullptr;
    DialogKeys = SetWindowsHookExW(WH_GETMESSAGE, DialogKeysHook, nullptr, GetCurrentThreadId());
    EnableWindow(owner, FALSE);
    ShowWindow(Dialog, SW_SHOW);
    return Dialog;
}

void ShowFieldNumber(HWND dialog, int field, double value)
{
    wchar_t text[FieldTextLength];
    WideBuilder number(text, std::size(text));
    AppendNumber(number, value);
    SetDlgItemTextW(dialog, field, text);
}

void FieldText(HWND dialog, int field, char (&text)[FieldTextLength])
{
    wchar_t wide[FieldTextLength] = {};
    GetDlgItemTextW(dialog, field, wide, FieldTextLength);
    std::size_t at = 0;
    for (; wide[at]; ++at) {
        if (wide[at] > 0x7F) {
            text[0] = '\0';
            return;
        }
        text[at] = static_cast<char>(wide[at]);
    }
    text[at] = '\0';
}

void ComplainAbout(HWND dialog, int complaintLine, const char* complaint, int field)
{
    wchar_t wide[256];
    WideBuilder text(wide, std::size(wide));
    text.AppendFrom1251(complaint);
    SetDlgItemTextW(dialog, complaintLine, wide);
    HWND bad = GetDlgItem(dialog, field);
    SetFocus(bad);
    SendMessageW(bad, EM_SETSEL, 0, -1);
}
