#include "app/logger/control_states.h"

#include <array>

namespace {

struct WorkRow {
    bool commands, dumpButton, portList;
    FocusPlace focus;
};

// Indexed by LineWork.
constexpr std::array<WorkRow, 4> WorkRows{{
    {true, true, true, FocusPlace::Back},
    {false, true, false, FocusPlace::DumpButton},
    {false, false, true, FocusPlace::Window},
    {false, false, true, FocusPlace::PortList},
}};

const WorkRow& RowOf(LineWork work) { return WorkRows[static_cast<std::size_t>(work)]; }

} // namespace

LineWork CurrentLineWork(bool dumpBusy, bool draining, bool opening)
{
    if (opening)
        return LineWork::Open;
    if (dumpBusy)
        return draining ? LineWork::Drain : LineWork::Dump;
    return LineWork::Idle;
}

bool ControlUsable(LineWork work, ControlRole role)
{
    switch (role) {
    case ControlRole::Command: return RowOf(work).commands;
    case ControlRole::DumpButton: return RowOf(work).dumpButton;
    case ControlRole::PortList: return RowOf(work).portList;
    case ControlRole::Display: return true;
    }
    return false;
}

bool DumpButtonStops(LineWork work) { return work == LineWork::Dump; }

FocusPlace FocusDuring(LineWork work) { return RowOf(work).focus; }
