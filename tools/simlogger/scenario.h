#pragma once
// What the simulated logger answers: a scenario, read from a small text
// format so that tests and shell scripts can write one by hand.
//
// One directive per line; '#' starts a comment outside quotes. Texts stand in
// double quotes with the escapes \0 \r \n \t \\ \" and \xHH.
//
//   pacing burst|line-rate    how replies go out: all at once (the default),
//                             or one byte per character time at 9600 baud 8N1
//   reply C ITEM...           the reply to the command byte C; successive
//                             requests take successive items, cycling. An item
//                             is a "text" or one of the live values
//                             temperature, memory, interval
//   silent C                  the command gets no reply at all
//   delay C MS [COUNT]        the logger waits MS before it answers C; with
//                             COUNT, only its first COUNT answers wait
//   split C BYTES MS          each reply to C pauses MS after its first BYTES
//                             bytes (a reply that reaches the line in two parts)
//   temperature START STEP    the live temperature: starts at START and
//                             drifts by at most STEP per request
//   memory COUNT              the live count of stored readings
//   interval CODE             the live interval code, 1 to 3
//   chunk PAUSE "text"        one piece of the dump ("D"), sent PAUSE ms after
//                             the piece before it (the first: after the delay of D)
//   readings PAUSE COUNT      a dump piece of COUNT stored readings, one a line
//   hangup                    after the last piece the line closes: the cable
//                             is pulled in the middle of the dump
//   flood C "text"            the command C sets the logger babbling: from
//                             then on it sends the text over and over, one
//                             byte per character time, whenever it has no
//                             reply to send, until it stops
//
// The live values change as a logger's would: "+" steps the interval code
// 1, 2, 3, 1; "W" stores a reading (the memory count grows by one); "F"
// clears the memory (the count drops to 0).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum class Pacing {
    Burst,    // every reply as soon as it is due
    LineRate, // one byte per character time of a 9600 baud 8N1 line
};

enum class ReplyKind { Text, Temperature, Memory, Interval };

struct ReplyItem {
    ReplyKind kind = ReplyKind::Text;
    std::string text; // only for ReplyKind::Text
};

struct CommandBehaviour {
    std::vector<ReplyItem> replies; // empty: the logger stays silent
    std::int32_t delayMilliseconds = 0;
    std::int32_t delayedAnswers = 0; // 0: every answer waits the delay
    std::int32_t splitAfterBytes = 0; // 0: the reply goes out whole
    std::int32_t splitPauseMilliseconds = 0;
};

struct DumpChunk {
    std::int32_t pauseMilliseconds = 0;
    std::string bytes;
};

struct Scenario {
    Pacing pacing = Pacing::Burst;
    std::map<char, CommandBehaviour> commands;
    double temperatureStart = 21.5;
    double temperatureStep = 0.2;
    std::int32_t memoryCount = 0;
    std::int32_t intervalCode = 1;
    std::vector<DumpChunk> dump;
    bool hangUpAfterDump = false;
    std::optional<char> floodCommand; // the command that starts the flood
    std::string floodText;            // never empty once floodCommand is set
};

struct ScenarioError {
    int line = 0;
    std::string message;
};

// Parses a scenario text; on the first bad line it gives no scenario and
// says which line and why.
std::optional<Scenario> ParseScenario(const std::string& text, ScenarioError& error);

// The logger a user would meet: a drifting room temperature, a few hundred
// stored readings, readings at one a minute, a dump at line rate.
const std::string& DefaultScenarioText();

// The dump text of COUNT stored readings, one numbered reading a line.
std::string StoredReadings(std::int32_t count);
