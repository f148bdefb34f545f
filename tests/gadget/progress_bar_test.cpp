// The progress bar: range, position and colours.

#include "gadget_test_support.h"

#include "gadget/gadget_kinds.h"

#include <commctrl.h>

namespace {

class ProgressBar : public GadgetWindowTest {
protected:
    void SetUp() override
    {
        GadgetWindowTest::SetUp();
        GadgetCreateProgressBar(14, 10, 10, 300, 16, 0, 300);
        record = GadgetLookup(14);
        ASSERT_NE(record, nullptr);
    }

    std::intptr_t Attribute(std::int32_t attribute) { return record->ops->getAttribute(record, attribute); }

    GadgetRecord* record = nullptr;
};

TEST_F(ProgressBar, RangeAndPosition)
{
    EXPECT_EQ(Attribute(AttrMinimum), 0);
    EXPECT_EQ(Attribute(AttrMaximum), 300);
    EXPECT_EQ(Attribute(99), 0);
    GadgetSetState(14, 120);
    EXPECT_EQ(record->ops->getState(record), 120);
    EXPECT_EQ(SendMessageA(record->hwnd, PBM_GETPOS, 0, 0), 120);
    GadgetSetState(14, 0);
    EXPECT_EQ(record->ops->getState(record), 0);
}

TEST_F(ProgressBar, EachLimitKeepsTheOther)
{
    record->ops->setAttribute(record, AttrMinimum, 50);
    EXPECT_EQ(Attribute(AttrMinimum), 50);
    EXPECT_EQ(Attribute(AttrMaximum), 300);
    record->ops->setAttribute(record, AttrMaximum, 1000);
    EXPECT_EQ(Attribute(AttrMinimum), 50);
    EXPECT_EQ(Attribute(AttrMaximum), 1000);
    record->ops->setAttribute(record, 7, 5);
    EXPECT_EQ(Attribute(AttrMinimum), 50);
    EXPECT_EQ(Attribute(AttrMaximum), 1000);
}

TEST_F(ProgressBar, ColoursAreStoredAsGiven)
{
    EXPECT_EQ(record->ops->getColor(record, ColorFront), -1);
    EXPECT_EQ(record->ops->getColor(record, ColorBack), -1);
    record->ops->setColor(record, ColorFront, 0x0000FF00);
    record->ops->setColor(record, ColorBack, 0x00FFFFFF);
    EXPECT_EQ(record->ops->getColor(record, ColorFront), 0x0000FF00);
    EXPECT_EQ(record->ops->getColor(record, ColorBack), 0x00FFFFFF);
    record->ops->setColor(record, ColorFront, -1);
    EXPECT_EQ(record->ops->getColor(record, ColorFront), -1);
    EXPECT_EQ(record->ops->getColor(record, 5), -1);
}

TEST_F(ProgressBar, RangeFromTheCaller)
{
    GadgetCreateProgressBar(15, 10, 40, 300, 16, -20, 20);
    GadgetRecord* other = GadgetLookup(15);
    EXPECT_EQ(other->ops->getAttribute(other, AttrMinimum), -20);
    EXPECT_EQ(other->ops->getAttribute(other, AttrMaximum), 20);
    EXPECT_EQ(GetWindowLongPtrA(other->hwnd, GWLP_ID), 15);
}

} // namespace
