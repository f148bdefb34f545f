#include "tests/support/time_series_database.h"

#include "tests/support/wine_paths.h"

#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

constexpr int StartAttempts = 2;
// For the script to come up or to end; it may first wait some seconds for
// the server of an ended test to give the folder up.
constexpr DWORD ScriptTimeoutMilliseconds = 15000;
constexpr DWORD AnswerTimeoutMilliseconds = 30000;
constexpr DWORD RequestTimeoutMilliseconds = 10000;
constexpr DWORD AnswerPollMilliseconds = 100;
// A database outlives no test run by much, even when nothing stops it.
constexpr int LifetimeSeconds = 600;

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary).flush(); }

sockaddr_in Loopback(unsigned short port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A socket bound to a port of the system's choosing, which `port` tells.
SOCKET BoundToFreePort(unsigned short& port)
{
    const SOCKET bound = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    int length = sizeof address;
    if (bound != INVALID_SOCKET && bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
        return bound;
    }
    if (bound != INVALID_SOCKET)
        closesocket(bound);
    return INVALID_SOCKET;
}

bool Refuses(unsigned short port)
{
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = Loopback(port);
    const bool refused =
        probe != INVALID_SOCKET && connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0;
    if (probe != INVALID_SOCKET)
        closesocket(probe);
    return refused;
}

using Internet = std::unique_ptr<void, decltype(&WinHttpCloseHandle)>;

// True when the server answered 200 and the whole body came. The path is
// ASCII: the caller encodes the rest.
bool Get(unsigned short port, const std::string& path, std::string& body)
{
    body.clear();
    const Internet session(WinHttpOpen(L"korvane-test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0),
                           WinHttpCloseHandle);
    const Internet connection(session ? WinHttpConnect(session.get(), L"127.0.0.1", port, 0) : nullptr,
                              WinHttpCloseHandle);
    const std::wstring widePath(path.begin(), path.end());
    const Internet request(connection ? WinHttpOpenRequest(connection.get(), L"GET", widePath.c_str(), nullptr,
                                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                      : nullptr,
                           WinHttpCloseHandle);
    // Under Wine only this bounds the wait for an answer, not WinHttpSetTimeouts.
    DWORD timeout = AnswerTimeoutMilliseconds;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!request || !WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeout, sizeof timeout) ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr) ||
        !WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return false;
    char buffer[4096];
    for (DWORD read = 0; WinHttpReadData(request.get(), buffer, sizeof buffer, &read); body.append(buffer, read))
        if (read == 0)
            return status == 200;
    return false;
}

std::string UrlEncoded(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~')
            encoded += c;
        else
            encoded += {'%', hex[byte >> 4], hex[byte & 15]};
    }
    return encoded;
}

// The JSON string that starts at line[at], a quote; `at` moves past it.
std::string ReadString(const std::string& line, std::size_t& at)
{
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size())
            ++at;
        text += line[at];
    }
    ++at;
    return text;
}

// The numbers of the array `key` opens. Timestamps in milliseconds stay
// exact as doubles for another 280,000 years.
std::vector<double> ReadNumbers(const std::string& line, const std::string& key)
{
    std::vector<double> numbers;
    const std::size_t at = line.find(key);
    for (const char* next = at == std::string::npos ? "]" : line.c_str() + at + key.size(); *next && *next != ']';) {
        char* end = nullptr;
        numbers.push_back(std::strtod(next, &end));
        if (end == next)
            break;
        next = *end == ',' ? end + 1 : end;
    }
    return numbers;
}

bool WaitReadable(SOCKET socket, const std::atomic<bool>& stopping, ULONGLONG until)
{
    while (!stopping && GetTickCount64() < until) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval slice{0, 50000};
        const int ready = select(0, &set, nullptr, nullptr, &slice);
        if (ready != 0)
            return ready > 0;
    }
    return false;
}

} // namespace

std::vector<ExportedSeries> ParseExport(const std::string& body)
{
    std::vector<ExportedSeries> series;
    std::istringstream lines(body);
    const std::string metric = "\"metric\":{";
    for (std::string line; std::getline(lines, line);) {
        std::size_t at = line.find(metric);
        if (at == std::string::npos)
            continue;
        ExportedSeries& one = series.emplace_back();
        for (at += metric.size(); at < line.size() && line[at] == '"';) {
            const std::string name = ReadString(line, at);
            ++at; // the colon
            one.labels[name] = ReadString(line, at);
            at += at < line.size() && line[at] == ',';
        }
        one.values = ReadNumbers(line, "\"values\":[");
        const std::vector<double> timestamps = ReadNumbers(line, "\"timestamps\":[");
        one.timestamps.assign(timestamps.begin(), timestamps.end());
    }
    return series;
}

TimeSeriesDatabase::TimeSeriesDatabase(const std::string& name)
{
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    const std::string prefix = Environment("WINEPREFIX");
    if (prefix.empty() || Environment("KORVANE_HOST_TOOLS").empty()) {
        failure_ = "WINEPREFIX and KORVANE_HOST_TOOLS must name the Wine prefix and the host tools";
        return;
    }
    const std::string base = WindowsPath(prefix + "/korvane-database");
    folder_ = base + "\\" + name;
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);
    // Names of this object's own: the script of an ended test, still looking
    // at its files for a moment, never takes these for its own.
    files_ = folder_ + "\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-";

    // Wine tells the script no process id it could watch; the lock this
    // process holds while it lives, which Wine keeps as a Unix record lock,
    // tells the script when the test is gone.
    owner_ = CreateFileA((files_ + "owner").c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, 0, nullptr);
    OVERLAPPED whole{};
    if (owner_ == INVALID_HANDLE_VALUE || !LockFileEx(owner_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
        failure_ = "cannot lock " + files_ + "owner";
        return;
    }
    const SOCKET probe = BoundToFreePort(port_);
    if (probe == INVALID_SOCKET) {
        failure_ = "no free port on 127.0.0.1";
        return;
    }
    closesocket(probe);
    Launch(true);
}

TimeSeriesDatabase::~TimeSeriesDatabase()
{
    Stop();
    if (owner_ != INVALID_HANDLE_VALUE) {
        CloseHandle(owner_);
        DeleteFileA((files_ + "owner").c_str());
    }
    WSACleanup();
}

std::string TimeSeriesDatabase::LaunchFile(const char* kind) const { return files_ + std::to_string(launches_) + kind; }

std::string TimeSeriesDatabase::WriteAddress() const { return "http://127.0.0.1:" + std::to_string(port_) + "/write"; }

bool TimeSeriesDatabase::Launch(bool fresh)
{
    const std::string program = WindowsPath(Environment("KORVANE_HOST_TOOLS") + "/simlogger/korvane-database");
    // A start that never comes up (a fork under an emulator can hang before
    // the script runs) is given up, told to stop should it come up late, and
    // made once more with files of its own.
    for (int attempt = 1;; ++attempt) {
        ++launches_;
        std::string command = Quoted(program) + " --port " + std::to_string(port_) + " --folder " +
                              Quoted(UnixPath(folder_)) + " --ready " + Quoted(UnixPath(LaunchFile("-ready"))) +
                              " --stop " + Quoted(UnixPath(LaunchFile("-stop"))) + " --watch-lock " +
                              Quoted(UnixPath(files_ + "owner")) + " --lifetime " + std::to_string(LifetimeSeconds) +
                              (fresh ? " --fresh" : "");
        if (!StartUnixProgram(command, failure_))
            return false;
        running_ = true;
        if (WaitForFile(LaunchFile("-ready"), true, ScriptTimeoutMilliseconds))
            break;
        Touch(LaunchFile("-stop"));
        if (attempt == StartAttempts) {
            failure_ = "the database's script did not come up: " + command;
            return false;
        }
    }
    // The script removes its ready file when the server ends by itself (its
    // port taken, say): no need to wait out the time then.
    const ULONGLONG end = GetTickCount64() + AnswerTimeoutMilliseconds;
    for (std::string body; FileExists(LaunchFile("-ready")) && GetTickCount64() < end; Sleep(AnswerPollMilliseconds))
        if (Get(port_, "/health", body)) {
            failure_.clear();
            return ready_ = true;
        }
    std::ostringstream log;
    log << std::ifstream(folder_ + "\\log", std::ios::binary).rdbuf();
    failure_ = "the database did not answer on port " + std::to_string(port_) + "; its log: " + log.str();
    return false;
}

bool TimeSeriesDatabase::Stop()
{
    if (running_) {
        running_ = false;
        ready_ = false;
        Touch(LaunchFile("-stop"));
        // The script removes the ready file last, once the server has ended.
        if (!WaitForFile(LaunchFile("-ready"), false, ScriptTimeoutMilliseconds)) {
            failure_ = "the database did not end";
            return false;
        }
        DeleteFileA(LaunchFile("-stop").c_str());
    }
    return Refuses(port_);
}

bool TimeSeriesDatabase::Start()
{
    if (!running_)
        Launch(false);
    return ready_;
}

std::string TimeSeriesDatabase::Export(const std::string& match) const
{
    // The export ends at the server's present unless told otherwise.
    std::string body;
    if (!Get(port_, "/internal/force_flush", body) ||
        !Get(port_, "/api/v1/export?end=4102444800&match%5B%5D=" + UrlEncoded(match), body))
        body.clear();
    return body;
}

StandInServer::StandInServer(std::string statusLine, std::vector<std::string> headerLines, std::string body,
                             std::uint32_t delayMilliseconds)
    : response_(std::move(statusLine) + "\r\n"), delayMilliseconds_(delayMilliseconds)
{
    for (const std::string& line : headerLines)
        response_ += line + "\r\n";
    response_ += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    unsigned short port = 0;
    listener_ = BoundToFreePort(port);
    if (listener_ != INVALID_SOCKET && listen(listener_, SOMAXCONN) == 0) {
        port_ = port;
        thread_ = std::thread(&StandInServer::Serve, this);
    }
}

StandInServer::~StandInServer()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    WSACleanup();
}

std::string StandInServer::LastRequest() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastRequest_;
}

void StandInServer::Serve()
{
    while (WaitReadable(listener_, stopping_, ~ULONGLONG{0})) {
        const SOCKET connection = accept(listener_, nullptr, nullptr);
        if (connection != INVALID_SOCKET) {
            Answer(connection);
            closesocket(connection);
        }
    }
}

void StandInServer::Answer(std::uintptr_t connection)
{
    // A client that never finishes its request gets no answer.
    const ULONGLONG end = GetTickCount64() + RequestTimeoutMilliseconds;
    std::string request;
    std::size_t headersEnd = std::string::npos;
    std::size_t bodyLength = 0;
    while (headersEnd == std::string::npos || request.size() < headersEnd + 4 + bodyLength) {
        char buffer[4096];
        const int received = WaitReadable(connection, stopping_, end) ? recv(connection, buffer, sizeof buffer, 0) : 0;
        if (received <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(received));
        headersEnd = request.find("\r\n\r\n");
        std::string headers = request.substr(0, headersEnd);
        for (char& c : headers)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string name = "\r\ncontent-length:";
        const std::size_t at = headers.find(name);
        bodyLength = at == std::string::npos ? 0 : std::strtoul(headers.c_str() + at + name.size(), nullptr, 10);
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        lastRequest_ = request;
    }
    ++requests_;
    // Waited in slices, so that the destructor never waits out a long delay.
    for (const ULONGLONG due = GetTickCount64() + delayMilliseconds_; !stopping_ && GetTickCount64() < due;)
        Sleep(10);
    for (std::size_t sent = 0; !stopping_ && sent < response_.size();) {
        const int now = send(connection, response_.data() + sent, static_cast<int>(response_.size() - sent), 0);
        if (now <= 0)
            return;
        sent += static_cast<std::size_t>(now);
    }
    shutdown(connection, SD_SEND);
}
