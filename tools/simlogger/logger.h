#pragma once
// The logger's side of the conversation, apart from any line: given a
// command byte it says what goes back and when.

#include "tools/simlogger/scenario.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Bytes the logger sends after a pause, measured from the end of what it sent
// before (or from the command, for the first piece of an answer).
struct Transmission {
    std::int32_t pauseMilliseconds = 0;
    std::string bytes;
    bool hangUp = false; // after these bytes the line closes
};

struct LoggerState {
    std::map<char, std::size_t> nextReply; // per command: the reply item due next
    std::map<char, std::int32_t> answered; // per command: the answers given so far
    double temperature = 0;
    std::int32_t memoryCount = 0;
    std::int32_t intervalCode = 1;
    std::uint32_t drift = 0; // state of the temperature's random walk
    bool flooding = false;   // the flood command came: the line never falls quiet again
};

LoggerState StartLogger(const Scenario& scenario);

// The logger's answer to one received byte: nothing for a byte it does not
// know or a silent command, one transmission per reply, the dump's pieces
// for "D".
std::vector<Transmission> AnswerCommand(LoggerState& state, const Scenario& scenario, char command);

// "+21.5", "-3.0": how the logger writes a temperature.
std::string FormatTemperature(double celsius);
