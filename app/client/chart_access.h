#pragma once
// What a screen reader finds of a chart: its title as the name, the role of a
// chart, and as its value the text the chart's header shows. The system's
// annotations of the window's standard accessible object carry them, which
// is far smaller than an accessible object of the program's own. COM and the
// service are loaded at the first chart, not at the program's start.

#include <windows.h>

// Names the chart and gives it the role of one.
void ChartAccessName(HWND chart, const wchar_t* name);
// Sets the value; the caller tells readers of the change (at most once a
// second) with ChartAccessTellChange.
void ChartAccessValue(HWND chart, const wchar_t* value);
void ChartAccessTellChange(HWND chart);
// Drops the annotations of a chart that closes.
void ChartAccessForget(HWND chart);
