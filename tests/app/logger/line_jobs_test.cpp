#include "app/logger/control_states.h"
#include "app/logger/line_jobs.h"

#include <gtest/gtest.h>

namespace {

// Whatever ended in whatever order, what is left running decides alone what
// the user may do and which jobs run, wait or are skipped.
TEST(LineJobs, TheWorkLeftRunningDecidesControlsAndJobs)
{
    constexpr JobStart Now = JobStart::Now, After = JobStart::AfterOpen, Skip = JobStart::Skip;
    struct Case {
        const char* name;
        bool dumpBusy, draining, picking, quietOpen, wantedShut;
        bool commands, dumpButton, portList, stops;
        FocusPlace focus;
        JobStart command, slot, look;
    };
    const Case cases[] = {
        {"idle", false, false, false, false, false, true, true, true, false, FocusPlace::Back, Now, Now, Now},
        {"the port wanted but shut", false, false, false, false, true, true, true, true, false, FocusPlace::Back, After,
         Skip, Now},
        {"a quiet look", false, false, false, true, false, true, true, true, false, FocusPlace::Back, After, Skip, Skip},
        {"a pick", false, false, true, false, false, false, false, true, false, FocusPlace::PortList, After, Skip, Skip},
        {"a dump", true, false, false, false, false, false, true, false, true, FocusPlace::DumpButton, Skip, Skip, Skip},
        {"a drain, the port gone", true, true, false, false, true, false, false, true, false, FocusPlace::Window, Skip,
         Skip, Skip},
        // The port list picked during a drain, or a dump's lost port tried again.
        {"a pick during a drain", true, true, true, false, false, false, false, true, false, FocusPlace::PortList, After,
         Skip, Skip},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LineWork work = CurrentLineWork(c.dumpBusy, c.draining, c.picking);
        EXPECT_EQ(ControlUsable(work, ControlRole::Command), c.commands);
        EXPECT_EQ(ControlUsable(work, ControlRole::DumpButton), c.dumpButton);
        EXPECT_EQ(ControlUsable(work, ControlRole::PortList), c.portList);
        EXPECT_TRUE(ControlUsable(work, ControlRole::Display));
        EXPECT_EQ(DumpButtonStops(work), c.stops);
        EXPECT_EQ(FocusDuring(work), c.focus);
        const LineNow line{work, c.picking || c.quietOpen, c.wantedShut};
        EXPECT_EQ(StartOfJob(LineJob::Command, line), c.command);
        EXPECT_EQ(StartOfJob(LineJob::WatchSlot, line), c.slot);
        EXPECT_EQ(StartOfJob(LineJob::Look, line), c.look);
    }
}

TEST(LineJobs, WaitingJobsRunInTheOrderTheyCameAndAFullQueueRefuses)
{
    WaitingJob job{};
    while (WaitingJobsPop(job)) {
    }
    EXPECT_TRUE(WaitingJobsPush(WaitingJob{-1, 0}));
    ASSERT_TRUE(WaitingJobsPop(job)); // so that the queue wraps round
    for (std::int32_t i = 0; i < WaitingJobsMaximum; ++i)
        EXPECT_TRUE(WaitingJobsPush(WaitingJob{i, i}));
    EXPECT_FALSE(WaitingJobsPush(WaitingJob{99, 0}));
    for (std::int32_t i = 0; i < WaitingJobsMaximum; ++i) {
        ASSERT_TRUE(WaitingJobsPop(job));
        EXPECT_EQ(job.gadget, i);
    }
    EXPECT_FALSE(WaitingJobsPop(job));
}

} // namespace
