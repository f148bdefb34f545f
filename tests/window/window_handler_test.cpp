// Rows of the window message handler that the event tests do not reach, and
// the switching of the gadget list between windows.
#include "tests/window/toolkit_session.h"

#include "window/alpha_images.h"
#include "window/event.h"
#include "window/gadget_list.h"
#include "window/window.h"

#include "gadget/gadget_kinds.h"

#include <gtest/gtest.h>

namespace {

class WindowHandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartToolkit(); }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }
};

HWND Open(ObjectNumber number, std::uint32_t flags = 0)
{
    return reinterpret_cast<HWND>(WindowOpen(number, 10, 10, 200, 150, "handler", flags));
}

TEST_F(WindowHandlerTest, ToolWindowsMayBeNarrowedToOnePixel)
{
    HWND tool = Open(60, 0x4);
    HWND plain = Open(61);
    MINMAXINFO limits{};
    limits.ptMinTrackSize = {100, 30};
    EXPECT_EQ(SendMessageA(tool, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits)), 0);
    EXPECT_EQ(limits.ptMinTrackSize.x, 1);
    EXPECT_EQ(limits.ptMinTrackSize.y, 30);
    limits.ptMinTrackSize = {100, 30};
    SendMessageA(plain, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 100);
}

int colourChangesSeen = 0;

LRESULT CALLBACK CountColourChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSCOLORCHANGE)
        ++colourChangesSeen;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(WindowHandlerTest, SystemColourChangesReachEveryDescendant)
{
    WNDCLASSA counting{};
    counting.lpfnWndProc = CountColourChanges;
    counting.hInstance = GetModuleHandleA(nullptr);
    counting.lpszClassName = "KorvaneColourCounter";
    RegisterClassA(&counting);
    HWND window = Open(62);
    HWND child = CreateWindowExA(0, counting.lpszClassName, "", WS_CHILD, 0, 0, 10, 10, window, nullptr,
                                 counting.hInstance, nullptr);
    CreateWindowExA(0, counting.lpszClassName, "", WS_CHILD, 0, 0, 5, 5, child, nullptr, counting.hInstance,
                    nullptr);
    colourChangesSeen = 0;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(colourChangesSeen, 2);
}

TEST_F(WindowHandlerTest, MessagesOfAWindowWithoutANumberRaiseNothing)
{
    HWND window = Open(63);
    DrainEvents();
    RemovePropA(window, "GX_WindowID");
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_MOVE, 0, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0), 1);
    EXPECT_TRUE(IsWindow(window));
    const std::vector<Event> events = DrainEvents();
    EXPECT_TRUE(EventsWithCodes(events, {EV_CLOSE, EV_MOVE, EV_SIZE}).empty());
    SetPropA(window, "GX_WindowID", reinterpret_cast<HANDLE>(64));
}

TEST_F(WindowHandlerTest, ColourMessagesReachOnlyTheGadgetsOwnWindow)
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

TEST_F(WindowHandlerTest, GadgetsGoToTheCurrentGadgetList)
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
    EXPECT_EQ(GetParent(GadgetLookup(80)->hwnd), second);
    EXPECT_EQ(GadgetListUse(first), second);
    ASSERT_NE(GadgetCreateButton(81, 0, 0, 50, 20, "in first"), 0);
    EXPECT_EQ(GetParent(GadgetLookup(81)->hwnd), first);
    // A window that never was a list becomes one with an empty stack.
    EXPECT_EQ(GadgetListUse(third), first);
    EXPECT_EQ(GadgetList->parent, third);
    EXPECT_EQ(GadgetList->stackDepth, 0);
    EXPECT_EQ(GadgetList->stackCapacity, 10);
    EXPECT_NE(GadgetList->stack, nullptr);
    EXPECT_EQ(GadgetListUse(second), third);
    EXPECT_EQ(GadgetList->parent, second);
}

TEST_F(WindowHandlerTest, DestroyingTheCurrentListLeavesNoParent)
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
    EXPECT_EQ(GetParent(GadgetLookup(83)->hwnd), first);
}

TEST_F(WindowHandlerTest, TheSubclassPassesMessagesOnToTheWindowsProcedure)
{
    HWND window = Open(76);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(GadgetStackProc));
    // WM_CLOSE still reaches the toolkit's handler behind the subclass.
    DrainEvents();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(EventWaitTimeout(0), EV_CLOSE);
    EXPECT_EQ(EventObject(), 76);
}

TEST(VisualStyles, TheFactsComeFromThePlatform)
{
    const VisualStyleFacts facts = GatherVisualStyleFacts();
    // Every common-controls library since 4.71 reports its version.
    EXPECT_GE(facts.commonControlsVersion, 0x40047u);
    EXPECT_TRUE(facts.themeLibraryLoaded);
    EXPECT_EQ(VisualStyleTest(), VisualStylesDecision(facts));
}

} // namespace
