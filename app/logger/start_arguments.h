#pragma once
// The program's command line, one grammar for every start:
//   korvane.exe [PORT] [--watch SECONDS] [--publish URL] [FILE.csv]
// in any order, each argument read by the system's rules (quotes group
// blanks into an argument and are not part of it; a doubled quote inside
// them stands for a quote). Portable: the program hands its wide command
// line here.

#include "app/logger/port_names.h"

#include <cstdint>

inline constexpr std::int32_t StartArgumentLongest = 1023;

struct StartArguments {
    PortNameText port;                        // "COM" upper case for COMn; empty for none
    std::uint32_t watchSeconds;               // one of the interval list's; 0 for no watch
    bool watchRefused;                        // --watch with no length, or one not in the list
    char16_t publish[StartArgumentLongest + 1]; // the address after --publish; empty for none
    char16_t file[StartArgumentLongest + 1];  // an argument ending in ".csv"; empty for none
    std::int32_t unplaced;                    // arguments that are none of these (or a second of one)
};

// Reads the arguments after the program's own name (null reads as none). A
// second port name leaves no port at all, as the user's meaning is unknown.
void ReadStartArguments(const char16_t* commandLine, StartArguments& arguments);
