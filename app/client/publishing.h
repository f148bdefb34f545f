#pragma once
// A watch's readings published to a time-series database as they come, for
// sites with many loggers and one dashboard: each reading one line
// (app/logger/publish_lines.h), sent over HTTP by a thread of its own with
// Windows' own client, through the user's proxy, so that the window never
// waits on the network. What cannot be sent yet waits in memory
// (app/logger/publish_plan.h); what was still waiting when the program ended
// is read back from the record file at the next start, after the last
// reading the database took, which is remembered per port. The record
// file stays the record: nothing here ever stops or slows a watch.

#include "app/client/publish_target.h"
#include "app/logger/publish_lines.h"
#include "app/logger/publish_plan.h"
#include "app/logger/watch_readings.h"
#include "app/logger/watch_record.h"

#include <windows.h>

#include <cstdint>

// The sending thread's news for the loop: a request's outcome.
constexpr std::int32_t PublishNewsEvent = 0x7A06;

// Sets where readings go (app/client/publish_target.h) and remembers it; a
// sending stopped by a refusal starts again. False, with nothing changed,
// when the address or the name is not one the program can send.
bool SetPublishTarget(const PublishTarget& target);
// The command line's address; said in the log when it is not taken.
void PublishFromCommandLine(const char16_t* address);

// A watch begins on `port` at `utcSeconds` (since 1601): what its port's last
// watch left unsent is read back from its record file.
void PublishWatchBegins(const char* port, std::int64_t utcSeconds);
// At the start, once the command line is read: what the last run left
// unsent on any port is read back from its record file.
void PublishLeftovers();
// The watch's record file is open: the readings taken are remembered as
// rows of it.
void PublishWatchFile(const char* port, const wchar_t* path);
// A slot's reading, at its UTC time in seconds since 1601.
void PublishReading(const char* port, std::int64_t utcSeconds, const ReplyNumber& number, bool alarm);
// A dump's readings, at their estimated times (UTC milliseconds since 1601),
// on the user's word; judged by the alarm's limits as a watch would have.
void PublishDumpReadings(const WatchReadings& readings);

// A request has ended: the log says what changed, the taken rows are
// remembered, and the notification icon's tip follows.
void HandlePublishNews();

// What the notification icon's tip says of it.
struct PublishShows {
    PublishState state;
    std::uint64_t waiting;
};
PublishShows PublishShowsNow();

// The program ends: the thread is told to stop, an unfinished request is
// cancelled, and it is waited for a moment at most.
void EndPublishing();
