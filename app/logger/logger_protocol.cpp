#include "app/logger/logger_protocol.h"

#include "app/logger/logger_effects.h"
#include "app/logger/logger_state.h"
#include "app/logger/watch_reply.h"
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

// True while the fields are asked for again after a lost reply: a reply lost
// then ends the sequence as any other, with no second round.
bool AskingAgain = false;

void AskFieldsAgain();

// One command and, when asked, its reply. False when the port went away: the
// sequence ends there, with the port opened anew when it came back.
bool Exchange(const char* letter, std::int32_t milliseconds, bool withReply)
{
    if (!SendToLogger(letter, milliseconds))
        return false;
    const ReplyRead read = withReply ? ReadReply() : ReplyRead::Taken;
    if (read == ReplyRead::Taken)
        return true;
    if (read == ReplyRead::NoMemory) {
        ReportNoMemory();
        return false;
    }
    // The reply went with the old port, and the command may have reached the
    // logger ("+", "W" and "F" change what it holds): it is not sent twice.
    // On the port opened anew the logger is asked, once, for the interval and
    // memory it holds now, so that the fields do not show what it held before.
    if (RecoverPort() && !AskingAgain)
        AskFieldsAgain();
    return false;
}

// The fields as the logger holds them now, after a reply was lost with the
// port: no guard, the port has just come back.
constexpr std::array<CommandStep, 2> FieldsAskedAgain{AskInterval, AskMemory};

void ShowReply(const CommandStep& step)
{
    switch (step.shown) {
    case ReplyShown::Nowhere: break;
    case ReplyShown::ReadingField: ShowInReadingField(ReplyText); break;
    case ReplyShown::MemoryField: ShowInMemoryField(ReplyText); break;
    case ReplyShown::IntervalField: ShowInterval(); break;
    }
    if (step.logged)
        AddToLog(ReplyText);
}

// False when the port went away: the sequence ends there.
bool RunStep(const CommandStep& step)
{
    if (!Exchange(step.letter, step.wait, step.readsReply))
        return false;
    ShowReply(step);
    return true;
}

void AskFieldsAgain()
{
    AskingAgain = true;
    for (const CommandStep& step : FieldsAskedAgain)
        if (!RunStep(step))
            break;
    AskingAgain = false;
}

// CommandText becomes the letter. False when no block could be had for it:
// CommandText then still holds an earlier letter, which must not go out in
// its place.
bool StoreCommand(const char* letter)
{
    StoreText(CommandText, TextStart() + letter);
    return StringEquals(CommandText, letter) != 0;
}

// A write the driver reports as not sent goes out once more; one it reports
// sent never does, whatever the call said, since "+", "W", "F" and "D" change
// what the logger holds. Before the second try the output queue is emptied,
// so a byte the driver still held from the first cannot follow it. A driver
// set to abort on errors fails every transfer after a line error until the
// status query has reported it: the query clears it, and its line errors are
// those of input that came before this command, which nobody reads now. A
// port that no longer answers the query went away.
bool WriteStoredCommand()
{
    if (PortWriteCount(CurrentPort, CommandText, 1) == 1)
        return true;
    std::int32_t staleErrors = 0;
    if (PortInputCount(CurrentPort, staleErrors) < 0)
        return false;
    PortDiscardOutput(CurrentPort);
    return PortWriteCount(CurrentPort, CommandText, 1) == 1;
}

} // namespace

bool ReopenLostPort()
{
    if (CurrentPort == 0 && (PortLost || PortRemoved) && ReopenPort())
        PortLost = PortRemoved = false;
    return CurrentPort != 0;
}

bool RecoverPort()
{
    ClosePort();
    PortRemoved = false;
    return AwaitPortReturn() || DropPort();
}

bool WriteToLogger(const char* letter)
{
    if (!StoreCommand(letter)) {
        ReportNoMemory();
        return false;
    }
    if (WriteStoredCommand())
        return true;
    // The command never left: it goes out again on the port opened anew.
    return RecoverPort() && (WriteStoredCommand() || DropPort());
}

bool SendToLogger(const char* letter, std::int32_t milliseconds)
{
    if (!WriteToLogger(letter))
        return false;
    WaitForReply(milliseconds);
    return true;
}

bool RequirePort()
{
    // Closed when the system reported it removed: the command finds it gone
    // as it would under its own write.
    if (PortRemoved)
        return RecoverPort();
    if (ReopenLostPort())
        return true;
    ReportNoPort();
    return false;
}

bool WriteCommand(const char* letter) { return StoreCommand(letter) && WriteStoredCommand(); }

bool SendCommand(const char* letter, std::int32_t milliseconds)
{
    if (!WriteCommand(letter))
        return false;
    WaitForReply(milliseconds);
    return true;
}

void ClearStaleInput()
{
    WatchReplyFinishNow();
    PortDiscardInput(CurrentPort);
}

ReplyRead ReadReply()
{
    // A command's reply is shown as it came, also after a line error: the
    // user reads it and can ask again. Only a dump and a watch, whose texts
    // are kept, judge them.
    std::int32_t lineErrors = 0;
    std::int32_t waiting = PortInputCount(CurrentPort, lineErrors);
    if (waiting < 0)
        return ReplyRead::PortGone;
    if (waiting == 0) {
        StoreText(ReplyText, TextStart() + " ");
        return ReplyRead::Taken;
    }
    std::int32_t count = std::min(waiting, LargestRead);
    // One byte more than is read, so that what the read delivered is always
    // followed by a zero in the block, also when the logger sent none.
    auto* block = static_cast<char*>(MemAlloc(count + 1));
    if (!block) {
        StringAssign(&ReplyText, nullptr);
        return ReplyRead::NoMemory;
    }
    // A failed read is a port gone, as a failed count is: never an empty reply.
    const std::int32_t delivered = PortRead(CurrentPort, block, count);
    if (delivered >= 0) {
        block[delivered] = 0;
        StoreText(ReplyText, TextStart() + TextOfMemory(block));
    }
    MemFree(block);
    return delivered >= 0 ? ReplyRead::Taken : ReplyRead::PortGone;
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

void RunSequence(const CommandSequence& sequence)
{
    if (sequence.guard == PortGuard::Once && !RequirePort())
        return;
    if (sequence.confirmFirst && !ConfirmFormat())
        return;
    bool started = false;
    for (const CommandStep& step : sequence.steps) {
        if (!step.letter)
            return;
        // A step guarded on its own is left out without a port; a port that
        // went away ends the sequence.
        if (sequence.guard == PortGuard::EachStep && !RequirePort())
            continue;
        if (!started)
            ClearStaleInput();
        started = true;
        if (!RunStep(step))
            return;
    }
}
