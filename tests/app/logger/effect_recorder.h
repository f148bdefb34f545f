#pragma once
// Installs effects that record what the protocol and the dump would have shown,
// each with the time the given clock reads (the scripted line's virtual time;
// 0 without a clock).

#include "serial/port.h"

#include <cstdint>
#include <string>
#include <vector>

// Log: an entry added, with its text as it reads at the end (the parts that
// extended it included); LogGrows: a part that extended the newest entry.
// Reopen: the lost port was looked for again (and not found); PortLost: the
// user was told it could not be opened; LineError: the user was told that a
// dump's text may be damaged. DumpKept: a part of a dump's text handed on
// for keeping; DumpEnded: how the dump ended (its DumpEnd as the position).
enum class Effect {
    Reading, Memory, Interval, Log, LogGrows, Progress, ProgressHold, NoPort, NoAnswer, LineError, NoMemory, Reopen,
    PortLost, DumpBegan, DumpKept, DumpEnded
};

struct RecordedEffect {
    Effect effect;
    std::string text;       // the texts' effects
    std::int32_t position;  // Progress
    std::int64_t at;
};

// Clears the record and installs the recording effects; a lost port does not
// come back.
void RecordEffects(std::int64_t (*clock)() = nullptr);
// A lost port comes back at once as this one.
void ReopenFinds(PortHandle port);
// The log asks for a dump's text at every poll.
void PreferShortLogParts();
const std::vector<RecordedEffect>& RecordedEffects();

// The texts, or progress positions, of one kind of effect, in order.
std::vector<std::string> TextsOf(Effect effect);
std::vector<std::int32_t> ProgressPositions();
int CountOf(Effect effect);

// What a command that lost its port leaves: the port looked for once and
// reported once, no silence reported, and no port open.
void ExpectPortLostOnce();
