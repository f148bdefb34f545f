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

void Query(const char* letter, std::int32_t milliseconds)
{
    SendCommand(letter, milliseconds);
    ReadReply();
}

void QueryMemory()
{
    Query("M", WaitAfterMemory);
    ShowInMemoryField(ReplyText);
}

void QueryReading()
{
    Query("T", WaitAfterReading);
    ShowInReadingField(ReplyText);
}

void QueryInterval()
{
    Query("L", WaitAfterInterval);
    ShowInterval();
}

} // namespace

bool RequirePort()
{
    if (CurrentPort != 0)
        return true;
    ReportNoPort();
    return false;
}

void WriteCommand(const char* letter)
{
    StoreText(CommandText, TextStart() + letter);
    if (CommandText)
        PortWrite(CurrentPort, CommandText, 1);
}

void SendCommand(const char* letter, std::int32_t milliseconds)
{
    WriteCommand(letter);
    SleepMilliseconds(milliseconds);
}

void ReadReply()
{
    std::int32_t waiting = PortInputCount(CurrentPort);
    if (waiting <= 0) {
        StoreText(ReplyText, TextStart() + " ");
        return;
    }
    std::int32_t count = std::min(waiting, LargestRead);
    // One byte more than is read, so that what the read delivered is always
    // followed by a zero in the block, also when the logger sent none.
    auto* block = static_cast<char*>(MemAlloc(count + 1));
    if (!block)
        return;
    block[PortRead(CurrentPort, block, count)] = 0;
    StoreText(ReplyText, TextStart() + TextOfMemory(block));
    MemFree(block);
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
    if (RequirePort())
        QueryMemory();
    if (RequirePort())
        QueryReading();
    if (RequirePort())
        QueryInterval();
}

void ReadSequence()
{
    if (!RequirePort())
        return;
    QueryReading();
    AddToLog(ReplyText);
    QueryMemory();
    QueryInterval();
}

void WriteSequence()
{
    if (!RequirePort())
        return;
    // Whatever the logger answers to "W" stays waiting and leads the reply to "M".
    SendCommand("W", WaitAfterWrite);
    QueryMemory();
    QueryReading();
    AddToLog(ReplyText);
}

void FormatSequence()
{
    if (!RequirePort())
        return;
    Query("F", WaitAfterFormat);
    AddToLog(ReplyText);
    QueryMemory();
}

void StepIntervalSequence()
{
    if (!RequirePort())
        return;
    Query("+", WaitAfterStep);
    ShowInterval();
}
