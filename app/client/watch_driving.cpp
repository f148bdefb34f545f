#include "app/client/watch_driving.h"

#include "app/client/alarm_driving.h"
#include "app/client/chart_window.h"
#include "app/client/dump_driving.h"
#include "app/client/file_report.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_list.h"
#include "app/client/port_selection.h"
#include "app/client/power_watch.h"
#include "app/client/publishing.h"
#include "app/client/record_times.h"
#include "app/client/watch_file.h"
#include "app/client/watch_resume.h"
#include "app/client/client_effects.h"
#include "app/client/window_state.h"
#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/logger/watch_reply.h"
#include "app/logger/watch_schedule.h"
#include "app/logger/start_arguments.h"

#include "base/strings.h"
#include "base/text_expression.h"
#include "gadget/gadget.h"
#include "window/message_dialog.h"
#include "window/window.h"

#include <windows.h>
#include <realtimeapiset.h>

#include <cstring>

namespace {

constexpr char IntervalValue[] = "WatchInterval";
// A resume reads this much of the file's end for its last row; rows are far
// shorter.
constexpr DWORD TailBytes = 16 * 1024;
constexpr DWORD HeadBytes = 512;
constexpr ULONGLONG FileTimeTicksPerMillisecond = 10'000;
// The program's end waits this long for the writer's last flush.
constexpr DWORD WatchEndWait = 5000;

bool Running = false;
WatchSchedule Schedule{};
WatchTimeline Timeline{};
std::uint32_t IntervalSeconds = 0;
WatchReadings Kept{};
// The port the watch runs on, for what a resume needs.
PortNameText WatchPort = {};
WatchFilePlan Plan{};
bool Resumed = false;

// What the log and the requesters have said of the writer's news.
WatchFileNews Told{};

// The newest reading's number as its reply wrote it, with the user's
// decimal separator, for the chart.
wchar_t LastNumber[64] = {};

// The tick count and the interrupt time without sleep at the last slot: the
// time asleep since is their difference's growth.
ULONGLONG LastSlotTick = 0;
ULONGLONG LastSlotAwake = 0;

WNDPROC WatchButtonProc = nullptr;

// The slot whose reply is being taken, while one is: its steps run on the
// watch's timer, and the next slot is scheduled once it has ended.
bool Reading = false;
std::uint64_t ReadingSlot = 0;
std::uint64_t ReadingMissed = 0;
WatchGap ReadingMissedGap = WatchGap::Missed;

// The button's class takes double clicks: the second click of one would be a
// second press, stopping the watch the first one started. Its button-down is
// dropped, so the click that follows it is no press at all.
LRESULT CALLBACK OnePressPerClick(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDBLCLK)
        return 0;
    return CallWindowProcW(WatchButtonProc, button, message, wParam, lParam);
}

// The interrupt time without the time asleep, in milliseconds.
ULONGLONG AwakeMilliseconds()
{
    ULONGLONG awake = 0;
    QueryUnbiasedInterruptTime(&awake);
    return awake / FileTimeTicksPerMillisecond;
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

// A log line of 1251 text, then wide text (a path) when there is one.
void LogLine(const char* text, const wchar_t* tail = L"")
{
    wchar_t line[MAX_PATH + 512];
    WideBuilder builder(line, std::size(line));
    builder.AppendFrom1251(text);
    builder.Append(tail);
    AddToLogWide(line);
}

void LogEnd(const WatchFileNews& news)
{
    wchar_t line[256];
    WideBuilder builder(line, std::size(line));
    builder.AppendFrom1251(TextWatchEnded);
    AppendCount(builder, news.readings);
    builder.AppendFrom1251(TextWatchEndedGaps);
    AppendCount(builder, news.gaps);
    if (news.lost > 0) {
        builder.AppendFrom1251(TextWatchEndedLost);
        AppendCount(builder, news.lost);
    }
    AddToLogWide(line);
}

// The watch's timer stops, its reading ends and its writer is told to end
// with the rows it has; the window shows the watch stopped.
void StopRunning()
{
    KillTimer(WindowHandle(MainWindow), WatchReadingTimer);
    Running = false;
    KeepSystemAwake(false);
    EndReading();
    WatchFileEnd();
    ChartReadingsChanged();
    ShowWindowState();
}

// Stopped by the user (or for good): nothing resumes it.
void Stop()
{
    StopRunning();
    ForgetWatch(WatchPort);
}

// The slot's reading, or a gap, kept for the chart, which draws it at once.
// A stretch of slots missed before it is a gap of its own, so the chart's
// line never joins across it.
void Keep(std::int64_t utc, std::uint64_t missed, const ReplyNumber& number)
{
    if (missed > 0)
        WatchReadingsAdd(Kept, static_cast<std::uint64_t>(utc - static_cast<std::int64_t>(missed * IntervalSeconds)) * 1000,
                         FindReplyNumber(nullptr));
    WatchReadingsAdd(Kept, static_cast<std::uint64_t>(utc) * 1000, number);
    ChartReadingsChanged();
}

void KeepNumberText(const ReplyNumber& number)
{
    char decimal[WatchSeparatorLongest + 1];
    ReadSeparator(LOCALE_SDECIMAL, decimal);
    char text[WatchRowLongest];
    const std::size_t length = ReplyNumberText(number, decimal, text);
    const int wide = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), LastNumber,
                                         static_cast<int>(std::size(LastNumber)) - 1);
    LastNumber[wide > 0 ? wide : 0] = L'\0';
}

// A slot's rows go to the writer and its reading to the chart; the reading
// field says why a slot has none (nothing when another exchange took the
// line).
void HandSlot(std::uint64_t slot, std::uint64_t missed, WatchGap missedGap, WatchGap gap, const char* why)
{
    const bool reading = gap == WatchGap::None;
    const char* reply = reading ? ReplyText : nullptr;
    const ReplyNumber number = FindReplyNumber(reply);
    if (reading && number.found)
        KeepNumberText(number);
    const AlarmRowNote alarm = AlarmTakeSlot(missed, number, LastNumber, gap == WatchGap::LineBusy);
    std::int64_t utc = 0;
    const WatchSlotRows rows{slot, missed, missedGap, gap, reply, reply ? std::strlen(reply) : 0, alarm.note,
                             alarm.limit};
    if (!WatchFileAddSlot(Timeline, IntervalSeconds, rows, utc)) {
        why = TextNoMemory;
        utc = Timeline.lastRow;
    }
    AlarmSlotTime(static_cast<std::uint64_t>(utc) * 1000);
    if (why)
        ShowInReadingField(why);
    else if (reading)
        ShowInReadingField(ReplyText);
    if (reading)
        PublishReading(WatchPort, utc, number, AlarmNow() != AlarmKind::None);
    Keep(utc, missed, number);
    ShowWindowState();
}

// How a slot's reading ended.
void FinishReading(std::uint64_t slot, std::uint64_t missed, WatchGap missedGap, WatchReplyOutcome outcome)
{
    switch (outcome) {
    case WatchReplyOutcome::Taken:
        HandSlot(slot, missed, missedGap, WatchGap::None, nullptr);
        return;
    case WatchReplyOutcome::Silent:
        HandSlot(slot, missed, missedGap, WatchGap::NoReply, TextLoggerNotAnswering);
        return;
    case WatchReplyOutcome::LineError:
        HandSlot(slot, missed, missedGap, WatchGap::LineError, TextWatchLineError);
        return;
    case WatchReplyOutcome::NoMemory:
        HandSlot(slot, missed, missedGap, WatchGap::NoMemory, TextNoMemory);
        return;
    case WatchReplyOutcome::PortGone:
        LosePort();
        HandSlot(slot, missed, missedGap, WatchGap::PortAway, TextWatchPortAway);
        return;
    case WatchReplyOutcome::Pending:
    case WatchReplyOutcome::Abandoned:
        HandSlot(slot, missed, missedGap, WatchGap::LineBusy, nullptr);
        return;
    }
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

void StartReading(std::uint64_t slot, std::uint64_t missed, WatchGap missedGap)
{
    std::int32_t wait = 0;
    const WatchReplyOutcome outcome = WatchReplyStart(wait);
    if (outcome != WatchReplyOutcome::Pending) {
        FinishReading(slot, missed, missedGap, outcome);
        return;
    }
    Reading = true;
    ReadingSlot = slot;
    ReadingMissed = missed;
    ReadingMissedGap = missedGap;
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
    FinishReading(ReadingSlot, ReadingMissed, ReadingMissedGap, outcome);
}

// Slots passed without running were asleep when the computer slept through
// most of them, and missed otherwise (the program could not run).
WatchGap MissedGap(ULONGLONG now)
{
    const ULONGLONG awake = AwakeMilliseconds();
    const ULONGLONG passed = now - LastSlotTick;
    const ULONGLONG awakeFor = awake - LastSlotAwake;
    LastSlotTick = now;
    LastSlotAwake = awake;
    const ULONGLONG asleep = passed > awakeFor ? passed - awakeFor : 0;
    return asleep * 2 >= std::uint64_t{IntervalSeconds} * 1000 ? WatchGap::Asleep : WatchGap::Missed;
}

// A slot that finds the line busy (a dump or its drain, an open) is a gap;
// the next reading is the grid's next slot, never this one made up late. A
// port that went away is looked for again as the port list does it, no more
// often than that: a port that stays away costs a failed open every few
// seconds, never a requester.
void RunDueSlot()
{
    const ULONGLONG now = GetTickCount64();
    std::uint64_t slot = 0;
    std::uint64_t missed = 0;
    if (!WatchPassDueSlots(Schedule, now, slot, missed))
        return;
    const WatchGap missedGap = MissedGap(now);
    const LineNow line = LineStateNow();
    if (StartOfJob(LineJob::WatchSlot, line) == JobStart::Now && CurrentPort != 0) {
        StartReading(slot, missed, missedGap);
        return;
    }
    if (line.portWantedShut)
        LookForLostPort();
    const bool away = line.portWantedShut || CurrentPort == 0;
    HandSlot(slot, missed, missedGap, away ? WatchGap::PortAway : WatchGap::LineBusy, away ? TextWatchPortAway : nullptr);
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

// Up to `size` bytes of the file from `offset` (from its end when negative);
// the count read, 0 for none.
DWORD ReadPart(HANDLE file, LONGLONG offset, char* bytes, DWORD size)
{
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    DWORD read = 0;
    if (!SetFilePointerEx(file, at, nullptr, offset < 0 ? FILE_END : FILE_BEGIN) ||
        !ReadFile(file, bytes, size, &read, nullptr))
        return 0;
    return read;
}

// What going on with an existing record file needs: its list separator, the
// length up to its last whole row and that row's time. False when the file
// is not a record file; true with keep 0 when there is no file yet or it is
// empty, so it is begun.
bool ReadRecordFile(const wchar_t* path, char (&list)[WatchSeparatorLongest + 1], std::uint64_t& keep,
                    WatchFileTail& tail)
{
    keep = 0;
    tail = WatchFileTail{};
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    LARGE_INTEGER size{};
    char head[HeadBytes];
    bool record = GetFileSizeEx(file, &size);
    if (record && size.QuadPart > 0) {
        const DWORD headLength = ReadPart(file, 0, head, sizeof head);
        record = WatchFileListSeparator(head, headLength, list);
        const LONGLONG tailStart = size.QuadPart > TailBytes ? size.QuadPart - TailBytes : 0;
        ProcessHeapBlock block(TailBytes);
        const DWORD tailLength = record && block.As<char>() ? ReadPart(file, tailStart, block.As<char>(), TailBytes) : 0;
        tail = WatchReadTail(block.As<char>(), tailLength, list);
        keep = static_cast<std::uint64_t>(tailStart) + tail.wholeLength;
        record = record && tail.wholeLength > 0;
    }
    CloseHandle(file);
    return record;
}

// Starts a watch: its writer, its schedule from `delay` on, and the window
// showing it.
void Begin(std::uint32_t seconds, std::uint64_t delay)
{
    if (!WatchFileBegin(Plan)) {
        ReportFileFailure(TextWatchFileFailed, Plan.path, ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    Told = WatchFileNews{};
    AlarmBegin();
    WatchReadingsClear(Kept);
    ChartReadingsChanged();
    LastNumber[0] = L'\0';
    Running = true;
    KeepSystemAwake(true);
    IntervalSeconds = WatchIntervals[WatchIntervalIndex(seconds)].seconds;
    const ULONGLONG now = GetTickCount64();
    Schedule = WatchScheduleStart(now + delay, IntervalSeconds);
    WatchAnchor(Timeline, now, UtcMilliseconds());
    LastSlotTick = now;
    LastSlotAwake = AwakeMilliseconds();
    lstrcpynA(WatchPort, PortName ? PortName : "", sizeof WatchPort);
    PublishWatchBegins(WatchPort, UtcMilliseconds() / 1000);
    GadgetSetState(WatchIntervalList, static_cast<std::int32_t>(WatchIntervalIndex(IntervalSeconds)));
    ShowWindowState();
    // The first slot is due at once, unless it waits for its grid.
    RunDueSlot();
    if (Running && !Reading)
        ScheduleNext();
}

void PlanNewFile()
{
    Plan = WatchFilePlan{};
    Plan.start = LocalClock();
    ReadSeparator(LOCALE_SLIST, Plan.list);
    ReadSeparator(LOCALE_SDECIMAL, Plan.decimal);
}

void Start()
{
    if (!RequirePort())
        return;
    PlanNewFile();
    Timeline = WatchTimeline{};
    Resumed = false;
    Begin(PickedSeconds(), 0);
}

// A watch started by the command line or resumed: on `file` when one is
// named (went on with when it is a record file), else in a new file; the
// slots since its last row are gap rows when it resumes. The port need not
// be open: its slots are gaps until it is.
void StartUnattended(std::uint32_t seconds, const wchar_t* file, const WatchResume* resume)
{
    PlanNewFile();
    Timeline = WatchTimeline{};
    Resumed = false;
    std::uint64_t delay = 0;
    WatchFileTail tail{};
    if (file && *file) {
        char list[WatchSeparatorLongest + 1] = {};
        std::uint64_t keep = 0;
        if (ReadRecordFile(file, list, keep, tail)) {
            lstrcpynW(Plan.path, file, MAX_PATH);
            Plan.keep = keep;
            if (keep > 0)
                std::memcpy(Plan.list, list, sizeof list);
            if (keep > 0 && resume)
                std::memcpy(Plan.decimal, resume->decimal, sizeof resume->decimal);
        } else {
            LogLine(TextWatchFileNotRecord, file);
        }
    }
    const std::uint32_t interval = WatchIntervals[WatchIntervalIndex(seconds)].seconds;
    std::uint64_t notRunning = 0;
    if (resume && Plan.keep > 0 && tail.timed) {
        delay = WatchResumeDelay(tail.lastUtc, UtcMilliseconds(), interval, notRunning);
        Timeline.lastRow = tail.lastUtc;
        Timeline.rowed = true;
        Resumed = true;
    }
    Begin(interval, delay);
    if (Running && notRunning > 0) {
        const std::uint32_t count = notRunning < UINT32_MAX ? static_cast<std::uint32_t>(notRunning) : UINT32_MAX;
        WatchFileAddRows({tail.lastUtc + interval, count, interval, WatchGap::NotRunning, nullptr, 0,
                          WatchAlarmNote::None, 0});
        WatchReadingsAdd(Kept, static_cast<std::uint64_t>(tail.lastUtc + interval) * 1000, FindReplyNumber(nullptr));
        ChartReadingsChanged();
    }
}

// The writer's news as the log and the requesters say it, each once.
void TellNews(const WatchFileNews& news)
{
    if (news.open && !Told.open) {
        LogLine(Resumed ? TextWatchResumed : TextWatchStarted, news.path);
        if (Running) {
            WatchResume resume{};
            lstrcpynW(resume.file, news.path, MAX_PATH);
            resume.seconds = IntervalSeconds;
            std::memcpy(resume.list, Plan.list, sizeof resume.list);
            std::memcpy(resume.decimal, Plan.decimal, sizeof resume.decimal);
            RememberWatch(WatchPort, resume);
            PublishWatchFile(WatchPort, news.path);
        }
    }
    if (news.behind && !Told.behind) {
        wchar_t line[512];
        WideBuilder builder(line, std::size(line));
        builder.AppendFrom1251(TextWatchFileBehind);
        AppendSystemReason(builder, news.error);
        AddToLogWide(line);
    }
    if (!news.behind && Told.behind && news.open)
        LogLine(TextWatchFileCaughtUp);
    const bool stuckNow = news.stuck && !Told.stuck;
    const bool fullNow = news.full && !Told.full;
    const bool ended = news.ended && !Told.ended;
    Told = news;
    if (ended)
        LogEnd(news);
    if (stuckNow)
        ReportFileFailure(TextWatchFileStuck, news.path, news.error);
    if (fullNow)
        ReportFileFailure(TextWatchRowsFull, news.path, news.error ? news.error : ERROR_NOT_ENOUGH_MEMORY);
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
    IntervalSeconds = seconds;
    WatchChangeInterval(Schedule, seconds, GetTickCount64());
    // A reading under way schedules the next slot when it ends.
    if (Reading)
        return;
    KillTimer(WindowHandle(MainWindow), WatchReadingTimer);
    ScheduleNext();
}

bool WatchStartsAtLaunch(const StartArguments& arguments)
{
    PortNameText port;
    SelectedPortName(port);
    WatchResume resume{};
    return arguments.watchSeconds != 0 || ReadWatchResume(port, resume);
}

void StartWatchAtLaunch(const StartArguments& arguments)
{
    if (arguments.watchRefused)
        LogLine(TextStartWatchRefused);
    if (arguments.unplaced > 0) {
        wchar_t line[128];
        WideBuilder builder(line, std::size(line));
        builder.AppendFrom1251(TextStartUnplaced);
        AppendCount(builder, static_cast<std::uint64_t>(arguments.unplaced));
        AddToLogWide(line);
    }
    if (arguments.publish[0])
        PublishFromCommandLine(arguments.publish);
    WatchResume resume{};
    const bool resumable = PortName && *PortName && ReadWatchResume(PortName, resume);
    const auto* file = reinterpret_cast<const wchar_t*>(arguments.file);
    const std::uint32_t seconds = arguments.watchSeconds ? arguments.watchSeconds : (resumable ? resume.seconds : 0);
    if (seconds == 0)
        return;
    // The command line's file and length win over the record's; the record's
    // gaps count only for its own file.
    const bool sameFile = resumable && (!*file || lstrcmpiW(file, resume.file) == 0);
    StartUnattended(seconds, *file ? file : (sameFile ? resume.file : nullptr), sameFile ? &resume : nullptr);
}

void HandleWatchFileNews()
{
    WatchFileNews news{};
    if (WatchFileTakeNews(news))
        TellNews(news);
}

void WatchClockMoved()
{
    if (Running)
        WatchAnchor(Timeline, GetTickCount64(), UtcMilliseconds());
}

bool WatchRunning() { return Running; }

const WatchReadings& WatchKeptReadings() { return Kept; }

const wchar_t* WatchLastNumberText() { return LastNumber; }

bool WatchFileBehind() { return Running && Told.behind; }

void EndWatchForSession()
{
    if (!Running)
        return;
    StopRunning();
    WatchFileWaitEnded(WatchEndWait);
}

void EndWatch()
{
    if (Running)
        Stop();
    WatchFileWaitEnded(WatchEndWait);
}
