#include "app/client/chart_scale_dialog.h"

#include "app/client/chart_window.h"
#include "app/client/file_report.h"
#include "app/client/messages.h"
#include "app/client/port_list.h"
#include "app/logger/typed_number.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

constexpr char ScaleValue[] = "ChartScale";
constexpr std::size_t ScaleTextSize = 160;
constexpr std::size_t TemplateWords = 512;
// A typed number longer than this is no number the axis takes.
constexpr int TypedLength = 64;

ChartScale Setting{};
bool SettingRead = false;
HWND Dialog = nullptr;
HHOOK DialogKeys = nullptr;

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

// An in-memory dialog template, its words laid out as DialogBoxIndirect
// reads them.
class Template {
public:
    Template(const char* title, short width, short height)
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

    void Item(WORD kind, const char* text, WORD id, DWORD style, short x, short y, short width, short height)
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

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
    bool whole() const { return length_ < words_.size(); }

private:
    void Put(WORD word)
    {
        if (length_ < words_.size())
            words_[length_] = word;
        ++length_;
    }
    void Put32(DWORD value)
    {
        Put(LOWORD(value));
        Put(HIWORD(value));
    }
    void PutWide(const wchar_t* text)
    {
        do
            Put(static_cast<WORD>(*text));
        while (*text++);
    }
    void PutText(const char* text)
    {
        wchar_t wide[128];
        WideBuilder built(wide, std::size(wide));
        built.AppendFrom1251(text);
        PutWide(wide);
    }

    alignas(DWORD) std::array<WORD, TemplateWords> words_{};
    std::size_t length_ = 0;
};

constexpr WORD ButtonKind = 0x0080;
constexpr WORD EditKind = 0x0081;
constexpr WORD StaticKind = 0x0082;

// A value as the field shows it, with the user's decimal separator.
void ShowValue(HWND dialog, int field, double value)
{
    char digits[TypedLength];
    SettingText(digits, sizeof digits) << value;
    wchar_t separator[8];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1)
        separator[0] = L'.';
    wchar_t text[TypedLength];
    std::size_t at = 0;
    for (const char* digit = digits; *digit && at + 1 < std::size(text); ++digit)
        text[at++] = *digit == '.' ? separator[0] : static_cast<wchar_t>(*digit);
    text[at] = L'\0';
    SetDlgItemTextW(dialog, field, text);
}

// A field's text when it holds only characters a number may have; else an
// empty text, which is no number.
void TypedText(HWND dialog, int field, char (&text)[TypedLength])
{
    wchar_t wide[TypedLength] = {};
    GetDlgItemTextW(dialog, field, wide, TypedLength);
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

void Complain(HWND dialog, const char* complaint, int field)
{
    wchar_t wide[128];
    WideBuilder text(wide, std::size(wide));
    text.AppendFrom1251(complaint);
    SetDlgItemTextW(dialog, ScaleComplaint, wide);
    HWND bad = GetDlgItem(dialog, field);
    SetFocus(bad);
    SendMessageW(bad, EM_SETSEL, 0, -1);
}

void Accept(HWND dialog)
{
    char low[TypedLength];
    char high[TypedLength];
    TypedText(dialog, ScaleLowField, low);
    TypedText(dialog, ScaleHighField, high);
    ChartScale scale = ChartScaleSetting();
    switch (ChartScaleFromTyped(low, high, scale)) {
    case ChartScaleCheck::LowNotNumber:
        Complain(dialog, TextScaleLowNotNumber, ScaleLowField);
        return;
    case ChartScaleCheck::HighNotNumber:
        Complain(dialog, TextScaleHighNotNumber, ScaleHighField);
        return;
    case ChartScaleCheck::LowNotBelowHigh:
        Complain(dialog, TextScaleLowNotBelow, ScaleLowField);
        return;
    case ChartScaleCheck::Good:
        break;
    }
    SetChartScale(scale);
    DestroyWindow(dialog);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        if (ChartScaleSetting().fixed) {
            ShowValue(dialog, ScaleLowField, ChartScaleSetting().low);
            ShowValue(dialog, ScaleHighField, ChartScaleSetting().high);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            Accept(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            DestroyWindow(dialog);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY: {
        // The owner is enabled and active again before the dialog goes, so
        // that the activation stays with this program.
        HWND owner = GetWindow(dialog, GW_OWNER);
        if (owner) {
            EnableWindow(owner, TRUE);
            SetActiveWindow(owner);
        }
        Dialog = nullptr;
        if (DialogKeys) {
            UnhookWindowsHookEx(DialogKeys);
            DialogKeys = nullptr;
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void RedrawCharts()
{
    for (HWND chart : {ChartWindowHandle(), DumpChartWindowHandle()})
        if (chart)
            InvalidateRect(chart, nullptr, FALSE);
}

} // namespace

const ChartScale& ChartScaleSetting()
{
    if (!SettingRead) {
        SettingRead = true;
        char text[ScaleTextSize] = {};
        DWORD size = sizeof text - 1;
        if (RegGetValueA(HKEY_CURRENT_USER, SettingsKey, ScaleValue, RRF_RT_REG_SZ, nullptr, text, &size) ==
            ERROR_SUCCESS)
            Setting = ChartScaleFromText(text);
    }
    return Setting;
}

void SetChartScale(const ChartScale& scale)
{
    Setting = scale;
    SettingRead = true;
    char text[ScaleTextSize];
    ChartScaleText(scale, text, sizeof text);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegSetValueExA(key, ScaleValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(lstrlenA(text) + 1));
        RegCloseKey(key);
    }
    RedrawCharts();
}

HWND OpenChartScaleDialog(HWND chart)
{
    if (Dialog) {
        SetActiveWindow(Dialog);
        return Dialog;
    }
    Template form(TextScaleTitle, 170, 84);
    form.Item(StaticKind, TextScaleFrom, 0xFFFF, SS_LEFT, 7, 9, 30, 8);
    form.Item(EditKind, "", ScaleLowField, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 40, 7, 123, 12);
    form.Item(StaticKind, TextScaleTo, 0xFFFF, SS_LEFT, 7, 26, 30, 8);
    form.Item(EditKind, "", ScaleHighField, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 40, 24, 123, 12);
    form.Item(StaticKind, "", ScaleComplaint, SS_LEFT, 7, 42, 156, 16);
    form.Item(ButtonKind, TextScaleOk, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 58, 63, 50, 14);
    form.Item(ButtonKind, TextScaleCancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 113, 63, 50, 14);
    if (!form.whole())
        return nullptr;
    Dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), form.get(), chart, DialogProc, 0);
    if (!Dialog)
        return nullptr;
    DialogKeys = SetWindowsHookExW(WH_GETMESSAGE, DialogKeysHook, nullptr, GetCurrentThreadId());
    EnableWindow(chart, FALSE);
    ShowWindow(Dialog, SW_SHOW);
    return Dialog;
}
