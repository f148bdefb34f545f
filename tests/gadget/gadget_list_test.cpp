// The window layer's ways to the gadgets, which the gadget library's start
// connects: the gadget list a window becomes, a gadget's notification as an
// event, and the colour messages meant for a gadget's own window.
#include "gadget_test_support.h"

#include "tests/window/toolkit_session.h"

#include "gadget/gadget_kinds.h"

#include "window/event.h"
#include "window/gadget_list.h"
#include "window/window.h"

#include <gtest/gtest.h>

namespace {

class WindowsGadgets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartGadgetRuntime(); }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }
};

HWND Open(ObjectNumber number, std::uint32_t flags = 0)
{
    return reinterpret_cast<HWND>(WindowOpen(number, 10, 10, 200, 150, "gadget list", flags));
}

TEST_F(WindowsGadgets, AButtonsMouseUpGivesTheGadgetEvent)
{
    constexpr ObjectNumber Number = 10;
    Open(Number);
    ASSERT_NE(GadgetCreateButton(7, 10, 10, 80, 24, "Read"), 0);
    HWND button = GadgetHandle(7);
    DrainEvents();
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    const std::int32_t down = EventWaitTimeout(1000);
    EXPECT_EQ(down, WM_LBUTTONDOWN);
    EXPECT_EQ(EventWaitTimeout(1000), EV_GADGET);
    EXPECT_EQ(EventObject(), 7);
    EXPECT_EQ(EventKind(), BN_CLICKED);
    EXPECT_EQ(EventWindow(), Number);
}

TEST_F(WindowsGadgets, ColourMessagesReachOnlyTheGadgetsOwnWindow)
{
    HWND window = Open(67);
    ASSERT_NE(GadgetCreateStringField(0, 10, 10, 100, 22, "gadget", 0), 0);
    GadgetRecord* field = GadgetLookup(0);
    ASSERT_NE(field, nullptr);
    ASSERT_NE(field->ops->setColor, nullptr);
    field->ops->setColor(field, ColorBack, RGB(255, 0, 0));
    ASSERT_NE(field->kindWordC, 0);

    // A plain edit control with identifier 0 and no "GX_ID": its identifier
    // equals the missing property's 0, but it is not gadget 0.
    HWND plain = CreateWindowExA(0, "EDIT", "plain", WS_CHILD | WS_VISIBLE, 10, 40, 100, 22, window, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HDC dc = GetDC(window);
    const LRESULT forGadget = SendMessageA(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(field->hwnd));
    const LRESULT forPlain =
        SendMessageA(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain));
    ReleaseDC(window, dc);
    EXPECT_EQ(forGadget, field->kindWordC);
    EXPECT_NE(forPlain, field->kindWordC);
}

TEST_F(WindowsGadgets, GadgetsGoToTheCurrentGadgetList)
{
    HWND first = Open(70);
    EXPECT_EQ(GadgetListUse(nullptr), first);
    HWND second = Open(71);
    EXPECT_EQ(GadgetListUse(nullptr), second);
    // Bit 3 keeps the current list.
    HWND third = Open(72, 0x8);
    EXPECT_EQ(GadgetListUse(nullptr), second);
    EXPECT_EQ(GadgetListUse(reinterpret_cast<HWND>(0x7FF0)), second);
    EXPECT_EQ(GadgetListUse(nullptr), second);

    ASSERT_NE(GadgetCreateButton(80, 0, 0, 50, 20, "in second"), 0);
    EXPECT_EQ(GetParent(GadgetHandle(80)), second);
    EXPECT_EQ(GadgetListUse(first), second);
    ASSERT_NE(GadgetCreateButton(81, 0, 0, 50, 20, "in first"), 0);
    EXPECT_EQ(GetParent(GadgetHandle(81)), first);
    // A window that never was a list becomes one with an empty stack.
    EXPECT_EQ(GadgetListUse(third), first);
    EXPECT_EQ(GadgetList->parent, third);
    EXPECT_EQ(GadgetList->stackDepth, 0);
    EXPECT_EQ(GadgetList->stackCapacity, 10);
    EXPECT_NE(GadgetList->stack, nullptr);
    EXPECT_EQ(GadgetListUse(second), third);
    EXPECT_EQ(GadgetList->parent, second);
}

TEST_F(WindowsGadgets, DestroyingTheCurrentListLeavesNoParent)
{
    HWND first = Open(73);
    Open(74);
    WindowClose(74);
    EXPECT_EQ(GadgetListUse(nullptr), nullptr);
    EXPECT_EQ(GadgetList->stackDepth, 0);
    // Gadgets then go nowhere rather than into a destroyed window.
    EXPECT_EQ(GadgetCreateButton(82, 0, 0, 50, 20, "nowhere"), 0);
    // A saved list of another window is freed with it and leaves the current one alone.
    EXPECT_EQ(GadgetListUse(first), nullptr);
    HWND other = Open(75, 0x8);
    GadgetListUse(other);
    GadgetListUse(first);
    WindowClose(75);
    EXPECT_EQ(GadgetListUse(nullptr), first);
    ASSERT_NE(GadgetCreateButton(83, 0, 0, 50, 20, "still here"), 0);
    EXPECT_EQ(GetParent(GadgetHandle(83)), first);
}

TEST_F(WindowsGadgets, TheSubclassPassesMessagesOnToTheWindowsProcedure)
{
    HWND window = Open(76);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(GadgetStackProc));
    // WM_CLOSE still reaches the toolkit's handler behind the subclass.
    DrainEvents();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(EventWaitTimeout(0), EV_CLOSE);
    EXPECT_EQ(EventObject(), 76);
}

} // namespace
