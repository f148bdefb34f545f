#include "app/client/publishing.h"
#include "app/client/chart_window.h"

#include "app/client/alarm_driving.h"
#include "app/client/alarm_limits.h"
#include "app/client/chart_access.h"
#include "app/client/chart_picture.h"
#include "app/client/chart_scale_dialog.h"
#include "app/client/client_gadgets.h"
#include "app/client/dump_keeping.h"
#include "app/client/file_report.h"
#include "app/client/file_saving.h"
#include "app/client/messages.h"
#include "app/client/record_opening.h"
#include "app/client/watch_driving.h"
#include "app/logger/chart_columns.h"
#include "app/logger/chart_span.h"

#include "base/strings.h"
#include "window/dpi.h"
#include "window/dpi_scale.h"
#include "window/high_contrast.h"
#include "window/process_heap.h"
#include "window/wide_text.h"
#include "window/window.h"

#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

constexpr wchar_t ChartClassName[] = L"KorvaneChart";
// The client area it opens with, and the smallest the user can make it, at 96 dpi.
constexpr std::int32_t ChartWidth = 640;
constexpr std::int32_t ChartHeight = 360;
constexpr std::int32_t ChartMinimumWidth = 320;
constexpr std::int32_t ChartMinimumHeight = 200;
// A watch shorter than this is drawn across this much time, so that its
// first readings do not stretch over the whole width.
constexpr std::uint64_t ShortestView = 60'000;
// Columns drawn at most: wider plots are drawn at this many and no wider.
constexpr std::int32_t MostColumns = 16'384;
// A FILETIME counts 100-nanosecond ticks.
constexpr std::uint64_t FileTimeTicksPerMillisecond = 10'000;
constexpr std::uint64_t MinuteMilliseconds = 60'000;
constexpr std::uint64_t DayMilliseconds = 86'400'000;
// More grid lines than a plot has room for would only come of a value step
// that rounding made far too small: the grid stops there.
constexpr std::int32_t MostGridLines = 100;

constexpr COLORREF TraceColour = RGB(0, 80, 180);
constexpr COLORREF GridColour = RGB(225, 225, 225);
constexpr COLORREF FrameColour = RGB(160, 160, 160);
constexpr COLORREF GapColour = RGB(255, 228, 228);
constexpr COLORREF GapMarkColour = RGB(220, 60, 60);
constexpr COLORREF AlarmTimeColour = RGB(255, 236, 200);
constexpr COLORREF LimitColour = RGB(200, 0, 0);
// What a screen reader is given as the chart's value, and told of a change
// at most once a second.
constexpr std::size_t ChartValueLength = 512;
constexpr UINT_PTR ValueChangeTimer = 1;
constexpr ULONGLONG ValueChangeMilliseconds = 1000;
// A notch of the wheel, a press of + or -; the arrow keys move a tenth of
// the view.
constexpr double ZoomStep = 1.25;
constexpr std::int32_t ScrollParts = 10;

enum class ChartKind { Watch, Dump, Record };
// Records' charts open at once, far more than a user reads side by side.
constexpr std::size_t MostRecordCharts = 16;

// A chart window, its readings' summary and what the user made of its view.
struct ChartPlace {
    ChartKind kind;
    OpenedRecord* record; // a record's chart: the file's readings, its own
    HWND window;
    ChartSummary summary;
    ChartSpan span;
    std::int32_t wheelRest; // the wheel's turn short of a notch
    bool dragging;
    LONG dragX;
    ChartSpan dragSpan; // the view the drag began at
    bool picked;        // a reading picked on the plot, shown until the view moves
    std::uint64_t pickedTime;
    float pickedValue;
    wchar_t value[ChartValueLength]; // what a screen reader was last given
    ULONGLONG toldAt;                // when it was last told of a change
    bool tellPending;
};
// The watch's chart, the last dump's, then the records'.
std::array<ChartPlace, 2 + MostRecordCharts> Places{};
HHOOK CloseWatch = nullptr;

ChartPlace& PlaceOf(ChartKind kind) { return Places[static_cast<std::size_t>(kind)]; }

// The place of a chart window, from its WM_NCCREATE on; null for any other.
ChartPlace* PlaceAt(HWND window)
{
    for (ChartPlace& place : Places)
        if (window && place.window == window)
            return &place;
    return nullptr;
}

// A window the chart's own procedure has found is a chart.
ChartPlace& Place(HWND window) { return *PlaceAt(window); }

bool IsChart(HWND window) { return PlaceAt(window) != nullptr; }

const WatchReadings& ReadingsOf(const ChartPlace& place)
{
    switch (place.kind) {
    case ChartKind::Dump:
        return LastDump().readings;
    case ChartKind::Record:
        return place.record->readings;
    default:
        return WatchKeptReadings();
    }
}

// A dump's readings without times stand 1000 apart, one a second: numbers
// on the axis, and the shortest view 60 of them.
bool AxisCountsReadings(const ChartPlace& place)
{
    return place.kind == ChartKind::Dump ? !LastDump().timed : place.kind == ChartKind::Record && !place.record->timed;
}
constexpr std::uint64_t ReadingSpacing = 1000;

ChartExtent ExtentOf(const ChartPlace& place) { return ChartExtentOf(ReadingsOf(place), ShortestView); }

// The plot's place in a client area: the header lines above it, the value
// labels to its left and the time labels under it.
RECT PlotRect(std::int32_t width, std::int32_t height, std::int32_t dpi, ChartKind kind)
{
    const std::int32_t headerLines = kind == ChartKind::Watch ? 2 : 4;
    return RECT{ScaleToDpi(64, dpi), ScaleToDpi(16 * headerLines + 16, dpi), width - ScaleToDpi(16, dpi),
                height - ScaleToDpi(24, dpi)};
}

// The colours, from the system's own in high contrast.
struct ChartColours {
    COLORREF back, text, trace, grid, frame, gap, gapMark, alarm, limit;
    bool contrast;
};

ChartColours ColoursNow()
{
    if (HighContrastOn()) {
        const COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
        return ChartColours{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HIGHLIGHT),
                            gray, GetSysColor(COLOR_WINDOWTEXT), gray, gray, GetSysColor(COLOR_HIGHLIGHT),
                            GetSysColor(COLOR_WINDOWTEXT), true};
    }
    return ChartColours{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT), TraceColour, GridColour,
                        FrameColour, GapColour, GapMarkColour, AlarmTimeColour, LimitColour, false};
}

// The program's loop takes the number of any message it dispatches for a
// window of no toolkit as its event code, and WM_CLOSE is EV_CLOSE, the end
// of the program: a WM_CLOSE posted to the chart goes on as the close box's
// command, which sends WM_CLOSE instead of posting it.
LRESULT CALLBACK WatchPostedClose(int code, WPARAM removal, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && (removal & PM_REMOVE) && IsChart(message->hwnd) &&
        message->message == WM_CLOSE) {
        message->message = WM_SYSCOMMAND;
        message->wParam = SC_CLOSE;
        message->lParam = 0;
    }
    return CallNextHookEx(nullptr, code, removal, lParam);
}

// GDI objects made for one drawing, deleted with it.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject()
    {
        if (object_)
            DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// The local time at a UTC time (both milliseconds since 1601), as the zone
// and its daylight saving rules have it for that moment: after a change of
// the clocks each point keeps its own offset.
std::uint64_t LocalAt(std::uint64_t utc)
{
    const std::uint64_t ticks = utc * FileTimeTicksPerMillisecond;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal{};
    SYSTEMTIME local{};
    FILETIME localTime{};
    if (!FileTimeToSystemTime(&time, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local) ||
        !SystemTimeToFileTime(&local, &localTime))
        return utc;
    return ((std::uint64_t{localTime.dwHighDateTime} << 32) | localTime.dwLowDateTime) / FileTimeTicksPerMillisecond +
           utc % 1000;
}

// "HH:MM:SS" for steps under a minute, "HH:MM" under a day, "DD.MM" beyond.
void TimeLabel(std::uint64_t localMilliseconds, std::uint64_t step, wchar_t (&text)[16])
{
    const std::uint64_t ticks = localMilliseconds * FileTimeTicksPerMillisecond;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME fields{};
    FileTimeToSystemTime(&time, &fields);
    const WORD parts[3][3] = {{fields.wHour, fields.wMinute, fields.wSecond},
                              {fields.wHour, fields.wMinute, 0},
                              {fields.wDay, fields.wMonth, 0}};
    const std::size_t kind = step < MinuteMilliseconds ? 0 : (step < DayMilliseconds ? 1 : 2);
    const std::size_t count = kind == 0 ? 3 : 2;
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            text[at++] = kind == 2 ? L'.' : L':';
        text[at++] = static_cast<wchar_t>(L'0' + parts[kind][i] / 10 % 10);
        text[at++] = static_cast<wchar_t>(L'0' + parts[kind][i] % 10);
    }
    text[at] = 0;
}

// The user's decimal separator, whatever characters it holds.
void DecimalSeparator(wchar_t (&separator)[8])
{
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1)
        lstrcpyW(separator, L",");
}

// The value rounded to `decimals` digits, with the user's separator.
void AppendValue(WideBuilder& text, double value, std::int32_t decimals, const wchar_t* separator)
{
    const std::int32_t start = TempLength;
    ChartValueText(value, decimals, ".", start);
    for (std::int32_t i = start; i < TempLength; ++i) {
        const wchar_t digit[2] = {static_cast<wchar_t>(TempBuffer[i]), L'\0'};
        text.Append(TempBuffer[i] == '.' ? separator : digit);
    }
    TempSetLength(start);
}

void DrawWide(HDC dc, const wchar_t* text, RECT area, UINT format)
{
    DrawTextW(dc, text, -1, &area, format | DT_SINGLELINE | DT_NOPREFIX);
}

// Columns `from` to `to` (not included) of the plot, filled from `top` down.
void Fill(HDC dc, const RECT& plot, std::int32_t from, std::int32_t to, LONG top, HGDIOBJ brush)
{
    const RECT area{plot.left + from, top, plot.left + to, plot.bottom};
    if (to > from)
        FillRect(dc, &area, static_cast<HBRUSH>(brush));
}

// Above a watch's plot, and a record's: the last value in view (as its reply
// wrote it while the chart follows the watch), and the minimum and maximum
// in view; and whether the watch has stopped.
void AppendWatchHeader(WideBuilder& text, const ChartView& view, const ChartPlace& place, std::int32_t decimals,
                       const wchar_t* separator)
{
    const bool watch = place.kind == ChartKind::Watch;
    text.AppendFrom1251(TextChartLast);
    if (watch && ChartSpanFollows(place.span) && *WatchLastNumberText())
        text.Append(WatchLastNumberText());
    else
        AppendValue(text, view.last, decimals, separator);
    text.Append(L"     ");
    text.AppendFrom1251(TextChartLow);
    AppendValue(text, view.low, decimals, separator);
    text.Append(L"     ");
    text.AppendFrom1251(TextChartHigh);
    AppendValue(text, view.high, decimals, separator);
    if (watch && !WatchRunning()) {
        text.Append(L"     ");
        text.AppendFrom1251(TextChartStopped);
    }
}

void AppendLabelled(WideBuilder& text, const char* label, double value, const wchar_t* separator)
{
    text.AppendFrom1251(label);
    AppendValue(text, value, 2, separator);
    text.Append(L"     ");
}

// A file's name without its folder, and that it could not be written.
void AppendFileName(WideBuilder& text, const wchar_t* path, bool failed)
{
    const wchar_t* name = path;
    for (const wchar_t* at = path; *at; ++at)
        if (*at == L'\\')
            name = at + 1;
    text.Append(name);
    if (failed) {
        text.Append(L" (");
        text.AppendFrom1251(TextDumpNoFile);
        text.Append(L")");
    }
}

// Above a dump's plot, in three lines: its summary, what the axis counts,
// and its two files.
void DrawDumpHeader(HDC dc, const RECT& area, std::int32_t line, const wchar_t* separator)
{
    const KeptDump& dump = LastDump();
    const DumpSummary& summary = dump.summary;
    wchar_t lines[3][2 * MAX_PATH + 128];
    WideBuilder first(lines[0], std::size(lines[0]));
    first.AppendFrom1251(TextDumpReadings);
    AppendCount(first, summary.readings);
    first.Append(L"     ");
    AppendLabelled(first, TextChartLow, summary.low, separator);
    AppendLabelled(first, TextChartHigh, summary.high, separator);
    AppendLabelled(first, TextDumpMean, DumpSummaryMean(summary), separator);
    WideBuilder second(lines[1], std::size(lines[1]));
    double kinetic = 0;
    if (DumpMeanKinetic(summary, kinetic))
        AppendLabelled(second, TextDumpKinetic, kinetic, separator);
    second.AppendFrom1251(TextDumpWithout);
    AppendCount(second, summary.withoutNumber);
    second.Append(L"     ");
    second.AppendFrom1251(dump.timed ? TextDumpTimesEstimated : TextDumpAxisNumbers);
    WideBuilder third(lines[2], std::size(lines[2]));
    third.AppendFrom1251(TextDumpFiles);
    AppendFileName(third, dump.text, dump.textFailed);
    third.Append(L", ");
    AppendFileName(third, dump.table, dump.tableFailed);
    for (std::int32_t i = 0; i < 3; ++i) {
        const RECT row{area.left, area.bottom - (3 - i) * line, area.right, area.bottom - (2 - i) * line};
        DrawWide(dc, lines[i], row, DT_LEFT | DT_BOTTOM);
    }
}

// Above a record's plot, in three lines: the values in view, the file's
// summary, and the file.
void DrawRecordHeader(HDC dc, const RECT& area, std::int32_t line, const ChartPlace& place, const ChartView& view,
                      std::int32_t decimals, const wchar_t* separator)
{
    const OpenedRecord& record = *place.record;
    const DumpSummary& summary = record.summary;
    wchar_t lines[3][MAX_PATH + 128];
    WideBuilder first(lines[0], std::size(lines[0]));
    AppendWatchHeader(first, view, place, decimals, separator);
    WideBuilder second(lines[1], std::size(lines[1]));
    second.AppendFrom1251(TextDumpReadings);
    AppendCount(second, summary.readings);
    second.Append(L"     ");
    AppendLabelled(second, TextDumpMean, DumpSummaryMean(summary), separator);
    double kinetic = 0;
    if (DumpMeanKinetic(summary, kinetic))
        AppendLabelled(second, TextDumpKinetic, kinetic, separator);
    if (record.kind == RecordHeader::Dump) {
        second.AppendFrom1251(record.timed ? TextDumpTimesEstimated : TextDumpAxisNumbers);
    } else {
        second.AppendFrom1251(TextRecordGaps);
        AppendCount(second, summary.withoutNumber);
    }
    WideBuilder third(lines[2], std::size(lines[2]));
    third.AppendFrom1251(TextRecordFile);
    AppendFileName(third, record.path, false);
    for (std::int32_t i = 0; i < 3; ++i) {
        const RECT row{area.left, area.bottom - (3 - i) * line, area.right, area.bottom - (2 - i) * line};
        DrawWide(dc, lines[i], row, DT_LEFT | DT_BOTTOM);
    }
}

// A time on the axis as the line above the plot tells it: the local date and
// time, or the reading's number where the axis counts readings.
void AppendAxisPoint(WideBuilder& text, std::uint64_t time, bool counts)
{
    if (counts) {
        AppendCount(text, time / ReadingSpacing);
        return;
    }
    const std::uint64_t ticks = LocalAt(time) * FileTimeTicksPerMillisecond;
    const FILETIME local{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME fields{};
    FileTimeToSystemTime(&local, &fields);
    wchar_t part[32];
    wsprintfW(part, L"%02d.%02d.%04d %02d:%02d:%02d", fields.wDay, fields.wMonth, fields.wYear, fields.wHour,
              fields.wMinute, fields.wSecond);
    text.Append(part);
}

// The line just above the plot: what is in view, whether it follows a
// running watch's newest reading, and the reading the user picked.
void AppendViewLine(WideBuilder& text, const ChartPlace& place, ChartRange range, std::int32_t decimals,
                    const wchar_t* separator)
{
    const bool counts = AxisCountsReadings(place);
    text.AppendFrom1251(TextChartViewFrom);
    AppendAxisPoint(text, range.from, counts);
    text.AppendFrom1251(TextChartViewTo);
    AppendAxisPoint(text, range.to, counts);
    if (place.kind == ChartKind::Watch && WatchRunning() && ChartSpanFollows(place.span))
        text.AppendFrom1251(TextChartFollowing);
    if (place.picked) {
        text.Append(L"     ");
        text.AppendFrom1251(TextChartPicked);
        AppendAxisPoint(text, place.pickedTime, counts);
        text.Append(L": ");
        AppendValue(text, place.pickedValue, decimals, separator);
    }
}

// A grid line down the plot at the column that holds a tick, its label
// under the plot.
void DrawTick(HDC dc, const RECT& plot, std::int32_t columnCount, double share, const wchar_t* label,
              std::int32_t dpi, std::int32_t height)
{
    const auto column = static_cast<LONG>(share * columnCount);
    const LONG x = plot.left + (column < columnCount ? column : columnCount - 1);
    MoveToEx(dc, x, plot.top, nullptr);
    LineTo(dc, x, plot.bottom);
    RECT area{x - ScaleToDpi(40, dpi), plot.bottom + ScaleToDpi(4, dpi), x + ScaleToDpi(40, dpi), height};
    DrawTextW(dc, label, -1, &area, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

// The readings' numbers under the plot, at round steps.
void DrawNumberAxis(HDC dc, const RECT& plot, std::int32_t columnCount, std::uint64_t from, std::uint64_t to,
                    std::int32_t dpi, std::int32_t height)
{
    const double first = static_cast<double>(from) / ReadingSpacing;
    const double last = static_cast<double>(to) / ReadingSpacing;
    const ChartValueStep step = ChartValueStepFor(last - first, (plot.right - plot.left) / ScaleToDpi(80, dpi) + 1);
    const double every = step.step < 1 ? 1 : step.step;
    for (double tick = std::ceil(first / every) * every; tick <= last; tick += every) {
        wchar_t label[32];
        WideBuilder text(label, std::size(label));
        AppendCount(text, static_cast<std::uint64_t>(tick));
        DrawTick(dc, plot, columnCount, (tick - first) / (last - first), label, dpi, height);
    }
}

// Local times under the plot, at round steps of the local time at the
// view's start; each label is its own instant's local time.
void DrawTimeAxis(HDC dc, const RECT& plot, std::int32_t columnCount, std::uint64_t from, std::uint64_t to,
                  std::int32_t dpi, std::int32_t height)
{
    const std::uint64_t offset = LocalAt(from) - from;
    const std::uint64_t timeStep = ChartTimeStepFor(to - from, (plot.right - plot.left) / ScaleToDpi(80, dpi) + 1);
    const std::uint64_t firstTick = ((from + offset) / timeStep + ((from + offset) % timeStep != 0)) * timeStep;
    for (std::uint64_t tick = firstTick; tick - offset <= to && tick >= firstTick; tick += timeStep) {
        const double share = static_cast<double>(tick - offset - from) / static_cast<double>(to - from);
        wchar_t label[16];
        TimeLabel(LocalAt(tick - offset), timeStep, label);
        DrawTick(dc, plot, columnCount, share, label, dpi, height);
    }
}

// The trace `width` pixels wide, as one-pixel lines side by side: a wider
// pen is stroked as polygons, some hundred times slower under Wine at
// thousands of points.
void DrawTrace(HDC dc, const POINT* points, const DWORD* runs, std::int32_t runCount, std::int32_t width)
{
    POINT origin{};
    GetViewportOrgEx(dc, &origin);
    for (std::int32_t step = 0; step < 2 * width - 1; ++step) {
        const std::int32_t across = step < width ? step : 0;
        const std::int32_t down = step < width ? 0 : step - width + 1;
        SetViewportOrgEx(dc, origin.x + across, origin.y + down, nullptr);
        PolyPolyline(dc, points, runs, static_cast<DWORD>(runCount));
    }
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

// The columns of the plot from one time to another, within it.
std::int32_t ColumnAt(std::uint64_t time, const ChartRange& range, std::int32_t columnCount)
{
    if (time <= range.from)
        return 0;
    if (time >= range.to)
        return columnCount;
    return static_cast<std::int32_t>(static_cast<double>(time - range.from) / static_cast<double>(range.to - range.from) *
                                     columnCount);
}

void ShadeAlarms(HDC dc, const RECT& plot, std::int32_t columnCount, const ChartRange& range,
                 const ChartColours& colours)
{
    if (AlarmSpanCount() == 0 || range.to <= range.from)
        return;
    const GdiObject brush(colours.contrast ? CreateHatchBrush(HS_FDIAGONAL, colours.alarm)
                                           : CreateSolidBrush(colours.alarm));
    for (std::size_t i = 0; i < AlarmSpanCount(); ++i) {
        const AlarmSpan span = AlarmSpanAt(i);
        const std::uint64_t to = span.to ? span.to : range.to;
        if (to < range.from || span.from > range.to)
            continue;
        const std::int32_t first = ColumnAt(span.from, range, columnCount);
        // At least a column, so that an alarm of one reading shows.
        const std::int32_t last = std::max(ColumnAt(to, range, columnCount), first + 1);
        Fill(dc, plot, first, std::min(last, columnCount), plot.top, brush.get());
    }
}

// The alarm's limits across the plot, dashed, where the value axis shows them.
void DrawLimits(HDC dc, const RECT& plot, double low, double high, const ChartColours& colours)
{
    const AlarmLimits& limits = AlarmLimitsSetting();
    const GdiObject pen(CreatePen(PS_DASH, 1, colours.limit));
    const HGDIOBJ old = SelectObject(dc, pen.get());
    const double plotHeight = plot.bottom - plot.top - 1;
    for (const auto& [has, value] : {std::pair{limits.hasHigh, limits.high}, std::pair{limits.hasLow, limits.low}}) {
        if (!has || value < low || value > high)
            continue;
        const auto y = static_cast<LONG>(std::lround(plot.bottom - 1 - (value - low) / (high - low) * plotHeight));
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
    }
    SelectObject(dc, old);
}

// The chart at that size and DPI, into any device context: the window's
// buffer or the picture for the clipboard.
struct ChartDrawn {
    ChartView view;
    ChartRange range;
    std::int32_t decimals;
};

ChartDrawn DrawChart(HDC dc, std::int32_t width, std::int32_t height, std::int32_t dpi, ChartPlace& place)
{
    const RECT whole{0, 0, width, height};
    const ChartColours colours = ColoursNow();
    const GdiObject background(CreateSolidBrush(colours.back));
    FillRect(dc, &whole, static_cast<HBRUSH>(background.get()));
    const GdiObject font(CreateFontW(-ScaleToDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_SWISS, L"Arial"));
    const HGDIOBJ oldFont = SelectObject(dc, font.get() ? font.get() : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.text);
    SetBkColor(dc, colours.back);
    const std::int32_t line = ScaleToDpi(16, dpi);
    const RECT plot = PlotRect(width, height, dpi, place.kind);
    const LONG plotWidth = plot.right > plot.left ? plot.right - plot.left : 0;
    const std::int32_t columnCount = plotWidth < MostColumns ? static_cast<std::int32_t>(plotWidth) : MostColumns;

    const WatchReadings& readings = ReadingsOf(place);
    ChartSummary& summary = place.summary;
    ChartSummaryUpdate(summary, readings);
    ProcessHeapBlock columnBlock(columnCount > 0 ? static_cast<std::size_t>(columnCount) * sizeof(ChartColumn) : 0);
    auto* columns = columnBlock.As<ChartColumn>();
    const ChartRange range = ChartSpanRange(place.span, ExtentOf(place));
    const std::uint64_t from = range.from;
    const std::uint64_t to = range.to;
    const ChartView view =
        ChartReduce(readings, summary, from, to, columns, plot.bottom > plot.top && columns ? columnCount : 0);
    if (!view.present) {
        wchar_t empty[128];
        WideBuilder text(empty, std::size(empty));
        text.AppendFrom1251(TextChartEmpty);
        DrawWide(dc, empty, whole, DT_CENTER | DT_VCENTER);
        SelectObject(dc, oldFont);
        return ChartDrawn{view, range, 1};
    }

    // The values, with a little room above and below them; a flat line in
    // the middle, with room that a large value does not round away. A fixed
    // scale is the user's, as it stands.
    const ChartScale& scale = ChartScaleSetting();
    double low = view.low;
    double high = view.high;
    const double margin = high - low < 1e-3 ? std::fmax(1.0, std::fabs(high) / 100) : (high - low) / 20;
    low = scale.fixed ? scale.low : low - margin;
    high = scale.fixed ? scale.high : high + margin;
    const double plotHeight = plot.bottom - plot.top - 1;
    auto yOf = [&](double value) {
        return static_cast<LONG>(std::lround(plot.bottom - 1 - (value - low) / (high - low) * plotHeight));
    };
    const ChartValueStep step = ChartValueStepFor(high - low, (plot.bottom - plot.top) / ScaleToDpi(32, dpi) + 1);
    const std::int32_t decimals = step.decimals > 1 ? step.decimals : 1;
    wchar_t separator[8];
    DecimalSeparator(separator);

    // The time the watch's alarms lasted, shaded under everything else; in
    // high contrast hatched the other way from the gaps.
    if (place.kind == ChartKind::Watch)
        ShadeAlarms(dc, plot, columnCount, range, colours);

    // The trace gathered as one run of points per stretch of line, each
    // column from its first value over its extremes to its last; where the
    // line breaks (a slot missed or without a number), the columns between
    // are shaded.
    // In high contrast a gap is hatched, so that it shows in any scheme.
    const GdiObject gapBrush(colours.contrast ? CreateHatchBrush(HS_BDIAGONAL, colours.gap)
                                              : CreateSolidBrush(colours.gap));
    const GdiObject markBrush(CreateSolidBrush(colours.gapMark));
    ProcessHeapBlock pointBlock(static_cast<std::size_t>(columnCount) * 5 * sizeof(POINT));
    ProcessHeapBlock runBlock(static_cast<std::size_t>(columnCount) * sizeof(DWORD));
    auto* points = pointBlock.As<POINT>();
    auto* runs = runBlock.As<DWORD>();
    std::int32_t pointCount = 0, runCount = 0, runStart = 0, lastPresent = -1;
    auto endRun = [&]() {
        if (pointCount == runStart)
            return;
        // A line leaves out its last pixel: one more point puts it in.
        points[pointCount] = POINT{points[pointCount - 1].x + 1, points[pointCount - 1].y};
        ++pointCount;
        runs[runCount++] = static_cast<DWORD>(pointCount - runStart);
        runStart = pointCount;
    };
    for (std::int32_t c = 0; points && runs && c < columnCount; ++c) {
        const ChartColumn& column = columns[c];
        if (!column.present)
            continue;
        if (!column.joined || lastPresent < 0) {
            endRun();
            if (lastPresent >= 0)
                Fill(dc, plot, lastPresent + 1, c, plot.top, gapBrush.get());
        }
        const LONG x = plot.left + c;
        for (float value : {column.first, column.low, column.high, column.last})
            points[pointCount++] = POINT{x, yOf(value)};
        lastPresent = c;
    }
    endRun();
    // A slot without a number is marked under the line, over the shading: in
    // a column of many readings one such slot must not hide the rest.
    const std::int32_t mark = ScaleToDpi(4, dpi);
    for (std::int32_t c = 0, gapStart = 0; c <= columnCount; ++c) {
        if (c < columnCount && columns[c].gap)
            continue;
        Fill(dc, plot, gapStart, c, plot.bottom - mark, markBrush.get());
        gapStart = c + 1;
    }

    // The grid and its labels: round values, and local times at round steps.
    const GdiObject gridPen(CreatePen(PS_SOLID, 1, colours.grid));
    const HGDIOBJ oldPen = SelectObject(dc, gridPen.get());
    const double firstValue = std::ceil(low / step.step) * step.step;
    for (std::int32_t i = 0; i < MostGridLines && firstValue + i * step.step <= high; ++i) {
        const double value = firstValue + i * step.step;
        const LONG y = yOf(value);
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
        wchar_t label[64];
        WideBuilder text(label, std::size(label));
        AppendValue(text, value, step.decimals, separator);
        DrawWide(dc, label, RECT{0, y - line / 2, plot.left - ScaleToDpi(6, dpi), y + line / 2}, DT_RIGHT | DT_VCENTER);
    }
    if (AxisCountsReadings(place))
        DrawNumberAxis(dc, plot, columnCount, from, to, dpi, height);
    else
        DrawTimeAxis(dc, plot, columnCount, from, to, dpi, height);

    DrawLimits(dc, plot, low, high, colours);

    const GdiObject framePen(CreatePen(PS_SOLID, 1, colours.frame));
    SelectObject(dc, framePen.get());
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1);

    const GdiObject tracePen(CreatePen(PS_SOLID, 1, colours.trace));
    const GdiObject traceBrush(CreateSolidBrush(colours.trace));
    SelectObject(dc, tracePen.get());
    // Beyond a fixed scale the trace is cut at the plot's edges.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
    if (runCount)
        DrawTrace(dc, points, runs, runCount, ScaleToDpi(colours.contrast ? 2 : 1, dpi));
    // The newest value, marked.
    if (lastPresent >= 0) {
        SelectObject(dc, traceBrush.get());
        const LONG x = plot.left + lastPresent;
        const LONG y = yOf(columns[lastPresent].last);
        const std::int32_t r = ScaleToDpi(3, dpi);
        Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
    }
    // The picked reading, ringed.
    if (place.picked && place.pickedTime >= from && place.pickedTime <= to) {
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        const double share = static_cast<double>(place.pickedTime - from) / static_cast<double>(to - from);
        const LONG x = plot.left + std::min(static_cast<LONG>(share * columnCount), static_cast<LONG>(columnCount - 1));
        const LONG y = yOf(place.pickedValue);
        const std::int32_t r = ScaleToDpi(6, dpi);
        Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
    }
    RestoreDC(dc, saved);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);

    const LONG viewLine = plot.top - ScaleToDpi(4, dpi);
    const RECT header{plot.left, 0, width, viewLine - line};
    wchar_t text[256];
    if (place.kind == ChartKind::Dump) {
        DrawDumpHeader(dc, header, line, separator);
    } else if (place.kind == ChartKind::Record) {
        DrawRecordHeader(dc, header, line, place, view, decimals, separator);
    } else {
        WideBuilder top(text, std::size(text));
        AppendWatchHeader(top, view, place, decimals, separator);
        DrawWide(dc, text, header, DT_LEFT | DT_BOTTOM);
    }
    WideBuilder inView(text, std::size(text));
    AppendViewLine(inView, place, range, decimals, separator);
    DrawWide(dc, text, RECT{plot.left, viewLine - line, width, viewLine}, DT_LEFT | DT_BOTTOM);
    SelectObject(dc, oldFont);
    return ChartDrawn{view, range, decimals};
}

// What a screen reader reads as the chart's value: the header's values of
// what is in view, and the view itself.
void AccessibleValue(const ChartPlace& place, const ChartDrawn& drawn, wchar_t (&value)[ChartValueLength])
{
    WideBuilder text(value, std::size(value));
    if (!drawn.view.present) {
        text.AppendFrom1251(TextChartEmpty);
        return;
    }
    wchar_t separator[8];
    DecimalSeparator(separator);
    if (place.kind == ChartKind::Dump) {
        text.AppendFrom1251(TextChartLow);
        AppendValue(text, drawn.view.low, drawn.decimals, separator);
        text.Append(L"; ");
        text.AppendFrom1251(TextChartHigh);
        AppendValue(text, drawn.view.high, drawn.decimals, separator);
    } else {
        AppendWatchHeader(text, drawn.view, place, drawn.decimals, separator);
    }
    text.Append(L"; ");
    AppendViewLine(text, place, drawn.range, drawn.decimals, separator);
}

// Readers hear of a new value at most once a second; a change within the
// second is told when it is over.
void TellValue(HWND window, const wchar_t* value)
{
    ChartPlace& place = Place(window);
    if (lstrcmpW(value, place.value) == 0)
        return;
    lstrcpynW(place.value, value, ChartValueLength);
    ChartAccessValue(window, value);
    const ULONGLONG now = GetTickCount64();
    if (now - place.toldAt >= ValueChangeMilliseconds) {
        place.toldAt = now;
        ChartAccessTellChange(window);
    } else if (!place.tellPending) {
        place.tellPending = true;
        SetTimer(window, ValueChangeTimer, static_cast<UINT>(ValueChangeMilliseconds - (now - place.toldAt)), nullptr);
    }
}

void Paint(HWND window)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    RECT client{};
    GetClientRect(window, &client);
    // Drawn whole off the screen and put there in one copy: no flicker.
    HDC buffer = CreateCompatibleDC(dc);
    const GdiObject bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer && bitmap.get()) {
        const HGDIOBJ old = SelectObject(buffer, bitmap.get());
        const ChartDrawn drawn = DrawChart(buffer, client.right, client.bottom, WindowDpi(window), Place(window));
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
        wchar_t value[ChartValueLength];
        AccessibleValue(Place(window), drawn, value);
        TellValue(window, value);
        SelectObject(buffer, old);
    }
    if (buffer)
        DeleteDC(buffer);
    EndPaint(window, &paint);
}

// The chart as the window shows it, drawn into a device-independent bitmap
// of 24 bits a pixel, bottom row first.
class ChartPicture {
public:
    explicit ChartPicture(HWND window) : bitmap_(Make(window, info_, bits_))
    {
        HDC dc = bitmap_.get() && bits_ ? CreateCompatibleDC(nullptr) : nullptr;
        if (!dc) {
            bits_ = nullptr;
            return;
        }
        const HGDIOBJ old = SelectObject(dc, bitmap_.get());
        DrawChart(dc, info_.bmiHeader.biWidth, info_.bmiHeader.biHeight, WindowDpi(window), Place(window));
        GdiFlush();
        SelectObject(dc, old);
        DeleteDC(dc);
    }

    bool drawn() const { return bits_ != nullptr; }
    const BITMAPINFOHEADER& header() const { return info_.bmiHeader; }
    const BYTE* bits() const { return static_cast<const BYTE*>(bits_); }

private:
    static HGDIOBJ Make(HWND window, BITMAPINFO& info, void*& bits)
    {
        RECT client{};
        GetClientRect(window, &client);
        if (client.right <= 0 || client.bottom <= 0)
            return nullptr;
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = client.right;
        info.bmiHeader.biHeight = client.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        const std::size_t stride = (static_cast<std::size_t>(client.right) * 3 + 3) & ~std::size_t{3};
        info.bmiHeader.biSizeImage = static_cast<DWORD>(stride * static_cast<std::size_t>(client.bottom));
        return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    }

    BITMAPINFO info_{};
    void* bits_ = nullptr;
    GdiObject bitmap_;
};

// The picture on the clipboard; the system offers it as CF_BITMAP too.
void CopyChart(HWND window)
{
    const ChartPicture picture(window);
    if (!picture.drawn())
        return;
    const std::size_t size = picture.header().biSizeImage;
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, sizeof picture.header() + size);
    void* copy = global ? GlobalLock(global) : nullptr;
    if (!copy) {
        if (global)
            GlobalFree(global);
        return;
    }
    CopyMemory(copy, &picture.header(), sizeof picture.header());
    CopyMemory(static_cast<BYTE*>(copy) + sizeof picture.header(), picture.bits(), size);
    GlobalUnlock(global);
    if (OpenClipboard(window)) {
        EmptyClipboard();
        if (SetClipboardData(CF_DIB, global))
            global = nullptr; // the clipboard's now
        CloseClipboard();
    }
    if (global)
        GlobalFree(global);
}

// The picture as the user asked for it, saved where they choose: proposed
// as "korvane-chart-YYYYMMDD-HHMMSS.png" in Pictures.
void SaveChartPicture(HWND window)
{
    const ChartPicture picture(window);
    if (!picture.drawn())
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t name[MAX_PATH];
    wsprintfW(name, L"korvane-chart-%04u%02u%02u-%02u%02u%02u.png", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    const SaveChoice choice{.owner = window, .title = TextChartSaveTitle, .filterName = TextPngFiles,
                            .pattern = L"*.png", .extension = L"png", .folder = CSIDL_MYPICTURES, .name = name};
    wchar_t target[SavePathCapacity];
    if (!AskWhereToSave(choice, target, SavePathCapacity))
        return;
    if (const DWORD error = SavePng(picture.header(), picture.bits(), target))
        ReportFileFailure(TextChartSaveFailed, target, error);
}

RECT WindowPlot(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return PlotRect(client.right, client.bottom, WindowDpi(window), Place(window).kind);
}

// Where a client x falls across the plot, 0 at its left edge and 1 at its right.
double ShareAt(HWND window, LONG x)
{
    const RECT plot = WindowPlot(window);
    return plot.right > plot.left ? std::clamp(static_cast<double>(x - plot.left) / (plot.right - plot.left), 0.0, 1.0)
                                  : 0.5;
}

LONG ClientX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }

void SetSpan(HWND window, const ChartSpan& span)
{
    ChartPlace& place = Place(window);
    place.span = span;
    place.picked = false;
    InvalidateRect(window, nullptr, FALSE);
}

void Zoom(HWND window, double share, double factor)
{
    const ChartPlace& place = Place(window);
    SetSpan(window, ChartSpanZoom(place.span, ExtentOf(place), share, factor));
}

// Moves the view by `parts` tenths of its width.
void Scroll(HWND window, std::int32_t parts)
{
    const ChartPlace& place = Place(window);
    const ChartExtent extent = ExtentOf(place);
    const ChartRange range = ChartSpanRange(place.span, extent);
    const auto step = static_cast<std::int64_t>((range.to - range.from) / ScrollParts);
    SetSpan(window, ChartSpanScroll(place.span, extent, parts * std::max<std::int64_t>(step, 1)));
}

// The drag moves the view with the pointer, from where it began.
void Drag(HWND window, LONG x)
{
    const ChartPlace& place = Place(window);
    const RECT plot = WindowPlot(window);
    if (x == place.dragX || plot.right <= plot.left)
        return;
    const ChartExtent extent = ExtentOf(place);
    const ChartRange range = ChartSpanRange(place.dragSpan, extent);
    const double perPixel = static_cast<double>(range.to - range.from) / (plot.right - plot.left);
    SetSpan(window, ChartSpanScroll(place.dragSpan, extent, std::llround((place.dragX - x) * perPixel)));
}

// Picks the reading with a number nearest to that point of the view.
void Pick(HWND window, double share)
{
    ChartPlace& place = Place(window);
    const ChartRange range = ChartSpanRange(place.span, ExtentOf(place));
    const auto time = range.from + static_cast<std::uint64_t>(share * static_cast<double>(range.to - range.from));
    const std::int32_t nearest = ChartNearestReading(ReadingsOf(place), time, range);
    place.picked = nearest >= 0;
    const WatchReading reading = WatchReadingAt(ReadingsOf(place), nearest);
    place.pickedTime = reading.time;
    place.pickedValue = reading.value;
    InvalidateRect(window, nullptr, FALSE);
}

// The keys that do what the mouse does: the arrows drag, + and - turn the
// wheel at the middle, Enter double-clicks there; Home shows everything and
// End follows the newest reading.
bool NavigationKey(HWND window, WPARAM key)
{
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
        Scroll(window, key == VK_LEFT ? -1 : 1);
        return true;
    case VK_ADD:
    case VK_OEM_PLUS:
        Zoom(window, 0.5, ZoomStep);
        return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        Zoom(window, 0.5, 1 / ZoomStep);
        return true;
    case VK_HOME:
        SetSpan(window, ChartSpan{});
        return true;
    case VK_END:
        SetSpan(window, ChartSpanFollowNewest(Place(window).span, ExtentOf(Place(window))));
        return true;
    case VK_RETURN:
        Pick(window, 0.5);
        return true;
    default:
        return false;
    }
}

enum ChartCommand : UINT_PTR { CommandScaleAuto = 1, CommandScaleFixed, CommandCopy, CommandSavePicture, CommandPublish };

// The chart's own menu, at the pointer or, from the keyboard, at the plot.
void ShowContextMenu(HWND window, LPARAM lParam)
{
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (lParam == -1) {
        const RECT plot = WindowPlot(window);
        at = POINT{plot.left, plot.top};
        ClientToScreen(window, &at);
    }
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    const bool fixed = ChartScaleSetting().fixed;
    auto add = [&](UINT flags, UINT_PTR command, const char* text) {
        wchar_t wide[128];
        WideBuilder built(wide, std::size(wide));
        built.AppendFrom1251(text);
        AppendMenuW(menu, flags, command, wide);
    };
    add(MF_STRING | (fixed ? MF_UNCHECKED : MF_CHECKED), CommandScaleAuto, TextChartScaleAuto);
    add(MF_STRING | (fixed ? MF_CHECKED : MF_UNCHECKED), CommandScaleFixed, TextChartScaleFixed);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(MF_STRING, CommandCopy, TextChartCopy);
    add(MF_STRING, CommandSavePicture, TextChartSavePicture);
    // A dump's readings with their estimated times, on the user's word.
    const bool publishable = Place(window).kind == ChartKind::Dump && LastDump().present && LastDump().timed;
    if (publishable) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        add(MF_STRING, CommandPublish, TextChartPublishDump);
    }
    const UINT_PTR chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
    switch (chosen) {
    case CommandScaleAuto:
        SetChartScale(ChartScale{});
        break;
    case CommandScaleFixed:
        OpenChartScaleDialog(window);
        break;
    case CommandCopy:
        CopyChart(window);
        break;
    case CommandSavePicture:
        SaveChartPicture(window);
        break;
    case CommandPublish:
        PublishDumpReadings(LastDump().readings);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        static_cast<ChartPlace*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams)->window = window;
    if (!IsChart(window))
        return DefWindowProcW(window, message, wParam, lParam);
    ChartPlace& place = Place(window);
    switch (message) {
    case WM_CONTEXTMENU:
        ShowContextMenu(window, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == ValueChangeTimer) {
            KillTimer(window, ValueChangeTimer);
            place.tellPending = false;
            place.toldAt = GetTickCount64();
            ChartAccessTellChange(window);
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        // A fine-grained wheel sends parts of a notch: they add up to one.
        place.wheelRest += GET_WHEEL_DELTA_WPARAM(wParam);
        const std::int32_t notches = place.wheelRest / WHEEL_DELTA;
        place.wheelRest %= WHEEL_DELTA;
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(window, &at);
        double factor = 1;
        for (std::int32_t i = 0; i < (notches < 0 ? -notches : notches); ++i)
            factor = notches < 0 ? factor / ZoomStep : factor * ZoomStep;
        if (notches)
            Zoom(window, ShareAt(window, at.x), factor);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        place.dragging = true;
        place.dragX = ClientX(lParam);
        place.dragSpan = place.span;
        SetCapture(window);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (place.dragging)
            Drag(window, ClientX(lParam));
        return 0;
    case WM_LBUTTONUP:
        place.dragging = false;
        ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        place.dragging = false;
        return 0;
    case WM_LBUTTONDBLCLK:
        Pick(window, ShareAt(window, ClientX(lParam)));
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_DROPFILES:
        OpenDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        if (wParam == 'C' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
            CopyChart(window);
            return 0;
        }
        if (NavigationKey(window, wParam))
            return 0;
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_GETMINMAXINFO: {
        const std::int32_t dpi = WindowDpi(window);
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = POINT{ScaleToDpi(ChartMinimumWidth, dpi), ScaleToDpi(ChartMinimumHeight, dpi)};
        return 0;
    }
    case WindowMessageDpiChanged: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_NCDESTROY: {
        ChartSummaryClear(place.summary);
        ChartAccessForget(window);
        CloseOpenedRecord(place.record);
        place = ChartPlace{};
        if (CloseWatch && std::none_of(Places.begin(), Places.end(), [](const ChartPlace& p) { return p.window; })) {
            UnhookWindowsHookEx(CloseWatch);
            CloseWatch = nullptr;
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterChartClass(HINSTANCE instance)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, ChartClassName, &existing))
        return true;
    WNDCLASSEXW chartClass{};
    chartClass.cbSize = sizeof chartClass;
    chartClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    chartClass.lpfnWndProc = ChartProc;
    chartClass.hInstance = instance;
    chartClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    chartClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    chartClass.lpszClassName = ChartClassName;
    return RegisterClassExW(&chartClass) != 0;
}

constexpr std::size_t TitleLength = MAX_PATH + 64;

// "Выгрузка DD.MM.YYYY HH:MM:SS — Korvane" ("Выгрузка — Korvane" before
// the first dump), a record's file name and "— Korvane", or the watch's
// title.
void TitleOf(const ChartPlace& place, wchar_t (&title)[TitleLength])
{
    WideBuilder text(title, std::size(title));
    if (place.kind == ChartKind::Watch) {
        text.AppendFrom1251(TextChartTitle);
        return;
    }
    if (place.kind == ChartKind::Record) {
        AppendFileName(text, place.record->path, false);
        text.Append(L" ");
        text.AppendFrom1251(TextChartTitleEnd);
        return;
    }
    text.AppendFrom1251(TextDumpChartTitle);
    if (LastDump().present) {
        const WatchClock& began = LastDump().began;
        wchar_t time[32];
        wsprintfW(time, L"%02d.%02d.%04d %02d:%02d:%02d ", began.day, began.month, began.year, began.hour,
                  began.minute, began.second);
        text.Append(time);
    }
    text.AppendFrom1251(TextChartTitleEnd);
}

void BringForward(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

// The place's chart window, opened active; false when it cannot be made.
bool OpenChart(ChartPlace& place)
{
    if (place.window) {
        BringForward(place.window);
        return true;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterChartClass(instance))
        return false;
    const HWND owner = WindowHandle(MainWindow);
    const std::int32_t dpi = owner ? WindowDpi(owner) : SystemDpi();
    RECT frame{0, 0, ScaleToDpi(ChartWidth, dpi), ScaleToDpi(ChartHeight, dpi)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    // Below and to the right of the main window's corner, where both show;
    // each next chart a little further, so that they all show.
    RECT ownerRect{};
    if (owner)
        GetWindowRect(owner, &ownerRect);
    const auto index = static_cast<std::int32_t>(&place - Places.data());
    const std::int32_t shift = ScaleToDpi(40 * (1 + index % 8), dpi);
    wchar_t title[TitleLength];
    TitleOf(place, title);
    if (!CreateWindowExW(WS_EX_ACCEPTFILES, ChartClassName, title, WS_OVERLAPPEDWINDOW, ownerRect.left + shift,
                         ownerRect.top + shift, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                         instance, &place))
        return false;
    ChartAccessName(place.window, title);
    if (!CloseWatch)
        CloseWatch = SetWindowsHookExW(WH_GETMESSAGE, WatchPostedClose, nullptr, GetCurrentThreadId());
    ShowWindow(place.window, SW_SHOW);
    SetForegroundWindow(place.window);
    UpdateWindow(place.window);
    return true;
}

void OpenChart(ChartKind kind)
{
    ChartPlace& place = PlaceOf(kind);
    place.kind = kind;
    OpenChart(place);
}

} // namespace

void OpenChartWindow() { OpenChart(ChartKind::Watch); }

void OpenDumpChartWindow() { OpenChart(ChartKind::Dump); }

bool OpenRecordChart(OpenedRecord* record)
{
    const auto free = std::find_if(Places.begin() + 2, Places.end(), [](const ChartPlace& p) { return !p.window; });
    if (free == Places.end())
        return false;
    free->kind = ChartKind::Record;
    free->record = record;
    if (OpenChart(*free))
        return true;
    // Still the place's, unless a window made and ended at once took it.
    CloseOpenedRecord(free->record);
    *free = ChartPlace{};
    return false;
}

bool ShowRecordChart(const wchar_t* path)
{
    for (const ChartPlace& place : Places) {
        if (place.window && place.kind == ChartKind::Record && lstrcmpiW(place.record->path, path) == 0) {
            BringForward(place.window);
            return true;
        }
    }
    return false;
}

void OpenChartOfNewest()
{
    const WatchReadings& watch = WatchKeptReadings();
    const KeptDump& dump = LastDump();
    const bool dumpNewer =
        dump.present && (watch.count == 0 || dump.time > WatchReadingAt(watch, watch.count - 1).time);
    OpenChart(!WatchRunning() && dumpNewer ? ChartKind::Dump : ChartKind::Watch);
}

void ChartReadingsChanged()
{
    if (HWND chart = PlaceOf(ChartKind::Watch).window)
        InvalidateRect(chart, nullptr, FALSE);
}

void DumpChartChanged()
{
    HWND chart = PlaceOf(ChartKind::Dump).window;
    if (!chart)
        return;
    // Two dumps may look alike to the summary (as many readings, numbered
    // alike): it is made anew for each, and shown whole.
    ChartPlace& place = PlaceOf(ChartKind::Dump);
    ChartSummaryClear(place.summary);
    place.span = ChartSpan{};
    place.picked = false;
    wchar_t title[TitleLength];
    TitleOf(place, title);
    SetWindowTextW(chart, title);
    ChartAccessName(chart, title);
    InvalidateRect(chart, nullptr, FALSE);
}

void RedrawCharts()
{
    for (const ChartPlace& place : Places)
        if (place.window)
            InvalidateRect(place.window, nullptr, FALSE);
}

HWND ChartWindowHandle() { return PlaceOf(ChartKind::Watch).window; }

HWND DumpChartWindowHandle() { return PlaceOf(ChartKind::Dump).window; }

ChartRange ChartShownRange(HWND chart)
{
    const ChartPlace* place = PlaceAt(chart);
    return place ? ChartSpanRange(place->span, ExtentOf(*place)) : ChartRange{};
}

bool ChartFollowing(HWND chart)
{
    const ChartPlace* place = PlaceAt(chart);
    return place && ChartSpanFollows(place->span);
}

const wchar_t* ChartAccessText(HWND chart)
{
    const ChartPlace* place = PlaceAt(chart);
    return place ? place->value : L"";
}
