#pragma once
// What writes a watch's rows to its record file, through a sink the program
// gives (the file on the writer's thread) or a test gives (bytes in memory,
// failing when told). Rows count as written once a flush after them has
// succeeded; until then they stay in the writer's list. A write or a flush
// that fails leaves the sink broken: before the next try it is recovered,
// cut back to the bytes last flushed, so a row is never written twice and
// none is lost.

#include "app/logger/watch_record.h"
#include "app/logger/watch_rows.h"

#include <cstdint>

struct WatchSink {
    void* context;
    bool (*write)(void* context, const char* bytes, std::size_t length);
    bool (*flush)(void* context);
    // Makes the file fit to write again: reopened when its handle died, cut
    // back to `length` bytes and positioned at its end.
    bool (*recover)(void* context, std::uint64_t length);
    // The local time of a UTC time, both seconds since 1601, as the system's
    // zone and its daylight saving rules have it for that moment.
    WatchClock (*localTime)(std::int64_t utc);
};

// Rows go to the sink in pieces of this size.
inline constexpr std::size_t WatchWriterPiece = 64 * 1024;

struct WatchWriter {
    WatchRows rows;                        // waiting for the file
    char list[WatchSeparatorLongest + 1];  // the file's separators, UTF-8
    char decimal[WatchSeparatorLongest + 1];
    std::uint64_t flushedBytes;            // the file's length at the last flush
    std::uint64_t readingsWritten;         // rows on the disk: readings
    std::uint64_t gapsWritten;             // and slots without one
    bool broken;
    char piece[WatchWriterPiece]; // the rows being built for the next write
};

// Writes the header row, byte-order mark first, to a new empty file.
bool WatchWriterBegin(WatchWriter& writer, const WatchSink& sink);

// Writes every row waiting and flushes, a flush at least every megabyte, and
// lets go of the rows each flush brought to the disk. True when all of them
// are on the disk; false when the sink failed (the rest wait for the next
// call).
bool WatchWriterRun(WatchWriter& writer, const WatchSink& sink);
