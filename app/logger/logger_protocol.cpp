#include "app/logger/logger_protocol.h"

#include "app/logger/logger_effects.h"
#include "app/logger/logger_state.h"
#include "base/delay.h"
#include "base/memory.h"
#include "base/strings.h"
#include "base/text_expression.h"
#include "serial/port.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

struct IntervalName {
    const char* reply;
    const char* shown;
};

// Matched exactly and over the whole reply: "1" followed by a line break is
// not an interval code.
constexpr std::array<IntervalName, 3> IntervalNames{{
    {"1", "Minut"},
    {"2", "Hour"},
    {"3", "Day"},
}};

void ClosePort()
{
    if (CurrentPort != 0)
        PortClose(CurrentPort);
    CurrentPort = 0;
}

// The port is gone for good: no port stays open, the user is told once, and
// the caller ends its sequence.
bool DropPort()
{
    ClosePort();
    PortLost = true;
    ReportPortLost();
    return false;
}

// One command and, when asked, its reply. False when the port went away: the
// sequence ends there, with the port opened anew when it came back.
bool Exchange(const char* letter, std::int32_t milliseconds, bool withReply)
{
    if (!SendToLogger(letter, milliseconds))
        return false;
    if (!withReply || ReadReply())
        return true;
    // The reply went with the old port, and the command may have reached the
    // logger: it is not sent twice.
    RecoverPort();
    return false;
}

bool Query(const char* letter, std::int32_t milliseconds) { return Exchange(letter, milliseconds, true); }

bool QueryMemory()
{
    if (!Query("M", WaitAfterMemory))
        return false;
    ShowInMemoryField(ReplyText);
    return true;
}

bool QueryReading()
{
    if (!Query("T", WaitAfterReading))
        return false;
    ShowInReadingField(ReplyText);
    return true;
}

bool QueryInterval()
{
    if (!Query("L", WaitAfterInterval))
        return false;
    ShowInterval();
    return true;
}

} // namespace

bool ReopenLostPort()
{
    if (CurrentPort == 0 && PortLost && ReopenPort())
        PortLost = false;
    return CurrentPort != 0;
}

bool RecoverPort()
{
    ClosePort();
    return ReopenPort() || DropPort();
}

bool WriteToLogger(const char* letter)
{
    if (WriteCommand(letter))
        return true;
    // The command never left: it goes out again on the port opened anew.
    return RecoverPort() && (WriteCommand(letter) || DropPort());
}

bool SendToLogger(const char* letter, std::int32_t milliseconds)
{
    if (!WriteToLogger(letter))
        return false;
    SleepMilliseconds(milliseconds);
    return true;
}

bool RequirePort()
{
    if (ReopenLostPort())
        return true;
    ReportNoPort();
    return false;
}

bool WriteCommand(const char* letter)
{
    StoreText(CommandText, TextStart() + letter);
    return !CommandText || PortWrite(CurrentPort, CommandText, 1);
}

bool SendCommand(const char* letter, std::int32_t milliseconds)
{
    if (!WriteCommand(letter))
        return false;
    SleepMilliseconds(milliseconds);
    return true;
}

bool ReadReply()
{
    std::int32_t waiting = PortInputCount(CurrentPort);
    if (waiting < 0)
        return false;
    if (waiting == 0) {
        StoreText(ReplyText, TextStart() + " ");
        return true;
    }
    std::int32_t count = std::min(waiting, LargestRead);
    // One byte more than is read, so that what the read delivered is always
    // followed by a zero in the block, also when the logger sent none.
    auto* block = static_cast<char*>(MemAlloc(count + 1));
    if (!block)
        return true;
    block[PortRead(CurrentPort, block, count)] = 0;
    StoreText(ReplyText, TextStart() + TextOfMemory(block));
    MemFree(block);
    return true;
}

void ShowInterval()
{
    for (const IntervalName& interval : IntervalNames) {
        if (StringEquals(ReplyText, interval.reply)) {
            ShowInIntervalField(interval.shown);
            return;
        }
    }
}

void QueryLoggerAtStartup()
{
    // Each query is guarded on its own; a port that went away ends them all.
    for (bool (*query)() : {QueryMemory, QueryReading, QueryInterval}) {
        if (RequirePort() && !query())
            return;
    }
}

void ReadSequence()
{
    if (!RequirePort() || !QueryReading())
        return;
    AddToLog(ReplyText);
    if (QueryMemory())
        QueryInterval();
}

void WriteSequence()
{
    if (!RequirePort())
        return;
    // Whatever the logger answers to "W" stays waiting and leads the reply to "M".
    if (!SendToLogger("W", WaitAfterWrite) || !QueryMemory() || !QueryReading())
        return;
    AddToLog(ReplyText);
}

void FormatSequence()
{
    if (!RequirePort() || !ConfirmFormat() || !Query("F", WaitAfterFormat))
        return;
    AddToLog(ReplyText);
    QueryMemory();
}

void StepIntervalSequence()
{
    if (!RequirePort() || !Query("+", WaitAfterStep))
        return;
    ShowInterval();
}
