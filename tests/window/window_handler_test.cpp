// Rows of the window message handler that the event tests do not reach, and
// the facts the visual-style decision reads.
#include "tests/window/toolkit_session.h"

#include "window/alpha_images.h"
#include "window/event.h"
#include "window/window.h"

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

TEST(VisualStyles, TheFactsComeFromThePlatform)
{
    const VisualStyleFacts facts = GatherVisualStyleFacts();
    // Every common-controls library since 4.71 reports its version.
    EXPECT_GE(facts.commonControlsVersion, 0x40047u);
    EXPECT_TRUE(facts.themeLibraryLoaded);
    // Wine's theme library, as every one since XP's, answers IsAppThemed.
    EXPECT_TRUE(facts.themeQueryAvailable);
}

} // namespace
