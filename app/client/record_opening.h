#pragma once
// Record files opened again, each in a chart of its own: a watch's record or
// a dump's table, named on the command line, chosen from the File menu or
// dropped on the main window or a chart. A file is read on a thread of its
// own, shared for writing so that a running watch's record opens too; its
// chart opens once all of it has been read, or one requester names the
// file and the line that is no record's, and nothing is drawn.

#include "app/logger/record_reading.h"

#include <windows.h>

#include <cstdint>

// The readers' news reaches the loop as this event (thread_events.h).
constexpr std::int32_t RecordReadEvent = 0x7A05;

// A record read whole, for its chart, which frees it (CloseOpenedRecord).
struct OpenedRecord {
    wchar_t path[MAX_PATH];
    RecordHeader kind;
    bool timed;
    WatchReadings readings;
    DumpSummary summary;
};

// Starts reading the file; a file already being read is not read twice.
void OpenRecordFile(const wchar_t* path);
// "Файл > Открыть запись...": the Open dialog, in Documents.
void AskForRecordFile();
// The files of a WM_DROPFILES, each opened; the drop is finished here.
void OpenDroppedFiles(HDROP drop);
// The main window takes files dropped on it.
void AcceptDroppedRecords();

// On RecordReadEvent: each reading that has ended opens its chart or says
// why it cannot.
void HandleRecordReadEvent();

// At the program's end: readings still under way are told to stop and
// waited for a moment.
void EndRecordReading();

void CloseOpenedRecord(OpenedRecord* record);
