#pragma once
// The charts' value axis as the user sets it: automatic or fixed, one
// setting for every chart, remembered under the program's key; and the small
// dialog, owned by a chart, that fixes it. The dialog is modeless and keeps
// its owner disabled while it is open, so the program's loop goes on with
// the watch behind it.

#include "app/logger/chart_scale.h"

#include <windows.h>

// The setting, read from the registry the first time.
const ChartScale& ChartScaleSetting();
// Sets it, remembers it and draws the charts anew.
void SetChartScale(const ChartScale& scale);

// Opens the dialog over the chart, or brings it to the front; the dialog's
// window, null when it could not be made.
HWND OpenChartScaleDialog(HWND chart);

// Identifiers of the dialog's fields, for the tests.
inline constexpr int ScaleLowField = 101;
inline constexpr int ScaleHighField = 102;
inline constexpr int ScaleComplaint = 103;
