#include "tests/support/simulated_logger.h"

#include "tests/support/wine_paths.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

constexpr DWORD StartTimeoutMilliseconds = 15000;
constexpr DWORD StopTimeoutMilliseconds = 5000;
constexpr int StartAttempts = 2;
constexpr DWORD PollMilliseconds = 5;
// A logger outlives no test run by much, even when nothing stops it.
constexpr int LifetimeSeconds = 600;

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return static_cast<bool>(file.flush());
}

} // namespace

SimulatedLogger::SimulatedLogger(const std::string& device, const std::string& scenario)
{
    const std::string prefix = Environment("WINEPREFIX");
    const std::string tools = Environment("KORVANE_HOST_TOOLS");
    if (prefix.empty() || tools.empty()) {
        failure_ = "WINEPREFIX and KORVANE_HOST_TOOLS must name the Wine prefix and the host tools";
        return;
    }
    const std::string base = WindowsPath(prefix + "/korvane-simlogger");
    // A folder named COM5 would be the device COM5 itself.
    folder_ = base + "\\logger-" + device;
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);

    // A logger left behind by an earlier run of this binary gives its port up
    // first.
    for (int attempt = 1; attempt <= StartAttempts; ++attempt) {
        const std::string ready = AttemptFile("ready", attempt);
        const std::string stop = AttemptFile("stop", attempt);
        if (FileExists(ready)) {
            WriteWholeFile(stop, "");
            WaitForFile(ready, false, StopTimeoutMilliseconds);
        }
        DeleteFileA(stop.c_str());
        DeleteFileA(ready.c_str());
    }
    DeleteFileA((folder_ + "\\record").c_str());
    if (!WriteWholeFile(folder_ + "\\scenario", scenario)) {
        failure_ = "cannot write the scenario into " + folder_;
        return;
    }

    // Wine starts a Unix program detached and tells it no process id it
    // could watch; the lock this process holds while it lives, which Wine
    // keeps as a Unix file lock, tells the logger when the test is gone.
    owner_ = CreateFileA((folder_ + "\\owner").c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
    OVERLAPPED whole{};
    if (owner_ != INVALID_HANDLE_VALUE &&
        !LockFileEx(owner_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        CloseHandle(owner_);
        owner_ = INVALID_HANDLE_VALUE;
    }

    // A start that never comes up (a fork under an emulator can hang before
    // the logger runs) is given up, told to stop should it come up late, and
    // made once more with files of its own.
    for (int attempt = 1; attempt <= StartAttempts && !ready_; ++attempt) {
        readyFile_ = AttemptFile("ready", attempt);
        stopFile_ = AttemptFile("stop", attempt);
        if (!Launch(device))
            return;
        running_ = true;
        ready_ = WaitForFile(readyFile_, true, StartTimeoutMilliseconds);
        if (!ready_)
            WriteWholeFile(stopFile_, "");
    }
}

std::string SimulatedLogger::AttemptFile(const std::string& name, int attempt) const
{
    return folder_ + "\\" + name + "-" + std::to_string(attempt);
}

bool SimulatedLogger::Launch(const std::string& device)
{
    const std::string prefix = Environment("WINEPREFIX");
    const std::string unixFolder = UnixPath(folder_);
    std::string command = Quoted(Environment("KORVANE_HOST_TOOLS") + "/simlogger/korvane-simlogger") +
                          " --prefix " + Quoted(prefix) + " --device " + Quoted(device) + " --scenario " +
                          Quoted(unixFolder + "/scenario") + " --record " + Quoted(unixFolder + "/record") +
                          " --ready " + Quoted(UnixPath(readyFile_)) + " --stop " + Quoted(UnixPath(stopFile_)) +
                          " --lifetime " + std::to_string(LifetimeSeconds);
    if (owner_ != INVALID_HANDLE_VALUE)
        command += " --watch-lock " + Quoted(unixFolder + "/owner");

    // The ready and stop files carry the whole conversation.
    if (!StartUnixProgram(command, failure_))
        return false;
    failure_ = "the simulated logger did not come up: " + command;
    return true;
}

SimulatedLogger::~SimulatedLogger()
{
    Stop();
    if (owner_ != INVALID_HANDLE_VALUE)
        CloseHandle(owner_);
}

void SimulatedLogger::Stop()
{
    if (!running_)
        return;
    running_ = false;
    ready_ = false;
    WriteWholeFile(stopFile_, "");
    // The logger removes the ready file last, after its port link.
    WaitForFile(readyFile_, false, StopTimeoutMilliseconds);
    if (owner_ != INVALID_HANDLE_VALUE)
        CloseHandle(owner_);
    owner_ = INVALID_HANDLE_VALUE;
}

std::vector<ReceivedByte> SimulatedLogger::Received() const
{
    std::vector<ReceivedByte> bytes;
    std::ifstream record(folder_ + "\\record", std::ios::binary);
    std::string line;
    while (std::getline(record, line)) {
        long long microseconds = 0;
        unsigned value = 0;
        // A line still being written has no end yet; it is taken next time.
        if (record.eof() || std::sscanf(line.c_str(), "%lld %u", &microseconds, &value) != 2 || value > 255)
            break;
        bytes.push_back(ReceivedByte{.byte = static_cast<std::uint8_t>(value), .microseconds = microseconds});
    }
    return bytes;
}

std::string SimulatedLogger::ReceivedText() const
{
    std::string text;
    for (const ReceivedByte& received : Received())
        text += static_cast<char>(received.byte);
    return text;
}

bool SimulatedLogger::WaitForReceived(std::size_t count, std::uint32_t timeoutMilliseconds) const
{
    const ULONGLONG end = GetTickCount64() + timeoutMilliseconds;
    while (Received().size() < count) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(PollMilliseconds);
    }
    return true;
}
