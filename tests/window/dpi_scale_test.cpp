// The layout's pixels at 100, 125, 150 and 200 %, rounded as MulDiv rounds:
// halves away from zero.
#include "window/dpi_scale.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(DpiScale, TheLayoutsNumbersAtEachScale)
{
    // Pixels, then at 96, 120, 144 and 192 dpi.
    const std::int32_t rows[][5] = {
        {555, 555, 694, 833, 1110}, // 693.75 and 832.5 round up
        {105, 105, 131, 158, 210},  // 131.25 rounds down, 157.5 up
        {-30, -30, -38, -45, -60},  // a half below zero goes further down
    };
    const std::int32_t dpis[] = {96, 120, 144, 192};
    for (const auto& row : rows)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(ScaleToDpi(row[0], dpis[column]), row[column + 1]) << row[0] << " at " << dpis[column];
    // Each number on its own: the "+" button stays square.
    EXPECT_EQ(ScaleToDpi(LayoutRect{290, 105, 20, 20}, 144), (LayoutRect{435, 158, 30, 30}));
    // No display reports these; the results stay defined.
    EXPECT_EQ(ScaleToDpi(555, 0), 555);
    EXPECT_EQ(ScaleToDpi(INT32_MAX, 192), INT32_MAX);
    EXPECT_EQ(ScaleToDpi(INT32_MIN, 192), INT32_MIN);
}

} // namespace
