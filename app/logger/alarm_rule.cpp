#include "app/logger/alarm_rule.h"

#include "app/logger/typed_number.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char NoLimit[] = "none";

AlarmStep Started(AlarmState& state, AlarmKind kind, double limit, AlarmStep step)
{
    state.active = kind;
    state.limit = limit;
    step.started = kind;
    step.startedLimit = limit;
    return step;
}

// A reading back inside the active alarm's limit by the margin, by the
// limits as they stand now: a limit taken away ends its alarm.
bool EndsAlarm(const AlarmState& state, const AlarmLimits& limits, double value)
{
    switch (state.active) {
    case AlarmKind::High:
        return !limits.hasHigh || value <= limits.high - limits.margin;
    case AlarmKind::Low:
        return !limits.hasLow || value >= limits.low + limits.margin;
    case AlarmKind::NoReadings:
        return true;
    case AlarmKind::None:
        break;
    }
    return false;
}

// A whole number of at least `least` and at most `most`.
bool KeptCount(double value, std::int32_t least, std::int32_t most, std::int32_t& count)
{
    if (value != std::floor(value) || value < least || value > most)
        return false;
    count = static_cast<std::int32_t>(value);
    return true;
}

bool TypedCount(const char* text, std::int32_t least, std::int32_t most, std::int32_t& count)
{
    double value = 0;
    return TypedNumber(text, value) && KeptCount(value, least, most, count);
}

bool Empty(const char* text)
{
    for (; text && *text; ++text)
        if (*text != ' ' && *text != '\t')
            return false;
    return true;
}

// A limit's field: empty for none.
bool TypedLimit(const char* text, bool& has, double& limit)
{
    has = !Empty(text);
    return !has || TypedNumber(text, limit);
}

} // namespace

AlarmStep AlarmTakeReading(AlarmState& state, const AlarmLimits& limits, double value)
{
    AlarmStep step{};
    state.gaps = 0;
    state.aboveHigh = limits.hasHigh && value > limits.high ? state.aboveHigh + 1 : 0;
    state.belowLow = limits.hasLow && value < limits.low ? state.belowLow + 1 : 0;
    if (state.active != AlarmKind::None) {
        if (!EndsAlarm(state, limits, value))
            return step;
        step.ended = state.active;
        step.endedLimit = state.limit;
        state.active = AlarmKind::None;
    }
    // The counts go on through an alarm and its gaps: the reading that ends
    // one alarm may complete the count of another.
    if (state.aboveHigh >= limits.readings)
        return Started(state, AlarmKind::High, limits.high, step);
    if (state.belowLow >= limits.readings)
        return Started(state, AlarmKind::Low, limits.low, step);
    return step;
}

AlarmStep AlarmTakeGap(AlarmState& state, const AlarmLimits& limits)
{
    AlarmStep step{};
    if (state.gaps < AlarmMostGapSlots)
        ++state.gaps;
    if (limits.gapSlots <= 0 || state.gaps != limits.gapSlots)
        return step;
    if (state.active == AlarmKind::None)
        return Started(state, AlarmKind::NoReadings, 0, step);
    step.longGap = state.active != AlarmKind::NoReadings;
    return step;
}

AlarmCheck AlarmLimitsFromTyped(const AlarmTyped& typed, AlarmLimits& limits)
{
    AlarmLimits read = AlarmDefaults;
    if (!TypedLimit(typed.high, read.hasHigh, read.high))
        return AlarmCheck::HighNotNumber;
    if (!TypedLimit(typed.low, read.hasLow, read.low))
        return AlarmCheck::LowNotNumber;
    if (!TypedCount(typed.readings, 1, AlarmMostReadings, read.readings))
        return AlarmCheck::ReadingsNotCount;
    if (!TypedNumber(typed.margin, read.margin) || read.margin < 0)
        return AlarmCheck::MarginNotNumber;
    if (!TypedCount(typed.gapSlots, 0, AlarmMostGapSlots, read.gapSlots))
        return AlarmCheck::GapsNotCount;
    if (read.hasHigh && read.hasLow && !(read.low < read.high))
        return AlarmCheck::LowNotBelowHigh;
    limits = read;
    return read.hasHigh && read.hasLow && read.margin > read.high - read.low ? AlarmCheck::WideMargin
                                                                              : AlarmCheck::Good;
}

void AlarmLimitsText(const AlarmLimits& limits, char* text, std::size_t size)
{
    if (!text || size == 0)
        return;
    SettingText kept(text, size);
    kept << "high ";
    if (limits.hasHigh)
        kept << limits.high;
    else
        kept << NoLimit;
    kept << " low ";
    if (limits.hasLow)
        kept << limits.low;
    else
        kept << NoLimit;
    kept << " readings " << limits.readings << " margin " << limits.margin << " gaps " << limits.gapSlots;
}

namespace {

// The next word of the text from `at` on, up to a space; false at its end.
bool NextWord(const char*& at, const char*& word, const char*& end)
{
    while (*at == ' ')
        ++at;
    word = at;
    while (*at && *at != ' ')
        ++at;
    end = at;
    return end > word;
}

bool Is(const char* word, const char* end, const char* name)
{
    const std::size_t length = std::strlen(name);
    return static_cast<std::size_t>(end - word) == length && std::strncmp(word, name, length) == 0;
}

} // namespace

AlarmLimits AlarmLimitsFromText(const char* text)
{
    AlarmLimits limits = AlarmDefaults;
    const char* at = text ? text : "";
    const char *name = nullptr, *nameEnd = nullptr, *value = nullptr, *valueEnd = nullptr;
    while (NextWord(at, name, nameEnd) && NextWord(at, value, valueEnd)) {
        double number = 0;
        const bool none = Is(value, valueEnd, NoLimit);
        const bool read = KeptNumber(value, valueEnd, number);
        if (Is(name, nameEnd, "high") && (none || read)) {
            limits.hasHigh = read;
            limits.high = read ? number : 0;
        } else if (Is(name, nameEnd, "low") && (none || read)) {
            limits.hasLow = read;
            limits.low = read ? number : 0;
        } else if (Is(name, nameEnd, "readings") && read) {
            KeptCount(number, 1, AlarmMostReadings, limits.readings);
        } else if (Is(name, nameEnd, "margin") && read && number >= 0) {
            limits.margin = number;
        } else if (Is(name, nameEnd, "gaps") && read) {
            KeptCount(number, 0, AlarmMostGapSlots, limits.gapSlots);
        }
    }
    // Two limits that do not make a band (an edited value) keep neither.
    if (limits.hasHigh && limits.hasLow && !(limits.low < limits.high))
        limits.hasHigh = limits.hasLow = false;
    return limits;
}
