#include "effect_recorder.h"

#include "app/logger/logger_effects.h"
#include "app/logger/logger_state.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<RecordedEffect> recorded;
std::int64_t (*recordClock)() = nullptr;
PortHandle reopenedPort = 0;
bool shortLogParts = false;

void Record(Effect effect, const char* text, std::int32_t position = 0)
{
    recorded.push_back(RecordedEffect{effect, text ? text : "", position, recordClock ? recordClock() : 0});
}

// The log's newest entry reads as the client shows it; the part is recorded
// too, for when the text showed.
void ExtendRecordedEntry(const char* text)
{
    const auto entry = std::find_if(recorded.rbegin(), recorded.rend(),
                                    [](const RecordedEffect& r) { return r.effect == Effect::Log; });
    if (entry != recorded.rend())
        entry->text += text;
    Record(Effect::LogGrows, text);
}

} // namespace

void RecordEffects(std::int64_t (*clock)())
{
    recorded.clear();
    recordClock = clock;
    reopenedPort = 0;
    shortLogParts = false;
    LoggerInstallEffects(LoggerEffects{
        .showReading = [](const char* text) { Record(Effect::Reading, text); },
        .showMemory = [](const char* text) { Record(Effect::Memory, text); },
        .showInterval = [](const char* text) { Record(Effect::Interval, text); },
        .addToLog = [](const char* text) { Record(Effect::Log, text); },
        .beginLogEntry = nullptr,
        .extendLogEntry = ExtendRecordedEntry,
        .endLogEntry = nullptr,
        .logPrefersShortParts = [](bool) { return shortLogParts; },
        .showProgress = [](std::int32_t position) { Record(Effect::Progress, nullptr, position); },
        .holdProgress = [] { Record(Effect::ProgressHold, nullptr); },
        .reportNoPort = [] { Record(Effect::NoPort, nullptr); },
        .reportNoAnswer = [] { Record(Effect::NoAnswer, nullptr); },
        .reportLineError = [] { Record(Effect::LineError, nullptr); },
        .reportNoMemory = [] { Record(Effect::NoMemory, nullptr); },
        .reopenPort =
            [] {
                Record(Effect::Reopen, nullptr);
                CurrentPort = reopenedPort;
                return CurrentPort != 0;
            },
        .reportPortLost = [] { Record(Effect::PortLost, nullptr); },
        .confirmFormat = [] { return true; },
        .awaitPortReturn = nullptr,
        .waitForReply = nullptr,
        .dumpBegan = [] { Record(Effect::DumpBegan, nullptr); },
        .dumpArrived = [](const char* bytes, std::int32_t length) {
            Record(Effect::DumpKept, std::string(bytes, static_cast<std::size_t>(length)).c_str());
        },
        .dumpEnded = [](DumpEnd end) { Record(Effect::DumpEnded, nullptr, static_cast<std::int32_t>(end)); },
    });
}

void ReopenFinds(PortHandle port) { reopenedPort = port; }

void PreferShortLogParts() { shortLogParts = true; }

const std::vector<RecordedEffect>& RecordedEffects() { return recorded; }

std::vector<std::string> TextsOf(Effect effect)
{
    std::vector<std::string> texts;
    for (const RecordedEffect& r : recorded)
        if (r.effect == effect)
            texts.push_back(r.text);
    return texts;
}

std::vector<std::int32_t> ProgressPositions()
{
    std::vector<std::int32_t> positions;
    for (const RecordedEffect& r : recorded)
        if (r.effect == Effect::Progress)
            positions.push_back(r.position);
    return positions;
}

int CountOf(Effect effect)
{
    return static_cast<int>(std::count_if(recorded.begin(), recorded.end(),
                                          [effect](const RecordedEffect& r) { return r.effect == effect; }));
}

void ExpectPortLostOnce()
{
    EXPECT_EQ(CountOf(Effect::Reopen), 1);
    EXPECT_EQ(CountOf(Effect::PortLost), 1);
    EXPECT_EQ(CountOf(Effect::NoAnswer), 0);
    EXPECT_EQ(CurrentPort, PortHandle{});
}
