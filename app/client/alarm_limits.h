#pragma once
// The alarm's limits as the user sets them, one setting for every watch,
// remembered as text under the program's key; and the small dialog, owned
// by the main window, that sets them ("Наблюдение > Пороги тревоги...").

#include "app/logger/alarm_rule.h"

#include <windows.h>

// The setting, read from the registry the first time.
const AlarmLimits& AlarmLimitsSetting();
// Sets it, remembers it and draws the charts anew; a watch judges its next
// reading by it.
void SetAlarmLimits(const AlarmLimits& limits);

// Opens the dialog over the main window, or brings it to the front.
void OpenAlarmLimitsDialog();

// Identifiers of the dialog's fields, for the tests.
inline constexpr int AlarmHighField = 111;
inline constexpr int AlarmLowField = 112;
inline constexpr int AlarmReadingsField = 113;
inline constexpr int AlarmMarginField = 114;
inline constexpr int AlarmGapsField = 115;
inline constexpr int AlarmComplaint = 116;
