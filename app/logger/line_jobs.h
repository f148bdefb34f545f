#pragma once
// The line has one owner: every exchange is a job, and one runs at a time. A
// job either runs now, waits for the open under way (and then runs, in the
// order the jobs came), or is skipped by its own rule: a command during a
// dump runs nothing (its button is off), a watch's slot that finds the line
// busy is a gap and never made up late, and a look for a lost port is left
// for later.

#include "app/logger/control_states.h"

#include <cstdint>

enum class LineJob : std::uint8_t {
    Command,   // a sequence, a dump's start, a watch's start
    WatchSlot, // a watch's reading
    Look,      // a quiet open of a port that went away
};

// What the line is doing when a job comes.
struct LineNow {
    LineWork work;       // a dump, a drain, the user's pick being opened
    bool opening;        // an open is under way, the user's or a quiet one
    bool portWantedShut; // the port is wanted but not open, and no open is under way
};

enum class JobStart : std::uint8_t {
    Now,
    AfterOpen, // waits for the open under way; starts one first when none is
    Skip,
};

JobStart StartOfJob(LineJob job, const LineNow& line);

// The jobs that wait for an open, in the order they came: a gadget's event
// and its kind. The queue is short; a job beyond it is skipped.
struct WaitingJob {
    std::intptr_t gadget;
    std::int32_t kind;
};
inline constexpr std::int32_t WaitingJobsMaximum = 16;

bool WaitingJobsPush(const WaitingJob& job); // false when the queue is full
bool WaitingJobsPop(WaitingJob& job);        // the oldest; false when none waits
