#include "app/memory_dump.h"

#include "app/logger_effects.h"
#include "app/logger_protocol.h"
#include "app/logger_state.h"
#include "base/delay.h"
#include "base/memory.h"
#include "base/strings.h"
#include "base/text_expression.h"
#include "serial/port.h"

#include <algorithm>

namespace {

// Reads one chunk of the waiting bytes and appends them to DumpText up to a
// zero byte; the bytes after the zero byte in this chunk are dropped. False
// when no block could be had: the bytes then stay waiting for the next poll.
bool TakeChunk(std::int32_t waiting)
{
    std::int32_t count = std::min(waiting, LargestRead);
    auto* block = static_cast<unsigned char*>(MemAlloc(count));
    if (!block)
        return false;
    // Bytes the read does not deliver stay zero and so end the dump's text.
    PortRead(CurrentPort, block, count);
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t byte = MemReadByte(block + i);
        if (byte == 0) {
            EndSeen = 1;
            break;
        }
        StoreText(DumpCharacter, TextStart() + TextOfChar(byte));
        StoreText(DumpText, TextStart() + DumpText + DumpCharacter);
        ShowProgress(i);
    }
    MemFree(block);
    return true;
}

} // namespace

void RunDump()
{
    if (!RequirePort())
        return;
    SendCommand("D", WaitAfterDump);
    StoreText(DumpText, TextStart());
    StoreText(DumpCharacter, TextStart());
    EndSeen = 0;

    int silentPolls = 0;
    bool loggerSilent = false;
    for (;;) {
        std::int32_t waiting = PortInputCount(CurrentPort);
        bool taken = waiting > 0 && TakeChunk(waiting);
        // The zero byte alone does not end the dump: bytes still arriving
        // after it belong to the text until a poll finds the line quiet. That
        // poll ends it at once; another pause would only keep the user
        // waiting for text that is complete.
        if (EndSeen && waiting < 1)
            break;
        SleepMilliseconds(DumpPollInterval);
        // After the zero byte the limit can only stop a dump whose waiting
        // bytes never get a block; that is no silence of the logger.
        silentPolls = taken ? 0 : silentPolls + 1;
        if (silentPolls >= DumpSilentPollLimit) {
            loggerSilent = !EndSeen;
            break;
        }
    }
    AddToLog(DumpText);
    ShowProgress(0);
    if (loggerSilent)
        ReportNoAnswer();
}
