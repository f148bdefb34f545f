#pragma once
// What a dump's text holds as data: its lines and the reading each gives,
// their summary, the times they were taken at as the logger's interval
// tells them, and the text as its kept file's UTF-8.

#include "app/logger/watch_record.h"

#include <cstddef>
#include <cstdint>

// Each line of the text that is not blank, in the order sent, with the
// number it holds (FindLineNumber). A line ends at CR LF, a lone CR or a
// lone LF; the last one needs no line end.
using DumpLineVisit = void (*)(void* context, const char* line, std::size_t length, const ReplyNumber& number);
void DumpVisitLines(const char* text, std::size_t length, DumpLineVisit visit, void* context);

// A line's number that is a reading: one too large to hold is none.
bool DumpLineHoldsReading(const ReplyNumber& number);

// The activation energy over the gas constant of the mean kinetic
// temperature: 83.144 kJ/mol / 8.3144 J/(mol K).
inline constexpr double KineticActivationKelvin = 10'000;
inline constexpr double CelsiusZeroKelvin = 273.15;

// The readings of a dump summed up as they come; a zero-initialised record
// holds none.
struct DumpSummary {
    std::uint64_t readings;
    std::uint64_t withoutNumber; // lines that held no number, or one too large to hold
    double low, high, sum;
    // The mean kinetic temperature's sum of exp(-E/T), kept as
    // exp(kineticTop) x kineticScaled: the terms of cold readings are far
    // below what a double holds beside those of warm ones.
    double kineticTop, kineticScaled;
    bool belowAbsoluteZero; // a reading no thermometer gives: no mean kinetic temperature
};

// A line's number, or its lack, counted.
void DumpSummaryAdd(DumpSummary& summary, const ReplyNumber& number);
// The mean of the readings; 0 with none.
double DumpSummaryMean(const DumpSummary& summary);
// The mean kinetic temperature in degrees Celsius; false with no readings,
// or one at or below absolute zero.
bool DumpMeanKinetic(const DumpSummary& summary, double& celsius);

// The logger's interval as its field names it ("Minut", "Hour", "Day") in
// seconds; 0 for anything else, whose readings have no times.
std::uint32_t DumpIntervalSeconds(const char* intervalName);

// The time of reading `index` (from 1) of `count`, the last one taken at
// `last`: one interval before each the next.
std::int64_t DumpReadingTime(std::int64_t last, std::uint32_t intervalSeconds, std::uint64_t index,
                             std::uint64_t count);

// A dump's bytes (code page 1251) as its file's UTF-8, part by part: each
// line end (CR LF, a lone CR or a lone LF) one CR LF, also when a CR LF is
// split between two parts. `out` holds three bytes for every byte in.
struct DumpTextState {
    bool afterReturn; // the last byte was a CR: an LF right after it is part of its line end
    bool lineOpen;    // a line has begun and not ended
};
std::size_t DumpTextUtf8(DumpTextState& state, const char* bytes, std::size_t length, char* out);
