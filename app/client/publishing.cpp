#include "app/client/publishing.h"

#include "app/client/alarm_limits.h"
#include "app/client/client_effects.h"
#include "app/client/file_report.h"
#include "app/client/http_requests.h"
#include "app/client/main_window.h"
#include "app/client/messages.h"
#include "app/client/port_selection.h"
#include "app/client/thread_events.h"
#include "app/client/window_state.h"
#include "app/logger/alarm_rule.h"
#include "app/logger/port_names.h"
#include "app/logger/record_reading.h"

#include "window/process_heap.h"
#include "window/window.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

// One value a port: the UTC time (seconds since 1970) of the newest reading
// the database took, and beside it the record file it is a row of.
constexpr wchar_t PublishedKey[] = L"Software\\Korvane\\Published";
constexpr wchar_t FileSuffix[] = L" file";

constexpr std::size_t MostPorts = 8;
constexpr DWORD EndWait = 2000;
constexpr DWORD ReadPart = 1 << 20;

// Shared by the window's thread and the sending thread, under Lock.
struct Shared {
    PublishWaiting waiting;
    PublishPlan plan;
    std::uint64_t generation; // grows with each new target: an answer to an older one counts for nothing
    wchar_t writeAddress[1100];
    wchar_t token[512];
    char name[PublishNameLongest + 1];
    PortNameText ports[MostPorts];
    // The newest watch reading taken, per port; fresh until the window has
    // remembered it.
    std::int64_t taken[MostPorts];
    bool takenFresh[MostPorts];
    // What the last request found.
    int status;
    DWORD error;
    char words[HttpWordsKept + 1];
    // A port's record file to read back, at most once a run: what an
    // earlier run left unsent. Later watches' readings wait here instead.
    struct Backlog {
        bool asked;
        bool due;
        wchar_t path[MAX_PATH];
        std::int64_t after, before; // seconds since 1970, from after `after` to `before`
    } backlogs[MostPorts];
    // The first reading of this run's watch on the port: the record file's
    // rows from it on are this run's own.
    std::int64_t firstLive[MostPorts];
    bool quit;
};
Shared State{};
CRITICAL_SECTION Lock;
bool LockMade = false;
HANDLE Wake = nullptr;
HANDLE Sender = nullptr;
// The request under way, for a cancel at the end, under Lock.
HttpCancel Cancel{&Lock, nullptr};

struct Locked {
    Locked() { EnterCriticalSection(&Lock); }
    ~Locked() { LeaveCriticalSection(&Lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// What the window's thread has said of the state.
PublishState Told = PublishState::Current;
std::uint64_t ToldGivenUp = 0;
bool StartTold = false;


void MakeLock()
{
    if (!LockMade) {
        InitializeCriticalSection(&Lock);
        LockMade = true;
    }
}

// The sending thread's copy of the target, and a fresh start for it.
void HandOverTarget()
{
    MakeLock();
    Locked locked;
    ++State.generation;
    State.plan = PublishPlan{};
    const PublishTarget& target = PublishTargetSetting();
    if (!PublishWriteAddress(reinterpret_cast<const char16_t*>(target.address),
                             reinterpret_cast<char16_t*>(State.writeAddress), std::size(State.writeAddress)))
        State.writeAddress[0] = L'\0';
    lstrcpynW(State.token, target.token, static_cast<int>(std::size(State.token)));
    PublishNameTag(target.name, State.name);
    Told = PublishState::Current;
    StartTold = false;
    if (Wake)
        SetEvent(Wake);
}

bool Publishing() { return PublishTargetSetting().address[0] != L'\0'; }

// --- The sending thread ---

std::int64_t IdentityTime(std::int64_t seconds) { return seconds; }

// The rows of a backlog worth sending, in the file's order; the oldest given
// up when more than the room holds.
struct Staged {
    PublishWaiting points;
    std::uint8_t port;
    std::int64_t after, before;
};

void StageRow(void* context, std::uint64_t time, const ReplyNumber& number, bool alarm)
{
    auto* staged = static_cast<Staged*>(context);
    const std::int64_t seconds = static_cast<std::int64_t>(time / 1000) - UnixEpochIn1601Seconds;
    if (number.found && seconds > staged->after && seconds <= staged->before)
        PublishWaitingAdd(staged->points, {seconds, number.value, alarm, false, staged->port});
}

// The readings of a record file between the two times, put in front of those
// waiting: what the last run left unsent.
void ReadBacklog(std::uint8_t port, const wchar_t* path, std::int64_t after, std::int64_t before)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const ProcessHeapBlock part(ReadPart);
    const ProcessHeapBlock reading(sizeof(RecordRead));
    auto* read = reading.As<RecordRead>();
    Staged staged{{}, port, after, before};
    if (part.As<char>() && read) {
        std::memset(read, 0, sizeof(RecordRead));
        read->visit = StageRow;
        read->visitContext = &staged;
        WatchReadings readings{};
        DWORD got = 0;
        // The rows are taken as they are told; the chart's store is not kept.
        while (read->fault == RecordFault::None && ReadFile(file, part.As<char>(), ReadPart, &got, nullptr) &&
               got > 0) {
            RecordReadBytes(*read, part.As<char>(), got, readings, IdentityTime);
            WatchReadingsClear(readings);
        }
        RecordReadEnd(*read);
    }
    CloseHandle(file);
    {
        Locked locked;
        // This run's own rows of the file are already waiting.
        const std::int64_t live = State.firstLive[port];
        for (std::size_t i = staged.points.count; i-- > 0;) {
            const PublishPoint& point = PublishWaitingAt(staged.points, i);
            if (live == 0 || point.unixSeconds < live)
                PublishWaitingAddOlder(State.waiting, point);
        }
        State.waiting.givenUp += staged.points.givenUp;
    }
    PublishWaitingFree(staged.points);
}

// The waiting lines' text, the oldest `count` of them.
DWORD BuildBody(ProcessHeapBlock& body, std::size_t count)
{
    DWORD length = 0;
    auto* text = body.As<char>();
    for (std::size_t i = 0; i < count; ++i) {
        const PublishPoint& point = PublishWaitingAt(State.waiting, i);
        length += static_cast<DWORD>(PublishLine(point, State.name, State.ports[point.port], text + length,
                                                 PublishLineLongest + 1));
    }
    return length;
}

void TakeAnswer(const HttpAnswer& answer, std::size_t sent, std::size_t shifted, std::uint64_t started)
{
    State.status = answer.status;
    State.error = answer.error;
    std::memcpy(State.words, answer.words, sizeof State.words);
    const std::size_t dropped = PublishAfter(State.plan, PublishJudge(answer.status), sent, started,
                                             GetTickCount64(), answer.retryAfter);
    // Points the room gave up during the request were the oldest, the
    // request's own.
    const std::size_t own = dropped > shifted ? dropped - shifted : 0;
    for (std::size_t i = 0; i < own && PublishJudge(answer.status) == PublishAnswer::Taken; ++i) {
        const PublishPoint& point = PublishWaitingAt(State.waiting, i);
        if (!point.dump && point.unixSeconds > State.taken[point.port]) {
            State.taken[point.port] = point.unixSeconds;
            State.takenFresh[point.port] = true;
        }
    }
    PublishWaitingDrop(State.waiting, own);
}

DWORD WINAPI RunSender(void* parameter)
{
    HWND window = static_cast<HWND>(parameter);
    HINTERNET session = OpenHttpSession();
    ProcessHeapBlock body(PublishBatchMost * (PublishLineLongest + 1));
    for (;;) {
        DWORD wait = INFINITE;
        Shared::Backlog backlog{};
        std::uint8_t port = 0;
        {
            Locked locked;
            if (State.quit)
                break;
            while (port < MostPorts && !State.backlogs[port].due)
                ++port;
            if (port < MostPorts) {
                backlog = State.backlogs[port];
                State.backlogs[port].due = false;
            } else if (State.waiting.count > 0 && State.writeAddress[0] && State.plan.state != PublishState::Stopped) {
                const std::uint64_t now = GetTickCount64();
                wait = State.plan.next > now ? static_cast<DWORD>(std::min<std::uint64_t>(State.plan.next - now, 60'000))
                                             : 0;
            }
        }
        if (backlog.due) {
            ReadBacklog(port, backlog.path, backlog.after, backlog.before);
            continue;
        }
        if (wait > 0) {
            WaitForSingleObject(Wake, wait);
            continue;
        }
        wchar_t address[std::size(State.writeAddress)];
        wchar_t token[std::size(State.token)];
        std::size_t count = 0;
        DWORD length = 0;
        std::uint64_t generation = 0;
        std::uint64_t givenUp = 0;
        {
            Locked locked;
            count = PublishBatchSize(State.plan, State.waiting.count);
            length = body.As<char>() ? BuildBody(body, count) : 0;
            generation = State.generation;
            givenUp = State.waiting.givenUp;
            lstrcpynW(address, State.writeAddress, static_cast<int>(std::size(address)));
            lstrcpynW(token, State.token, static_cast<int>(std::size(token)));
        }
        const std::uint64_t started = GetTickCount64();
        HttpAnswer answer{};
        if (!session || !body.As<char>())
            answer.error = ERROR_NOT_ENOUGH_MEMORY;
        else
            answer = SendHttp(session, L"POST", address, token, body.As<char>(), length, &Cancel);
        {
            Locked locked;
            if (State.quit)
                break;
            if (generation == State.generation)
                TakeAnswer(answer, count, static_cast<std::size_t>(State.waiting.givenUp - givenUp), started);
        }
        PostThreadEvent(window, PublishNewsEvent);
    }
    if (session)
        WinHttpCloseHandle(session);
    return 0;
}

void StartSender()
{
    MakeLock();
    if (Sender)
        return;
    if (!Wake)
        Wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HandOverTarget();
    AcceptThreadEvents(WindowHandle(MainWindow));
    Sender = CreateThread(nullptr, 0, RunSender, WindowHandle(MainWindow), 0, nullptr);
}

// The port's place in the table, taken when new; the last place is shared
// by any beyond it.
std::uint8_t PortIndex(const char* port)
{
    for (std::uint8_t i = 0; i < MostPorts; ++i) {
        if (!State.ports[i][0])
            lstrcpynA(State.ports[i], port, sizeof State.ports[i]);
        if (lstrcmpiA(State.ports[i], port) == 0)
            return i;
    }
    return MostPorts - 1;
}

void Add(const PublishPoint& point)
{
    {
        Locked locked;
        PublishWaitingAdd(State.waiting, point);
    }
    SetEvent(Wake);
}

// --- What the database took, remembered ---

void PublishedValueName(const char* port, const wchar_t* suffix, wchar_t (&name)[64])
{
    WideBuilder text(name, std::size(name));
    text.AppendFrom1251(port);
    text.Append(suffix);
}

bool ReadPublished(const char* port, std::int64_t& seconds, wchar_t (&path)[MAX_PATH])
{
    wchar_t name[64];
    PublishedValueName(port, L"", name);
    DWORD size = sizeof seconds;
    if (RegGetValueW(HKEY_CURRENT_USER, PublishedKey, name, RRF_RT_REG_QWORD, nullptr, &seconds, &size) !=
        ERROR_SUCCESS)
        return false;
    PublishedValueName(port, FileSuffix, name);
    DWORD room = sizeof path;
    return RegGetValueW(HKEY_CURRENT_USER, PublishedKey, name, RRF_RT_REG_SZ, nullptr, path, &room) ==
           ERROR_SUCCESS;
}

void KeepPublished(const char* port, const std::int64_t* seconds, const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, PublishedKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    wchar_t name[64];
    if (seconds) {
        PublishedValueName(port, L"", name);
        RegSetValueExW(key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(seconds), sizeof *seconds);
    }
    if (path) {
        PublishedValueName(port, FileSuffix, name);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>((lstrlenW(path) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

// --- The window's words ---

void LogText(const char* what)
{
    wchar_t line[256];
    WideBuilder(line, std::size(line)).AppendFrom1251(what);
    AddToLogWide(line);
}

void LogFromState(const char* what, int status, DWORD error, const char* words)
{
    wchar_t line[512];
    WideBuilder text(line, std::size(line));
    text.AppendFrom1251(what);
    if (status > 0) {
        AppendCount(text, static_cast<std::uint64_t>(status));
        if (*words) {
            wchar_t wide[HttpWordsKept + 1];
            const int length = MultiByteToWideChar(CP_UTF8, 0, words, -1, wide, static_cast<int>(std::size(wide)));
            if (length > 1) {
                text.Append(L": ");
                text.Append(wide);
            }
        }
    } else {
        AppendHttpReason(text, error);
    }
    AddToLogWide(line);
}

std::int64_t UnixSecondsOf(FILETIME time)
{
    const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10'000'000) - UnixEpochIn1601Seconds;
}

// The port's rows after the last the database took, up to `before`, once a
// run.
void AskForBacklog(const char* port, std::int64_t before)
{
    std::int64_t taken = 0;
    wchar_t path[MAX_PATH];
    const bool kept = ReadPublished(port, taken, path);
    {
        Locked locked;
        Shared::Backlog& backlog = State.backlogs[PortIndex(port)];
        if (backlog.asked)
            return;
        backlog.asked = true;
        if (!kept)
            return;
        backlog.due = true;
        lstrcpynW(backlog.path, path, MAX_PATH);
        backlog.after = taken;
        backlog.before = before;
    }
    SetEvent(Wake);
}

} // namespace

bool SetPublishTarget(const PublishTarget& target)
{
    if (!KeepPublishTarget(target))
        return false;
    HandOverTarget();
    ShowWindowState();
    return true;
}

void PublishFromCommandLine(const char16_t* address)
{
    PublishTarget target = PublishTargetSetting();
    lstrcpynW(target.address, reinterpret_cast<const wchar_t*>(address), static_cast<int>(std::size(target.address)));
    if (!SetPublishTarget(target)) {
        wchar_t line[1200];
        WideBuilder text(line, std::size(line));
        text.AppendFrom1251(TextPublishAddressNotTaken);
        text.Append(reinterpret_cast<const wchar_t*>(address));
        AddToLogWide(line);
    }
}

void PublishWatchBegins(const char* port, std::int64_t utcSeconds)
{
    if (!Publishing())
        return;
    StartSender();
    AskForBacklog(port, utcSeconds - UnixEpochIn1601Seconds);
}

void PublishLeftovers()
{
    HKEY key = nullptr;
    if (!Publishing() || RegOpenKeyExW(HKEY_CURRENT_USER, PublishedKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    wchar_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(std::size(name));
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        PortNameText port = {};
        if (type != REG_QWORD || length >= sizeof port ||
            WideCharToMultiByte(1251, 0, name, -1, port, sizeof port, nullptr, nullptr) <= 0)
            continue;
        StartSender();
        // No watch of this run is on the port yet: every row is the last run's.
        AskForBacklog(port, INT64_MAX);
    }
    RegCloseKey(key);
}

void PublishWatchFile(const char* port, const wchar_t* path)
{
    if (!Publishing())
        return;
    // A port's first watch published: what it leaves unsent at the end is
    // found from its start on.
    std::int64_t taken = 0;
    wchar_t kept[MAX_PATH];
    if (!ReadPublished(port, taken, kept)) {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        taken = UnixSecondsOf(now) - 1;
        KeepPublished(port, &taken, path);
        return;
    }
    KeepPublished(port, nullptr, path);
}

void PublishReading(const char* port, std::int64_t utcSeconds, const ReplyNumber& number, bool alarm)
{
    if (!Publishing() || !number.found)
        return;
    StartSender();
    const std::int64_t seconds = utcSeconds - UnixEpochIn1601Seconds;
    std::uint8_t index = 0;
    {
        Locked locked;
        index = PortIndex(port);
        if (State.firstLive[index] == 0)
            State.firstLive[index] = seconds;
    }
    Add({seconds, number.value, alarm, false, index});
}

void PublishDumpReadings(const WatchReadings& readings)
{
    if (!Publishing()) {
        LogText(TextPublishNoAddress);
        return;
    }
    StartSender();
    const AlarmLimits& limits = AlarmLimitsSetting();
    AlarmState alarm{};
    std::uint64_t count = 0;
    {
        Locked locked;
        // The port it was read from is the one in use; a tag is never empty.
        const std::uint8_t index = PortIndex(PortName && *PortName ? PortName : "-");
        for (std::int32_t i = 0; i < readings.count; ++i) {
            const WatchReading row = WatchReadingAt(readings, i);
            if (!row.present)
                continue;
            AlarmTakeReading(alarm, limits, row.value);
            const std::int64_t seconds = static_cast<std::int64_t>(row.time / 1000) - UnixEpochIn1601Seconds;
            PublishWaitingAdd(State.waiting, {seconds, row.value, alarm.active != AlarmKind::None, true, index});
            ++count;
        }
    }
    SetEvent(Wake);
    wchar_t line[128];
    WideBuilder text(line, std::size(line));
    text.AppendFrom1251(TextPublishDumpQueued);
    AppendCount(text, count);
    AddToLogWide(line);
}

void HandlePublishNews()
{
    if (!LockMade)
        return;
    PublishState state;
    int status;
    DWORD error;
    char words[HttpWordsKept + 1];
    std::uint64_t givenUp;
    std::int64_t taken[MostPorts];
    bool fresh[MostPorts];
    PortNameText ports[MostPorts];
    {
        Locked locked;
        state = State.plan.state;
        status = State.status;
        error = State.error;
        std::memcpy(words, State.words, sizeof words);
        givenUp = State.waiting.givenUp;
        std::memcpy(taken, State.taken, sizeof taken);
        std::memcpy(fresh, State.takenFresh, sizeof fresh);
        std::memcpy(ports, State.ports, sizeof ports);
        std::fill(std::begin(State.takenFresh), std::end(State.takenFresh), false);
    }
    for (std::size_t i = 0; i < MostPorts; ++i)
        if (fresh[i])
            KeepPublished(ports[i], &taken[i], nullptr);
    if (state == PublishState::Current && !StartTold) {
        StartTold = true;
        wchar_t line[1200];
        WideBuilder text(line, std::size(line));
        text.AppendFrom1251(TextPublishStarted);
        text.Append(PublishTargetSetting().address);
        AddToLogWide(line);
    }
    if (state != Told) {
        if (state == PublishState::Behind)
            LogFromState(TextPublishBehind, status, error, words);
        else if (state == PublishState::Stopped)
            LogFromState(TextPublishStopped, status, error, words);
        else if (Told == PublishState::Behind)
            LogText(TextPublishCaughtUp);
        Told = state;
    }
    if (givenUp > ToldGivenUp) {
        wchar_t line[256];
        WideBuilder text(line, std::size(line));
        text.AppendFrom1251(TextPublishGivenUp);
        AppendCount(text, givenUp - ToldGivenUp);
        AddToLogWide(line);
        ToldGivenUp = givenUp;
    }
    ShowWindowState();
}

PublishShows PublishShowsNow()
{
    if (!LockMade || !Publishing())
        return {PublishState::Current, 0};
    Locked locked;
    return {State.plan.state, State.waiting.count};
}

void EndPublishing()
{
    if (!Sender)
        return;
    {
        Locked locked;
        State.quit = true;
        if (Cancel.request) {
            WinHttpCloseHandle(Cancel.request);
            Cancel.request = nullptr;
        }
    }
    SetEvent(Wake);
    WaitForSingleObject(Sender, EndWait);
}
