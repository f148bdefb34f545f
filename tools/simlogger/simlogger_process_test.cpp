// The simulated logger as the Windows tests meet it: a process that links a
// pty into a prefix, answers, records, and cleans up when told to stop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

bool WaitUntil(const auto& condition, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A scratch prefix with its dosdevices folder, removed at the end.
class SimloggerProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvane-simlogger-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "prefix");
        fs::create_directory(root_ / "prefix" / "dosdevices");
    }

    void TearDown() override
    {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (line_ >= 0)
            close(line_);
        fs::remove_all(root_);
    }

    fs::path Link() const { return root_ / "prefix" / "dosdevices" / "com7"; }
    fs::path Ready() const { return root_ / "ready"; }

    // Starts the logger with a scenario and extra arguments; waits until ready.
    void Start(const std::string& scenario, std::vector<std::string> extra = {})
    {
        std::ofstream(root_ / "scenario", std::ios::binary) << scenario;
        std::vector<std::string> arguments = {KORVANE_SIMLOGGER,
                                              "--prefix",
                                              (root_ / "prefix").string(),
                                              "--com",
                                              "7",
                                              "--scenario",
                                              (root_ / "scenario").string(),
                                              "--record",
                                              (root_ / "record").string(),
                                              "--ready",
                                              Ready().string(),
                                              "--stop",
                                              (root_ / "stop").string()};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        child_ = fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(Ready()); }, 10s));
        ASSERT_TRUE(fs::is_symlink(Link()));
    }

    // Opens the port's far end the way Wine does: through the link, and sets
    // the line as the program does (raw, 9600 baud, 8 data bits, no parity,
    // 1 stop bit) unless told otherwise.
    void OpenLine(speed_t rate = B9600, tcflag_t framing = CS8)
    {
        line_ = open(Link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(line_, 0);
        termios settings{};
        ASSERT_EQ(tcgetattr(line_, &settings), 0);
        cfmakeraw(&settings);
        settings.c_cflag = (settings.c_cflag & static_cast<tcflag_t>(~(CSIZE | PARENB | CSTOPB))) | framing;
        cfsetispeed(&settings, rate);
        cfsetospeed(&settings, rate);
        ASSERT_EQ(tcsetattr(line_, TCSANOW, &settings), 0);
    }

    void Send(const std::string& bytes) { ASSERT_EQ(write(line_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    // Collects what the logger sends until `count` bytes came or the limit passed.
    std::string Collect(std::size_t count, std::chrono::milliseconds limit)
    {
        std::string bytes;
        WaitUntil(
            [&] {
                char buffer[512];
                const ssize_t got = read(line_, buffer, sizeof buffer);
                if (got > 0)
                    bytes.append(buffer, static_cast<std::size_t>(got));
                return bytes.size() >= count;
            },
            limit);
        return bytes;
    }

    // Whether the logger process has ended (and reaps it).
    bool Ended(std::chrono::milliseconds limit)
    {
        const bool ended = WaitUntil([&] { return waitpid(child_, nullptr, WNOHANG) == child_; }, limit);
        if (ended)
            child_ = 0;
        return ended;
    }

    std::vector<std::pair<long long, int>> Record() const
    {
        std::vector<std::pair<long long, int>> entries;
        std::ifstream file(root_ / "record");
        long long microseconds = 0;
        int byte = 0;
        while (file >> microseconds >> byte)
            entries.emplace_back(microseconds, byte);
        return entries;
    }

    fs::path root_;
    pid_t child_ = 0;
    int line_ = -1;
};

TEST_F(SimloggerProcessTest, AnswersAndRecordsEveryByteInOrder)
{
    Start("reply T \"+21.5\"\nreply M \"42\"\n");
    OpenLine();
    Send("T");
    EXPECT_EQ(Collect(5, 3s), "+21.5");
    std::this_thread::sleep_for(120ms);
    Send("M\x11?");
    EXPECT_EQ(Collect(2, 3s), "42");
    ASSERT_TRUE(WaitUntil([&] { return Record().size() == 4; }, 3s));
    const auto record = Record();
    EXPECT_EQ(record[0].second, 'T');
    EXPECT_EQ(record[1].second, 'M');
    EXPECT_EQ(record[2].second, 0x11);
    EXPECT_EQ(record[3].second, '?');
    EXPECT_GE(record[1].first - record[0].first, 100000); // the 120 ms pause, on the logger's clock
    EXPECT_LE(record[0].first, record[1].first);
}

TEST_F(SimloggerProcessTest, ALineNotSetAsTheLoggerTalksGetsNoAnswer)
{
    Start("reply T \"+21.5\"\n");
    // A pty keeps 8 data bits and no parity whatever is asked for: the rate
    // and the stop bits are what it shows.
    const std::pair<speed_t, tcflag_t> wrongLines[] = {{B38400, CS8}, {B9600, CS8 | CSTOPB}};
    for (const auto& [rate, framing] : wrongLines) {
        SCOPED_TRACE(std::to_string(rate) + " " + std::to_string(framing));
        ASSERT_NO_FATAL_FAILURE(OpenLine(rate, framing));
        Send("T");
        EXPECT_EQ(Collect(1, 500ms), "");
        close(line_);
    }
    ASSERT_NO_FATAL_FAILURE(OpenLine());
    Send("T");
    EXPECT_EQ(Collect(5, 3s), "+21.5");
    // Every byte was received, answered or not.
    EXPECT_TRUE(WaitUntil([&] { return Record().size() == 3; }, 3s));
}

TEST_F(SimloggerProcessTest, DelayHoldsTheReplyBack)
{
    Start("reply T \"t\"\ndelay T 300\n");
    OpenLine();
    const auto start = Clock::now();
    Send("T");
    EXPECT_EQ(Collect(1, 5s), "t");
    EXPECT_GE(Clock::now() - start, 290ms);
}

TEST_F(SimloggerProcessTest, LineRatePacesBytesAtTheCharacterTime)
{
    Start("pacing line-rate\nchunk 0 \"" + std::string(200, 'x') + "\"\n");
    OpenLine();
    const auto start = Clock::now();
    Send("D");
    EXPECT_EQ(Collect(200, 5s).size(), 200u);
    // 200 characters of 10 bits at 9600 baud: 208 ms at the least.
    EXPECT_GE(Clock::now() - start, 200ms);
}

TEST_F(SimloggerProcessTest, FloodKeepsSendingAtLineRateAroundTheReplies)
{
    Start("reply M \"42\"\nflood T \"ab\"\n");
    OpenLine();
    Send("M");
    EXPECT_EQ(Collect(2, 3s), "42");
    // Nothing more until the flood command.
    EXPECT_EQ(Collect(1, 200ms), "");

    Send("T");
    const auto start = Clock::now();
    const std::string flood = Collect(400, 5s);
    const auto took = Clock::now() - start;
    ASSERT_EQ(flood.substr(0, 6), "ababab");
    // 400 characters at 9600 baud take 417 ms; a line cannot go faster.
    EXPECT_GE(took, 380ms);

    // A reply still goes out, and the flood carries on after it.
    Send("M");
    const std::string after = Collect(200, 5s);
    EXPECT_NE(after.find("42"), std::string::npos) << after;
    EXPECT_GE(after.size(), 200u);
}

TEST_F(SimloggerProcessTest, FloodGoesOnWhileNobodyReads)
{
    Start("flood T \"x\"\n");
    OpenLine();
    Send("T");
    // The far end's queue fills; the logger must neither block nor stop.
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(Ended(0ms));
    Collect(1 << 20, 200ms);
    EXPECT_GE(Collect(20, 2s).size(), 20u);
}

TEST_F(SimloggerProcessTest, HangUpClosesTheLineAfterTheChunks)
{
    Start("chunk 0 \"ab\"\nhangup\n");
    OpenLine();
    Send("D");
    EXPECT_EQ(Collect(2, 3s), "ab");
    // A hung-up pty reads as an error (EIO) or as the end of the file.
    EXPECT_TRUE(WaitUntil(
        [&] {
            char byte;
            const ssize_t got = read(line_, &byte, 1);
            return got == 0 || (got < 0 && errno == EIO);
        },
        3s));
}

TEST_F(SimloggerProcessTest, StopFileRemovesTheLinkThenTheReadyFile)
{
    Start("");
    std::ofstream(root_ / "stop") << "";
    ASSERT_TRUE(Ended(5s));
    EXPECT_FALSE(fs::exists(Ready()));
    EXPECT_FALSE(fs::is_symlink(Link()));
}

TEST_F(SimloggerProcessTest, EndsWhenTheWatchedProcessEnds)
{
    const pid_t watched = fork();
    ASSERT_GE(watched, 0);
    if (watched == 0) {
        pause();
        _exit(0);
    }
    Start("", {"--watch-pid", std::to_string(watched)});
    EXPECT_FALSE(Ended(200ms));
    kill(watched, SIGKILL);
    waitpid(watched, nullptr, 0);
    ASSERT_TRUE(Ended(5s));
    EXPECT_FALSE(fs::is_symlink(Link()));
}

TEST_F(SimloggerProcessTest, EndsWhenTheWatchedLockIsReleased)
{
    const fs::path owner = root_ / "owner";
    std::ofstream(owner) << "";
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int file = open(owner.c_str(), O_RDWR);
        struct flock lock{};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_len = 1;
        fcntl(file, F_SETLK, &lock);
        const char locked = 1;
        [[maybe_unused]] const ssize_t told = write(pipeEnds[1], &locked, 1);
        pause();
        _exit(0);
    }
    char locked = 0;
    ASSERT_EQ(read(pipeEnds[0], &locked, 1), 1);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    Start("", {"--watch-lock", owner.string()});
    EXPECT_FALSE(Ended(200ms));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    ASSERT_TRUE(Ended(5s));
    EXPECT_FALSE(fs::is_symlink(Link()));
}

TEST_F(SimloggerProcessTest, EndsAfterItsLifetimeAndOnTerminate)
{
    Start("", {"--lifetime", "1"});
    ASSERT_TRUE(Ended(5s));
    EXPECT_FALSE(fs::is_symlink(Link()));

    Start("");
    kill(child_, SIGTERM);
    ASSERT_TRUE(Ended(5s));
    EXPECT_FALSE(fs::is_symlink(Link()));
}

// A newer logger took the port over: the older one must leave its link alone.
TEST_F(SimloggerProcessTest, LeavesALinkItNoLongerOwns)
{
    Start("");
    fs::remove(Link());
    fs::create_symlink("/dev/null", Link());
    kill(child_, SIGTERM);
    ASSERT_TRUE(Ended(5s));
    EXPECT_TRUE(fs::is_symlink(Link()));
}

TEST_F(SimloggerProcessTest, BadScenarioOrArgumentsFailAtOnce)
{
    std::ofstream(root_ / "scenario") << "reply T\n";
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--com", "7", "--prefix", (root_ / "prefix").string(), "--scenario",
                                   (root_ / "scenario").string()},
          std::vector<std::string>{"--com", "0", "--prefix", (root_ / "prefix").string()},
          std::vector<std::string>{"--device", "a/b", "--prefix", (root_ / "prefix").string()},
          std::vector<std::string>{"--prefix", (root_ / "prefix").string()},
          std::vector<std::string>{"--com"}}) {
        std::string command = KORVANE_SIMLOGGER;
        for (const std::string& argument : arguments)
            command += " '" + argument + "'";
        command += " 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << command;
    }
    EXPECT_FALSE(fs::is_symlink(Link()));
}

} // namespace
