#include "tools/simlogger/logger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double TemperatureRange = 5.0; // the drift stays this close to the start

void StepDrift(LoggerState& state, const Scenario& scenario)
{
    // A small linear congruential walk: the same scenario gives the same
    // readings on every run.
    state.drift = state.drift * 1103515245u + 12345u;
    const double unit = static_cast<double>((state.drift >> 16) & 0x7FFF) / 0x7FFF * 2.0 - 1.0;
    const double next = state.temperature + unit * scenario.temperatureStep;
    state.temperature = std::clamp(next, scenario.temperatureStart - TemperatureRange,
                                   scenario.temperatureStart + TemperatureRange);
}

void ApplyEffect(LoggerState& state, const Scenario& scenario, char command)
{
    switch (command) {
    case '+':
        state.intervalCode = state.intervalCode % 3 + 1;
        break;
    case 'W':
        ++state.memoryCount;
        break;
    case 'F':
        state.memoryCount = 0;
        break;
    case 'T':
        StepDrift(state, scenario);
        break;
    default:
        break;
    }
}

std::string ReplyText(const LoggerState& state, const ReplyItem& item)
{
    switch (item.kind) {
    case ReplyKind::Text:
        return item.text;
    case ReplyKind::Temperature:
        return FormatTemperature(state.temperature);
    case ReplyKind::Memory:
        return std::to_string(state.memoryCount);
    case ReplyKind::Interval:
        return std::to_string(state.intervalCode);
    }
    return {};
}

std::vector<Transmission> DumpTransmissions(const Scenario& scenario, std::int32_t delay)
{
    std::vector<Transmission> pieces;
    for (const DumpChunk& chunk : scenario.dump)
        pieces.push_back(Transmission{.pauseMilliseconds = chunk.pauseMilliseconds, .bytes = chunk.bytes,
                                      .hangUp = false});
    if (scenario.hangUpAfterDump)
        pieces.push_back(Transmission{.pauseMilliseconds = 0, .bytes = {}, .hangUp = true});
    if (!pieces.empty())
        pieces.front().pauseMilliseconds += delay;
    return pieces;
}

} // namespace

LoggerState StartLogger(const Scenario& scenario)
{
    LoggerState state;
    state.temperature = scenario.temperatureStart;
    state.memoryCount = scenario.memoryCount;
    state.intervalCode = scenario.intervalCode;
    state.drift = 20240601u;
    return state;
}

std::vector<Transmission> AnswerCommand(LoggerState& state, const Scenario& scenario, char command)
{
    const auto found = scenario.commands.find(command);
    if (scenario.floodCommand == command)
        state.flooding = true;
    std::int32_t delay = found == scenario.commands.end() ? 0 : found->second.delayMilliseconds;
    const std::int32_t answers = state.answered[command]++;
    if (found != scenario.commands.end() && found->second.delayedAnswers > 0 && answers >= found->second.delayedAnswers)
        delay = 0;
    if (command == 'D')
        return DumpTransmissions(scenario, delay);
    if (found == scenario.commands.end())
        return {};

    ApplyEffect(state, scenario, command);
    const std::vector<ReplyItem>& replies = found->second.replies;
    if (replies.empty())
        return {};
    std::size_t& next = state.nextReply[command];
    const ReplyItem& item = replies[next % replies.size()];
    next = (next + 1) % replies.size();
    std::string bytes = ReplyText(state, item);
    if (bytes.empty())
        return {};
    const auto split = static_cast<std::size_t>(found->second.splitAfterBytes);
    if (split == 0 || split >= bytes.size())
        return {Transmission{.pauseMilliseconds = delay, .bytes = std::move(bytes), .hangUp = false}};
    return {Transmission{.pauseMilliseconds = delay, .bytes = bytes.substr(0, split), .hangUp = false},
            Transmission{.pauseMilliseconds = found->second.splitPauseMilliseconds, .bytes = bytes.substr(split),
                         .hangUp = false}};
}

std::string FormatTemperature(double celsius)
{
    char text[32];
    const double rounded = std::round(celsius * 10.0) / 10.0;
    std::snprintf(text, sizeof text, "%+.1f", rounded == 0.0 ? 0.0 : rounded);
    return text;
}
