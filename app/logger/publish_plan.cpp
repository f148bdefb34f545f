#include "app/logger/publish_plan.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool TakeRoom(PublishWaiting& waiting)
{
    if (!waiting.points)
        waiting.points = static_cast<PublishPoint*>(std::malloc(PublishWaitingRoom * sizeof(PublishPoint)));
    return waiting.points != nullptr;
}

} // namespace

bool PublishWaitingAdd(PublishWaiting& waiting, const PublishPoint& point)
{
    if (!TakeRoom(waiting))
        return false;
    if (waiting.count == PublishWaitingRoom) {
        waiting.first = (waiting.first + 1) % PublishWaitingRoom;
        --waiting.count;
        ++waiting.givenUp;
    }
    waiting.points[(waiting.first + waiting.count) % PublishWaitingRoom] = point;
    ++waiting.count;
    return true;
}

bool PublishWaitingAddOlder(PublishWaiting& waiting, const PublishPoint& point)
{
    if (!TakeRoom(waiting))
        return false;
    if (waiting.count == PublishWaitingRoom) {
        ++waiting.givenUp;
        return true;
    }
    waiting.first = (waiting.first + PublishWaitingRoom - 1) % PublishWaitingRoom;
    waiting.points[waiting.first] = point;
    ++waiting.count;
    return true;
}

const PublishPoint& PublishWaitingAt(const PublishWaiting& waiting, std::size_t i)
{
    return waiting.points[(waiting.first + i) % PublishWaitingRoom];
}

void PublishWaitingDrop(PublishWaiting& waiting, std::size_t count)
{
    count = std::min(count, waiting.count);
    waiting.first = waiting.count == count ? 0 : (waiting.first + count) % PublishWaitingRoom;
    waiting.count -= count;
}

void PublishWaitingFree(PublishWaiting& waiting)
{
    std::free(waiting.points);
    waiting = PublishWaiting{};
}

PublishAnswer PublishJudge(int status)
{
    if (status >= 200 && status < 300)
        return PublishAnswer::Taken;
    if (status == 413)
        return PublishAnswer::TooLarge;
    if (status == 0 || status == 408 || status == 429 || status >= 500)
        return PublishAnswer::Retry;
    return PublishAnswer::Refused;
}

std::size_t PublishBatchSize(const PublishPlan& plan, std::size_t waiting)
{
    return std::min(waiting, plan.batch ? plan.batch : PublishBatchMost);
}

std::size_t PublishAfter(PublishPlan& plan, PublishAnswer answer, std::size_t sent, std::uint64_t started,
                         std::uint64_t now, std::uint32_t retryAfter)
{
    switch (answer) {
    case PublishAnswer::Taken:
        plan.failures = 0;
        plan.state = PublishState::Current;
        plan.next = started + PublishRequestGap;
        // A split batch grows back as the server takes it.
        if (plan.batch)
            plan.batch = plan.batch * 2 >= PublishBatchMost ? 0 : plan.batch * 2;
        return sent;
    case PublishAnswer::TooLarge:
        // Halved until the server takes it; a lone line it never will.
        plan.next = now;
        if (sent <= 1)
            return sent;
        plan.batch = sent / 2;
        return 0;
    case PublishAnswer::Retry: {
        ++plan.failures;
        plan.state = PublishState::Behind;
        const std::uint32_t doublings = std::min<std::uint32_t>(plan.failures - 1, 16);
        std::uint64_t pause = std::min(PublishPauseFirst << doublings, PublishPauseLongest);
        if (retryAfter > 0)
            pause = std::min<std::uint64_t>(retryAfter * 1000ULL, PublishRetryAfterLongest);
        plan.next = now + pause;
        return 0;
    }
    case PublishAnswer::Refused:
        plan.state = PublishState::Stopped;
        return 0;
    }
    return 0;
}
