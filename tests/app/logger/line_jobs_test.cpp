#include "app/logger/line_jobs.h"

#include <gtest/gtest.h>

namespace {

TEST(LineJobs, EachJobRunsWaitsOrIsSkippedByItsOwnRule)
{
    constexpr JobStart Now = JobStart::Now, After = JobStart::AfterOpen, Skip = JobStart::Skip;
    struct Case {
        const char* name;
        LineNow line;
        JobStart command, slot, look;
    };
    const Case cases[] = {
        {"idle, the port open", {LineWork::Idle, false, false}, Now, Now, Now},
        {"the port wanted but shut", {LineWork::Idle, false, true}, After, Skip, Now},
        {"a quiet look under way", {LineWork::Idle, true, false}, After, Skip, Skip},
        {"the user's pick under way", {LineWork::Open, true, false}, After, Skip, Skip},
        {"a dump", {LineWork::Dump, false, false}, Skip, Skip, Skip},
        {"a drain, the port gone", {LineWork::Drain, false, true}, Skip, Skip, Skip},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StartOfJob(LineJob::Command, c.line), c.command);
        EXPECT_EQ(StartOfJob(LineJob::WatchSlot, c.line), c.slot);
        EXPECT_EQ(StartOfJob(LineJob::Look, c.line), c.look);
    }
}

TEST(LineJobs, WaitingJobsRunInTheOrderTheyCameAndAFullQueueRefuses)
{
    WaitingJobsClear();
    for (std::int32_t round = 0; round < 2; ++round) {
        for (std::int32_t i = 0; i < WaitingJobsMaximum; ++i)
            EXPECT_TRUE(WaitingJobsPush(WaitingJob{i, round}));
        EXPECT_FALSE(WaitingJobsPush(WaitingJob{99, round}));
        WaitingJob job{};
        for (std::int32_t i = 0; i < WaitingJobsMaximum; ++i) {
            ASSERT_TRUE(WaitingJobsPop(job));
            EXPECT_EQ(job.gadget, i);
            EXPECT_EQ(job.kind, round);
        }
        EXPECT_FALSE(WaitingJobsPop(job));
    }
}

} // namespace
