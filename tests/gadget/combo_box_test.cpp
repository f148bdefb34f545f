// Combo boxes of both classes: the closed height, item positions, the
// selection as state and text, and the item slots.

#include "gadget_test_support.h"

#include "gadget/gadget_kinds.h"

#include <vector>

namespace {

struct ComboClass {
    const char* name;
    std::uint32_t flags;
    bool extended;
};

class ComboBox : public GadgetWindowTest, public ::testing::WithParamInterface<ComboClass> {
protected:
    ObjectNumber Create(ObjectNumber number, std::uint32_t extraFlags = 0, std::int32_t height = 20)
    {
        GadgetCreateComboBox(number, 10, 10, 150, height, GetParam().flags | extraFlags);
        return number;
    }

    static GadgetRecord* Record(ObjectNumber number) { return GadgetLookup(number); }

    static std::vector<std::string> Items(ObjectNumber number)
    {
        GadgetRecord* record = Record(number);
        std::vector<std::string> items;
        for (std::int32_t i = 0; i < record->ops->countItems(record); ++i) {
            const std::int32_t start = TempLength;
            record->ops->getItemText(record, i, 0, start);
            items.push_back(TempText(start));
            TempSetLength(start);
        }
        return items;
    }

    static std::int32_t Selection(ObjectNumber number) { return Record(number)->ops->getState(Record(number)); }
};

using Strings = std::vector<std::string>;

TEST_P(ComboBox, ClosedHeightIsTheOneAskedFor)
{
    for (const std::int32_t height : {20, 26}) {
        Create(8, 0, height);
        RECT rect{};
        GetWindowRect(GadgetHandle(8), &rect);
        EXPECT_EQ(rect.bottom - rect.top, height);
        EXPECT_GT(comboHeightDelta, 0);
    }
}

TEST_P(ComboBox, ResizeKeepsOrChangesTheClosedHeight)
{
    Create(8);
    GadgetRecord* record = Record(8);
    record->ops->resize(record, 20, 30, 200, KeepValue);
    RECT rect{};
    GetWindowRect(record->hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 20);
    record->ops->resize(record, KeepValue, KeepValue, KeepValue, 24);
    GetWindowRect(record->hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 24);
}

TEST_P(ComboBox, InsertPositions)
{
    Create(8);
    EXPECT_EQ(GadgetInsertItem(8, -1, "COM2"), 1);
    EXPECT_EQ(GadgetInsertItem(8, -1, "COM3"), 1);
    EXPECT_EQ(GadgetInsertItem(8, 0, "COM1"), 1);
    EXPECT_EQ(GadgetInsertItem(8, -2, "COM4"), 1);
    EXPECT_EQ(GadgetInsertItem(8, 1, nullptr), 1);
    if (GetParam().extended)
        EXPECT_EQ(Items(8), (Strings{"COM1", "", "COM2", "COM3", "COM4"}));
    else // below -1 the plain list adds nothing
        EXPECT_EQ(Items(8), (Strings{"COM1", "", "COM2", "COM3"}));
}

TEST_P(ComboBox, StateIsTheSelectionAndTextFollowsIt)
{
    Create(8);
    for (const char* port : {"COM1", "COM2", "COM3", "COM4"})
        GadgetInsertItem(8, -1, port);
    EXPECT_EQ(GadgetText(8), "");
    GadgetSetState(8, 1);
    EXPECT_EQ(Selection(8), 1);
    EXPECT_EQ(GadgetText(8), "COM2");
    GadgetSetState(8, 3);
    EXPECT_EQ(GadgetText(8), "COM4");
    GadgetSetState(8, -1);
    EXPECT_EQ(Selection(8), -1);
    EXPECT_EQ(GadgetText(8), "");
}

TEST_P(ComboBox, SetTextOnADropDownListSelects)
{
    Create(8);
    for (const char* port : {"COM1", "COM2", "COM3"})
        GadgetInsertItem(8, -1, port);
    EXPECT_NE(GadgetSetText(8, "COM3"), -1);
    EXPECT_EQ(Selection(8), 2);
    EXPECT_EQ(GadgetSetText(8, "COM9"), -1);
    EXPECT_EQ(Selection(8), 2);
    EXPECT_EQ(GadgetSetText(8, "com"), -1);
    EXPECT_EQ(Selection(8), 2);
    GadgetSetText(8, "");
    EXPECT_EQ(Selection(8), -1);
    GadgetSetText(8, "COM1");
    GadgetSetText(8, nullptr);
    EXPECT_EQ(Selection(8), -1);
}

TEST_P(ComboBox, EditableComboTakesAnyTextAndStopsTheTabKey)
{
    Create(8, ComboEditable);
    GadgetInsertItem(8, -1, "COM1");
    GadgetSetText(8, "COM7");
    EXPECT_EQ(GadgetText(8), "COM7");
    EXPECT_EQ(Selection(8), -1);

    HWND combo = GadgetHandle(8);
    HWND edit = GetWindow(combo, GW_CHILD);
    if (GetParam().extended)
        edit = GetWindow(edit, GW_CHILD);
    ASSERT_NE(edit, nullptr);
    char className[32] = {};
    GetClassNameA(edit, className, sizeof(className));
    EXPECT_STRCASEEQ(className, "Edit");
    EXPECT_NE(GetWindowLongPtrA(edit, GWL_STYLE) & WS_TABSTOP, 0);
}

TEST_P(ComboBox, ItemTextAndDataSlots)
{
    Create(8);
    for (const char* port : {"COM1", "COM2", "COM3"})
        GadgetInsertItem(8, -1, port);
    GadgetRecord* record = Record(8);
    record->ops->setItemData(record, 1, 4242);
    GadgetSetState(8, 1);

    EXPECT_NE(record->ops->setItemText(record, 1, "USB1", 0), -1);
    EXPECT_EQ(Items(8), (Strings{"COM1", "USB1", "COM3"}));
    EXPECT_EQ(record->ops->getItemData(record, 1), 4242);
    EXPECT_EQ(Selection(8), 1);
    EXPECT_EQ(GadgetText(8), "USB1");

    // Items outside the list have no text.
    for (const std::int32_t missing : {-1, 3, 7}) {
        const std::int32_t start = TempLength;
        record->ops->getItemText(record, missing, 0, start);
        EXPECT_EQ(TempText(start), "") << "item " << missing;
        TempSetLength(start);
    }

    EXPECT_EQ(record->ops->removeItem(record, 0), 2);
    EXPECT_EQ(Items(8), (Strings{"USB1", "COM3"}));
    GadgetClearItems(8);
    EXPECT_EQ(record->ops->countItems(record), 0);
}

// Windows' image combo box answers CB_GETLBTEXTLEN from its owner-drawn
// inner list: the size of an item's data, whatever the text. Wine answers
// with the text's length. Put in front of the control, this gives Windows'
// answer.
WNDPROC imageComboProc = nullptr;
LRESULT CALLBACK AnswerItemDataSize(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CB_GETLBTEXTLEN)
        return sizeof(ULONG_PTR);
    return CallWindowProcA(imageComboProc, hwnd, message, wParam, lParam);
}

TEST_P(ComboBox, LongItemTextsAreReadWhole)
{
    Create(8);
    if (GetParam().extended)
        imageComboProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(GadgetHandle(8), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnswerItemDataSize)));
    Strings names;
    for (const std::size_t length : {9, 40, 63, 64, 300}) {
        std::string name;
        for (std::size_t i = 0; i < length; ++i)
            name += static_cast<char>('a' + i % 26);
        names.push_back(name);
        GadgetInsertItem(8, -1, name.c_str());
    }
    EXPECT_EQ(Items(8), names);
    GadgetSetState(8, 4);
    EXPECT_EQ(GadgetText(8), names[4]);
}

TEST_P(ComboBox, RenamingAMissingItemChangesNothing)
{
    Create(8);
    GadgetInsertItem(8, -1, "COM1");
    GadgetRecord* record = Record(8);
    const std::intptr_t result = record->ops->setItemText(record, 3, "x", 0);
    if (!GetParam().extended) {
        EXPECT_EQ(result, -1);
    }
    EXPECT_EQ(Items(8), (Strings{"COM1"}));
}

INSTANTIATE_TEST_SUITE_P(Classes, ComboBox,
                         ::testing::Values(ComboClass{"ComboBox", 0, false},
                                           ComboClass{"ComboBoxEx32", ComboImages, true}),
                         [](const ::testing::TestParamInfo<ComboClass>& info) { return std::string(info.param.name); });

TEST_F(GadgetWindowTest, ComboBoxClassFollowsTheImagesFlag)
{
    GadgetCreateComboBox(1, 10, 10, 100, 20);
    GadgetCreateComboBox(2, 10, 40, 100, 20, ComboImages);
    char name[32] = {};
    GetClassNameA(GadgetHandle(1), name, sizeof(name));
    EXPECT_STREQ(name, "ComboBox");
    GetClassNameA(GadgetHandle(2), name, sizeof(name));
    EXPECT_STREQ(name, "ComboBoxEx32");
    EXPECT_EQ(GadgetLookup(1)->kindWordA, 0);
    EXPECT_EQ(GadgetLookup(2)->kindWordA, 1);
    // The drop-down list: style bits CBS_DROPDOWNLIST and a tab stop.
    EXPECT_EQ(GetWindowLongPtrA(GadgetHandle(1), GWL_STYLE) & (CBS_DROPDOWNLIST | WS_TABSTOP),
              CBS_DROPDOWNLIST | WS_TABSTOP);
}

} // namespace
