// The dump's progress updates: which may be skipped without changing what the
// bar draws.
#include "app/logger/progress_drawing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::int32_t Maximum = 300;

TEST(ProgressDrawing, LengthsAreRoundedAndClampedToTheBar)
{
    const struct {
        std::int32_t position, maximum, width, length;
    } rows[] = {
        {0, 300, 138, 0},     {1, 300, 138, 0},       {2, 300, 138, 1},   {150, 300, 138, 69},
        {299, 300, 138, 138}, {300, 300, 138, 138},   {5000, 300, 138, 138}, {-4, 300, 138, 0},
        {10, 0, 138, 0},      {10, 300, 0, 0},        {10, 300, -2, 0},   {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {0x7FFFFFFE, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFE},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.position << " of " << row.maximum << " over " << row.width);
        EXPECT_EQ(ProgressDrawnLength(row.position, row.maximum, row.width), row.length);
    }
}

TEST(ProgressDrawing, UpdatesThatDrawTheSameAreSkippedButTheResetNeverIs)
{
    const struct {
        std::int32_t shown, next, width;
        bool needed;
    } rows[] = {
        {10, 10, 138, false},   // the same position
        {300, 301, 138, false}, // above the range: the full bar again
        {400, 1023, 138, false},
        {299, 400, 138, false}, // 299 already draws the whole bar at this width
        {290, 400, 138, true},
        {2, 3, 138, false},     // both one pixel
        {3, 4, 138, true},
        {1, 0, 138, true},      // the dump's reset, though both draw nothing
        {0, 0, 138, false},
        {5, 6, 0, false},       // a bar without pixels draws nothing at all
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.shown << " -> " << row.next << " over " << row.width);
        EXPECT_EQ(ProgressUpdateNeeded(row.shown, row.next, Maximum, row.width), row.needed);
    }
}

// What the dump sends: each byte's place in its chunk, chunk after chunk, and
// 0 at the end. After every step the bar must draw what it would have drawn
// had every update been sent, and end at 0.
TEST(ProgressDrawing, TheFilteredBarDrawsWhatEveryUpdateWouldHaveDrawn)
{
    const std::vector<std::int32_t> chunkSizes = {1, 2, 3, 7, 100, 288, 299, 300, 301, 1024};
    for (std::int32_t width = 1; width <= 400; ++width) {
        std::int32_t shown = 0;
        std::int32_t sent = 0;
        std::int32_t steps = 0;
        auto show = [&](std::int32_t position) {
            ++steps;
            if (ProgressUpdateNeeded(shown, position, Maximum, width)) {
                shown = position;
                ++sent;
            }
            ASSERT_EQ(ProgressDrawnLength(shown, Maximum, width), ProgressDrawnLength(position, Maximum, width))
                << "width " << width << " position " << position;
        };
        for (const std::int32_t size : chunkSizes)
            for (std::int32_t i = 0; i < size; ++i)
                ASSERT_NO_FATAL_FAILURE(show(i));
        ASSERT_NO_FATAL_FAILURE(show(0));
        EXPECT_EQ(shown, 0);
        // No more updates than the bar has pixels to draw, per chunk and reset.
        EXPECT_LE(sent, static_cast<std::int32_t>(chunkSizes.size()) * (width + 1) + 1) << "width " << width;
        EXPECT_LT(sent, steps);
    }
}

// A chunk's positions reported `apart` ms from each other, then held: the
// bar is drawn at most once a frame, yet ends drawn as the chunk's last position,
// and the reset after it is drawn at once.
TEST(ProgressDrawing, AChunkIsDrawnOnceAFrameAndEndsOnItsLastPosition)
{
    constexpr std::int32_t width = 138;
    constexpr std::int32_t last = 287;
    for (const std::int64_t apart : {0, 1, 3, 16, 40}) {
        SCOPED_TRACE(testing::Message() << apart << " ms apart");
        ProgressBar bar{0, 0};
        std::int64_t now = 1000;
        int drawings = 0;
        for (std::int32_t position = 0; position <= last; ++position, now += apart)
            drawings += ProgressDraw(bar, position, false, now, Maximum, width);
        drawings += ProgressDraw(bar, last, true, now, Maximum, width);
        EXPECT_EQ(ProgressDrawnLength(bar.shown, Maximum, width), ProgressDrawnLength(last, Maximum, width));
        // The first position, one a frame, and the held last one.
        EXPECT_LE(drawings, 2 + last * apart / DisplayFrameMilliseconds);
        EXPECT_GE(drawings, apart >= DisplayFrameMilliseconds ? width / 2 : 2);
        EXPECT_TRUE(ProgressDraw(bar, 0, false, now, Maximum, width));
    }
}

} // namespace
