#pragma once
// Every dump kept, apart from the log. Its text goes to its file as it comes
// (watch_file.h); once the dump has ended, its readings are taken from the
// text, summed up and written as a table beside it, and they stay for the
// chart of the last dump until the next dump has ended.

#include <windows.h>

#include "app/logger/dump_readings.h"
#include "app/logger/logger_effects.h"
#include "app/logger/watch_readings.h"

#include <cstdint>

// The dump's effects (logger_effects.h).
void KeepDumpBegun();
void KeepDumpPart(const char* bytes, std::int32_t length);
void KeepDumpEnded(DumpEnd end);

// The dump's writer has news (DumpFileNewsEvent). A file that could not be
// written is said in one requester, which comes once the dump is over.
void HandleDumpFileNews();

struct KeptDump {
    bool present; // a dump has ended since the program started
    // Their times: the estimated UTC times (milliseconds since 1601) when
    // timed, otherwise 1000 times each reading's number, so that a chart
    // reads them as it reads a watch's.
    WatchReadings readings;
    DumpSummary summary;
    bool timed;
    std::uint64_t time;    // when it began, UTC milliseconds since 1601
    WatchClock began;      // and in local time
    wchar_t text[MAX_PATH]; // its files, once the writer has named them
    wchar_t table[MAX_PATH];
    bool textFailed; // the writer has ended without writing it all
    bool tableFailed;
};

const KeptDump& LastDump();
