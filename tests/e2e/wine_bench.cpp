// Figures of the real korvane.exe under Wine, for BENCHMARKS.md: the Read
// sequence, dumps at line rate, the start-up beside a minimal program's, the
// CPU time of an idle window. Prints one "name value" line per figure; the
// bench script puts them in proportion. Times in milliseconds.
//
// Needs KORVANE_EXE, KORVANE_MINIMAL_EXE, KORVANE_HOST_TOOLS and WINEPREFIX,
// as the end-to-end tests do.
#include "app/client/client_gadgets.h"
#include "tests/e2e/client_driver.h"
#include "tests/support/simulated_logger.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int Reads = 20;
constexpr int StartUps = 9;
// The waits after "M", "T" and "L" of the start-up queries.
constexpr double StartUpWaits = 250;
constexpr DWORD IdleMilliseconds = 10000;
constexpr DWORD WatchMilliseconds = 30000;
constexpr DWORD DumpWait = 180000;

const std::string Logger = "pacing line-rate\nreply M \"120\"\nreply T \"+21.5\"\nreply L \"1\" \"2\"\n";

double NowMilliseconds()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// User and kernel time of the process so far.
double CpuMilliseconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& time) {
        return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Linux counts a process's CPU time in ticks of 1/100 s (USER_HZ).
constexpr double UnixTickMilliseconds = 10;

// The CPU time of korvane.exe. Wine's answer for another process does not
// move, so under Wine it is read from the Unix process that runs the program,
// to a tick; on Windows, from the system.
double ClientCpuMilliseconds(HANDLE process)
{
    const std::string unixProcess = KorvaneUnixProcess();
    if (unixProcess.empty())
        return CpuMilliseconds(process);
    const std::string stat = ReadUnixFile(unixProcess + "/stat");
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        return -1;
    // After the name: the state (field 3) ... user time (14), system time (15).
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    double ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14)
            ticks += std::strtod(field.c_str(), nullptr);
    return ticks * UnixTickMilliseconds;
}

void Print(const char* name, double value) { std::printf("%s %.3f\n", name, value); }

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void PrintSeries(const std::string& name, const std::vector<double>& values)
{
    Print((name + "_median").c_str(), Median(values));
    Print((name + "_min").c_str(), *std::min_element(values.begin(), values.end()));
    Print((name + "_max").c_str(), *std::max_element(values.begin(), values.end()));
}

// A logger on COM2 and korvane.exe with its start-up done.
struct Session {
    std::unique_ptr<SimulatedLogger> logger;
    std::unique_ptr<ClientProcess> client;
    HWND window = nullptr;

    bool Start(const std::string& scenario)
    {
        for (int port = 1; port <= 4; ++port)
            RemovePortLink(port);
        logger = std::make_unique<SimulatedLogger>("COM2", scenario);
        if (!logger->ready()) {
            std::fprintf(stderr, "wine_bench: %s\n", logger->failure().c_str());
            return false;
        }
        client = std::make_unique<ClientProcess>();
        window = client->started() ? client->WaitForMainWindow() : nullptr;
        return window && logger->WaitForReceived(3, LongWait) && WaitUntilIdle(window);
    }

    // Clicks the button and returns the milliseconds until the program is
    // back in its loop with everything shown; negative on a time-out.
    double Press(int button, DWORD limit)
    {
        const std::size_t before = logger->Received().size();
        const double start = NowMilliseconds();
        if (!PostClick(GadgetWindow(window, button)) || !logger->WaitForReceived(before + 1, LongWait) ||
            !WaitUntilIdle(window, limit))
            return -1;
        return NowMilliseconds() - start;
    }

    ~Session()
    {
        if (client && window && !client->WaitForExit(0)) {
            PostClose(window);
            client->WaitForExit(ShortWait);
        }
    }
};

bool MeasureRead()
{
    Session session;
    if (!session.Start(Logger))
        return false;
    std::vector<double> times;
    std::string lastInterval = Text(GadgetWindow(session.window, IntervalField));
    for (int i = 0; i < Reads; ++i) {
        const double time = session.Press(ReadButton, LongWait);
        const std::string interval = Text(GadgetWindow(session.window, IntervalField));
        // The interval field is the last one a Read updates; its reply
        // alternates, so a Read that did not finish would show the old text.
        if (time < 0 || interval == lastInterval)
            return false;
        lastInterval = interval;
        times.push_back(time);
    }
    PrintSeries("read_ms", times);
    return true;
}

// Clicks Dump and returns the milliseconds until the dump is over (the text
// in the log, the controls back, the program in its loop); negative on a
// time-out. With `longestUnanswered`, a second thread meanwhile times the
// window's answers.
double PressDump(Session& session, double* longestUnanswered = nullptr)
{
    HWND dump = GadgetWindow(session.window, DumpButton);
    HWND read = GadgetWindow(session.window, ReadButton);
    const std::size_t before = session.logger->Received().size();
    std::optional<AnswerWatch> watch;
    if (longestUnanswered)
        watch.emplace(session.window);
    const double start = NowMilliseconds();
    const bool over = PostClick(dump) && session.logger->WaitForReceived(before + 1, LongWait) &&
                      WaitUntil([&] { return IsWindowEnabled(read) && Text(dump) == "Dump"; }, DumpWait) &&
                      WaitUntilIdle(session.window, DumpWait);
    const double time = NowMilliseconds() - start;
    if (watch)
        *longestUnanswered = watch->Stop();
    return over ? time : -1;
}

// The log holding 64 KiB of readings, put in from outside as a whole.
bool FillLog(HWND log)
{
    std::wstring text;
    for (int line = 0; text.size() < 65536; ++line)
        text += std::to_wstring(1000 + line % 9000) + L" +21.5\r\n";
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(log, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, LongWait,
                               &result) != 0;
}

// Three dumps in a row: the first for its time and CPU time, the others for
// the window's answers (each answer costs the program some CPU time), one
// with the log emptied and one with 64 KiB already in it. Each waits out the
// double-click time after the one before, in which a click is taken for the
// Stop it came late for.
bool MeasureDump(const char* name, int readings)
{
    Session session;
    if (!session.Start(Logger + "readings 0 " + std::to_string(readings) + "\nchunk 0 \"\\0\"\n"))
        return false;
    HWND log = GadgetWindow(session.window, LogEditor);
    const double cpuBefore = ClientCpuMilliseconds(session.client->handle());
    const double time = PressDump(session);
    const double cpu = ClientCpuMilliseconds(session.client->handle()) - cpuBefore;
    const std::size_t shown = Text(log).size();
    double emptyLog = 0;
    double fullLog = 0;
    Sleep(GetDoubleClickTime());
    // The program answers a message sent to it before it takes the posted
    // click, so idle alone does not mean cleared; a Clear still running
    // would be timed as the dump's.
    if (time < 0 || !PostClick(GadgetWindow(session.window, ClearButton)) ||
        !WaitUntil([&] { return Text(log).empty(); }, LongWait) || PressDump(session, &emptyLog) < 0)
        return false;
    Sleep(GetDoubleClickTime());
    if (!FillLog(log) || PressDump(session, &fullLog) < 0)
        return false;
    const std::string prefix = std::string("dump_") + name;
    Print((prefix + "_longest_unanswered_ms").c_str(), emptyLog);
    Print((prefix + "_longest_unanswered_full_log_ms").c_str(), fullLog);
    Print((prefix + "_bytes").c_str(), readings * 12.0 + 1);
    Print((prefix + "_shown_bytes").c_str(), static_cast<double>(shown));
    Print((prefix + "_ms").c_str(), time);
    Print((prefix + "_cpu_ms").c_str(), cpu);
    return true;
}

// From the process start until the window shows the three start-up replies;
// a negative time when it never did.
double StartKorvane()
{
    const double start = NowMilliseconds();
    ClientProcess client;
    HWND window = client.WaitForMainWindow();
    if (!window)
        return -1;
    const bool shown = WaitUntil(
        [&] {
            return Text(GadgetWindow(window, MemoryField)) == "120" &&
                   Text(GadgetWindow(window, ReadingField)) == "+21.5" &&
                   !Text(GadgetWindow(window, IntervalField)).empty();
        },
        LongWait);
    const double time = NowMilliseconds() - start;
    PostClose(window);
    client.WaitForExit(ShortWait);
    return shown ? time : -1;
}

// From the process start until the minimal program's window is visible.
double StartMinimalWindow(std::string command)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = NowMilliseconds();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    HWND window = nullptr;
    const bool shown = WaitUntil(
        [&] {
            window = FindWindowA("KorvaneMinimalWindow", "Korvane minimal window");
            return window && IsWindowVisible(window);
        },
        LongWait);
    const double time = NowMilliseconds() - start;
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, ShortWait);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown ? time : -1;
}

// korvane.exe and the minimal program started by turns, so that both meet
// the same machine: a start's own part is korvane.exe's time less the
// minimal window's started right after it and less the queries' waits.
bool MeasureStartUp()
{
    char program[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KORVANE_MINIMAL_EXE", program, sizeof program);
    if (length == 0 || length >= sizeof program)
        return false;
    std::string minimal = std::string("\"Z:") + program + "\"";
    std::replace(minimal.begin(), minimal.end(), '/', '\\');
    for (int port = 1; port <= 4; ++port)
        RemovePortLink(port);
    SimulatedLogger logger("COM2", Logger);
    if (!logger.ready())
        return false;
    std::vector<double> korvane, minimalWindow, own;
    for (int i = 0; i < StartUps; ++i) {
        korvane.push_back(StartKorvane());
        minimalWindow.push_back(StartMinimalWindow(minimal));
        if (korvane.back() < 0 || minimalWindow.back() < 0)
            return false;
        own.push_back(korvane.back() - minimalWindow.back() - StartUpWaits);
    }
    PrintSeries("startup_ms", korvane);
    PrintSeries("minimal_startup_ms", minimalWindow);
    PrintSeries("startup_own_ms", own);
    return true;
}

bool MeasureIdle()
{
    Session session;
    if (!session.Start(Logger))
        return false;
    const double before = ClientCpuMilliseconds(session.client->handle());
    Sleep(IdleMilliseconds);
    const double after = ClientCpuMilliseconds(session.client->handle());
    Print("idle_seconds", IdleMilliseconds / 1000.0);
    Print("idle_cpu_ms", after - before);
    return before >= 0;
}

// A watch at one reading a second: the program's CPU time over that many
// readings, each a "T", its wait and a row written to the record file.
bool MeasureWatch()
{
    Session session;
    if (!session.Start(Logger) || !SelectListEntry(session.window, GadgetWindow(session.window, WatchIntervalList), 0))
        return false;
    HWND watch = GadgetWindow(session.window, WatchButton);
    const std::size_t before = session.logger->Received().size();
    const double cpuBefore = ClientCpuMilliseconds(session.client->handle());
    if (!PostClick(watch))
        return false;
    Sleep(WatchMilliseconds);
    const double cpu = ClientCpuMilliseconds(session.client->handle()) - cpuBefore;
    const std::size_t readings = session.logger->Received().size() - before;
    PostClick(watch);
    Print("watch_seconds", WatchMilliseconds / 1000.0);
    Print("watch_readings", static_cast<double>(readings));
    Print("watch_cpu_ms", cpu);
    return cpuBefore >= 0 && readings > 0;
}

} // namespace

// With arguments, only the measures whose names begin with one of them:
// "dump" for the three dumps, "dump 64" for one of them.
int main(int argc, char** argv)
{
    struct Step {
        const char* name;
        bool (*run)();
    };
    const Step steps[] = {
        {"read", MeasureRead},
        {"dump 4 KiB", [] { return MeasureDump("4k", 341); }},
        {"dump 32 KiB", [] { return MeasureDump("32k", 2731); }},
        {"dump 64 KiB", [] { return MeasureDump("64k", 5462); }},
        {"start-up", MeasureStartUp},
        {"idle", MeasureIdle},
        {"watch", MeasureWatch},
    };
    int failures = 0;
    auto chosen = [&](const Step& step) {
        for (int i = 1; i < argc; ++i)
            if (std::string(step.name).rfind(argv[i], 0) == 0)
                return true;
        return argc < 2;
    };
    for (const Step& step : steps) {
        if (!chosen(step))
            continue;
        if (!step.run()) {
            std::fprintf(stderr, "wine_bench: the %s measure failed\n", step.name);
            ++failures;
        }
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
