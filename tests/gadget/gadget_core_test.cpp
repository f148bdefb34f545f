// The kind-independent gadget layer: numbers, identifiers, the record's
// lifetime, the generic operations and the default font.

#include "gadget_test_support.h"

#include "gadget/editor.h"
#include "gadget/font.h"
#include "gadget/gadget_kinds.h"

#include "window/event.h"
#include "window/window.h"

#include "base/strings.h"

#include <vector>

namespace {

using GadgetCore = GadgetWindowTest;

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)); }

HFONT StockGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

std::string WindowText(HWND hwnd)
{
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

TEST_F(GadgetCore, NumberBecomesTheControlIdAndTheGadgetProperty)
{
    const std::intptr_t result = GadgetCreateButton(7, 10, 10, 80, 24, "Read");
    HWND hwnd = GadgetHandle(7);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(result, reinterpret_cast<std::intptr_t>(hwnd));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_ID), 7);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropA(hwnd, "GX_ID")), 7);
    EXPECT_EQ(GetParent(hwnd), parent);
    EXPECT_EQ(WindowText(hwnd), "Read");
    EXPECT_EQ(FontOf(hwnd), StockGuiFont());
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP),
              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP);
}

TEST_F(GadgetCore, KindWithoutAddSlotIgnoresInsertItem)
{
    GadgetCreateButton(1, 10, 10, 80, 24, "Read");
    HWND hwnd = GadgetHandle(1);
    EXPECT_EQ(GadgetInsertItem(1, -1, "COM1"), 0);
    EXPECT_EQ(GadgetInsertItem(1, 0, nullptr), 0);
    EXPECT_EQ(WindowText(hwnd), "Read");
    EXPECT_EQ(GetWindow(hwnd, GW_CHILD), nullptr);
    EXPECT_EQ(GadgetClearItems(1), 0);
    EXPECT_EQ(WindowText(hwnd), "Read");
}

TEST_F(GadgetCore, ReusingALiveNumberDestroysTheOldGadget)
{
    GadgetCreateButton(4, 10, 10, 80, 24, "old");
    HWND old = GadgetHandle(4);
    ASSERT_NE(old, nullptr);

    GadgetCreateStringField(4, 10, 40, 120, 20, "new", 0);
    HWND replacement = GadgetHandle(4);
    EXPECT_FALSE(IsWindow(old));
    ASSERT_NE(replacement, nullptr);
    EXPECT_NE(replacement, old);
    EXPECT_EQ(GadgetLookup(4)->ops->kindId, GadgetKindStringField);
    EXPECT_EQ(GetWindowLongPtrA(replacement, GWLP_ID), 4);

    GadgetSetText(4, "changed");
    EXPECT_EQ(WindowText(replacement), "changed");
}

TEST_F(GadgetCore, AnyNumberGivesAnIdentifierThatWorksInEveryOperation)
{
    const std::intptr_t id = GadgetCreateComboBox(AnyNumber, 10, 10, 120, 20);
    ASSERT_NE(id, 0);
    const GadgetRecord* record = GadgetLookup(id);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(id, reinterpret_cast<std::intptr_t>(record));
    // The control id holds the whole identifier, not a truncated one.
    EXPECT_EQ(GetWindowLongPtrA(record->hwnd, GWLP_ID), id);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropA(record->hwnd, "GX_ID")), id);

    EXPECT_EQ(GadgetInsertItem(id, -1, "COM1"), 1);
    GadgetInsertItem(id, -1, "COM2");
    GadgetSetState(id, 1);
    EXPECT_EQ(GadgetText(id), "COM2");
    GadgetSetText(id, "COM1");
    EXPECT_EQ(GadgetText(id), "COM1");

    const std::intptr_t font = FontOpen(40, "Arial", 10);
    GadgetApplyFont(id, font);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(FontOf(record->hwnd)), font);
    GadgetApplyFont(id, -1);
    EXPECT_EQ(FontOf(record->hwnd), StockGuiFont());
    FontRelease(40);

    GadgetClearItems(id);
    EXPECT_EQ(SendMessageA(record->hwnd, CB_GETCOUNT, 0, 0), 0);

    HWND hwnd = record->hwnd;
    EXPECT_NE(GadgetDestroy(id), 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GadgetLookup(id), nullptr);
}

TEST_F(GadgetCore, RecordIsReleasedWithItsWindow)
{
    GadgetCreateButton(3, 10, 10, 80, 24, "Write");
    HWND hwnd = GadgetHandle(3);
    ASSERT_NE(hwnd, nullptr);
    DestroyWindow(hwnd);
    EXPECT_EQ(GadgetLookup(3), nullptr);
    EXPECT_EQ(GadgetHandle(3), nullptr);

    // Every generic operation on the freed number does nothing.
    EXPECT_EQ(GadgetSetText(3, "x"), 0);
    EXPECT_EQ(GadgetSetState(3, 1), 0);
    EXPECT_EQ(GadgetInsertItem(3, -1, "x"), 0);
    EXPECT_EQ(GadgetClearItems(3), 0);
    EXPECT_EQ(GadgetDestroy(3), 0);
    EXPECT_EQ(GadgetText(3), "");
}

TEST_F(GadgetCore, GadgetsDieWithTheirParentWindow)
{
    GadgetCreateButton(2, 10, 10, 80, 24, "Format");
    const std::intptr_t id = GadgetCreateStringField(AnyNumber, 10, 40, 80, 20, "", 0);
    ASSERT_NE(GadgetLookup(2), nullptr);
    ASSERT_NE(GadgetLookup(id), nullptr);
    WindowClose(TestWindow);
    EXPECT_EQ(GadgetLookup(2), nullptr);
    EXPECT_EQ(GadgetLookup(id), nullptr);
}

TEST_F(GadgetCore, DefaultFontChangesOnlyLaterGadgets)
{
    const std::intptr_t font = FontOpen(1, "Arial", 14, FontBold);
    ASSERT_NE(font, 0);
    GadgetCreateButton(10, 10, 10, 80, 24, "before");
    GadgetApplyFont(-1, font);
    GadgetCreateButton(11, 10, 40, 80, 24, "after");
    GadgetApplyFont(-1, -1);
    GadgetCreateButton(12, 10, 70, 80, 24, "reset");

    EXPECT_EQ(FontOf(GadgetHandle(10)), StockGuiFont());
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(FontOf(GadgetHandle(11))), font);
    EXPECT_EQ(FontOf(GadgetHandle(12)), StockGuiFont());
    FontRelease(1);
}

TEST_F(GadgetCore, StringFieldTextGoesStraightToTheWindow)
{
    GadgetCreateStringField(9, 10, 10, 120, 20, "23.5", StringReadOnly);
    HWND hwnd = GadgetHandle(9);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & ES_READONLY, ES_READONLY);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
    GadgetSetText(9, "24.0");
    EXPECT_EQ(WindowText(hwnd), "24.0");
    EXPECT_EQ(GadgetText(9), "24.0");
    GadgetSetText(9, nullptr);
    EXPECT_EQ(WindowText(hwnd), "");
    EXPECT_EQ(GadgetText(9), "");

    GadgetCreateStringField(8, 10, 40, 120, 20, nullptr, StringBorderless);
    EXPECT_EQ(GetWindowLongPtrA(GadgetHandle(8), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST_F(GadgetCore, TextLandsAtTheCallersPositionInTheBuffer)
{
    GadgetCreateStringField(9, 10, 10, 120, 20, "Hour", 0);
    const std::int32_t start = TempLength;
    TempAppend("Interval: ");
    const std::int32_t position = TempLength;
    const char* text = GadgetGetText(9, position);
    EXPECT_EQ(text, TempBuffer + position);
    EXPECT_EQ(TempText(start), "Interval: Hour");
    TempSetLength(start);

    // A long text makes the buffer grow; what was built before stays.
    const std::string longText(40000, 'x');
    GadgetSetText(9, longText.c_str());
    TempAppend("head");
    GadgetGetText(9, TempLength);
    EXPECT_EQ(TempText(start), "head" + longText);
    TempSetLength(start);
}

TEST_F(GadgetCore, ButtonStateIsItsCheck)
{
    GadgetCreateButton(5, 10, 10, 120, 24, "Option", BS_AUTOCHECKBOX);
    const GadgetRecord* record = GadgetLookup(5);
    EXPECT_EQ(record->ops->getState(GadgetLookup(5)), 0);
    GadgetSetState(5, 7);
    EXPECT_EQ(SendMessageA(record->hwnd, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(record->ops->getState(GadgetLookup(5)), 1);
    GadgetSetState(5, 0);
    EXPECT_EQ(record->ops->getState(GadgetLookup(5)), 0);
}

TEST_F(GadgetCore, MoveResizeKeepsWhatItIsAskedToKeep)
{
    GadgetCreateButton(6, 10, 20, 80, 24, "Clear");
    GadgetRecord* record = GadgetLookup(6);
    auto rectOf = [&] {
        RECT rect{};
        GetWindowRect(record->hwnd, &rect);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    GadgetMoveResize(record, 30, KeepValue, KeepValue, 40);
    RECT rect = rectOf();
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 80);
    EXPECT_EQ(rect.bottom - rect.top, 40);

    GadgetMoveResize(record, KeepValue, 50, 100, KeepValue);
    rect = rectOf();
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 50);
    EXPECT_EQ(rect.right - rect.left, 100);
    EXPECT_EQ(rect.bottom - rect.top, 40);
}

struct Event {
    std::int32_t code;
    ObjectNumber object;
    std::int32_t kind;
    ObjectNumber window;
    bool operator==(const Event&) const = default;
};

void PrintTo(const Event& event, std::ostream* out)
{
    *out << "{" << event.code << ", " << event.object << ", " << event.kind << ", " << event.window << "}";
}

// The gadget events waiting now, in order; everything else is dropped.
std::vector<Event> GadgetEvents()
{
    std::vector<Event> events;
    while (const std::int32_t code = EventWaitTimeout(0)) {
        if (code == EV_GADGET)
            events.push_back(Event{code, EventObject(), EventKind(), EventWindow()});
    }
    return events;
}

TEST_F(GadgetCore, StringFieldsRaiseFocusEvents)
{
    GadgetCreateStringField(9, 10, 10, 120, 20, "23.5", StringReadOnly);
    GadgetCreateStringField(10, 10, 40, 120, 20, "", 0);
    const std::intptr_t id = GadgetCreateStringField(AnyNumber, 10, 70, 120, 20, "", 0);
    SetFocus(nullptr);
    GadgetEvents();

    SetFocus(GadgetHandle(9));
    EXPECT_EQ(GadgetEvents(), (std::vector<Event>{{EV_GADGET, 9, GADGET_FOCUS_GAINED, 0}}));
    SetFocus(GadgetHandle(10));
    SetFocus(GadgetHandle(id));
    EXPECT_EQ(GadgetEvents(), (std::vector<Event>{{EV_GADGET, 9, GADGET_FOCUS_LOST, 0},
                                                  {EV_GADGET, 10, GADGET_FOCUS_GAINED, 0},
                                                  {EV_GADGET, 10, GADGET_FOCUS_LOST, 0},
                                                  {EV_GADGET, id, GADGET_FOCUS_GAINED, 0}}));
    // The read-only field still takes text from the program.
    GadgetSetText(9, "24.0");
    EXPECT_EQ(GadgetText(9), "24.0");
}

TEST_F(GadgetCore, WindowHandsColourMessagesToTheStringField)
{
    GadgetCreateStringField(9, 10, 10, 120, 20, "23.5", 0);
    GadgetRecord* record = GadgetLookup(9);
    record->ops->setColor(record, ColorBack, 0x00C0FFC0);
    HDC dc = GetDC(record->hwnd);
    const LRESULT answer =
        SendMessageA(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(record->hwnd));
    EXPECT_EQ(answer, GadgetLookup(9)->kindWordC);
    EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(0x00C0FFC0));
    ReleaseDC(record->hwnd, dc);
}

int ChildCount(HWND window)
{
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

TEST_F(GadgetCore, InvalidNumberLeavesNoWindowBehind)
{
    const int before = ChildCount(parent);
    EXPECT_EQ(GadgetCreateButton(-5, 0, 0, 10, 10, "x"), 0);
    EXPECT_EQ(GadgetCreateEditor(-2, 0, 0, 10, 10), 0);
    EXPECT_EQ(ChildCount(parent), before);
    EXPECT_EQ(GadgetLookup(-5), nullptr);
    EXPECT_EQ(GadgetSetText(-5, "x"), 0);
}

TEST_F(GadgetCore, ConstructorWithoutAGadgetListFailsCleanly)
{
    const HWND current = GadgetList->parent;
    GadgetList->parent = nullptr;
    // A child control cannot be created without a parent window.
    EXPECT_EQ(GadgetCreateButton(13, 0, 0, 10, 10, "x"), 0);
    EXPECT_EQ(GadgetLookup(13), nullptr);
    GadgetList->parent = current;
}

} // namespace
