#pragma once
// Windows-side control of the simulated logger (the host tool
// korvane-simlogger, found through KORVANE_HOST_TOOLS): a test starts one per
// port it needs, with a scenario text (see tools/simlogger/scenario.h), and
// reads back every byte the logger received, with the logger's times.
//
// The Wine prefix is shared by every test binary of a build and CTest runs
// two binaries at once, so each binary keeps to its own ports:
//   COM1-COM4    the application's own ports: end-to-end tests only, under a
//                RESOURCE_LOCK
//   COM5-COM9    serial_port_test
//   COM10-COM12  logger_integration_test
//   COM13-COM16  the port list's end-to-end tests, under the same lock; the
//                Wine session reports COM13 and COM100 as the system's ports
//   COM17-COM20  free; claim a range here before using it
// A device name beyond these (long names) is linked as given, lower case;
// serial_port_test also uses COM12345 and names starting with "korvane", the
// port list's tests names starting with "UsbSerial".

#include <cstdint>
#include <string>
#include <vector>

struct ReceivedByte {
    std::uint8_t byte = 0;
    std::int64_t microseconds = 0; // since the logger started, on its monotonic clock
};

class SimulatedLogger {
public:
    // Starts the logger on the device (for example "COM5") and waits until
    // the port exists; ready() says whether it came up, failure() why not.
    SimulatedLogger(const std::string& device, const std::string& scenario);
    ~SimulatedLogger();
    SimulatedLogger(const SimulatedLogger&) = delete;
    SimulatedLogger& operator=(const SimulatedLogger&) = delete;

    bool ready() const { return ready_; }
    const std::string& failure() const { return failure_; }

    // Every byte received so far, in order.
    std::vector<ReceivedByte> Received() const;
    std::string ReceivedText() const;
    // Waits until at least `count` bytes were received; false on time-out.
    bool WaitForReceived(std::size_t count, std::uint32_t timeoutMilliseconds) const;

    // Ends the logger and waits until its port is gone (also done on
    // destruction; a second call does nothing).
    void Stop();

private:
    std::string AttemptFile(const std::string& name, int attempt) const;
    bool Launch(const std::string& device);

    std::string folder_;    // Windows path of the logger's working folder
    std::string readyFile_; // the present start's files in it
    std::string stopFile_;
    bool ready_ = false;
    bool running_ = false;
    std::string failure_;
    void* owner_ = reinterpret_cast<void*>(-1); // the lock the logger watches (a HANDLE)
};
