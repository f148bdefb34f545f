#pragma once
// What the window lets the user do, computed from what the line is doing: one
// table, so that no feature saves and restores the controls of another, and
// whatever ends in whatever order, the window shows the state that is left.

#include <cstdint>

enum class LineWork : std::uint8_t {
    Idle,  // commands may run
    Dump,  // a dump collects its text: only its Stop
    Drain, // a stopped dump's rest is being dropped: only a pick of another port
    Open,  // a port is being opened: only a pick of another port
};

// What a control is, as far as the line is concerned.
enum class ControlRole : std::uint8_t {
    Command,    // sends to the logger, or needs the line to itself
    DumpButton, // Dump, which reads Stop while a dump collects
    PortList,
    Display,    // takes no input (the progress bar): never turned off
};

// An open outranks the dump or drain it came during: the line is closed then.
LineWork CurrentLineWork(bool dumpBusy, bool draining, bool opening);

bool ControlUsable(LineWork work, ControlRole role);
bool DumpButtonStops(LineWork work);

// Where the keyboard focus goes while the work runs: on the one control left
// to the user, on the window itself when none takes keys, or, once the line
// is idle again, back where it was before.
enum class FocusPlace : std::uint8_t { Back, DumpButton, PortList, Window };
FocusPlace FocusDuring(LineWork work);
