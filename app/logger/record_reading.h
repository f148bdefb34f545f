#pragma once
// A record file read back into readings for a chart: a watch's record, one
// of the first versions' three columns, or a dump's table. The bytes come in
// parts as the disk gives them; a row is taken whole once its line end has
// come, so a row still being written to a running watch's file, or cut
// short by a power cut, is left out rather than called damage. What is no
// such record, or a row that is not as the program writes its rows, ends
// the reading with the line it was found on.

#include "app/logger/dump_readings.h"
#include "app/logger/watch_readings.h"
#include "app/logger/watch_record.h"

#include <cstddef>
#include <cstdint>

enum class RecordFault : std::uint8_t { None, NotRecord, Damaged };

// The local time of the first versions' records as UTC, both seconds since
// 1601: the zone's rules are the system's.
using RecordLocalToUtc = std::int64_t (*)(std::int64_t localSeconds);

// A zero-initialised record is a reading before its first byte.
struct RecordRead {
    RecordHeader kind;
    char list[WatchSeparatorLongest + 1];
    bool timed; // a dump's rows have their times; otherwise they count readings, 1000 apart
    DumpSummary summary; // its readings, and its rows without one
    RecordFault fault;
    std::uint64_t faultLine; // from 1
    std::uint64_t rows;
    std::uint64_t lastTime;
    // Whether a watch's alarm lasts after the last row, as its note column
    // says: from the row noting its start to the one noting "норма".
    bool alarm;
    // Told of each row as it is taken, when set.
    void (*visit)(void* context, std::uint64_t time, const ReplyNumber& number, bool alarm);
    void* visitContext;
    // The row being gathered: its bytes up to its line end, the line it
    // began on, and whether a quote is open.
    char row[WatchRowLongest];
    std::size_t rowLength;
    std::uint64_t rowLine;
    std::uint64_t lineEnds;
    bool quoted;
};

// The next bytes of the file: each whole row is added to `readings`.
// Nothing more is read once a fault is found.
void RecordReadBytes(RecordRead& read, const char* bytes, std::size_t length, WatchReadings& readings,
                     RecordLocalToUtc toUtc);

// The file has ended: a file without a whole header is no record.
void RecordReadEnd(RecordRead& read);
