// WindowOpen and WindowClose on the session's display: classes, client size,
// placement, properties, and reuse of a number.
#include "tests/window/toolkit_session.h"

#include "window/window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class WindowOpenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartToolkit(); }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }
};

std::string ClassOf(HWND window)
{
    char name[64]{};
    GetClassNameA(window, name, sizeof name);
    return name;
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

RECT Frame(HWND window)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    return frame;
}

bool ClassRegistered(const char* name)
{
    WNDCLASSA info{};
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &info) != FALSE;
}

TEST_F(WindowOpenTest, TheApplicationWindow)
{
    const std::intptr_t result = WindowOpen(0, 376, 204, 555, 280, "Korvane", 0xCA0001);
    auto window = reinterpret_cast<HWND>(result);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowHandle(0), window);
    EXPECT_EQ(ClassOf(window), "WindowClass_0");
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropA(window, "GX_WindowID")), 1);
    EXPECT_EQ(WindowNumberOf(window), 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_FALSE(IsZoomed(window));

    char title[32]{};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Korvane");
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);

    const SIZE client = ClientSize(window);
    EXPECT_EQ(client.cx, 555);
    EXPECT_EQ(client.cy, 280);
    const RECT frame = Frame(window);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

    WindowClose(0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowHandle(0), nullptr);
    EXPECT_FALSE(ClassRegistered("WindowClass_0"));
}

TEST_F(WindowOpenTest, NoStyleBitsStillGiveATitleBar)
{
    for (std::uint32_t flags : {0x0u, 0x1u, 0x2u, 0x10000003u}) {
        auto window = reinterpret_cast<HWND>(WindowOpen(1, 10, 10, 200, 100, "plain", flags));
        ASSERT_TRUE(IsWindow(window)) << flags;
        EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION, WS_CAPTION) << flags;
        EXPECT_EQ(IsWindowVisible(window) != FALSE, (flags & 0x10000000) == 0) << flags;
        EXPECT_EQ(ClientSize(window).cx, 200) << flags;
    }
}

TEST_F(WindowOpenTest, ToolWindow)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(2, 10, 10, 150, 60, "tool", 0x4 | WS_MINIMIZEBOX | WS_SYSMENU));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_CAPTION | WS_MINIMIZEBOX), WS_CAPTION);
    EXPECT_EQ(ClientSize(window).cx, 150);
    EXPECT_EQ(ClientSize(window).cy, 60);
}

TEST_F(WindowOpenTest, CentredWindowLargerThanTheScreenIsCutToIt)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(3, 0, 0, 4000, 3000, "big", WINDOW_FIXED_CENTERED));
    ASSERT_TRUE(IsWindow(window));
    const RECT frame = Frame(window);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(WindowOpenTest, CentringOnAParentNearTheCornerStaysOnScreen)
{
    auto parent = reinterpret_cast<HWND>(WindowOpen(4, 5, 5, 60, 30, "parent", WS_POPUP | WS_BORDER));
    ASSERT_TRUE(IsWindow(parent));
    ASSERT_EQ(Frame(parent).left, 5);
    auto child = reinterpret_cast<HWND>(WindowOpen(5, 0, 0, 400, 300, "child", 0x2 | WS_CAPTION, parent));
    ASSERT_TRUE(IsWindow(child));
    EXPECT_EQ(GetWindow(child, GW_OWNER), parent);
    EXPECT_EQ(Frame(child).left, 0);
    EXPECT_EQ(Frame(child).top, 0);

    // A small window is centred on the parent, rounding toward zero.
    auto small = reinterpret_cast<HWND>(WindowOpen(6, 0, 0, 10, 10, "small", 0x2 | WS_POPUP, parent));
    ASSERT_TRUE(IsWindow(small));
    const RECT outer = Frame(parent);
    EXPECT_EQ(Frame(small).left, outer.left + (outer.right - outer.left - 10) / 2);
    EXPECT_EQ(Frame(small).top, outer.top + (outer.bottom - outer.top - 10) / 2);
}

TEST_F(WindowOpenTest, DefaultPositionKeepsTheClientSize)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(7, WINDOW_DEFAULT_POSITION, 50, 300, 200, "default", 0));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_NE(Frame(window).left, WINDOW_DEFAULT_POSITION);
    EXPECT_NE(Frame(window).top, 50 - 65535);
    EXPECT_EQ(ClientSize(window).cx, 300);
    EXPECT_EQ(ClientSize(window).cy, 200);
}

// Set while a window of the watched class is being created: whether the
// window it replaces was already gone.
HWND watchedOldWindow = nullptr;
int creationsSeen = 0;
bool oldWindowAliveAtCreation = true;

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        auto* created = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
        const char* className = created->lpcs->lpszClass;
        if (!IS_INTRESOURCE(className) && std::string(className) == "WindowClass_8") {
            ++creationsSeen;
            oldWindowAliveAtCreation = IsWindow(watchedOldWindow) != FALSE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowOpenTest, ReopeningANumberClosesTheOldWindowFirst)
{
    auto first = reinterpret_cast<HWND>(WindowOpen(8, 10, 10, 100, 100, "first", 0));
    ASSERT_TRUE(IsWindow(first));
    watchedOldWindow = first;
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    auto second = reinterpret_cast<HWND>(WindowOpen(8, 10, 10, 120, 80, "second", 0));
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(IsWindow(second));
    EXPECT_EQ(creationsSeen, 1);
    EXPECT_FALSE(oldWindowAliveAtCreation);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(WindowHandle(8), second);
    EXPECT_EQ(ClassOf(second), "WindowClass_8");
    // The class was registered afresh for the new window, with this toolkit's procedure.
    EXPECT_EQ(GetClassLongPtrW(second, GCLP_WNDPROC), reinterpret_cast<LONG_PTR>(WindowClassProc));
    EXPECT_EQ(ClientSize(second).cx, 120);
}

TEST_F(WindowOpenTest, AnyNumberGivesAnIdentifierThatWorksAsANumber)
{
    const std::intptr_t id = WindowOpen(AnyNumber, 10, 10, 100, 50, "any", 0);
    ASSERT_NE(id, 0);
    HWND window = WindowHandle(id);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowNumberOf(window), id);
    EXPECT_EQ(ClassOf(window), "WindowClass_" + std::to_string(id));
    WindowClose(id);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowHandle(id), nullptr);
}

TEST_F(WindowOpenTest, CloseOfANumberWithoutAWindowDoesNothing)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(9, 10, 10, 100, 50, "stays", 0));
    WindowClose(10);
    WindowClose(1000);
    WindowClose(-1);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowOpenTest, NumberLookupWalksUpFromChildren)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(11, 10, 10, 200, 100, "parent", 0));
    HWND inner = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND innermost = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, inner, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(WindowNumberOf(innermost), 11);
    EXPECT_EQ(WindowNumberOf(GetDesktopWindow()), -1);
    EXPECT_EQ(WindowNumberOf(nullptr), -1);
}

TEST_F(WindowOpenTest, CloseAllClosesEveryWindow)
{
    HWND windows[] = {reinterpret_cast<HWND>(WindowOpen(12, 0, 0, 50, 50, "a", 0)),
                      reinterpret_cast<HWND>(WindowOpen(40, 0, 0, 50, 50, "b", 0)),
                      WindowHandle(WindowOpen(AnyNumber, 0, 0, 50, 50, "c", 0))};
    WindowCloseAll();
    for (HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(ClassRegistered("WindowClass_40"));
}

} // namespace
