#pragma once
// Windows-side control of the servers that publishing talks to: a real
// time-series database (Debian's victoria-metrics, run on the host by
// korvane-database, found through KORVANE_HOST_TOOLS), and a stand-in that
// gives one fixed answer, for the answers a real database gives only when
// something is wrong.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One line of the database's export.
struct ExportedSeries {
    std::map<std::string, std::string> labels; // "__name__" among them
    std::vector<double> values;
    std::vector<std::int64_t> timestamps; // milliseconds since 1970
};

std::vector<ExportedSeries> ParseExport(const std::string& body);

class TimeSeriesDatabase {
public:
    // Starts an empty database on a free port of 127.0.0.1 and waits until it
    // answers. The name keeps its data apart from those of the other test
    // binaries, two of which run at once in one prefix: one name a binary.
    explicit TimeSeriesDatabase(const std::string& name);
    ~TimeSeriesDatabase();
    TimeSeriesDatabase(const TimeSeriesDatabase&) = delete;
    TimeSeriesDatabase& operator=(const TimeSeriesDatabase&) = delete;

    bool ready() const { return ready_; }
    const std::string& failure() const { return failure_; }
    unsigned short port() const { return port_; }
    std::string WriteAddress() const;

    // Ends the server and waits until its port refuses connections; true
    // when both happened.
    bool Stop();
    // Starts it again on the same port with the data it had; true once it
    // answers.
    bool Start();

    // Every point of the series that `match` selects (a name, or a selector
    // such as {logger="a"}), those stamped ahead of the clock too, once the
    // server has put what it took where searches find it: the body as the
    // server gave it, "" when it did not answer.
    std::string Export(const std::string& match) const;

private:
    bool Launch(bool fresh);
    std::string LaunchFile(const char* kind) const; // of the latest launch

    std::string folder_; // Windows paths
    std::string files_;  // the start of this object's files' names in the folder
    unsigned short port_ = 0;
    int launches_ = 0;
    bool ready_ = false;
    bool running_ = false;
    std::string failure_;
    void* owner_ = reinterpret_cast<void*>(-1); // the lock the script watches (a HANDLE)
};

// An HTTP/1.1 server on a free port of 127.0.0.1 that reads each request
// whole (its headers and a Content-Length body) and answers it with
// `statusLine` (such as "HTTP/1.1 503 Service Unavailable"), the header lines,
// Content-Length and Connection: close, and the body, `delayMilliseconds`
// after the request came.
class StandInServer {
public:
    explicit StandInServer(std::string statusLine, std::vector<std::string> headerLines = {}, std::string body = {},
                           std::uint32_t delayMilliseconds = 0);
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    bool ready() const { return port_ != 0; }
    unsigned short port() const { return port_; }
    int requests() const { return requests_; }
    std::string LastRequest() const; // its raw bytes

private:
    void Serve();
    void Answer(std::uintptr_t connection);

    std::string response_;
    std::uint32_t delayMilliseconds_;
    std::uintptr_t listener_ = ~std::uintptr_t{0}; // a SOCKET
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::string lastRequest_;
    std::thread thread_;
};
