#pragma once
// The logger's command protocol: one command byte, a fixed wait, then whatever
// the logger has sent by then is its reply. No framing, no length, no
// acknowledgement; the waits alone pace the exchange. What waits on the line
// is thrown away before a sequence's first command, so that a late reply of
// an earlier exchange never leads its replies; within a sequence late bytes
// join the next reply (the reply to "W" leads the one to "M").

#include <array>
#include <cstddef>
#include <cstdint>

// The wait after each command byte, in milliseconds.
inline constexpr std::int32_t WaitAfterMemory = 100;   // "M"
inline constexpr std::int32_t WaitAfterReading = 50;   // "T"
inline constexpr std::int32_t WaitAfterInterval = 100; // "L"
inline constexpr std::int32_t WaitAfterStep = 100;     // "+"
inline constexpr std::int32_t WaitAfterWrite = 100;    // "W"
inline constexpr std::int32_t WaitAfterFormat = 200;   // "F"
inline constexpr std::int32_t WaitAfterDump = 200;     // "D"

// The most bytes taken from the line in one read: four times the input queue
// the port is opened with, and more than a second at 9600 baud. A larger count
// is read in several turns; what is left stays waiting for the next read. It
// bounds the block that a corrupt or runaway waiting count could ask for.
inline constexpr std::int32_t LargestRead = 4096;

// True when a port is open. A port that went away is first opened again
// without a word; when none is open then, reports that none is and yields
// false. A port the system reported removed, and that is not back, is
// recovered as under a command that finds it gone.
bool RequirePort();
// Opens the port that went away, or that the system reported removed, again
// without a word; true when a port is open afterwards.
bool ReopenLostPort();
// The open port went away under a command (its write or its count of waiting
// bytes failed): it is closed and opened again, tried for up to about a
// second. True when it came back; otherwise the user is told, no port stays
// open, and the caller ends its sequence.
bool RecoverPort();
// WriteCommand, and once more on the port opened anew when the write finds
// the port gone; false when it did not come back. A letter that cannot be
// stored is not sent: the user is told that memory ran out.
bool WriteToLogger(const char* letter);
// WriteToLogger, then the wait; no wait when the port did not come back.
bool SendToLogger(const char* letter, std::int32_t milliseconds);
// Sends the first byte of the letter to the open port; after a failed write
// that a line error explains, once more. False when it was not sent: the
// letter could not be stored, or the port went away.
bool WriteCommand(const char* letter);
// WriteCommand and the wait; no wait when nothing was sent.
bool SendCommand(const char* letter, std::int32_t milliseconds);
// Throws away what waits on the line before a new exchange begins (a sequence,
// a dump, a watch's reading): a late reply of an earlier one, or what an
// adapter held. A watch's reading still under way is taken to its end
// first: its reply is its own slot's, and would lead the next exchange's.
void ClearStaleInput();

enum class ReplyRead : std::uint8_t {
    Taken,    // ReplyText holds the reply
    NoMemory, // no block for the bytes: ReplyText is empty, never an earlier reply
    PortGone, // the port cannot count or read its bytes; ReplyText unchanged
};
// Replaces ReplyText by the bytes waiting on the port, up to the first zero
// byte; a single space when nothing waits.
ReplyRead ReadReply();
// Shows the interval named by ReplyText ("1" Minut, "2" Hour, "3" Day, matched
// exactly); any other reply leaves the interval field as it is.
void ShowInterval();

// Where a step's reply goes once it is read.
enum class ReplyShown : std::uint8_t { Nowhere, ReadingField, MemoryField, IntervalField };

// One exchange of a sequence: a command byte, its wait, and what becomes of
// what the logger sent by then.
struct CommandStep {
    const char* letter = nullptr; // one byte; null marks the end of a sequence's steps
    std::int32_t wait = 0;        // milliseconds after the byte
    bool readsReply = false;      // false: the reply stays waiting and leads the next one
    ReplyShown shown = ReplyShown::Nowhere;
    bool logged = false;          // the reply also goes on top of the log
};

inline constexpr CommandStep AskMemory{"M", WaitAfterMemory, true, ReplyShown::MemoryField};
inline constexpr CommandStep AskReading{"T", WaitAfterReading, true, ReplyShown::ReadingField};
inline constexpr CommandStep AskReadingLogged{"T", WaitAfterReading, true, ReplyShown::ReadingField, true};
inline constexpr CommandStep AskInterval{"L", WaitAfterInterval, true, ReplyShown::IntervalField};

// How a sequence is guarded by RequirePort: once before its first step, or
// each step on its own (a step without a port is left out, the next one
// guarded again).
enum class PortGuard : std::uint8_t { Once, EachStep };

inline constexpr std::size_t MostSteps = 3;

// A request sequence: its steps in order, run until one finds the port gone.
// A command that finds the port gone closes it and opens it again once (a
// command that never left is then sent again); when it does not come back,
// the user is told once and the sequence ends. A reply lost with the port is
// not asked for again, but on the port opened anew the interval ("L") and the
// memory ("M") are, before the sequence ends.
struct CommandSequence {
    const char* name;
    PortGuard guard;
    bool confirmFirst; // the user is asked first (ConfirmFormat); No sends nothing
    std::array<CommandStep, MostSteps> steps;
};

// The sequences, one row each. A new command is a row here and in
// CommandSequences below, with its wait beside the others above.
inline constexpr CommandSequence StartupQueries{
    "start-up", PortGuard::EachStep, false, {{AskMemory, AskReading, AskInterval}}};
inline constexpr CommandSequence ReadCommands{
    "Read", PortGuard::Once, false, {{AskReadingLogged, AskMemory, AskInterval}}};
// Whatever the logger answers to "W" stays waiting and leads the reply to "M".
inline constexpr CommandSequence WriteCommands{
    "Write", PortGuard::Once, false, {{{"W", WaitAfterWrite}, AskMemory, AskReadingLogged}}};
inline constexpr CommandSequence FormatCommands{
    "Format", PortGuard::Once, true, {{{"F", WaitAfterFormat, true, ReplyShown::Nowhere, true}, AskMemory}}};
inline constexpr CommandSequence StepIntervalCommands{
    "+", PortGuard::Once, false, {{{"+", WaitAfterStep, true, ReplyShown::IntervalField}}}};

// Every sequence, for the tests that go through them all.
inline constexpr std::array<const CommandSequence*, 5> CommandSequences{
    &StartupQueries, &ReadCommands, &WriteCommands, &FormatCommands, &StepIntervalCommands};

// Runs a sequence (the buttons' and the start-up's): guarded, asked first
// when the row says so, each step's reply shown where its row says.
void RunSequence(const CommandSequence& sequence);
