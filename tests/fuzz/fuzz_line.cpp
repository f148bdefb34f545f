#include "fuzz_line.h"

#include "app/logger/logger_protocol.h"
#include "app/logger/memory_dump.h"
#include "base/delay.h"
#include "fuzz_check.h"
#include "fuzz_input.h"

#include <algorithm>
#include <deque>

namespace {

constexpr const char* Target = "protocol";

// Bytes one run may bring in all. Keeps each run short, as the dump appends
// byte by byte; a flood still exceeds one read of LargestRead.
constexpr std::size_t ArrivalBudget = 6144;
constexpr std::size_t FloodUnit = 320;

// A line that has gone quiet for good lets the dump end within its silence
// limit, plus the polls needed to drain what still waits, plus the waits left
// in the sequence under way.
constexpr std::size_t QuietSleepAllowance = DumpSilentPollLimit + 8;

FuzzInput* Input = nullptr;
std::deque<char> Waiting;
std::size_t Arrived = 0;
std::size_t QuietSleeps = 0;
std::size_t WaitingWhenQuiet = 0;
bool Quiet = false;

std::vector<LinePoll> Polls;
std::string Written;
std::vector<std::int32_t> Sleeps;

void CheckPort(PortHandle port) { FuzzCheck(port == FuzzLinePort(), Target, "the line was used through another handle"); }

void Arrive(const std::string& bytes)
{
    std::size_t room = ArrivalBudget - Arrived;
    std::size_t count = std::min(bytes.size(), room);
    Waiting.insert(Waiting.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
    Arrived += count;
}

void ArriveDuringSleep()
{
    std::uint8_t decision = Input->Byte();
    if (decision >= 0x40 && decision < 0xE0)
        Arrive(Input->Bytes(decision - 0x40 + 1u));
    else if (decision >= 0xE0 && decision < 0xF0)
        Arrive(std::string((decision - 0xE0 + 1u) * FloodUnit, static_cast<char>(Input->Byte())));
}

std::int32_t DecideCount()
{
    const auto truth = static_cast<std::int32_t>(Waiting.size());
    std::uint8_t decision = Input->Byte();
    if (decision < 0xC0)
        return truth;
    // A count below zero says that the port went away, which these runs do
    // not play: every other value.
    if (decision < 0xE0)
        return std::max(0, truth + (decision - 0xC0) - 8);
    if (decision < 0xF0)
        return Input->Number<std::int32_t>() & 0x7FFFFFFF;
    return 0;
}

// How many of the requested bytes the read delivers.
std::int32_t DecideDelivery(std::int32_t requested)
{
    const auto available = static_cast<std::int32_t>(std::min<std::size_t>(Waiting.size(), static_cast<std::size_t>(requested)));
    std::uint8_t decision = Input->Byte();
    if (decision < 0xC0)
        return available;
    if (decision < 0xE0)
        return std::min(available, decision - 0xC0);
    return 0;
}

} // namespace

void FuzzLineStart(FuzzInput* input)
{
    Input = input;
    Waiting.clear();
    Arrived = 0;
    QuietSleeps = 0;
    WaitingWhenQuiet = 0;
    Quiet = false;
    FuzzLineClearRecord();
}

PortHandle FuzzLinePort()
{
    if constexpr (sizeof(PortHandle) > 4)
        return static_cast<PortHandle>(0x6B6B000000004321ull);
    return 0x4321;
}

void FuzzLineClearRecord()
{
    Polls.clear();
    Written.clear();
    Sleeps.clear();
}

const std::vector<LinePoll>& FuzzLinePolls() { return Polls; }
const std::string& FuzzLineWritten() { return Written; }
const std::vector<std::int32_t>& FuzzLineSleeps() { return Sleeps; }

std::int32_t PortWriteCount(PortHandle port, const void* bytes, std::int32_t length)
{
    CheckPort(port);
    FuzzCheck(length == 1, Target, "a command is written as exactly one byte");
    Written.append(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
    return length;
}

std::int32_t PortDiscardInput(PortHandle port)
{
    CheckPort(port);
    Waiting.clear();
    return 1;
}

std::int32_t PortDiscardOutput(PortHandle port)
{
    CheckPort(port);
    return 1;
}

std::int32_t PortClose(PortHandle port)
{
    CheckPort(port);
    return 1;
}

std::int32_t PortInputCount(PortHandle port, std::int32_t& lineErrors)
{
    CheckPort(port);
    lineErrors = 0;
    LinePoll poll;
    poll.reported = DecideCount();
    Polls.push_back(poll);
    return poll.reported;
}

std::int32_t PortRead(PortHandle port, void* buffer, std::int32_t length)
{
    CheckPort(port);
    FuzzCheck(!Polls.empty() && !Polls.back().read, Target, "a read without a count before it");
    LinePoll& poll = Polls.back();
    FuzzCheck(length > 0 && length <= poll.reported, Target, "a read asks for more than the line said was waiting");
    FuzzCheck(length <= LargestRead, Target, "a read asks for more than the largest read");
    poll.read = true;
    poll.requested = length;
    std::int32_t delivered = DecideDelivery(length);
    poll.delivered.assign(Waiting.begin(), Waiting.begin() + delivered);
    Waiting.erase(Waiting.begin(), Waiting.begin() + delivered);
    std::copy(poll.delivered.begin(), poll.delivered.end(), static_cast<char*>(buffer));
    return delivered;
}

// The sleeps alone move the clock.
std::int64_t MonotonicMilliseconds()
{
    std::int64_t slept = 0;
    for (std::int32_t sleep : Sleeps)
        slept += sleep;
    return slept;
}

void SleepMilliseconds(std::int32_t milliseconds)
{
    Sleeps.push_back(milliseconds);
    if (!Quiet && Input->Exhausted()) {
        Quiet = true;
        WaitingWhenQuiet = Waiting.size();
    }
    if (Quiet) {
        ++QuietSleeps;
        FuzzCheck(QuietSleeps <= QuietSleepAllowance + WaitingWhenQuiet / LargestRead, Target,
                  "the program keeps waiting on a line that has gone quiet for good");
        return;
    }
    ArriveDuringSleep();
}
