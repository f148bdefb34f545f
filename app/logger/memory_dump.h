#pragma once
// The memory dump: the logger answers "D" with its stored text, ended by a
// zero byte. The transfer is collected in polls and shown in the log as one
// newest entry.

#include <cstdint>

// The pause between two polls of the line.
inline constexpr std::int32_t DumpPollInterval = 300;

// A logger that is unplugged, or never answers "D", would otherwise keep the
// dump polling forever with the window frozen, and so would a port that
// reports bytes its reads never deliver. This many polls in a row that append
// nothing (six seconds) end the dump with what was collected and a report:
// that the logger does not answer, or that no memory could be had for the
// waiting bytes. Any byte appended starts the count again, so a slow but
// steady logger never trips it.
inline constexpr int DumpSilentPollLimit = 20;

// Sends "D" and collects the reply into DumpText until the line falls quiet
// after the zero byte, showing each byte's position within its chunk as
// progress; then adds DumpText to the log and resets the progress. A port
// that goes away keeps what came in the log, and is then handled as under
// any command (see RecoverPort).
void RunDump();
