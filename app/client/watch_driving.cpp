#include "app/client/watch_driving.h"

#include "app/client/chart_window.h"
#include "app/client/dump_driving.h"
#include "app/client/file_report.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_list.h"
#include "app/client/port_selection.h"
#include "app/client/power_watch.h"
#include "app/client/watch_file.h"
#include "app/client/window_state.h"
#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/logger/watch_reply.h"
#include "app/logger/watch_schedule.h"

#include "base/strings.h"
#include "base/text_expression.h"
#include "gadget/gadget.h"
#include "window/message_dialog.h"
#include "window/window.h"

#include <windows.h>

namespace {

constexpr char IntervalValue[] = "WatchInterval";

bool Running = false;
WatchSchedule Schedule{};
WatchReadings Kept{};
std::int32_t RowsWritten = 0;
wchar_t FilePath[MAX_PATH] = {};

// The user's separators as 1251 text, read at each start: a user may change
// them between two watches, never within one file.
char ListSeparator[8] = {};
char DecimalSeparator[8] = {};
WatchSeparators Separators{ListSeparator, DecimalSeparator};

WNDPROC WatchButtonProc = nullptr;

// The slot whose reply is being taken, while one is: its steps run on the
// watch's timer, and the next slot is scheduled once it has ended.
bool Reading = false;
std::uint64_t ReadingSlot = 0;

// The button's class takes double clicks: the second click of one would be a
// second press, stopping the watch the first one started. Its button-down is
// dropped, so the click that follows it is no press at all.
LRESULT CALLBACK OnePressPerClick(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDBLCLK)
        return 0;
    return CallWindowProcW(WatchButtonProc, button, message, wParam, lParam);
}

void ReadSeparator(LCTYPE item, char (&separator)[8])
{
    wchar_t wide[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, item, wide, 8);
    const int bytes = length > 1 ? TextFromWide(wide, length - 1, separator, 7) : 0;
    separator[bytes > 0 ? bytes : 0] = '\0';
}

WatchClock LocalClock()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return WatchClock{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::uint32_t RememberedSeconds()
{
    DWORD seconds = 0;
    DWORD size = sizeof seconds;
    if (RegGetValueA(HKEY_CURRENT_USER, SettingsKey, IntervalValue, RRF_RT_REG_DWORD, nullptr, &seconds, &size) !=
        ERROR_SUCCESS)
        return 0;
    return seconds;
}

void RememberSeconds(std::uint32_t seconds)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD value = seconds;
    RegSetValueExA(key, IntervalValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

std::uint32_t PickedSeconds()
{
    const LRESULT picked = SendMessageW(GadgetHandle(WatchIntervalList), CB_GETCURSEL, 0, 0);
    if (picked < 0 || static_cast<std::size_t>(picked) >= WatchIntervals.size())
        return WatchIntervals[WatchDefaultInterval].seconds;
    return WatchIntervals[static_cast<std::size_t>(picked)].seconds;
}

void LosePort()
{
    PortClose(CurrentPort);
    CurrentPort = 0;
    PortLost = true;
}

// The reading under way ends with the watch, keeping no gap.
void EndReading()
{
    if (Reading)
        WatchReplyAbandon();
    Reading = false;
}

void LogLine(const char* text, const char* tail) { AddToLog(TextArgument(TextStart() + text + tail).Text()); }

void LogEnd()
{
    const std::int32_t start = TempLength;
    NumberToText(RowsWritten, start);
    TempLength += 1;
    LogLine(TextWatchEnded, TempBuffer + start);
    TempSetLength(start);
}

void Stop()
{
    KillTimer(WindowHandle(MainWindow), WatchReadingTimer);
    Running = false;
    KeepSystemAwake(false);
    EndReading();
    WatchFileClose();
    ChartReadingsChanged();
    LogEnd();
    ShowWindowState();
}

void StopForFile(DWORD error)
{
    Stop();
    ReportFileFailure(TextWatchFileFailed, FilePath, error);
}

// 0, or the system's error code from the row's write.
DWORD WriteRow(const char* reply)
{
    const std::int32_t start = TempLength;
    DWORD error = ERROR_NOT_ENOUGH_MEMORY;
    if (WatchRowText(LocalClock(), reply, Separators, start))
        error = WatchFileAppend(TempBuffer + start);
    TempSetLength(start);
    return error;
}

// The slot's reading, or a gap, kept for the chart, which draws it at once.
void Keep(std::uint64_t slot, const ReplyNumber& number)
{
    WatchReadingsAdd(Kept, slot, number);
    ChartReadingsChanged();
}

// A slot without a reading: a gap in the chart, no row, and the reading
// field says why (nothing when another exchange took the line).
void KeepGap(std::uint64_t slot, const char* why)
{
    if (why)
        ShowInReadingField(why);
    Keep(slot, FindReplyNumber(nullptr));
}

// How a slot's reading ended. A reply goes to the field and, with the number
// in it, to the file and the chart.
void FinishReading(std::uint64_t slot, WatchReplyOutcome outcome)
{
    switch (outcome) {
    case WatchReplyOutcome::Taken:
        break;
    case WatchReplyOutcome::Silent:
        KeepGap(slot, TextLoggerNotAnswering);
        return;
    case WatchReplyOutcome::LineError:
        KeepGap(slot, TextWatchLineError);
        return;
    case WatchReplyOutcome::NoMemory:
        KeepGap(slot, TextNoMemory);
        return;
    case WatchReplyOutcome::PortGone:
        LosePort();
        KeepGap(slot, TextWatchPortAway);
        return;
    case WatchReplyOutcome::Pending:
    case WatchReplyOutcome::Abandoned:
        KeepGap(slot, nullptr);
        return;
    }
    ShowInReadingField(ReplyText);
    Keep(slot, FindReplyNumber(ReplyText));
    if (const DWORD error = WriteRow(ReplyText)) {
        StopForFile(error);
        return;
    }
    ++RowsWritten;
}

void CALLBACK WatchTimerTick(HWND window, UINT, UINT_PTR timer, DWORD);

// The watch's one timer, for the next slot or the reading's next step.
// Without it the watch would stop unseen: it stops and says so.
void SetWatchTimer(UINT delay)
{
    // A zero elapse is taken as the system's shortest.
    if (SetTimer(WindowHandle(MainWindow), WatchReadingTimer, delay, WatchTimerTick))
        return;
    Stop();
    MessageDialog(TextErrorTitle, TextWatchNoTimer, ErrorRequesterFlags);
}

void ScheduleNext() { SetWatchTimer(WatchDelay(Schedule, GetTickCount64())); }

void StartReading(std::uint64_t slot)
{
    std::int32_t wait = 0;
    const WatchReplyOutcome outcome = WatchReplyStart(wait);
    if (outcome != WatchReplyOutcome::Pending) {
        FinishReading(slot, outcome);
        return;
    }
    Reading = true;
    ReadingSlot = slot;
    SetWatchTimer(static_cast<UINT>(wait));
}

void StepReading()
{
    std::int32_t wait = 0;
    const WatchReplyOutcome outcome = WatchReplyStep(wait);
    if (outcome == WatchReplyOutcome::Pending) {
        SetWatchTimer(static_cast<UINT>(wait));
        return;
    }
    Reading = false;
    FinishReading(ReadingSlot, outcome);
}

// A slot that finds the line busy (a dump or its drain, an open) keeps a
// gap; the next reading is the grid's next slot, never this one made up
// late. A port that went away is looked for again as the port list does it,
// no more often than that: a port that stays away costs a failed open every
// few seconds, never a requester.
void RunDueSlot()
{
    std::uint64_t slot = 0;
    if (!WatchPassDueSlots(Schedule, GetTickCount64(), slot))
        return;
    const LineNow line = LineStateNow();
    if (StartOfJob(LineJob::WatchSlot, line) == JobStart::Now && CurrentPort != 0) {
        StartReading(slot);
        return;
    }
    if (line.portWantedShut)
        LookForLostPort();
    KeepGap(slot, line.portWantedShut || CurrentPort == 0 ? TextWatchPortAway : nullptr);
}

void CALLBACK WatchTimerTick(HWND window, UINT, UINT_PTR timer, DWORD)
{
    // One step at a time: reopening a port takes messages, in which the
    // timer would tick again.
    KillTimer(window, timer);
    if (!Running)
        return;
    if (Reading)
        StepReading();
    else
        RunDueSlot();
    if (Running && !Reading)
        ScheduleNext();
}

void Start()
{
    if (!RequirePort())
        return;
    const WatchClock start = LocalClock();
    if (const DWORD error = WatchFileCreate(start, FilePath)) {
        ReportFileFailure(TextWatchFileFailed, FilePath, error);
        return;
    }
    ReadSeparator(LOCALE_SLIST, ListSeparator);
    ReadSeparator(LOCALE_SDECIMAL, DecimalSeparator);
    const std::int32_t header = TempLength;
    DWORD error = ERROR_NOT_ENOUGH_MEMORY;
    if (WatchHeaderText(Separators, header))
        error = WatchFileAppend(TempBuffer + header);
    TempSetLength(header);
    if (error) {
        WatchFileClose();
        ReportFileFailure(TextWatchFileFailed, FilePath, error);
        return;
    }
    // The log shows the path as 1251 text; the file itself has its name whole.
    char path[MAX_PATH * 2] = {};
    TextFromWide(FilePath, lstrlenW(FilePath), path, sizeof path - 1);
    LogLine(TextWatchStarted, path);

    WatchReadingsClear(Kept);
    ChartReadingsChanged();
    RowsWritten = 0;
    Running = true;
    KeepSystemAwake(true);
    Schedule = WatchScheduleStart(GetTickCount64(), PickedSeconds());
    ShowWindowState();
    // The first slot is due at once.
    RunDueSlot();
    if (Running && !Reading)
        ScheduleNext();
}

} // namespace

void InstallWatch()
{
    for (const WatchInterval& interval : WatchIntervals)
        GadgetInsertItem(WatchIntervalList, -1, interval.label);
    GadgetSetState(WatchIntervalList, static_cast<std::int32_t>(WatchIntervalIndex(RememberedSeconds())));
    HWND button = GadgetHandle(WatchButton);
    // Installed twice, the watch must not become its own previous procedure.
    if (button && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_WNDPROC)) != OnePressPerClick)
        WatchButtonProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OnePressPerClick)));
}

void HandleWatchButton()
{
    if (Running)
        Stop();
    else
        Start();
}

void HandleWatchIntervalPick()
{
    const std::uint32_t seconds = PickedSeconds();
    RememberSeconds(seconds);
    if (!Running)
        return;
    WatchChangeInterval(Schedule, seconds, GetTickCount64());
    // A reading under way schedules the next slot when it ends.
    if (Reading)
        return;
    KillTimer(WindowHandle(MainWindow), WatchReadingTimer);
    ScheduleNext();
}

bool WatchRunning() { return Running; }

const WatchReadings& WatchKeptReadings() { return Kept; }

void EndWatch()
{
    if (Running)
        KillTimer(WindowHandle(MainWindow), WatchReadingTimer);
    Running = false;
    KeepSystemAwake(false);
    EndReading();
    WatchFileClose();
}
