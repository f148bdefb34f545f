// String field colours: the shared back brushes and the answers to the
// parent's colour messages.

#include "gadget_test_support.h"

#include "gadget/brush_cache.h"
#include "gadget/gadget_kinds.h"

namespace {

using StringFieldColours = GadgetWindowTest;

constexpr std::int32_t Amber = 0x0040C0FF;
constexpr std::int32_t Teal = 0x00808000;
constexpr std::int32_t Navy = 0x00800000;

HBRUSH BackBrushOf(ObjectNumber number)
{
    return reinterpret_cast<HBRUSH>(GadgetLookup(number)->kindWordC);
}

std::intptr_t SetColour(ObjectNumber number, std::int32_t type, std::int32_t colour)
{
    GadgetRecord* record = GadgetLookup(number);
    return record->ops->setColor(record, type, colour);
}

std::int32_t GetColour(ObjectNumber number, std::int32_t type)
{
    GadgetRecord* record = GadgetLookup(number);
    return record->ops->getColor(record, type);
}

bool IsLiveBrush(HBRUSH brush) { return GetObjectType(brush) == OBJ_BRUSH; }

TEST_F(StringFieldColours, FieldsWithOneBackColourShareOneBrush)
{
    GadgetCreateStringField(1, 10, 10, 100, 20, "a", 0);
    GadgetCreateStringField(2, 10, 40, 100, 20, "b", 0);
    EXPECT_EQ(BackBrushOf(1), nullptr);

    SetColour(1, ColorBack, Amber);
    SetColour(2, ColorBack, Amber);
    HBRUSH shared = BackBrushOf(1);
    ASSERT_TRUE(IsLiveBrush(shared));
    EXPECT_EQ(BackBrushOf(2), shared);

    // One field moves to another colour: the other keeps the shared brush.
    SetColour(1, ColorBack, Teal);
    EXPECT_NE(BackBrushOf(1), shared);
    EXPECT_TRUE(IsLiveBrush(BackBrushOf(1)));
    EXPECT_TRUE(IsLiveBrush(shared));

    // The last holder goes with its window and deletes the brush.
    HBRUSH teal = BackBrushOf(1);
    GadgetDestroy(2);
    EXPECT_FALSE(IsLiveBrush(shared));
    SetColour(1, ColorBack, -1);
    EXPECT_EQ(BackBrushOf(1), nullptr);
    EXPECT_FALSE(IsLiveBrush(teal));
}

TEST_F(StringFieldColours, ColoursAreStoredAsGiven)
{
    GadgetCreateStringField(1, 10, 10, 100, 20, "a", 0);
    EXPECT_EQ(GetColour(1, ColorFront), -1);
    EXPECT_EQ(GetColour(1, ColorBack), -1);
    SetColour(1, ColorFront, Navy);
    SetColour(1, ColorBack, Amber);
    SetColour(1, 3, Teal); // an unknown type changes nothing
    EXPECT_EQ(GetColour(1, ColorFront), Navy);
    EXPECT_EQ(GetColour(1, ColorBack), Amber);
    EXPECT_EQ(GetColour(1, 3), -1);
}

// What the field answers to the parent's colour message, and what it leaves
// on the device context.
struct ColourCase {
    const char* name;
    std::int32_t front;
    std::int32_t back;
    UINT message;
    bool enabled;
    enum class Answer { Default, BackBrush, SystemHighlight } answer;
};

class StringFieldColourAnswer : public GadgetWindowTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(StringFieldColourAnswer, AnswersTheColourMessage)
{
    const ColourCase& c = GetParam();
    GadgetCreateStringField(1, 10, 10, 100, 20, "a", StringReadOnly);
    if (c.front != -1)
        SetColour(1, ColorFront, c.front);
    if (c.back != -1)
        SetColour(1, ColorBack, c.back);
    GadgetRecord* record = GadgetLookup(1);
    EnableWindow(record->hwnd, c.enabled);

    HDC dc = CreateCompatibleDC(nullptr);
    const COLORREF textBefore = SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    const LRESULT answer = record->ops->handleParentMessage(record, parent, c.message,
                                                            reinterpret_cast<WPARAM>(dc),
                                                            reinterpret_cast<LPARAM>(record->hwnd));
    switch (c.answer) {
    case ColourCase::Answer::Default:
        EXPECT_EQ(answer, DEFAULT_PROCESSING);
        EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
        EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
        break;
    case ColourCase::Answer::BackBrush:
        EXPECT_EQ(answer, reinterpret_cast<LRESULT>(BackBrushOf(1)));
        EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(c.back));
        EXPECT_EQ(GetTextColor(dc), c.front == -1 ? RGB(1, 2, 3) : static_cast<COLORREF>(c.front));
        break;
    case ColourCase::Answer::SystemHighlight:
        EXPECT_EQ(answer, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNHIGHLIGHT)));
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(c.front));
        break;
    }
    SetTextColor(dc, textBefore);
    DeleteDC(dc);
}

using Answer = ColourCase::Answer;

INSTANTIATE_TEST_SUITE_P(
    Cases, StringFieldColourAnswer,
    ::testing::Values(
        ColourCase{"NoColoursLeftToTheSystem", -1, -1, WM_CTLCOLOREDIT, true, Answer::Default},
        ColourCase{"BackOnlyEdit", -1, Amber, WM_CTLCOLOREDIT, true, Answer::BackBrush},
        ColourCase{"BackOnlyReadOnly", -1, Amber, WM_CTLCOLORSTATIC, true, Answer::BackBrush},
        ColourCase{"FrontAndBack", Navy, Amber, WM_CTLCOLOREDIT, true, Answer::BackBrush},
        ColourCase{"FrontOnlyOnHighlight", Navy, -1, WM_CTLCOLORSTATIC, true, Answer::SystemHighlight},
        ColourCase{"DisabledKeepsSystemColours", Navy, Amber, WM_CTLCOLORSTATIC, false, Answer::Default},
        ColourCase{"OtherMessagesIgnored", Navy, Amber, WM_CTLCOLORBTN, true, Answer::Default},
        ColourCase{"CommandIgnored", Navy, Amber, WM_COMMAND, true, Answer::Default}),
    [](const ::testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

TEST(BrushCache, CountsHoldersAndIgnoresStrangers)
{
    StartGadgetRuntime();
    HBRUSH first = AcquireBrush(0x00123456);
    HBRUSH second = AcquireBrush(0x00123456);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);

    HBRUSH stranger = CreateSolidBrush(0x00123456);
    ReleaseBrush(stranger);
    ReleaseBrush(nullptr);
    EXPECT_TRUE(IsLiveBrush(stranger));
    DeleteObject(stranger);

    ReleaseBrush(first);
    EXPECT_TRUE(IsLiveBrush(first));
    ReleaseBrush(first);
    EXPECT_FALSE(IsLiveBrush(first));
    // Released too often: the brush is no longer in the cache and nothing happens.
    ReleaseBrush(first);

    HBRUSH fresh = AcquireBrush(0x00123456);
    EXPECT_TRUE(IsLiveBrush(fresh));
    ReleaseBrush(fresh);
}

} // namespace
