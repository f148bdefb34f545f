#include "app/logger/memory_dump.h"

#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "base/delay.h"
#include "base/memory.h"
#include "base/strings.h"
#include "base/text_expression.h"
#include "serial/port.h"

#include <algorithm>

namespace {

// What one poll's chunk gave the dump.
enum class Chunk { Taken, Nothing, NoMemory };

// Reads one chunk of the waiting bytes and appends them to DumpText up to a
// zero byte; the bytes after the zero byte in this chunk are dropped. Without
// a block the bytes stay waiting for the next poll.
Chunk TakeChunk(std::int32_t waiting)
{
    std::int32_t count = std::min(waiting, LargestRead);
    auto* block = static_cast<unsigned char*>(MemAlloc(count));
    if (!block)
        return Chunk::NoMemory;
    // The read does not say how many bytes it delivered, and bytes it does
    // not deliver read as zero. So a chunk counts as taken only when it
    // appended a byte or met the dump's first zero byte: a port that keeps
    // reporting bytes it never delivers must not keep the dump alive.
    bool taken = false;
    if (!PortRead(CurrentPort, block, count)) {
        // A failed read ends the text as its zeroed block would.
        EndSeen = 1;
    } else {
        for (std::int32_t i = 0; i < count; ++i) {
            std::int32_t byte = MemReadByte(block + i);
            if (byte == 0) {
                taken = taken || !EndSeen;
                EndSeen = 1;
                break;
            }
            StoreText(DumpCharacter, TextStart() + TextOfChar(byte));
            StoreText(DumpText, TextStart() + DumpText + DumpCharacter);
            ShowProgress(i);
            taken = true;
        }
        HoldProgress();
    }
    MemFree(block);
    return taken ? Chunk::Taken : Chunk::Nothing;
}

} // namespace

void RunDump()
{
    if (!RequirePort() || !SendToLogger("D", WaitAfterDump))
        return;
    StoreText(DumpText, TextStart());
    StoreText(DumpCharacter, TextStart());
    EndSeen = 0;

    int emptyPolls = 0;
    bool memoryRefused = false;
    bool portGone = false;
    for (;;) {
        std::int32_t waiting = PortInputCount(CurrentPort);
        if (waiting < 0) {
            portGone = true;
            break;
        }
        Chunk chunk = waiting > 0 ? TakeChunk(waiting) : Chunk::Nothing;
        // The zero byte alone does not end the dump: bytes still arriving
        // after it belong to the text until a poll finds the line quiet. That
        // poll ends it at once; another pause would only keep the user
        // waiting for text that is complete.
        if (EndSeen && waiting < 1)
            break;
        SleepMilliseconds(DumpPollInterval);
        if (chunk == Chunk::Taken) {
            emptyPolls = 0;
            memoryRefused = false;
            continue;
        }
        memoryRefused = memoryRefused || chunk == Chunk::NoMemory;
        if (++emptyPolls >= DumpSilentPollLimit)
            break;
    }
    AddToLog(DumpText);
    ShowProgress(0);
    if (portGone) {
        // A port that came back at once still lost the rest of a text cut
        // short: that is said as for a silent logger.
        if (RecoverPort() && !EndSeen)
            ReportNoAnswer();
        return;
    }
    if (emptyPolls < DumpSilentPollLimit)
        return;
    if (memoryRefused)
        ReportNoMemory();
    else
        ReportNoAnswer();
}
