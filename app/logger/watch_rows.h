#pragma once
// The rows of a watch on their way to the record file. The window's thread
// adds them as slots pass; the file's writer takes them all at once and
// writes them when it can, so while the file cannot be written they wait
// here. A row is stored compactly (its slot's time, the reply as it came)
// and a stretch of slots without a reading is one entry however long, so an
// hour's rows at one a second take some 90 KB and a night asleep a few
// bytes. Memory comes from the C library's heap, which both threads may use.
// A zero-initialised record is an empty list.

#include "app/logger/watch_record.h"
#include "app/logger/watch_schedule.h"

#include <cstddef>
#include <cstdint>

// Why a slot has no reading; its row says so in the note column.
enum class WatchGap : std::uint8_t {
    None,        // a reading
    NoReply,     // the logger said nothing in time
    LineError,   // the line damaged the reply
    PortAway,    // the port was gone or not open
    LineBusy,    // a command or a dump had the line
    NoMemory,    // the reply could not be held
    Missed,      // the program was too busy to take the slot
    Asleep,      // the computer slept
    NotRunning,  // the program was not running
    NoRoom,      // the rows waiting for the file filled their room
};

// The note for a gap, in Russian as UTF-8; empty for a reading.
const char* WatchGapNote(WatchGap gap);

// What a reading's row says of an alarm: the one it started, beyond which
// limit, or that it ended one.
enum class WatchAlarmNote : std::uint8_t { None, Above, Below, Normal };

// "тревога: выше N", "тревога: ниже N" (the limit with the file's decimal
// separator) or "норма", as UTF-8; empty for none. Returns its length.
std::size_t WatchAlarmNoteText(WatchAlarmNote note, double limit, const char* decimal,
                               char (&text)[WatchNoteLongest + 1]);

// The room for rows waiting: 86,400 rows of 128 bytes, a day at one a
// second of replies up to 110 bytes long.
inline constexpr std::size_t WatchRowsRoom = 86'400 * 128;

struct WatchRowsBlock;

struct WatchRows {
    WatchRowsBlock* first;
    WatchRowsBlock* last;
    std::uint64_t rows;  // rows the entries stand for
    std::size_t bytes;   // memory they hold
};

// One entry: `count` rows (1 for a reading) from the UTC time `utc` (seconds
// since 1601) on, `interval` seconds apart.
struct WatchRowsEntry {
    std::int64_t utc;
    std::uint32_t count;
    std::uint32_t interval;
    WatchGap gap;
    const char* reply; // a reading's reply, as many bytes as replyLength
    std::size_t replyLength;
    WatchAlarmNote alarm; // a reading's
    double alarmLimit;
};

// Adds an entry at the end, the reply cut to the row's longest. A gap right
// after a stretch of the same gap on the same grid lengthens it. False, with
// nothing added, when the memory cannot be had.
bool WatchRowsAdd(WatchRows& rows, const WatchRowsEntry& entry);

// One slot of the schedule as rows: the slots passed before it without a
// reading, then its own row, a reading or a gap.
struct WatchSlotRows {
    std::uint64_t slot;       // its time on the schedule's clock
    std::uint64_t missed;     // slots passed before it
    WatchGap missedGap;       // why they were
    WatchGap gap;             // None for a reading
    const char* reply;
    std::size_t replyLength;
    WatchAlarmNote alarm; // on its own row
    double alarmLimit;
};

// Adds the slot's rows at their times on the timeline (watch_schedule.h),
// `intervalSeconds` apart, and gives the slot's own UTC time. False when
// memory for them cannot be had.
bool WatchRowsAddSlot(WatchRows& rows, WatchTimeline& timeline, std::uint32_t intervalSeconds,
                      const WatchSlotRows& slot, std::int64_t& utc);

// Moves every entry of `from` to the end of `to`, leaving `from` empty.
void WatchRowsMove(WatchRows& from, WatchRows& to);

// Walks the entries from the oldest on: `at` starts zero-initialised.
struct WatchRowsCursor {
    WatchRowsBlock* block;
    std::size_t offset;
};
bool WatchRowsNext(const WatchRows& rows, WatchRowsCursor& at, WatchRowsEntry& entry);

// Lets go of the entries before `at` (a cursor of this list).
void WatchRowsDrop(WatchRows& rows, const WatchRowsCursor& at);

void WatchRowsClear(WatchRows& rows);
