#include "app/logger/memory_dump.h"

#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "base/delay.h"
#include "base/memory.h"
#include "base/strings.h"
#include "serial/port.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

DumpPhase Phase = DumpPhase::Idle;
int SilentPolls = 0;
bool MemoryRefused = false;
// The line errors the driver reported while the text came in: bytes of it
// may be lost or damaged.
std::int32_t LineErrors = 0;
// The polls since the log last showed the text, and whether the text has an
// entry in the log yet.
int PollsUnshown = 0;
bool EntryOpen = false;

// The text collected so far: Collected holds CollectedLength bytes and zeros
// after them up to its capacity. Chunks are read straight into its tail.
char* Collected = nullptr;
std::int32_t CollectedLength = 0;
std::int32_t CollectedCapacity = 0;
// The text's bytes the log shows already.
std::int32_t CollectedShown = 0;
// The text is being handed on for keeping (DumpArrived) until its end is
// told: once, however the dump ends.
bool Keeping = false;

void EndKeeping(DumpEnd end)
{
    if (Keeping)
        DumpEnded(end);
    Keeping = false;
}

void ReleaseCollected()
{
    MemFree(Collected);
    Collected = nullptr;
    CollectedLength = 0;
    CollectedCapacity = 0;
    CollectedShown = 0;
}

// Room for `more` bytes after the text and a zero after them. The block at
// least doubles when it grows, so a dump costs in proportion to its size.
bool MakeRoom(std::int32_t more)
{
    const std::int64_t needed = std::int64_t{CollectedLength} + more + 1;
    if (needed <= CollectedCapacity)
        return true;
    if (needed > INT32_MAX)
        return false;
    const std::int64_t capacity =
        std::min<std::int64_t>(INT32_MAX, std::max({needed, 2 * std::int64_t{CollectedCapacity}, std::int64_t{LargestRead}}));
    auto* block = static_cast<char*>(MemAlloc(static_cast<std::int32_t>(capacity)));
    if (!block)
        return false;
    if (Collected)
        std::memcpy(block, Collected, static_cast<std::size_t>(CollectedLength));
    MemFree(Collected);
    Collected = block;
    CollectedCapacity = static_cast<std::int32_t>(capacity);
    return true;
}

// What one poll's chunk gave the dump.
enum class Chunk {
    Text,      // appended a byte, or met the dump's first zero byte
    Nothing,   // nothing to append: no bytes, or none before a zero byte
    OnlyZeros, // after the end: zero bytes and nothing else (padding, a break)
    NoMemory,  // no room for the bytes, which stay waiting
};

// Reads one chunk of the waiting bytes and appends them to the text up to a
// zero byte; the bytes after the zero byte in this chunk are dropped. Only a
// zero byte the logger sent ends the text: a read that delivers fewer bytes
// than were counted, or none, or fails, appends what it brought, and a port
// that reports bytes it never delivers runs into the silent polls' limit. A
// port that went away fails the next count. A drain reads the same way and
// keeps nothing.
enum class Keep { Text, Nothing };

Chunk TakeChunk(std::int32_t waiting, Keep keep = Keep::Text)
{
    const std::int32_t count = std::min(waiting, LargestRead);
    if (!MakeRoom(count))
        return Chunk::NoMemory;
    char* tail = Collected + CollectedLength;
    std::int32_t delivered = PortRead(CurrentPort, tail, count);
    if (delivered < 0) {
        // Whatever a failed read left in the block is no text.
        std::memset(tail, 0, static_cast<std::size_t>(count));
        delivered = 0;
    }
    std::int32_t text = 0;
    for (; text < delivered && tail[text] != 0; ++text) {
        if (keep == Keep::Text)
            ShowProgress(text);
    }
    if (keep == Keep::Text)
        HoldProgress();
    const bool onlyZeros = text == 0 && delivered > 0 &&
                           std::all_of(tail, tail + delivered, [](char byte) { return byte == 0; });
    const std::int32_t kept = keep == Keep::Text ? text : 0;
    std::memset(tail + kept, 0, static_cast<std::size_t>(delivered - kept));
    if (Keeping)
        DumpArrived(tail, kept);
    CollectedLength += kept;
    const bool endBefore = EndSeen != 0;
    if (text < delivered)
        EndSeen = 1;
    if (text > 0 || (EndSeen && !endBefore))
        return Chunk::Text;
    return endBefore && onlyZeros ? Chunk::OnlyZeros : Chunk::Nothing;
}

// The entry is complete: lines that came meanwhile go on top of it.
void EndEntry()
{
    if (EntryOpen)
        EndLogEntry();
    EntryOpen = false;
}

// Shows the text up to `end` in the log: the first part opens the dump's
// entry on top of it, each later one goes on at the entry's end. The log
// gets an entry also when nothing came.
void ShowText(std::int32_t end)
{
    if (EntryOpen && end == CollectedShown)
        return;
    char* part = Collected ? Collected + CollectedShown : nullptr;
    const char held = Collected ? Collected[end] : 0;
    if (Collected)
        Collected[end] = 0;
    if (EntryOpen)
        ExtendLogEntry(part);
    else
        BeginLogEntry(part);
    if (Collected)
        Collected[end] = held;
    EntryOpen = true;
    CollectedShown = end;
}

// The text so far, while more may follow, so that the user sees it come in
// and the end of a long dump has no long insertion left. A last "\r" waits
// for the part after it: the log makes one line break of a "\r\n" that
// comes in one piece, and two of its halves shown apart.
void ShowArrived()
{
    PollsUnshown = 0;
    std::int32_t end = CollectedLength;
    if (end > CollectedShown && Collected[end - 1] == '\r')
        --end;
    if (end > CollectedShown)
        ShowText(end);
}

// The whole text becomes DumpText and stands complete in the log; the log
// gets it also when no copy could be had for DumpText.
void LogCollected()
{
    ShowText(CollectedLength);
    EndEntry();
    StringAssign(&DumpText, Collected);
    ReleaseCollected();
}

// A poll that brought a byte, text or the zero byte, starts the count of
// silent polls again.
void CountPoll(Chunk chunk)
{
    if (chunk == Chunk::Text) {
        SilentPolls = 0;
        MemoryRefused = false;
    } else {
        MemoryRefused = MemoryRefused || chunk == Chunk::NoMemory;
        ++SilentPolls;
    }
}

// The zero byte alone does not end the transfer: bytes still arriving after
// it belong to the text until a poll finds the line quiet, or bringing zero
// bytes only. That poll ends it at once; another pause would only keep the
// user waiting for text that is complete.
bool TransferOver(std::int32_t waiting, Chunk chunk) { return EndSeen && (waiting < 1 || chunk == Chunk::OnlyZeros); }

// Said once the dump is over, its text as it came in the log: the user
// decides whether to trust it or dump again.
void ReportLineErrors()
{
    if (LineErrors != 0)
        ReportLineError();
    LineErrors = 0;
}

std::int32_t FinishDump()
{
    const bool silent = SilentPolls >= DumpSilentPollLimit;
    EndKeeping(silent ? DumpEnd::Cut : DumpEnd::Whole);
    Phase = DumpPhase::Idle;
    LogCollected();
    ShowProgress(0);
    ReportLineErrors();
    if (silent && MemoryRefused)
        ReportNoMemory();
    else if (silent)
        ReportNoAnswer();
    return 0;
}

// The port went away under the dump: what came stays in the log, and the
// port is handled as under any command. One that came back at once still
// lost the rest of a text cut short: that is said as for a silent logger.
std::int32_t LosePort()
{
    EndKeeping(EndSeen ? DumpEnd::Whole : DumpEnd::Cut);
    Phase = DumpPhase::Idle;
    LogCollected();
    ShowProgress(0);
    if (RecoverPort() && !EndSeen)
        ReportNoAnswer();
    return 0;
}

std::int32_t CollectStep()
{
    // The poll after the limit was reached: the pause after the last silent
    // poll has passed.
    if (SilentPolls >= DumpSilentPollLimit)
        return FinishDump();
    std::int32_t errors = 0;
    const std::int32_t waiting = PortInputCount(CurrentPort, errors);
    LineErrors |= errors;
    const Chunk chunk = waiting > 0 ? TakeChunk(waiting) : Chunk::Nothing;
    if (waiting < 0)
        return LosePort();
    if (TransferOver(waiting, chunk))
        return FinishDump();
    CountPoll(chunk);
    if (++PollsUnshown >= DumpShowEvery || LogPrefersShortParts(EntryOpen))
        ShowArrived();
    return DumpPollInterval;
}

// Drops what the logger still sends of a stopped dump's text, until it has
// passed as a dump would have collected it: a quiet poll after the zero
// byte, or the silent polls' limit when no zero byte comes. The logger's
// pauses within the text would otherwise end the drain early, and the rest
// of the text lead the next reply.
std::int32_t DrainStep()
{
    // The text drained is dropped, so its line errors do not matter.
    std::int32_t droppedErrors = 0;
    const std::int32_t waiting = PortInputCount(CurrentPort, droppedErrors);
    const Chunk chunk = waiting > 0 ? TakeChunk(waiting, Keep::Nothing) : Chunk::Nothing;
    CountPoll(chunk);
    if (waiting < 0 || TransferOver(waiting, chunk) || SilentPolls >= DumpSilentPollLimit) {
        ReleaseCollected();
        Phase = DumpPhase::Idle;
        // What stands in the log of a stopped dump came before the drain.
        ReportLineErrors();
        return 0;
    }
    return DumpPollInterval;
}

} // namespace

DumpPhase DumpCurrentPhase() { return Phase; }

std::int32_t DumpStart()
{
    if (!RequirePort())
        return 0;
    ClearStaleInput();
    if (!WriteToLogger("D"))
        return 0;
    ReleaseCollected();
    StringAssign(&DumpText, nullptr);
    EndSeen = 0;
    SilentPolls = 0;
    MemoryRefused = false;
    LineErrors = 0;
    PollsUnshown = 0;
    EntryOpen = false;
    Phase = DumpPhase::Collecting;
    Keeping = true;
    DumpBegan();
    return WaitAfterDump;
}

std::int32_t DumpStep()
{
    switch (Phase) {
    case DumpPhase::Collecting:
        return CollectStep();
    case DumpPhase::Draining:
        return DrainStep();
    case DumpPhase::Idle:
        break;
    }
    return 0;
}

std::int32_t DumpStop(const char* marker)
{
    if (Phase != DumpPhase::Collecting)
        return 0;
    std::int32_t errors = 0;
    const std::int32_t waiting = PortInputCount(CurrentPort, errors);
    LineErrors |= errors;
    if (waiting > 0)
        TakeChunk(waiting);
    EndKeeping(DumpEnd::Stopped);
    LogCollected();
    AddToLog(marker);
    ShowProgress(0);
    SilentPolls = 0;
    Phase = DumpPhase::Draining;
    return DumpPollInterval;
}

void DumpEndNow()
{
    if (Phase == DumpPhase::Collecting) {
        LogCollected();
        ShowProgress(0);
    }
    DumpAbandon();
}

void DumpAbandon()
{
    EndKeeping(DumpEnd::Cut);
    EndEntry();
    LineErrors = 0;
    ReleaseCollected();
    Phase = DumpPhase::Idle;
}

void RunDump()
{
    for (std::int32_t wait = DumpStart(); wait > 0; wait = DumpStep())
        SleepMilliseconds(wait);
}
