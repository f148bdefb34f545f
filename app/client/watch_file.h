#pragma once
// A watch's record file, and a dump's files, each owned by a thread of its own: it creates or opens
// the file, writes the rows, flushes and closes it. The window's thread only
// hands it rows and reads what it has to say, and never waits on the disk: a
// USB stick or a network folder may take seconds, or go away for minutes.
// While the file cannot be written the rows wait in memory and the thread
// tries again at the next rows, and every few seconds besides; a file whose
// handle died is opened again for appending. Other programs may read the
// file meanwhile.

#include <windows.h>

#include "app/logger/watch_record.h"
#include "app/logger/watch_rows.h"

#include <cstdint>

// The writers' news reaches the loop as these events (thread_events.h).
constexpr std::int32_t WatchFileNewsEvent = 0x7A03;
constexpr std::int32_t DumpFileNewsEvent = 0x7A04;

struct WatchFilePlan {
    // The file to go on with (its separators given here), or empty for a
    // new one in the Documents folder named for `start`.
    wchar_t path[MAX_PATH];
    WatchClock start;
    char list[WatchSeparatorLongest + 1];
    char decimal[WatchSeparatorLongest + 1];
    // An existing file is cut back to this length (its last whole row)
    // before the first row; a file not there yet is created with a header.
    std::uint64_t keep;
};

// Starts the writer of a watch. False when no thread could be had.
bool WatchFileBegin(const WatchFilePlan& plan);

// Hands a slot's rows on (WatchRowsAddSlot) or a stretch of rows
// (WatchRowsAdd) and wakes the writer. While the rows waiting fill their
// room a slot is handed as a gap of its own (WatchGap::NoRoom), the stretch
// of them one row each. False when the memory for them ran out.
bool WatchFileAddSlot(WatchTimeline& timeline, std::uint32_t intervalSeconds, const WatchSlotRows& slot,
                      std::int64_t& utc);
bool WatchFileAddRows(const WatchRowsEntry& entry);

// What the writer of the running watch has to say.
struct WatchFileNews {
    bool open;                // the file has been created or opened
    wchar_t path[MAX_PATH];   // its full name (the one tried, while none is open)
    bool behind;              // rows wait in memory: the last write failed
    DWORD error;              // why
    bool stuck;               // unwritable for 5 minutes
    bool full;                // the rows waiting filled their room
    std::uint64_t readings;   // rows of readings that reached the disk
    std::uint64_t gaps;       // and of slots without one
    bool ended;               // the writer has closed the file and ended
    std::uint64_t lost;       // rows it could not write before it ended (a dump's: bytes)
    // A dump's table, beside its text file, and whether it was written.
    wchar_t table[MAX_PATH];
    bool tableWritten;
};

// The news of the running watch's writer, or of the one that ended last
// until its end has been taken; false with nothing to tell.
bool WatchFileTakeNews(WatchFileNews& news);

// The watch has ended: its writer writes what it holds, closes the file and
// ends by itself, trying for a minute at most on a file that fails.
void WatchFileEnd();

// Waits at most `milliseconds` for the writers that are ending, a watch's
// and a dump's; true when they have ended (or none is ending). For the
// program's end.
bool WatchFileWaitEnded(DWORD milliseconds);

// A dump's files in the Documents folder, named for its start: the text
// (korvane-dump-....txt, UTF-8 after a byte-order mark) as it comes, part by
// part, and once the dump has ended its table beside it (.csv), given whole.
// A failing text file is tried again as a watch's is, for a few seconds more
// once the dump has ended; its news then tells what could not be written.
// False when no thread could be had, or no memory for the bytes.
bool DumpFileBegin(const WatchClock& start);
bool DumpFileAdd(const char* bytes, std::size_t length);
bool DumpFileEnd(const char* table, std::size_t length);
// The news of the running dump's writer, or of the one that ended last
// until its end has been taken.
bool DumpFileTakeNews(WatchFileNews& news);

// What writes to the files; a test puts a failing or a slow one in its place.
extern BOOL(WINAPI* WatchFileWriter)(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED);
