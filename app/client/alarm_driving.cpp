#include "app/client/alarm_driving.h"

#include "app/client/alarm_limits.h"
#include "app/client/file_report.h"
#include "app/client/client_effects.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/record_times.h"
#include "app/client/tray_icon.h"
#include "app/client/window_state.h"

#include "window/window.h"

#include <windows.h>

#include <array>
#include <cmath>
#include <iterator>

namespace {

AlarmState State{};
std::array<AlarmSpan, AlarmSpansKept> Spans{};
std::size_t SpanCount = 0;
// The slot that started or ended an alarm, waiting for its time.
bool SpanBegins = false;
bool SpanEnds = false;

// "DD.MM.YYYY HH:MM:SS " of the local time now.
void AppendNow(WideBuilder& text)
{
    const WatchClock now = LocalClock();
    wchar_t time[32];
    wsprintfW(time, L"%02d.%02d.%04d %02d:%02d:%02d ", now.day, now.month, now.year, now.hour, now.minute, now.second);
    text.Append(time);
}

// The log's line for a change, and the notification's text (the line
// without its time).
void TellChange(const char* what, const wchar_t* detail, const wchar_t* readingText, bool notify)
{
    wchar_t line[256];
    WideBuilder text(line, std::size(line));
    AppendNow(text);
    const std::size_t timeLength = static_cast<std::size_t>(lstrlenW(line));
    text.AppendFrom1251(what);
    text.Append(detail);
    if (readingText && *readingText) {
        text.AppendFrom1251(TextAlarmReading);
        text.Append(readingText);
    }
    AddToLogWide(line);
    if (!notify)
        return;
    wchar_t title[64];
    WideBuilder(title, std::size(title)).AppendFrom1251(TextAlarmBalloonTitle);
    TellFromTrayIcon(title, line + timeLength);
}

// An alarm's start: besides the log, once, the sound the user chose for a
// critical stop (none under "No sounds"), the taskbar button flashing until
// Korvane is in front, and the notification; nothing takes the focus.
void TellStart(const AlarmStep& step, const wchar_t* readingText)
{
    wchar_t detail[64];
    WideBuilder text(detail, std::size(detail));
    const char* what = TextAlarmNoReadings;
    if (step.started == AlarmKind::NoReadings) {
        AppendCount(text, static_cast<std::uint64_t>(State.gaps));
        readingText = nullptr;
    } else {
        what = step.started == AlarmKind::High ? TextAlarmAbove : TextAlarmBelow;
        AppendNumber(text, step.startedLimit);
    }
    ShowWindowState();
    TellChange(what, detail, readingText, true);
    MessageBeep(MB_ICONHAND);
    HWND window = WindowHandle(MainWindow);
    if (window && GetForegroundWindow() != window) {
        FLASHWINFO flash{sizeof flash, window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

void Tell(const AlarmStep& step, const wchar_t* readingText)
{
    if (step.ended != AlarmKind::None) {
        SpanEnds = true;
        ShowWindowState();
        TellChange(TextAlarmEnded, L"", step.ended == AlarmKind::NoReadings ? nullptr : readingText, false);
    }
    if (step.started != AlarmKind::None) {
        SpanBegins = true;
        TellStart(step, readingText);
    }
    if (step.longGap) {
        wchar_t count[24];
        WideBuilder text(count, std::size(count));
        AppendCount(text, static_cast<std::uint64_t>(State.gaps));
        TellChange(TextAlarmLongGap, count, nullptr, false);
    }
}

} // namespace

AlarmRowNote AlarmTakeSlot(std::uint64_t missed, const ReplyNumber& number, const wchar_t* readingText,
                           bool lineBusy)
{
    const AlarmLimits& limits = AlarmLimitsSetting();
    // Past its count of gaps a stretch changes nothing more.
    const std::uint64_t gaps = missed < AlarmMostGapSlots ? missed : AlarmMostGapSlots;
    for (std::uint64_t i = 0; i < gaps; ++i)
        Tell(AlarmTakeGap(State, limits), nullptr);
    if (lineBusy)
        return {WatchAlarmNote::None, 0};
    const bool reading = number.found && std::isfinite(number.value);
    const AlarmStep step = reading ? AlarmTakeReading(State, limits, number.value) : AlarmTakeGap(State, limits);
    Tell(step, readingText);
    if (step.started == AlarmKind::High || step.started == AlarmKind::Low)
        return {step.started == AlarmKind::High ? WatchAlarmNote::Above : WatchAlarmNote::Below, step.startedLimit};
    if (step.ended != AlarmKind::None && reading)
        return {WatchAlarmNote::Normal, 0};
    return {WatchAlarmNote::None, 0};
}

void AlarmSlotTime(std::uint64_t utcMilliseconds)
{
    if (SpanEnds && SpanCount > 0 && Spans[(SpanCount - 1) % AlarmSpansKept].to == 0)
        Spans[(SpanCount - 1) % AlarmSpansKept].to = utcMilliseconds;
    if (SpanBegins)
        Spans[SpanCount++ % AlarmSpansKept] = AlarmSpan{utcMilliseconds, 0};
    SpanBegins = SpanEnds = false;
}

AlarmKind AlarmNow() { return State.active; }

double AlarmLimitNow() { return State.limit; }

void AlarmBegin()
{
    State = AlarmState{};
    SpanCount = 0;
    SpanBegins = SpanEnds = false;
}

std::size_t AlarmSpanCount() { return SpanCount < AlarmSpansKept ? SpanCount : AlarmSpansKept; }

AlarmSpan AlarmSpanAt(std::size_t i)
{
    const std::size_t first = SpanCount < AlarmSpansKept ? 0 : SpanCount - AlarmSpansKept;
    return i < AlarmSpanCount() ? Spans[(first + i) % AlarmSpansKept] : AlarmSpan{};
}
