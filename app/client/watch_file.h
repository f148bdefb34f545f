#pragma once
// A watch's record file: created new in the user's Documents folder, written
// a row at a time as the readings arrive, in UTF-8 with a byte-order mark.
// Each row goes out in one write, so a crash of the program loses nothing
// already written; other programs may read the file meanwhile. Flushing to
// the disk can take hundreds of milliseconds on a USB stick or a network
// folder, so it runs on a thread of its own, never on the window's.

#include <windows.h>

#include "app/logger/watch_record.h"

// korvane-watch-YYYYMMDD-HHMMSS.csv from the start time in the Documents
// folder, or with "-2", "-3" ... before ".csv" where that name is taken; an
// existing file is never opened. 0, with the file open and its full name in
// path, or the system's error code with path naming the file last tried.
DWORD WatchFileCreate(const WatchClock& start, wchar_t (&path)[MAX_PATH]);

// Appends 1251 text, the byte-order mark first when it begins the file; 0 or
// the system's error code. The rows written before a failure stay.
DWORD WatchFileAppend(const char* text);

// Closes the file; the flushing thread writes out what is left on its own.
void WatchFileClose();

// What writes to the file; a test puts a failing one in its place.
extern BOOL(WINAPI* WatchFileWriter)(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED);
