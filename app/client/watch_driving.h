#pragma once
// The watch: readings of the temperature on a schedule, each written to the
// record file as it arrives and kept for the chart. A timer of the main
// window wakes it for each slot, on the window's thread as every command
// runs; between two slots it takes no time at all.
//
// A slot that finds the line in use (a command, a dump or its drain, a
// port's open) is skipped. A watch runs unattended: a port that went away or
// a logger that says nothing raises no requester; the slot leaves no row, the
// reading field says why, and a lost port is looked for again in the quiet
// way the port list uses. Only a record file that cannot be written stops it
// with a requester.

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

// The readings of the watch running, or of the last one.
const WatchReadings& WatchKeptReadings();

// The program is about to end: the record file is closed as it stands.
void EndWatch();
