#pragma once
// The watch: readings of the temperature on a schedule, each written to the
// record file as it arrives and kept for the chart. A timer of the main
// window wakes it for each slot, on the window's thread as every command
// runs; between two slots it takes no time at all.
//
// Every slot of the schedule is one row of the file: a reading, or a gap row
// saying why it has none (the line in use by a command, a dump or its drain,
// a port away, a logger that said nothing, the computer asleep, the program
// not running). A watch runs unattended: none of these raises a requester,
// the reading field says why, and a lost port is looked for again in the
// quiet way the port list uses. A file that cannot be written never stops
// it: the rows wait in memory (watch_file.h).
//
// A watch the user did not stop resumes at the next start on its port
// (watch_resume.h), on its file, with gap rows for the time between.

#include "app/logger/start_arguments.h"
#include "app/logger/watch_readings.h"

#include <cstdint>

// Fills the interval list, the remembered length selected, and makes a double
// click of the Watch button one press; once the gadgets exist.
void InstallWatch();

// A press of the Watch button: starts a watch, or stops the one running. The
// button shows checked exactly while a watch runs.
void HandleWatchButton();
// A new pick in the interval list: remembered for the next start and, during
// a watch, taken from the next slot on.
void HandleWatchIntervalPick();

bool WatchRunning();

// The readings of the watch running, or of the last one, at their UTC times
// (milliseconds since 1601).
const WatchReadings& WatchKeptReadings();

// The newest reading's number as its reply wrote it, with the user's
// decimal separator; empty before the first.
const wchar_t* WatchLastNumberText();
// The running watch's record file has rows it could not write yet.
bool WatchFileBehind();

// Whether a watch starts with the program on the port the list shows: one
// the command line asks for, or that port's own to resume.
bool WatchStartsAtLaunch(const StartArguments& arguments);

// At the start, once the port is chosen: the watch the command line asks
// for, or the chosen port's own watch resumed. No requester for either.
void StartWatchAtLaunch(const StartArguments& arguments);

// The record file's writer has news (WatchFileNewsEvent).
void HandleWatchFileNews();

// The system's clock may have moved (a resume from sleep, a change of the
// time): the rows' times are tied to it again, never going back.
void WatchClockMoved();

// The session ends: the watch stops, its writer's last flush is waited for
// (5 s at most), and it resumes at the next start.
void EndWatchForSession();

// The program is about to end: closing the window stops the watch as the
// user's Stop does, and its writer's last flush is waited for (5 s at most).
void EndWatch();
