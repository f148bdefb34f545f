#include "app/logger/line_jobs.h"

#include <array>

namespace {

std::array<WaitingJob, WaitingJobsMaximum> Waiting{};
std::int32_t First = 0;
std::int32_t Count = 0;

} // namespace

JobStart StartOfJob(LineJob job, const LineNow& line)
{
    if (line.work == LineWork::Dump || line.work == LineWork::Drain)
        return JobStart::Skip;
    const bool waits = line.opening || line.portWantedShut;
    switch (job) {
    case LineJob::Command: return waits ? JobStart::AfterOpen : JobStart::Now;
    case LineJob::WatchSlot: return waits ? JobStart::Skip : JobStart::Now;
    case LineJob::Look: return line.opening ? JobStart::Skip : JobStart::Now;
    }
    return JobStart::Skip;
}

bool WaitingJobsPush(const WaitingJob& job)
{
    if (Count == WaitingJobsMaximum)
        return false;
    Waiting[static_cast<std::size_t>((First + Count) % WaitingJobsMaximum)] = job;
    ++Count;
    return true;
}

bool WaitingJobsPop(WaitingJob& job)
{
    if (Count == 0)
        return false;
    job = Waiting[static_cast<std::size_t>(First)];
    First = (First + 1) % WaitingJobsMaximum;
    --Count;
    return true;
}
