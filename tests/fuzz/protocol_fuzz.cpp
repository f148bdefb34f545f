// The request sequences and the dump over a line that misbehaves in every way
// the fuzzer's bytes can describe. Each sequence is checked against what its
// own line record says it must have done: the commands written and the waits,
// every text shown (only bytes the line delivered, cut at the first zero
// byte, or a single space for nothing), the dump's text, progress and end,
// and that nothing is left behind in the temporary buffer or the memory heap.

#include "app/logger/logger_effects.h"
#include "app/logger/logger_protocol.h"
#include "app/logger/logger_state.h"
#include "app/logger/memory_dump.h"
#include "base/heap.h"
#include "base/memory.h"
#include "base/strings.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "fuzz_line.h"
#include "fuzz_targets.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr const char* Target = "protocol";
constexpr int MaxSequences = 8;

// The three text variables, the temporary buffer, and one outgrown buffer
// block with its bookkeeping record, which the next statement releases.
constexpr std::size_t MostStringBlocks = 6;

enum class Shown { Reading, Memory, Interval, Log, Progress, NoPort, NoAnswer, NoMemory };

struct ShownEffect {
    Shown what;
    std::string text;
    std::int32_t position;
    bool operator==(const ShownEffect&) const = default;
};

std::vector<ShownEffect> Effects;

void Record(Shown what, const char* text, std::int32_t position = 0)
{
    FuzzCheck(text != nullptr, Target, "an effect got a null text");
    Effects.push_back(ShownEffect{what, text, position});
}

// A dump's entry grows as its text comes in; it is checked as one text, shown
// where its last part came.
void ExtendLoggedEntry(const char* text)
{
    const auto entry = std::find_if(Effects.rbegin(), Effects.rend(),
                                    [](const ShownEffect& effect) { return effect.what == Shown::Log; });
    FuzzCheck(entry != Effects.rend(), Target, "an entry grew before the log had one");
    ShownEffect grown = *entry;
    grown.text += text;
    Effects.erase(std::next(entry).base());
    Effects.push_back(grown);
}

void RecordEffects()
{
    LoggerInstallEffects(LoggerEffects{
        .showReading = [](const char* text) { Record(Shown::Reading, text); },
        .showMemory = [](const char* text) { Record(Shown::Memory, text); },
        .showInterval = [](const char* text) { Record(Shown::Interval, text); },
        .addToLog = [](const char* text) { Record(Shown::Log, text); },
        .extendLogEntry = ExtendLoggedEntry,
        .logPrefersShortParts = nullptr,
        .showProgress = [](std::int32_t position) { Record(Shown::Progress, "", position); },
        .holdProgress = nullptr,
        .reportNoPort = [] { Record(Shown::NoPort, ""); },
        .reportNoAnswer = [] { Record(Shown::NoAnswer, ""); },
        .reportNoMemory = [] { Record(Shown::NoMemory, ""); },
        .reopenPort = nullptr,
        .reportPortLost = nullptr,
        .confirmFormat = [] { return true; },
        .awaitPortReturn = nullptr,
        .waitForReply = nullptr,
    });
}

std::string BeforeZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

// A single space when the line reported nothing waiting; otherwise what the
// read delivered, up to its first zero byte.
std::string ExpectedReply(const LinePoll& poll) { return poll.reported <= 0 ? " " : BeforeZero(poll.delivered); }

const char* IntervalName(const std::string& reply)
{
    if (reply == "1")
        return "Minut";
    if (reply == "2")
        return "Hour";
    if (reply == "3")
        return "Day";
    return nullptr;
}

struct Expected {
    std::string written;
    std::vector<std::int32_t> sleeps;
    std::vector<ShownEffect> effects;
};

// One exchange of a request sequence, as the sequence tables name them.
enum class Step { Memory, Reading, LoggedReading, Interval, StepInterval, Format, Write };

struct StepRule {
    char letter;
    std::int32_t wait;
    bool reads;
};

StepRule RuleOf(Step step)
{
    switch (step) {
    case Step::Memory: return {'M', WaitAfterMemory, true};
    case Step::Reading:
    case Step::LoggedReading: return {'T', WaitAfterReading, true};
    case Step::Interval: return {'L', WaitAfterInterval, true};
    case Step::StepInterval: return {'+', WaitAfterStep, true};
    case Step::Format: return {'F', WaitAfterFormat, true};
    case Step::Write: return {'W', WaitAfterWrite, false};
    }
    return {};
}

void ExpectShown(Expected& expected, Step step, const std::string& reply)
{
    auto show = [&](Shown what, const std::string& text) { expected.effects.push_back(ShownEffect{what, text, 0}); };
    switch (step) {
    case Step::Memory: show(Shown::Memory, reply); break;
    case Step::Reading: show(Shown::Reading, reply); break;
    case Step::LoggedReading:
        show(Shown::Reading, reply);
        show(Shown::Log, reply);
        break;
    case Step::Interval:
    case Step::StepInterval:
        if (const char* name = IntervalName(reply))
            show(Shown::Interval, name);
        break;
    case Step::Format: show(Shown::Log, reply); break;
    case Step::Write: break;
    }
}

Expected ExpectedSequence(const std::vector<Step>& steps)
{
    const std::vector<LinePoll>& polls = FuzzLinePolls();
    Expected expected;
    std::size_t next = 0;
    for (Step step : steps) {
        StepRule rule = RuleOf(step);
        expected.written += rule.letter;
        expected.sleeps.push_back(rule.wait);
        if (!rule.reads)
            continue;
        FuzzCheck(next < polls.size(), Target, "a reply was not read");
        const LinePoll& poll = polls[next++];
        FuzzCheck(poll.read == (poll.reported > 0), Target, "a reply read does not follow from the count");
        ExpectShown(expected, step, ExpectedReply(poll));
    }
    FuzzCheck(next == polls.size(), Target, "the line was polled more often than the sequence reads");
    return expected;
}

struct DumpOutcome {
    Expected expected;
    std::string text;
    bool endSeen = false;
};

// The dump as its rules play out over the polls the line recorded: every
// chunk read up to its zero byte (bytes the read did not deliver are zero),
// the end at the first quiet poll after a zero byte, or after the silence
// limit of polls that took nothing, which the logger's silence reports.
DumpOutcome ExpectedDump()
{
    const std::vector<LinePoll>& polls = FuzzLinePolls();
    DumpOutcome outcome;
    Expected& expected = outcome.expected;
    expected.written.push_back('D');
    expected.sleeps.push_back(WaitAfterDump);
    int silentPolls = 0;
    bool loggerSilent = false;
    bool ended = false;
    for (std::size_t k = 0; k < polls.size(); ++k) {
        FuzzCheck(!ended, Target, "the dump polled on after it had ended");
        const LinePoll& poll = polls[k];
        FuzzCheck(poll.read == (poll.reported > 0), Target, "a dump chunk read does not follow from the count");
        // A chunk counts against the silence limit unless it appended a byte
        // or met the dump's first zero byte. After that byte, a chunk of zero
        // bytes only (padding, a break) ends the dump as a quiet poll does.
        bool taken = false;
        bool onlyZeros = false;
        if (poll.read) {
            std::string chunk = BeforeZero(poll.delivered);
            bool endMet = chunk.size() < static_cast<std::size_t>(poll.requested);
            taken = !chunk.empty() || (endMet && !outcome.endSeen);
            onlyZeros = outcome.endSeen && !poll.delivered.empty() &&
                        poll.delivered.find_first_not_of('\0') == std::string::npos;
            outcome.endSeen = outcome.endSeen || endMet;
            for (std::size_t i = 0; i < chunk.size(); ++i)
                expected.effects.push_back(ShownEffect{Shown::Progress, "", static_cast<std::int32_t>(i)});
            outcome.text += chunk;
        }
        // The quiet poll after the zero byte ends the dump with no pause after it.
        if (outcome.endSeen && (poll.reported < 1 || onlyZeros)) {
            ended = true;
            continue;
        }
        expected.sleeps.push_back(DumpPollInterval);
        silentPolls = taken ? 0 : silentPolls + 1;
        if (silentPolls >= DumpSilentPollLimit) {
            loggerSilent = true;
            ended = true;
        }
    }
    FuzzCheck(ended, Target, "the dump ended before its end rule said so");
    expected.effects.push_back(ShownEffect{Shown::Log, outcome.text, 0});
    expected.effects.push_back(ShownEffect{Shown::Progress, "", 0});
    if (loggerSilent)
        expected.effects.push_back(ShownEffect{Shown::NoAnswer, "", 0});
    return outcome;
}

void CheckAgainst(const Expected& expected)
{
    FuzzCheck(FuzzLineWritten() == expected.written, Target, "the commands written differ from the sequence's");
    FuzzCheck(FuzzLineSleeps() == expected.sleeps, Target, "the waits differ from the sequence's");
    FuzzCheck(Effects == expected.effects, Target, "what was shown differs from what the line delivered");
}

void CheckNothingLeftBehind()
{
    FuzzCheck(TempLength == 0, Target, "a statement left text in the temporary buffer");
    FuzzCheck(HeapBlockCount(MemoryHeap) == 0, Target, "a reply or chunk block was not given back");
    FuzzCheck(HeapBlockCount(StringHeap) <= MostStringBlocks, Target, "string blocks pile up");
}

void CheckWithoutPort(int requesters)
{
    FuzzCheck(FuzzLineWritten().empty() && FuzzLineSleeps().empty() && FuzzLinePolls().empty(), Target,
              "a sequence without a port used the line");
    FuzzCheck(Effects == std::vector<ShownEffect>(static_cast<std::size_t>(requesters), ShownEffect{Shown::NoPort, "", 0}),
              Target, "a sequence without a port showed something other than its requesters");
}

enum class Sequence { Startup, Read, Write, Format, StepInterval, Dump, Count };

const std::array<std::vector<Step>, 5> SequenceSteps{{
    {Step::Memory, Step::Reading, Step::Interval},
    {Step::LoggedReading, Step::Memory, Step::Interval},
    {Step::Write, Step::Memory, Step::LoggedReading},
    {Step::Format, Step::Memory},
    {Step::StepInterval},
}};

void Run(Sequence sequence)
{
    switch (sequence) {
    case Sequence::Startup: QueryLoggerAtStartup(); break;
    case Sequence::Read: ReadSequence(); break;
    case Sequence::Write: WriteSequence(); break;
    case Sequence::Format: FormatSequence(); break;
    case Sequence::StepInterval: StepIntervalSequence(); break;
    case Sequence::Dump: RunDump(); break;
    case Sequence::Count: break;
    }
}

void RunAndCheck(Sequence sequence, bool portOpen)
{
    CurrentPort = portOpen ? FuzzLinePort() : 0;
    FuzzLineClearRecord();
    Effects.clear();
    Run(sequence);
    CheckNothingLeftBehind();
    if (!portOpen) {
        CheckWithoutPort(sequence == Sequence::Startup ? 3 : 1);
        return;
    }
    if (sequence != Sequence::Dump) {
        CheckAgainst(ExpectedSequence(SequenceSteps[static_cast<std::size_t>(sequence)]));
        return;
    }
    DumpOutcome outcome = ExpectedDump();
    CheckAgainst(outcome.expected);
    FuzzCheck(std::strcmp(DumpText ? DumpText : "", outcome.text.c_str()) == 0, Target, "DumpText differs from the log entry");
    FuzzCheck(EndSeen == (outcome.endSeen ? 1 : 0), Target, "EndSeen differs from the zero bytes met");
}

// Every run starts as the program does: the heaps up, all state empty. The
// string heap is made anew so that no run inherits another's buffer size.
void StartFromProgramStart()
{
    if (!MainHeap)
        MainHeap = HeapOpen();
    if (!MemoryHeap)
        MemoryServiceStart();
    LoggerStateReset();
    HeapClose(StringHeap);
    StringServiceStart();
    RecordEffects();
}

} // namespace

void FuzzProtocol(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    StartFromProgramStart();
    FuzzLineStart(&input);
    constexpr auto sequences = static_cast<std::uint8_t>(Sequence::Count);
    for (int run = 0; run < MaxSequences && !input.Exhausted(); ++run) {
        std::uint8_t choice = input.Byte();
        // One choice in sixteen runs its sequence with no port open.
        RunAndCheck(static_cast<Sequence>(choice % sequences), (choice >> 4) != 0xF);
    }
    // The texts live in the string heap, which another target may replace.
    LoggerStateReset();
}
