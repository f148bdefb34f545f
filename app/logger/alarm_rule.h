#pragma once
// A watch's alarm: the temperature beyond a high or a low limit for a count
// of readings in a row, or a stretch of slots without a reading. It ends
// once a reading is back inside its limit by a margin, or when readings come
// again. Slots without a reading neither count toward the readings beyond a
// limit nor break their count. The limits are the user's and may change at
// any reading: each step judges by the limits it is given. The limits are
// kept as text with '.' for the separator, so the user's own separator never
// changes what they read; what the user types takes '.' or ','.

#include <cstddef>
#include <cstdint>

struct AlarmLimits {
    bool hasHigh, hasLow;
    double high, low;
    std::int32_t readings; // in a row beyond a limit before the alarm starts, 1 to 100
    double margin;         // back inside the limit by this much before it ends
    std::int32_t gapSlots; // slots in a row without a reading that raise an alarm; 0 for none
};
inline constexpr AlarmLimits AlarmDefaults{false, false, 0, 0, 3, 0.5, 10};
inline constexpr std::int32_t AlarmMostReadings = 100;
inline constexpr std::int32_t AlarmMostGapSlots = 100'000;

enum class AlarmKind : std::uint8_t { None, High, Low, NoReadings };

// Zero-initialised: no alarm, nothing counted.
struct AlarmState {
    AlarmKind active;
    double limit; // the limit the alarm passed, as it stood then
    std::int32_t aboveHigh, belowLow; // readings in a row beyond each limit
    std::int32_t gaps;                // slots in a row without a reading
};

// What a slot changed: an alarm that ended, one that started (both, when a
// reading that ends one is the last of a count for the other), and a long
// stretch without readings during an alarm of a limit.
struct AlarmStep {
    AlarmKind ended;
    double endedLimit;
    AlarmKind started;
    double startedLimit;
    bool longGap;
};

AlarmStep AlarmTakeReading(AlarmState& state, const AlarmLimits& limits, double value);
AlarmStep AlarmTakeGap(AlarmState& state, const AlarmLimits& limits);

// What the user typed in the limits' fields, checked; an empty limit is
// none. On Good (or WideMargin, which is allowed) `limits` holds them.
enum class AlarmCheck {
    Good,
    WideMargin, // back inside by more than the band between the limits is
    HighNotNumber,
    LowNotNumber,
    ReadingsNotCount,
    MarginNotNumber,
    GapsNotCount,
    LowNotBelowHigh,
};
struct AlarmTyped {
    const char* high;
    const char* low;
    const char* readings;
    const char* margin;
    const char* gapSlots;
};
AlarmCheck AlarmLimitsFromTyped(const AlarmTyped& typed, AlarmLimits& limits);

// "high 25.5 low none readings 3 margin 0.5 gaps 10"; reading back takes
// each word it knows and the default for any other.
void AlarmLimitsText(const AlarmLimits& limits, char* text, std::size_t size);
AlarmLimits AlarmLimitsFromText(const char* text);
