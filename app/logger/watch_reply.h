#pragma once
// A watch's reading: "T" and its reply, taken as it comes instead of after a
// fixed wait, in steps that a window's timer runs, so that the window never
// sleeps for it. The reply is whole once the line has been quiet for a
// while after its first byte; a logger that answers late is waited for, and
// its reply stays its own slot's. What waited before the "T" is thrown away.

#include <cstdint>

// From the "T" to the reply's first byte at most, in milliseconds; no byte by
// then is no reply.
inline constexpr std::int32_t WatchReplyFirstByteLimit = 500;
// The quiet that ends a reply once it has begun: longer than any pause
// within one reply, far shorter than the shortest watch interval.
inline constexpr std::int32_t WatchReplyQuietEnd = 30;
// A logger that never falls quiet (a babbling one) still ends its reading
// this long after the "T", with what came: the next slot is due soon.
inline constexpr std::int32_t WatchReplyLongest = 900;
// The pause between two looks at the line.
inline constexpr std::int32_t WatchReplyPollInterval = 10;
// The most of a reply that is kept; the rest is read and dropped. A reading
// is a few bytes, and the number is taken from the first of them.
inline constexpr std::int32_t WatchReplyLongestText = 255;

enum class WatchReplyOutcome : std::uint8_t {
    Pending,   // under way: step again after the wait given
    Taken,     // ReplyText holds the reply
    Silent,    // no byte within WatchReplyFirstByteLimit
    LineError, // the driver reported bytes lost or damaged: no reading
    NoMemory,  // no block for the bytes: no reading
    PortGone,  // the write, count or read found the port gone
    Abandoned, // the port changed under it, or the watch gave it up
};

// Clears what waits and sends "T" on the open port. Pending with the wait
// before the first step, or PortGone when nothing could be sent.
WatchReplyOutcome WatchReplyStart(std::int32_t& wait);
// One look at the line; Pending with the wait before the next look, or how
// the reading ended. Without a reading under way, Abandoned.
WatchReplyOutcome WatchReplyStep(std::int32_t& wait);
// Another exchange needs the line: a reading under way is taken to its end
// at once, sleeping for it (WatchReplyLongest at most), so that its reply
// leads no other. Its next step gives the outcome.
void WatchReplyFinishNow();
// Gives a reading under way up: its next step says Abandoned.
void WatchReplyAbandon();
