// korvane-simlogger: plays the temperature logger on a pseudo-terminal that a
// Wine prefix sees as a COM port. See Usage below and scenario.h.
#include "tools/simlogger/line.h"
#include "tools/simlogger/logger.h"
#include "tools/simlogger/scenario.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

constexpr const char* Usage = R"(usage: korvane-simlogger [options]
  --prefix DIR      Wine prefix to link the port into (default: $WINEPREFIX)
  --com N           link the port as dosdevices/comN (1-255)
  --device NAME     link the port as dosdevices/NAME instead (lower case)
  --scenario FILE   what the logger answers (default: the built-in logger)
  --record FILE     append every received byte as "<microseconds> <byte>",
                    the time counted from the logger's start (monotonic)
  --ready FILE      created once the port is linked; removed at the very end,
                    after the link is gone
  --stop FILE       stop as soon as this file exists; when it exists at the
                    start, the port is never linked
  --lifetime S      stop after S seconds (default 600; 0: no limit)
  --watch-pid PID   stop when that process ends
  --watch-lock FILE stop when nobody holds a lock on the first byte of FILE:
                    a Windows program under Wine keeps such a lock while it
                    lives (Wine starts Unix programs detached, and its
                    process ids are not Unix ones)
  --print-scenario  print the built-in scenario and exit
The logger also stops on SIGTERM, SIGINT and SIGHUP, and when its parent ends.
)";

constexpr std::int64_t NanosecondsPerMillisecond = 1000000;
// One character at 9600 baud, 8N1: a start bit, eight data bits, a stop bit.
constexpr std::int64_t CharacterNanoseconds = 10LL * 1000000000 / 9600;
// How often the stop conditions are looked at while nothing else happens.
constexpr std::int64_t IdleNanoseconds = 20 * NanosecondsPerMillisecond;
constexpr std::int64_t RetryNanoseconds = 2 * NanosecondsPerMillisecond;
constexpr long DefaultLifetimeSeconds = 600;
// A flood goes out in batches of about this much line time (ten bytes), as a
// serial port hands bytes on; more than a few batches late, it restarts.
constexpr std::int64_t FloodBatchNanoseconds = 10 * NanosecondsPerMillisecond;
constexpr std::int64_t FloodCatchUpNanoseconds = 5 * FloodBatchNanoseconds;
constexpr std::int64_t HangUpSettleNanoseconds = 50 * NanosecondsPerMillisecond;
constexpr std::int64_t HangUpDrainNanoseconds = 3000 * NanosecondsPerMillisecond;

volatile sig_atomic_t StopSignalled = 0;

void OnStopSignal(int) { StopSignalled = 1; }

std::int64_t Now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct Options {
    std::string prefix;
    std::string device;
    std::string scenarioFile;
    std::string recordFile;
    std::string readyFile;
    std::string stopFile;
    long lifetimeSeconds = DefaultLifetimeSeconds;
    pid_t watchPid = 0;
    std::string watchLock;
};

bool ParseLong(const char* text, long low, long high, long& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && out >= low && out <= high;
}

// 0: run; 1: stop at once with success (help, print); 2: bad arguments.
int ParseOptions(int argc, char** argv, Options& options)
{
    if (const char* prefix = std::getenv("WINEPREFIX"))
        options.prefix = prefix;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--print-scenario") {
            std::fputs(DefaultScenarioText().c_str(), stdout);
            return 1;
        }
        if (option == "--help") {
            std::fputs(Usage, stdout);
            return 1;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "korvane-simlogger: %s needs a value\n%s", option.c_str(), Usage);
            return 2;
        }
        const char* value = argv[++i];
        long number = 0;
        if (option == "--prefix") {
            options.prefix = value;
        } else if (option == "--com" && ParseLong(value, 1, 255, number)) {
            options.device = "com" + std::to_string(number);
        } else if (option == "--device" && *value && !std::strchr(value, '/')) {
            options.device = value;
            for (char& c : options.device)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (option == "--scenario") {
            options.scenarioFile = value;
        } else if (option == "--record") {
            options.recordFile = value;
        } else if (option == "--ready") {
            options.readyFile = value;
        } else if (option == "--stop") {
            options.stopFile = value;
        } else if (option == "--lifetime" && ParseLong(value, 0, 365L * 24 * 3600, number)) {
            options.lifetimeSeconds = number;
        } else if (option == "--watch-lock") {
            options.watchLock = value;
        } else if (option == "--watch-pid" && ParseLong(value, 1, 0x7FFFFFFF, number)) {
            options.watchPid = static_cast<pid_t>(number);
        } else {
            std::fprintf(stderr, "korvane-simlogger: bad option %s %s\n%s", option.c_str(), value, Usage);
            return 2;
        }
    }
    if (options.prefix.empty() || options.device.empty()) {
        std::fprintf(stderr, "korvane-simlogger: a prefix and a port are needed\n%s", Usage);
        return 2;
    }
    return 0;
}

bool LoadScenario(const Options& options, Scenario& scenario)
{
    std::string text = DefaultScenarioText();
    if (!options.scenarioFile.empty()) {
        std::ifstream file(options.scenarioFile, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "korvane-simlogger: cannot read %s\n", options.scenarioFile.c_str());
            return false;
        }
        std::ostringstream content;
        content << file.rdbuf();
        text = content.str();
    }
    ScenarioError error;
    std::optional<Scenario> parsed = ParseScenario(text, error);
    if (!parsed) {
        std::fprintf(stderr, "korvane-simlogger: %s line %d: %s\n",
                     options.scenarioFile.empty() ? "built-in scenario" : options.scenarioFile.c_str(), error.line,
                     error.message.c_str());
        return false;
    }
    scenario = std::move(*parsed);
    return true;
}

bool CreateMarker(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    std::fprintf(file, "%d\n", static_cast<int>(getpid()));
    return std::fclose(file) == 0;
}

bool Exists(const std::string& path) { return !path.empty() && access(path.c_str(), F_OK) == 0; }

// What is still to go out on the line, in order, with absolute due times.
struct PendingTransmission {
    std::int64_t due = 0;
    std::string bytes;
    std::size_t sent = 0;
    bool hangUp = false;
};

struct Session {
    Options options;
    Scenario scenario;
    LoggerState state;
    PtyLine line;
    std::string link;
    std::FILE* record = nullptr;
    std::deque<PendingTransmission> pending;
    std::int64_t lineBusyUntil = 0; // when the last queued byte has gone out
    std::size_t floodSent = 0;      // flood bytes sent so far: where the text goes on
    std::int64_t floodNextAt = 0;   // when the next flood byte is due
    std::int64_t start = 0;
    pid_t parent = 0;
    int watchedLock = -1; // the --watch-lock file, open for the whole run
};

std::int64_t SendingTime(const Session& session, std::size_t bytes)
{
    return session.scenario.pacing == Pacing::LineRate ? static_cast<std::int64_t>(bytes) * CharacterNanoseconds
                                                        : 0;
}

void Queue(Session& session, char command, std::int64_t received)
{
    std::int64_t base = std::max(received, session.lineBusyUntil);
    for (Transmission& piece : AnswerCommand(session.state, session.scenario, command)) {
        const std::int64_t due = base + piece.pauseMilliseconds * NanosecondsPerMillisecond;
        base = due + SendingTime(session, piece.bytes.size());
        session.pending.push_back(
            PendingTransmission{.due = due, .bytes = std::move(piece.bytes), .sent = 0, .hangUp = piece.hangUp});
    }
    session.lineBusyUntil = base;
}

// How many bytes of the front transmission may be on the line by `now`.
std::size_t BytesDue(const Session& session, const PendingTransmission& piece, std::int64_t now)
{
    if (now < piece.due)
        return 0;
    if (session.scenario.pacing == Pacing::Burst)
        return piece.bytes.size();
    const auto characters = static_cast<std::size_t>((now - piece.due) / CharacterNanoseconds) + 1;
    return std::min(characters, piece.bytes.size());
}

// A closing pty throws away what its far end has not read yet, while a real
// port keeps what already reached the computer's queue: the line closes
// once the far end has taken every byte sent, or after a bounded wait. The
// pty moves written bytes to the far end's queue a little later, so the
// queue is looked at only after a short settling time.
bool FarEndHasTakenEverything(const Session& session, const PendingTransmission& piece, std::int64_t now)
{
    if (now - piece.due < HangUpSettleNanoseconds)
        return false;
    int unread = 0;
    if (ioctl(session.line.slave, FIONREAD, &unread) != 0)
        return true;
    return unread == 0 || now - piece.due >= HangUpDrainNanoseconds;
}

void SendDue(Session& session, std::int64_t now)
{
    while (!session.pending.empty() && session.line.master >= 0) {
        PendingTransmission& piece = session.pending.front();
        const std::size_t due = BytesDue(session, piece, now);
        if (due > piece.sent) {
            const ssize_t written = write(session.line.master, piece.bytes.data() + piece.sent, due - piece.sent);
            if (written > 0)
                piece.sent += static_cast<std::size_t>(written);
        }
        if (piece.sent < piece.bytes.size() || now < piece.due)
            return; // the rest is not due yet, or the line is full
        if (piece.hangUp) {
            if (!FarEndHasTakenEverything(session, piece, now))
                return;
            HangUpPtyLine(session.line);
        }
        session.pending.pop_front();
    }
}

// A flooding logger fills every idle moment of its line, one byte per
// character time; a reply that is due still goes first. After a stretch in
// which the far end's queue was full it carries on from about now, as a line
// cannot catch up on time it lost.
void SendFlood(Session& session, std::int64_t now)
{
    if (!session.state.flooding || session.line.master < 0)
        return;
    if (!session.pending.empty() && session.pending.front().due <= now)
        return;
    const std::string& text = session.scenario.floodText;
    std::int64_t next = session.floodNextAt == 0
                            ? std::max(now, session.lineBusyUntil)
                            : std::max({session.floodNextAt, session.lineBusyUntil, now - FloodCatchUpNanoseconds});
    while (next <= now) {
        const char byte = text[session.floodSent % text.size()];
        if (write(session.line.master, &byte, 1) != 1)
            break;
        ++session.floodSent;
        next += CharacterNanoseconds;
    }
    session.floodNextAt = next;
    session.lineBusyUntil = std::max(session.lineBusyUntil, next);
}

void Receive(Session& session)
{
    unsigned char buffer[256];
    const ssize_t count = read(session.line.master, buffer, sizeof buffer);
    if (count <= 0)
        return;
    const std::int64_t now = Now();
    // A real logger on a line at another rate or framing receives garbage
    // and answers nothing: the bytes are recorded but not answered.
    const bool understood = LineSetForLogger(session.line);
    for (ssize_t i = 0; i < count; ++i) {
        if (session.record)
            std::fprintf(session.record, "%lld %u\n", static_cast<long long>((now - session.start) / 1000),
                         static_cast<unsigned>(buffer[i]));
        if (understood)
            Queue(session, static_cast<char>(buffer[i]), now);
    }
    if (session.record)
        std::fflush(session.record);
}

bool LockHeld(int file)
{
    struct flock probe{};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 1;
    return file >= 0 && fcntl(file, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

bool ShouldStop(const Session& session, std::int64_t now)
{
    if (StopSignalled || Exists(session.options.stopFile))
        return true;
    if (session.options.lifetimeSeconds > 0 && now - session.start >= session.options.lifetimeSeconds * 1000000000LL)
        return true;
    if (session.options.watchPid > 0 && kill(session.options.watchPid, 0) != 0 && errno == ESRCH)
        return true;
    if (!session.options.watchLock.empty() && !LockHeld(session.watchedLock))
        return true;
    // A parent that was not init when the logger started and is gone now.
    return session.parent != 1 && getppid() != session.parent;
}

// The time to sleep until the next byte is due or the stop conditions are
// looked at again.
std::int64_t NextWake(const Session& session, std::int64_t now)
{
    std::int64_t wake = now + IdleNanoseconds;
    if (!session.pending.empty() && session.line.master >= 0) {
        const PendingTransmission& piece = session.pending.front();
        std::int64_t next = session.scenario.pacing == Pacing::LineRate
                                ? piece.due + static_cast<std::int64_t>(piece.sent) * CharacterNanoseconds
                                : piece.due;
        // Past due yet still queued: the line is full or a hang-up waits
        // for the far end to read; look again shortly rather than spin.
        if (next <= now)
            next = now + RetryNanoseconds;
        wake = std::min(wake, next);
    }
    if (session.state.flooding && session.line.master >= 0)
        wake = std::min(wake, std::max(session.floodNextAt, now + FloodBatchNanoseconds));
    return std::max(wake - now, std::int64_t{0});
}

void Run(Session& session)
{
    for (;;) {
        std::int64_t now = Now();
        if (ShouldStop(session, now))
            return;
        SendDue(session, now);
        SendFlood(session, now);
        const std::int64_t sleep = NextWake(session, now);
        const timespec timeout{.tv_sec = static_cast<time_t>(sleep / 1000000000),
                               .tv_nsec = static_cast<long>(sleep % 1000000000)};
        pollfd watch{.fd = session.line.master, .events = POLLIN, .revents = 0};
        const int ready = ppoll(&watch, session.line.master >= 0 ? 1 : 0, &timeout, nullptr);
        if (ready > 0 && (watch.revents & POLLIN))
            Receive(session);
    }
}

void InstallSignals()
{
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv)
{
    Session session;
    session.parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    InstallSignals();

    if (const int parsed = ParseOptions(argc, argv, session.options); parsed != 0)
        return parsed == 1 ? 0 : 2;
    if (!LoadScenario(session.options, session.scenario))
        return 2;
    session.state = StartLogger(session.scenario);

    if (!OpenPtyLine(session.line)) {
        std::fprintf(stderr, "korvane-simlogger: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    if (!session.options.recordFile.empty()) {
        session.record = std::fopen(session.options.recordFile.c_str(), "a");
        if (!session.record) {
            std::fprintf(stderr, "korvane-simlogger: cannot write %s\n", session.options.recordFile.c_str());
            return 1;
        }
    }
    if (!session.options.watchLock.empty())
        session.watchedLock = open(session.options.watchLock.c_str(), O_RDONLY | O_CLOEXEC);
    // A start its caller gave up on must not take the port from the one it
    // made after.
    if (Exists(session.options.stopFile))
        return 0;
    session.link = session.options.prefix + "/dosdevices/" + session.options.device;
    if (!LinkDevice(session.link, session.line.slavePath)) {
        std::fprintf(stderr, "korvane-simlogger: cannot link %s: %s\n", session.link.c_str(), std::strerror(errno));
        return 1;
    }
    session.start = Now();
    int status = 0;
    if (!session.options.readyFile.empty() && !CreateMarker(session.options.readyFile)) {
        std::fprintf(stderr, "korvane-simlogger: cannot create %s\n", session.options.readyFile.c_str());
        status = 1;
    } else {
        Run(session);
    }

    UnlinkDevice(session.link, session.line.slavePath);
    ClosePtyLine(session.line);
    if (session.record)
        std::fclose(session.record);
    if (session.watchedLock >= 0)
        close(session.watchedLock);
    if (!session.options.readyFile.empty())
        unlink(session.options.readyFile.c_str());
    return status;
}
