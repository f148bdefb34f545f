#pragma once
// The window as the client's state says it is: which controls are on, what
// the Dump and Watch buttons and the menu show, and where the focus goes,
// computed in one place from the dump, the open and the watch (see
// app/logger/control_states.h). Whoever changes one of those calls
// ShowWindowState; only what differs from the window is set.

#include "app/logger/line_jobs.h"

void ShowWindowState();

// What the line is doing now, for the jobs that come (line_jobs.h).
LineNow LineStateNow();
