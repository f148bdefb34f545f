#include "app/logger/watch_reply.h"

#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "base/delay.h"
#include "base/memory.h"
#include "base/strings.h"
#include "base/text_expression.h"
#include "serial/port.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

enum class Phase : std::uint8_t { Idle, Reading, Finished };

Phase Current = Phase::Idle;
// How a reading finished before its owner's next step.
WatchReplyOutcome FinishedAs = WatchReplyOutcome::Abandoned;
PortHandle ReadingPort = 0;
std::int64_t SentAt = 0;
std::int64_t LastByteAt = 0;
bool ByteSeen = false;
std::int32_t LineErrors = 0;
std::array<char, WatchReplyLongestText + 1> Text{};
std::int32_t TextLength = 0;
bool TextEnded = false;

WatchReplyOutcome End(WatchReplyOutcome outcome)
{
    Current = Phase::Idle;
    return outcome;
}

// Keeps what fits of the bytes up to a zero byte the logger sent; once one
// came, nothing after it belongs to the text.
void Keep(const char* bytes, std::int32_t count)
{
    if (TextEnded)
        return;
    const char* zero = static_cast<const char*>(std::memchr(bytes, 0, static_cast<std::size_t>(count)));
    const auto text = static_cast<std::int32_t>(zero ? zero - bytes : count);
    const std::int32_t kept = std::min(text, WatchReplyLongestText - TextLength);
    std::memcpy(Text.data() + TextLength, bytes, static_cast<std::size_t>(kept));
    TextLength += kept;
    Text[static_cast<std::size_t>(TextLength)] = 0;
    TextEnded = zero != nullptr;
}

// Takes what waits now. False when there was no block for it.
bool TakeWaiting(std::int32_t waiting, std::int64_t now)
{
    const std::int32_t count = std::min(waiting, LargestRead);
    auto* block = static_cast<char*>(MemAlloc(count));
    if (!block)
        return false;
    // A failed read brings nothing, like an empty one: the time-outs judge it.
    const std::int32_t delivered = PortRead(CurrentPort, block, count);
    if (delivered > 0) {
        Keep(block, delivered);
        ByteSeen = true;
        LastByteAt = now;
    }
    MemFree(block);
    return true;
}

std::int32_t WaitUntil(std::int64_t now, std::int64_t deadline)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(deadline - now, 1, WatchReplyPollInterval));
}

// The reading's own look at the line; Taken leaves the text in Text.
WatchReplyOutcome Look(std::int32_t& wait)
{
    wait = 0;
    if (CurrentPort != ReadingPort)
        return WatchReplyOutcome::Abandoned;
    std::int32_t errors = 0;
    const std::int32_t waiting = PortInputCount(CurrentPort, errors);
    if (waiting < 0)
        return WatchReplyOutcome::PortGone;
    LineErrors |= errors;
    const std::int64_t now = MonotonicMilliseconds();
    if (waiting > 0 && !TakeWaiting(waiting, now))
        return WatchReplyOutcome::NoMemory;
    const std::int64_t elapsed = now - SentAt;
    if (!ByteSeen) {
        if (elapsed >= WatchReplyFirstByteLimit)
            return WatchReplyOutcome::Silent;
        wait = WaitUntil(now, SentAt + WatchReplyFirstByteLimit);
        return WatchReplyOutcome::Pending;
    }
    if (now - LastByteAt >= WatchReplyQuietEnd || elapsed >= WatchReplyLongest)
        return LineErrors != 0 ? WatchReplyOutcome::LineError : WatchReplyOutcome::Taken;
    wait = WaitUntil(now, std::min(LastByteAt + WatchReplyQuietEnd, SentAt + WatchReplyLongest));
    return WatchReplyOutcome::Pending;
}

// The outcome goes to the reading's owner: only then does the reply become
// ReplyText, which another exchange may have used meanwhile.
WatchReplyOutcome Hand(WatchReplyOutcome outcome)
{
    if (outcome == WatchReplyOutcome::Taken)
        StoreText(ReplyText, TextStart() + TextOfMemory(Text.data()));
    return End(outcome);
}

} // namespace

WatchReplyOutcome WatchReplyStart(std::int32_t& wait)
{
    wait = 0;
    ClearStaleInput();
    if (!WriteCommand("T"))
        return WatchReplyOutcome::PortGone;
    Current = Phase::Reading;
    ReadingPort = CurrentPort;
    SentAt = MonotonicMilliseconds();
    LastByteAt = SentAt;
    ByteSeen = false;
    LineErrors = 0;
    TextLength = 0;
    TextEnded = false;
    Text[0] = 0;
    wait = WatchReplyPollInterval;
    return WatchReplyOutcome::Pending;
}

WatchReplyOutcome WatchReplyStep(std::int32_t& wait)
{
    wait = 0;
    // A port gone under a reading that another exchange finished may be
    // open anew by now: this reading has nothing to say of the new one.
    if (Current == Phase::Finished && FinishedAs == WatchReplyOutcome::PortGone && CurrentPort != ReadingPort)
        return Hand(WatchReplyOutcome::Abandoned);
    if (Current == Phase::Finished)
        return Hand(FinishedAs);
    if (Current != Phase::Reading)
        return End(WatchReplyOutcome::Abandoned);
    const WatchReplyOutcome outcome = Look(wait);
    return outcome == WatchReplyOutcome::Pending ? outcome : Hand(outcome);
}

void WatchReplyFinishNow()
{
    if (Current != Phase::Reading)
        return;
    std::int32_t wait = 0;
    WatchReplyOutcome outcome = Look(wait);
    for (; outcome == WatchReplyOutcome::Pending; outcome = Look(wait))
        SleepMilliseconds(wait);
    FinishedAs = outcome;
    Current = Phase::Finished;
}

void WatchReplyAbandon()
{
    if (Current != Phase::Idle) {
        FinishedAs = WatchReplyOutcome::Abandoned;
        Current = Phase::Finished;
    }
}
