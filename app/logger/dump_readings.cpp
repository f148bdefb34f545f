#include "app/logger/dump_readings.h"

#include "app/logger/log_file_format.h"

#include <cmath>
#include <cstring>

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(const char* line, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i)
        if (line[i] != ' ' && line[i] != '\t')
            return false;
    return true;
}

} // namespace

void DumpVisitLines(const char* text, std::size_t length, DumpLineVisit visit, void* context)
{
    std::size_t begin = 0;
    while (begin < length) {
        std::size_t end = begin;
        while (end < length && !IsLineEnd(text[end]))
            ++end;
        if (!IsBlank(text + begin, end - begin))
            visit(context, text + begin, end - begin, FindLineNumber(text + begin, end - begin));
        begin = end + (end + 1 < length && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    }
}

bool DumpLineHoldsReading(const ReplyNumber& number) { return number.found && std::isfinite(number.value); }

void DumpSummaryAdd(DumpSummary& summary, const ReplyNumber& number)
{
    if (!DumpLineHoldsReading(number)) {
        ++summary.withoutNumber;
        return;
    }
    const double value = number.value;
    summary.low = summary.readings == 0 || value < summary.low ? value : summary.low;
    summary.high = summary.readings == 0 || value > summary.high ? value : summary.high;
    summary.sum += value;
    ++summary.readings;
    const double kelvin = value + CelsiusZeroKelvin;
    if (kelvin <= 0) {
        summary.belowAbsoluteZero = true;
        return;
    }
    const double exponent = -KineticActivationKelvin / kelvin;
    if (summary.kineticScaled == 0) {
        summary.kineticTop = exponent;
        summary.kineticScaled = 1;
    } else if (exponent > summary.kineticTop) {
        summary.kineticScaled = summary.kineticScaled * std::exp(summary.kineticTop - exponent) + 1;
        summary.kineticTop = exponent;
    } else {
        summary.kineticScaled += std::exp(exponent - summary.kineticTop);
    }
}

double DumpSummaryMean(const DumpSummary& summary)
{
    return summary.readings ? summary.sum / static_cast<double>(summary.readings) : 0;
}

bool DumpMeanKinetic(const DumpSummary& summary, double& celsius)
{
    if (summary.readings == 0 || summary.belowAbsoluteZero)
        return false;
    // -E / ln(mean of exp(-E/T)), the mean taken in the scaled terms.
    const double logMean = summary.kineticTop + std::log(summary.kineticScaled / static_cast<double>(summary.readings));
    celsius = -KineticActivationKelvin / logMean - CelsiusZeroKelvin;
    return true;
}

std::uint32_t DumpIntervalSeconds(const char* intervalName)
{
    constexpr struct {
        const char* name;
        std::uint32_t seconds;
    } Intervals[] = {{"Minut", 60}, {"Hour", 3600}, {"Day", 86'400}};
    for (const auto& interval : Intervals)
        if (intervalName && std::strcmp(intervalName, interval.name) == 0)
            return interval.seconds;
    return 0;
}

std::int64_t DumpReadingTime(std::int64_t last, std::uint32_t intervalSeconds, std::uint64_t index,
                             std::uint64_t count)
{
    const std::uint64_t before = index < count ? count - index : 0;
    return last - static_cast<std::int64_t>(before) * intervalSeconds;
}

std::size_t DumpTextUtf8(DumpTextState& state, const char* bytes, std::size_t length, char* out)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char byte = bytes[i];
        const bool lineEndGoesOn = byte == '\n' && state.afterReturn;
        state.afterReturn = byte == '\r';
        if (lineEndGoesOn)
            continue;
        if (IsLineEnd(byte)) {
            out[written++] = '\r';
            out[written++] = '\n';
            state.lineOpen = false;
            continue;
        }
        written += Utf8From1251(&byte, 1, out + written);
        state.lineOpen = true;
    }
    return written;
}
