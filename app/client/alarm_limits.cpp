#include "app/client/alarm_limits.h"

#include "app/client/chart_window.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/setting_texts.h"
#include "app/client/small_dialog.h"

#include "window/window.h"

#include <cstring>

namespace {

TextSetting<AlarmLimits> Kept{"AlarmLimits", AlarmLimitsFromText, AlarmLimitsText, AlarmDefaults, false};
// A margin wider than the band is said once and taken at the next OK with
// the same entry.
bool WideMarginSaid = false;

struct Field {
    int id;
    const char* label;
};
constexpr Field Fields[] = {
    {AlarmHighField, TextAlarmHigh},     {AlarmLowField, TextAlarmLow},   {AlarmReadingsField, TextAlarmReadings},
    {AlarmMarginField, TextAlarmMargin}, {AlarmGapsField, TextAlarmGaps},
};

void ShowCount(HWND dialog, int field, std::int32_t count) { SetDlgItemInt(dialog, field, static_cast<UINT>(count), FALSE); }

void ShowSetting(HWND dialog)
{
    const AlarmLimits& limits = AlarmLimitsSetting();
    if (limits.hasHigh)
        ShowFieldNumber(dialog, AlarmHighField, limits.high);
    if (limits.hasLow)
        ShowFieldNumber(dialog, AlarmLowField, limits.low);
    ShowCount(dialog, AlarmReadingsField, limits.readings);
    ShowFieldNumber(dialog, AlarmMarginField, limits.margin);
    ShowCount(dialog, AlarmGapsField, limits.gapSlots);
}

void Accept(HWND dialog)
{
    char texts[std::size(Fields)][FieldTextLength];
    for (std::size_t i = 0; i < std::size(Fields); ++i)
        FieldText(dialog, Fields[i].id, texts[i]);
    AlarmLimits limits = AlarmLimitsSetting();
    const AlarmCheck check = AlarmLimitsFromTyped({texts[0], texts[1], texts[2], texts[3], texts[4]}, limits);
    struct Refusal {
        AlarmCheck check;
        const char* text;
        int field;
    };
    static constexpr Refusal Refusals[] = {
        {AlarmCheck::HighNotNumber, TextAlarmHighNotNumber, AlarmHighField},
        {AlarmCheck::LowNotNumber, TextAlarmLowNotNumber, AlarmLowField},
        {AlarmCheck::ReadingsNotCount, TextAlarmReadingsNotCount, AlarmReadingsField},
        {AlarmCheck::MarginNotNumber, TextAlarmMarginNotNumber, AlarmMarginField},
        {AlarmCheck::GapsNotCount, TextAlarmGapsNotCount, AlarmGapsField},
        {AlarmCheck::LowNotBelowHigh, TextAlarmLowNotBelow, AlarmLowField},
    };
    for (const Refusal& refusal : Refusals) {
        if (refusal.check == check) {
            ComplainAbout(dialog, AlarmComplaint, refusal.text, refusal.field);
            return;
        }
    }
    if (check == AlarmCheck::WideMargin && !WideMarginSaid) {
        WideMarginSaid = true;
        ComplainAbout(dialog, AlarmComplaint, TextAlarmWideMargin, AlarmMarginField);
        return;
    }
    SetAlarmLimits(limits);
    DestroyWindow(dialog);
}

void Fill(HWND dialog)
{
    WideMarginSaid = false;
    ShowSetting(dialog);
}

void Edited(HWND) { WideMarginSaid = false; }

} // namespace

const AlarmLimits& AlarmLimitsSetting() { return SettingNow(Kept); }

void SetAlarmLimits(const AlarmLimits& limits)
{
    KeepSetting(Kept, limits);
    RedrawCharts();
}

void OpenAlarmLimitsDialog()
{
    constexpr short Width = 220;
    constexpr short Row = 17;
    // The fields, the hint, the complaint's two lines and the buttons.
    constexpr short Height = 7 + 5 * Row + 20 + 28 + 14 + 7;
    DialogTemplate form(TextAlarmTitle, Width, Height);
    short y = 7;
    for (const Field& field : Fields) {
        form.Item(StaticKind, field.label, 0xFFFF, SS_LEFT, 7, static_cast<short>(y + 2), 110, 8);
        form.Item(EditKind, "", static_cast<WORD>(field.id), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 120, y, 93, 12);
        y = static_cast<short>(y + Row);
    }
    form.Item(StaticKind, TextAlarmHint, 0xFFFF, SS_LEFT, 7, y, Width - 14, 16);
    form.Item(StaticKind, "", AlarmComplaint, SS_LEFT, 7, static_cast<short>(y + 20), Width - 14, 24);
    const short buttons = static_cast<short>(y + 48);
    form.Item(ButtonKind, TextScaleOk, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, Width - 112, buttons, 50, 14);
    form.Item(ButtonKind, TextScaleCancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, Width - 57, buttons, 50, 14);
    OpenSmallDialog(form, WindowHandle(MainWindow), SmallDialogParts{Fill, Accept, Edited, nullptr});
}
