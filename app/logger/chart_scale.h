#pragma once
// The charts' value axis: automatic (the view's lowest and highest) or fixed
// by the user, one setting for every chart. It is kept as text with '.' for
// the separator, so the user's own separator never changes what it reads;
// what the user types takes '.' or ','.

#include <cstddef>

struct ChartScale {
    bool fixed;
    double low;
    double high;
};

// A fixed scale needs two numbers, the low below the high.
enum class ChartScaleCheck { Good, LowNotNumber, HighNotNumber, LowNotBelowHigh };
ChartScaleCheck ChartScaleFromTyped(const char* low, const char* high, ChartScale& scale);

// "fixed LOW HIGH" for a fixed scale, "auto" otherwise; reading back any other
// text gives the automatic scale.
void ChartScaleText(const ChartScale& scale, char* text, std::size_t size);
ChartScale ChartScaleFromText(const char* text);
