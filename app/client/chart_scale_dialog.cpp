#include "app/client/chart_scale_dialog.h"

#include "app/client/chart_window.h"
#include "app/client/file_report.h"
#include "app/client/messages.h"
#include "app/client/setting_texts.h"
#include "app/client/small_dialog.h"

#include <cstddef>
#include <cstdint>

namespace {

TextSetting<ChartScale> Kept{"ChartScale", ChartScaleFromText, ChartScaleText, ChartScale{}, false};

void Accept(HWND dialog)
{
    char low[FieldTextLength];
    char high[FieldTextLength];
    FieldText(dialog, ScaleLowField, low);
    FieldText(dialog, ScaleHighField, high);
    ChartScale scale = ChartScaleSetting();
    switch (ChartScaleFromTyped(low, high, scale)) {
    case ChartScaleCheck::LowNotNumber:
        ComplainAbout(dialog, ScaleComplaint, TextScaleLowNotNumber, ScaleLowField);
        return;
    case ChartScaleCheck::HighNotNumber:
        ComplainAbout(dialog, ScaleComplaint, TextScaleHighNotNumber, ScaleHighField);
        return;
    case ChartScaleCheck::LowNotBelowHigh:
        ComplainAbout(dialog, ScaleComplaint, TextScaleLowNotBelow, ScaleLowField);
        return;
    case ChartScaleCheck::Good:
        break;
    }
    SetChartScale(scale);
    DestroyWindow(dialog);
}

void Fill(HWND dialog)
{
    if (ChartScaleSetting().fixed) {
        ShowFieldNumber(dialog, ScaleLowField, ChartScaleSetting().low);
        ShowFieldNumber(dialog, ScaleHighField, ChartScaleSetting().high);
    }
}

} // namespace

const ChartScale& ChartScaleSetting() { return SettingNow(Kept); }

void SetChartScale(const ChartScale& scale)
{
    KeepSetting(Kept, scale);
    RedrawCharts();
}

HWND OpenChartScaleDialog(HWND chart)
{
    DialogTemplate form(TextScaleTitle, 170, 84);
    form.Item(StaticKind, TextScaleFrom, 0xFFFF, SS_LEFT, 7, 9, 30, 8);
    form.Item(EditKind, "", ScaleLowField, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 40, 7, 123, 12);
    form.Item(StaticKind, TextScaleTo, 0xFFFF, SS_LEFT, 7, 26, 30, 8);
    form.Item(EditKind, "", ScaleHighField, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 40, 24, 123, 12);
    form.Item(StaticKind, "", ScaleComplaint, SS_LEFT, 7, 42, 156, 16);
    form.Item(ButtonKind, TextScaleOk, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 58, 63, 50, 14);
    form.Item(ButtonKind, TextScaleCancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 113, 63, 50, 14);
    return OpenSmallDialog(form, chart, SmallDialogParts{Fill, Accept, nullptr, nullptr});
}
