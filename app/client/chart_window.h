#pragma once
// The charts: a watch's, the last dump's and those of record files opened
// again, each a window of its own, owned by the main window, all open at
// once when the user likes. A watch's draws its kept readings
// (app/client/watch_driving.h) against local time, with the last value and
// the minimum and maximum of what it shows; a dump's draws its readings
// (app/client/dump_keeping.h) against their estimated times, or their
// numbers when the logger's interval gave none, under its summary and its
// files' names; a record's draws its file's readings as either would, under
// the file's summary and name. The wheel, a drag and the keys zoom and
// scroll its time axis; Home shows everything, End follows the newest
// reading; in high contrast it draws in the system's colours; files dropped
// on it open as records. A chart is no numbered window of the toolkit and
// raises no event: its own procedure closes it on Esc and the close box,
// Ctrl+C copies it as a picture, and the program's loop only pumps its
// messages.

#include "app/logger/chart_span.h"

#include <windows.h>

// Opens a chart, active; when it is open already, brings it to the front.
void OpenChartWindow();
void OpenDumpChartWindow();
// The chart the Chart button opens: the last dump's while no watch runs
// and that dump is newer than the watch's last reading; else the watch's.
void OpenChartOfNewest();

// A record read again (app/client/record_opening.h), in a chart of its own,
// which takes the record: it is freed with the chart, or at once when no
// chart can open (false: too many are open).
struct OpenedRecord;
bool OpenRecordChart(OpenedRecord* record);
// Brings the chart of that file forward; false when none shows it.
bool ShowRecordChart(const wchar_t* path);

// A reading was kept, or a new watch began: the watch's chart, if open,
// draws anew. A dump ended, or its files were named: the dump's does.
void ChartReadingsChanged();
void DumpChartChanged();
// A setting every chart draws by (the scale, the alarm's limits) changed:
// each open chart draws anew.
void RedrawCharts();

// The charts' windows, or null while closed.
HWND ChartWindowHandle();
HWND DumpChartWindowHandle();

// What a chart shows: its span of time (or of readings' numbers), and
// whether it follows the newest reading.
ChartRange ChartShownRange(HWND chart);
bool ChartFollowing(HWND chart);
// The value a screen reader is given for the chart: the last reading, the
// lowest and highest in view, and what is in view.
const wchar_t* ChartAccessText(HWND chart);
