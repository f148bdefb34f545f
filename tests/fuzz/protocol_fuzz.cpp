// The request sequences and the dump over a line that misbehaves in every way
// the fuzzer's bytes can describe. Each sequence is checked against what its
// own line record says it must have done: the commands written and the waits,
// every text shown (only bytes the line delivered, cut at the first zero
// byte, or a single space for nothing), the dump's text, progress and end,
// and that nothing is left behind in the temporary buffer or the memory heap.
// The dump's text handed on for keeping is the log's, told ended once; its
// lines' readings hold together whatever the bytes.

#include "app/logger/dump_readings.h"
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
#include <cmath>
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
// What a dump handed on for keeping, and how often its end was told.
std::string Kept;
int KeptEnds = 0;

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
        .beginLogEntry = nullptr,
        .extendLogEntry = ExtendLoggedEntry,
        .endLogEntry = nullptr,
        .logPrefersShortParts = nullptr,
        .showProgress = [](std::int32_t position) { Record(Shown::Progress, "", position); },
        .holdProgress = nullptr,
        .reportNoPort = [] { Record(Shown::NoPort, ""); },
        .reportNoAnswer = [] { Record(Shown::NoAnswer, ""); },
        .reportLineError = nullptr,
        .reportNoMemory = [] { Record(Shown::NoMemory, ""); },
        .reopenPort = nullptr,
        .reportPortLost = nullptr,
        .confirmFormat = [] { return true; },
        .awaitPortReturn = nullptr,
        .waitForReply = nullptr,
        .dumpBegan = [] { Kept.clear(); },
        .dumpArrived = [](const char* bytes, std::int32_t length) {
            Kept.append(bytes, static_cast<std::size_t>(length));
        },
        .dumpEnded = [](DumpEnd) { ++KeptEnds; },
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

void ExpectShown(Expected& expected, const CommandStep& step, const std::string& reply)
{
    auto show = [&](Shown what, const std::string& text) { expected.effects.push_back(ShownEffect{what, text, 0}); };
    switch (step.shown) {
    case ReplyShown::Nowhere: break;
    case ReplyShown::ReadingField: show(Shown::Reading, reply); break;
    case ReplyShown::MemoryField: show(Shown::Memory, reply); break;
    case ReplyShown::IntervalField:
        if (const char* name = IntervalName(reply))
            show(Shown::Interval, name);
        break;
    }
    if (step.logged)
        show(Shown::Log, reply);
}

Expected ExpectedSequence(const CommandSequence& sequence)
{
    const std::vector<LinePoll>& polls = FuzzLinePolls();
    Expected expected;
    std::size_t next = 0;
    for (const CommandStep& step : sequence.steps) {
        if (!step.letter)
            break;
        expected.written += step.letter[0];
        expected.sleeps.push_back(step.wait);
        if (!step.readsReply)
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
// chunk read up to its zero byte (a short read appends what it delivered),
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
            // Only a zero byte the logger sent ends the text, never a short read.
            bool endMet = chunk.size() < poll.delivered.size();
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

// Each line visited is one line of the text, not blank; the summary counts
// every line once, its lowest at most its highest.
void CheckReadings(const std::string& text)
{
    struct Visit {
        const std::string& text;
        DumpSummary summary;
        std::uint64_t lines;
    } visit{text, {}, 0};
    DumpVisitLines(
        text.data(), text.size(),
        [](void* context, const char* line, std::size_t length, const ReplyNumber& number) {
            auto& v = *static_cast<Visit*>(context);
            FuzzCheck(line >= v.text.data() && line + length <= v.text.data() + v.text.size() && length > 0, Target,
                      "a line visited lies outside the text");
            FuzzCheck(std::find_if(line, line + length, [](char c) { return c == '\r' || c == '\n'; }) == line + length,
                      Target, "a line visited holds a line end");
            DumpSummaryAdd(v.summary, number);
            ++v.lines;
        },
        &visit);
    FuzzCheck(visit.summary.readings + visit.summary.withoutNumber == visit.lines, Target,
              "the summary does not count every line once");
    // The mean kinetic temperature lies between the mean and the highest.
    double kinetic = 0;
    const double high = visit.summary.high;
    FuzzCheck(!visit.summary.readings ||
                  (visit.summary.low <= high &&
                   (!DumpMeanKinetic(visit.summary, kinetic) || kinetic <= high + 1e-9 * std::max(1.0, std::fabs(high)))),
              Target, "the summary's values are out of order");
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

// What a choice byte's low four bits pick: a sequence, the dump, or a free
// slot, which ends the run. The table keeps its size as sequences come: the
// dump has slot 5, and the sequences fill the others in the order of
// CommandSequences, a new one the first free slot, so that what a kept input
// picks never changes (tests/fuzz/corpus_replay_test.cpp checks it).
struct Choice {
    const CommandSequence* sequence = nullptr;
    bool dump = false;
};

constexpr std::size_t ChoiceSlots = 16;
constexpr std::size_t DumpSlot = 5;
static_assert(CommandSequences.size() < ChoiceSlots, "no free slot left for a choice byte to pick");

constexpr std::array<Choice, ChoiceSlots> Choices = [] {
    std::array<Choice, ChoiceSlots> choices{};
    choices[DumpSlot].dump = true;
    std::size_t slot = 0;
    for (const CommandSequence* sequence : CommandSequences) {
        slot += slot == DumpSlot;
        choices[slot++].sequence = sequence;
    }
    return choices;
}();

// The requesters a sequence shows without a port: one for its guard, or one
// for each step guarded on its own.
int RequestersWithoutPort(const CommandSequence& sequence)
{
    if (sequence.guard == PortGuard::Once)
        return 1;
    return static_cast<int>(std::count_if(sequence.steps.begin(), sequence.steps.end(),
                                          [](const CommandStep& step) { return step.letter != nullptr; }));
}

void RunAndCheck(const Choice& choice, bool portOpen)
{
    CurrentPort = portOpen ? FuzzLinePort() : 0;
    FuzzLineClearRecord();
    Effects.clear();
    Kept.clear();
    KeptEnds = 0;
    if (choice.sequence)
        RunSequence(*choice.sequence);
    else
        RunDump();
    CheckNothingLeftBehind();
    if (!portOpen) {
        CheckWithoutPort(choice.sequence ? RequestersWithoutPort(*choice.sequence) : 1);
        return;
    }
    if (choice.sequence) {
        CheckAgainst(ExpectedSequence(*choice.sequence));
        return;
    }
    DumpOutcome outcome = ExpectedDump();
    CheckAgainst(outcome.expected);
    FuzzCheck(std::strcmp(DumpText ? DumpText : "", outcome.text.c_str()) == 0, Target, "DumpText differs from the log entry");
    FuzzCheck(EndSeen == (outcome.endSeen ? 1 : 0), Target, "EndSeen differs from the zero bytes met");
    FuzzCheck(Kept == outcome.text && KeptEnds == 1, Target, "the text kept differs from the log's, or ended twice");
    CheckReadings(Kept);
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

// The sequences the bytes describe, each checked; their names go to `picks`
// when it is given.
void RunProtocol(const std::uint8_t* data, std::size_t size, std::vector<std::string>* picks)
{
    FuzzInput input(data, size);
    StartFromProgramStart();
    FuzzLineStart(&input);
    for (int run = 0; run < MaxSequences && !input.Exhausted(); ++run) {
        const std::uint8_t byte = input.Byte();
        const Choice& choice = Choices[byte % ChoiceSlots];
        if (!choice.sequence && !choice.dump)
            break;
        // One choice in sixteen runs its sequence with no port open.
        const bool portOpen = (byte >> 4) != 0xF;
        if (picks)
            picks->push_back(std::string(choice.sequence ? choice.sequence->name : "dump") +
                             (portOpen ? "" : " without a port"));
        RunAndCheck(choice, portOpen);
    }
    // The texts live in the string heap, which another target may replace.
    LoggerStateReset();
}

} // namespace

void FuzzProtocol(const std::uint8_t* data, std::size_t size) { RunProtocol(data, size, nullptr); }

std::vector<std::string> FuzzProtocolPicks(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> picks;
    RunProtocol(data, size, &picks);
    return picks;
}
