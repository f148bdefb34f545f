#pragma once
// The memory dump: the logger answers "D" with its stored text, ended by a
// zero byte. The transfer is collected in polls and shown in the log as one
// newest entry, which grows as the text comes in.
//
// The dump runs in steps, so that a window can go on taking its messages
// between two polls: DumpStart sends "D", and each DumpStep, called once the
// wait the previous call asked for has passed, polls the line once. A caller
// with nothing else to do runs it whole with RunDump.

#include <cstdint>

// The pause between two polls of the line.
inline constexpr std::int32_t DumpPollInterval = 300;

// A logger that is unplugged, or never answers "D", would otherwise keep the
// dump polling forever, and so would a port that reports bytes its reads
// never deliver. This many polls in a row that append nothing (six seconds)
// end the dump with what was collected and a report: that the logger does
// not answer, or that no memory could be had for the waiting bytes. Any byte
// appended starts the count again, so a slow but steady logger never trips it.
inline constexpr int DumpSilentPollLimit = 20;

// The log shows the text that came in at most this often, in polls: each
// insertion into the log costs the window a fixed share of time whatever its
// size, so fewer and longer ones keep the dump's CPU time low, while the
// text still shows as it comes. A log that prefers short parts
// (LogPrefersShortParts) gets the text at every poll.
inline constexpr int DumpShowEvery = 4;

enum class DumpPhase {
    Idle,       // no dump
    Collecting, // the text is coming in
    Draining,   // stopped by the user: what the logger still sends is dropped
};

DumpPhase DumpCurrentPhase();

// Sends "D" and starts collecting; returns the wait before the first step.
// Without a port it reports that none is open and returns 0: no dump runs.
std::int32_t DumpStart();
// One poll. Returns the wait before the next step, or 0 once the dump is
// over: the text is in the log and the progress back at 0 (and the logger's
// silence reported, if that ended it), or a drain saw the text pass: the
// zero byte and then a quiet poll, or the silent polls' limit. A
// port that goes away keeps what came in the log, and is then handled as
// under any command (see RecoverPort).
std::int32_t DumpStep();
// The user's stop: the bytes waiting now join the text, which stands in the
// log with the marker line above it, and the dump turns to draining the rest
// the logger still sends, until it has passed (see DumpStep). Returns the
// wait before the next step; 0 when no dump was being collected.
std::int32_t DumpStop(const char* marker);
// Forgets the dump or drain at once, logging nothing more: the port it ran
// on is going away.
void DumpAbandon();
// Ends a dump at once as its silence would, without the report: what came
// stands in the log and the progress goes back to 0; a drain just ends.
// For a caller that can no longer schedule the steps.
void DumpEndNow();

// A whole dump, sleeping between the steps.
void RunDump();
