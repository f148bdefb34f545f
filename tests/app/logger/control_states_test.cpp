#include "app/logger/control_states.h"

#include <gtest/gtest.h>

namespace {

// Whatever ended in whatever order, what is left running decides alone.
TEST(ControlStates, TheWorkLeftRunningDecidesWhatTheUserMayDo)
{
    struct Case {
        bool dumpBusy, draining, opening;
        LineWork work;
        bool commands, dumpButton, portList, stops;
        FocusPlace focus;
    };
    const Case cases[] = {
        {false, false, false, LineWork::Idle, true, true, true, false, FocusPlace::Back},
        {true, false, false, LineWork::Dump, false, true, false, true, FocusPlace::DumpButton},
        {true, true, false, LineWork::Drain, false, false, true, false, FocusPlace::Window},
        {false, false, true, LineWork::Open, false, false, true, false, FocusPlace::PortList},
        // The port list opened during a drain looks for a lost port.
        {true, true, true, LineWork::Open, false, false, true, false, FocusPlace::PortList},
        // A dump that lost its port, the port tried again before it ends.
        {true, false, true, LineWork::Open, false, false, true, false, FocusPlace::PortList},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dumpBusy << c.draining << c.opening);
        const LineWork work = CurrentLineWork(c.dumpBusy, c.draining, c.opening);
        EXPECT_EQ(work, c.work);
        EXPECT_EQ(ControlUsable(work, ControlRole::Command), c.commands);
        EXPECT_EQ(ControlUsable(work, ControlRole::DumpButton), c.dumpButton);
        EXPECT_EQ(ControlUsable(work, ControlRole::PortList), c.portList);
        EXPECT_TRUE(ControlUsable(work, ControlRole::Display));
        EXPECT_EQ(DumpButtonStops(work), c.stops);
        EXPECT_EQ(FocusDuring(work), c.focus);
    }
}

} // namespace
