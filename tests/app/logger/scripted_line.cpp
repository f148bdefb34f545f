#include "scripted_line.h"

#include "base/delay.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>

namespace {

struct Arrival {
    std::int64_t at;
    std::string bytes;
    bool damaged;
};

struct Answer {
    std::int64_t delay;
    std::string reply;
};

constexpr std::int64_t DefaultRunawayLimit = 60 * 60 * 1000;

std::int64_t now = 0;
std::int64_t runawayLimit = DefaultRunawayLimit;
std::vector<Arrival> scheduled; // kept in order of arrival time, ties in script order
std::deque<unsigned char> waiting;
std::map<unsigned char, std::deque<Answer>> answers;
std::deque<std::int32_t> reportedCounts;
int failingReads = 0;
bool lineError = false;
std::optional<WriteTimeOut> nextWriteTimesOut;
std::optional<unsigned char> queuedOut;
int misdirected = 0;

std::vector<WrittenByte> written;
std::vector<std::int32_t> sleeps;
std::vector<std::int64_t> pollTimes;
std::vector<LineRead> reads;
std::vector<std::int64_t> inputDiscards;

void Schedule(std::int64_t at, std::string_view bytes, bool damaged = false)
{
    auto later = std::upper_bound(scheduled.begin(), scheduled.end(), at,
                                  [](std::int64_t time, const Arrival& a) { return time < a.at; });
    scheduled.insert(later, Arrival{at, std::string(bytes), damaged});
}

void DeliverDueArrivals()
{
    auto due = scheduled.begin();
    for (; due != scheduled.end() && due->at <= now; ++due) {
        waiting.insert(waiting.end(), due->bytes.begin(), due->bytes.end());
        lineError = lineError || due->damaged;
    }
    scheduled.erase(scheduled.begin(), due);
}

// The byte reaches the logger, which answers it as scripted.
void Transmit(unsigned char byte)
{
    written.push_back(WrittenByte{now, byte});
    auto found = answers.find(byte);
    if (found != answers.end() && !found->second.empty()) {
        Schedule(now + found->second.front().delay, found->second.front().reply);
        found->second.pop_front();
    }
}

void SendQueued()
{
    if (queuedOut)
        Transmit(*queuedOut);
    queuedOut.reset();
}

bool IsScriptedPort(PortHandle port)
{
    if (port == ScriptedPort())
        return true;
    ++misdirected;
    return false;
}

} // namespace

PortHandle ScriptedPort()
{
    if constexpr (sizeof(PortHandle) > 4)
        return static_cast<PortHandle>(0x5A5A000000001234ull);
    return 0x1234;
}

void LineReset()
{
    now = 0;
    runawayLimit = DefaultRunawayLimit;
    scheduled.clear();
    waiting.clear();
    answers.clear();
    reportedCounts.clear();
    failingReads = 0;
    lineError = false;
    nextWriteTimesOut.reset();
    queuedOut.reset();
    misdirected = 0;
    written.clear();
    sleeps.clear();
    pollTimes.clear();
    reads.clear();
    inputDiscards.clear();
}

std::int64_t LineNow() { return now; }

void LineSetRunawayLimit(std::int64_t milliseconds) { runawayLimit = milliseconds; }

void LineArriveAt(std::int64_t at, std::string_view bytes) { Schedule(at, bytes); }

void LineArriveDamagedAt(std::int64_t at, std::string_view bytes) { Schedule(at, bytes, true); }

void LineAnswer(char command, std::int64_t delay, std::string_view reply)
{
    answers[static_cast<unsigned char>(command)].push_back(Answer{delay, std::string(reply)});
}

void LineReportCounts(const std::vector<std::int32_t>& counts)
{
    reportedCounts.insert(reportedCounts.end(), counts.begin(), counts.end());
}

void LineFailReads(int count) { failingReads = count; }

void LineRaiseError() { lineError = true; }

void LineTimeOutNextWrite(WriteTimeOut kind) { nextWriteTimesOut = kind; }

const std::vector<WrittenByte>& LineWritten() { return written; }

std::string LineWrittenText()
{
    std::string text;
    for (const WrittenByte& w : written)
        text += static_cast<char>(w.byte);
    return text;
}

const std::vector<std::int32_t>& LineSleeps() { return sleeps; }
const std::vector<std::int64_t>& LinePollTimes() { return pollTimes; }
const std::vector<LineRead>& LineReads() { return reads; }
const std::vector<std::int64_t>& LineInputDiscards() { return inputDiscards; }

std::int32_t LineWaiting()
{
    DeliverDueArrivals();
    return static_cast<std::int32_t>(waiting.size());
}

int LineMisdirectedCalls() { return misdirected; }

// The serial library's operations as the line plays them.

std::int32_t PortWriteCount(PortHandle port, const void* bytes, std::int32_t length)
{
    if (!IsScriptedPort(port) || lineError || length < 1)
        return 0;
    SendQueued();
    const auto* data = static_cast<const unsigned char*>(bytes);
    if (nextWriteTimesOut) {
        const WriteTimeOut kind = *nextWriteTimesOut;
        nextWriteTimesOut.reset();
        if (kind == WriteTimeOut::ByteQueued)
            queuedOut = data[0];
        if (kind != WriteTimeOut::ByteSent)
            return 0;
        Transmit(data[0]);
        return 1;
    }
    for (std::int32_t i = 0; i < length; ++i)
        Transmit(data[i]);
    return length;
}

std::int32_t PortDiscardInput(PortHandle port)
{
    if (!IsScriptedPort(port))
        return 0;
    DeliverDueArrivals();
    waiting.clear();
    lineError = false;
    inputDiscards.push_back(now);
    return 1;
}

std::int32_t PortDiscardOutput(PortHandle port)
{
    if (!IsScriptedPort(port))
        return 0;
    queuedOut.reset();
    return 1;
}

std::int32_t PortClose(PortHandle port) { return IsScriptedPort(port) ? 1 : 0; }

std::int32_t PortInputCount(PortHandle port, std::int32_t& lineErrors)
{
    lineErrors = 0;
    if (!IsScriptedPort(port))
        return 0;
    DeliverDueArrivals();
    pollTimes.push_back(now);
    if (lineError)
        lineErrors = PortErrorOverrun;
    lineError = false;
    if (!reportedCounts.empty()) {
        std::int32_t count = reportedCounts.front();
        reportedCounts.pop_front();
        return count;
    }
    return static_cast<std::int32_t>(waiting.size());
}

std::int32_t PortRead(PortHandle port, void* buffer, std::int32_t length)
{
    if (!IsScriptedPort(port))
        return 0;
    DeliverDueArrivals();
    if (failingReads > 0) {
        --failingReads;
        reads.push_back(LineRead{now, length, 0});
        return -1;
    }
    std::size_t count = std::min(waiting.size(), static_cast<std::size_t>(std::max(length, 0)));
    std::copy_n(waiting.begin(), count, static_cast<unsigned char*>(buffer));
    waiting.erase(waiting.begin(), waiting.begin() + static_cast<std::ptrdiff_t>(count));
    reads.push_back(LineRead{now, length, static_cast<std::int32_t>(count)});
    return static_cast<std::int32_t>(count);
}

std::int64_t MonotonicMilliseconds() { return now; }

void SleepMilliseconds(std::int32_t milliseconds)
{
    SendQueued();
    sleeps.push_back(milliseconds);
    if (milliseconds > 0)
        now += milliseconds;
    if (now > runawayLimit)
        throw LineRunaway();
}
