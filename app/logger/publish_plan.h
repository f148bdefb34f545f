#pragma once
// What waits to be published and when the next request goes. Readings wait
// in a ring of a fixed room, the oldest given up first when it is full; a
// request takes the oldest of them, at most one a second while the database
// answers, so every reading goes within a second or two of its slot. A
// request that fails is tried again after a pause that doubles up to a
// minute, or as long as the server's Retry-After asks; one the server finds
// too large is split; any other refusal of the client's (a wrong token, a
// wrong bucket) stops the sending until the user changes where it goes.
// Times are milliseconds on a clock that only goes forward.

#include "app/logger/publish_lines.h"

#include <cstddef>
#include <cstdint>

// Two days at one reading a second.
inline constexpr std::size_t PublishWaitingRoom = 2 * 86'400;
// A request takes at most this many lines (about 400 KB).
inline constexpr std::size_t PublishBatchMost = 5'000;
inline constexpr std::uint64_t PublishRequestGap = 1'000;
inline constexpr std::uint64_t PublishPauseFirst = 1'000;
inline constexpr std::uint64_t PublishPauseLongest = 60'000;
// A Retry-After beyond this is taken as this: a misconfigured server must not
// silence a site for days.
inline constexpr std::uint64_t PublishRetryAfterLongest = 3'600'000;

// A zero-initialised record is an empty ring without room; the room is taken
// at the first point.
struct PublishWaiting {
    PublishPoint* points;
    std::size_t first;
    std::size_t count;
    std::uint64_t givenUp; // points given up for room since the caller last took the count
};

// Adds the newest point, giving the oldest up when the room is full. False,
// with nothing added, when the room cannot be had.
bool PublishWaitingAdd(PublishWaiting& waiting, const PublishPoint& point);
// Adds a point older than all that wait (one read back from a record file);
// when the room is full it is itself the oldest, and is given up.
bool PublishWaitingAddOlder(PublishWaiting& waiting, const PublishPoint& point);
// The i-th oldest, 0 to count - 1.
const PublishPoint& PublishWaitingAt(const PublishWaiting& waiting, std::size_t i);
// The `count` oldest have been taken.
void PublishWaitingDrop(PublishWaiting& waiting, std::size_t count);
void PublishWaitingFree(PublishWaiting& waiting);

enum class PublishAnswer : std::uint8_t {
    Taken,    // 2xx
    Retry,    // no answer, 5xx, 408, 429
    TooLarge, // 413
    Refused,  // any other 4xx, and what no database answers
};
// A request's status, 0 for none (no network, a time-out, a refused
// connection).
PublishAnswer PublishJudge(int status);

enum class PublishState : std::uint8_t { Current, Behind, Stopped };

struct PublishPlan {
    std::uint64_t next;         // the earliest time of the next request
    std::uint32_t failures;     // requests in a row that failed
    std::size_t batch;          // lines the next request takes at most; 0 is PublishBatchMost
    PublishState state;
};

// The lines the next request takes of `waiting` of them.
std::size_t PublishBatchSize(const PublishPlan& plan, std::size_t waiting);

// What came of a request of `sent` lines begun at `started`, answered at
// `now`; `retryAfter` is the server's Retry-After in seconds, 0 for none.
// Returns the lines to drop from the waiting ones: those taken, or a lone
// line too large to be taken ever.
std::size_t PublishAfter(PublishPlan& plan, PublishAnswer answer, std::size_t sent, std::uint64_t started,
                         std::uint64_t now, std::uint32_t retryAfter);

// Points wait longer than this while the database answers only when the
// program is behind.
inline constexpr std::uint64_t PublishCurrentWithin = 5'000;
