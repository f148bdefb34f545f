#include "app/logger/chart_scale.h"

#include "app/logger/typed_number.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char FixedWord[] = "fixed ";

} // namespace

ChartScaleCheck ChartScaleFromTyped(const char* low, const char* high, ChartScale& scale)
{
    ChartScale typed{true, 0, 0};
    if (!TypedNumber(low, typed.low))
        return ChartScaleCheck::LowNotNumber;
    if (!TypedNumber(high, typed.high))
        return ChartScaleCheck::HighNotNumber;
    if (!(typed.low < typed.high))
        return ChartScaleCheck::LowNotBelowHigh;
    scale = typed;
    return ChartScaleCheck::Good;
}

void ChartScaleText(const ChartScale& scale, char* text, std::size_t size)
{
    if (!text || size == 0)
        return;
    SettingText kept(text, size);
    if (scale.fixed)
        kept << FixedWord << scale.low << " " << scale.high;
    else
        kept << "auto";
}

ChartScale ChartScaleFromText(const char* text)
{
    const std::size_t word = sizeof FixedWord - 1;
    if (!text || std::strncmp(text, FixedWord, word) != 0)
        return ChartScale{};
    const char* low = text + word;
    const char* space = std::strchr(low, ' ');
    if (!space)
        return ChartScale{};
    ChartScale scale{true, 0, 0};
    const char* high = space + 1;
    if (!KeptNumber(low, space, scale.low) || !KeptNumber(high, high + std::strlen(high), scale.high) ||
        !(scale.low < scale.high))
        return ChartScale{};
    return scale;
}
