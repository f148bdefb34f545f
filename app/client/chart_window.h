#pragma once
// The chart of a watch: a window of its own, owned by the main window, that
// draws the kept readings (app/client/watch_driving.h) against local time,
// with the last value and the minimum and maximum of what it shows. It is no
// numbered window of the toolkit and raises no event: its own procedure
// closes it on Esc and the close box, Ctrl+C copies it as a picture, and the
// program's loop only pumps its messages.

#include <windows.h>

// Opens the chart, active; when it is open already, brings it to the front.
void OpenChartWindow();

// A reading was kept, or a new watch began: the chart, if open, draws anew.
void ChartReadingsChanged();

// The chart's window, or null while it is closed.
HWND ChartWindowHandle();
