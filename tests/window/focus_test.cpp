// Tab and Shift+Tab: FocusCycle over the tab-stop controls of the active
// window, and the keys themselves through the window's accelerators.
#include "tests/window/toolkit_session.h"

#include "window/event.h"
#include "window/window.h"

#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

constexpr ObjectNumber Number = 20;

HWND Child(HWND parent, const char* className, DWORD style, int y)
{
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 10, y, 120, 22, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void PressKey(WORD key, bool shift)
{
    std::array<INPUT, 4> inputs{};
    std::size_t count = 0;
    const auto keyEvent = [&](WORD virtualKey, DWORD flags) {
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = virtualKey;
        inputs[count].ki.dwFlags = flags;
        ++count;
    };
    if (shift)
        keyEvent(VK_SHIFT, 0);
    keyEvent(key, 0);
    keyEvent(key, KEYEVENTF_KEYUP);
    if (shift)
        keyEvent(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(count), inputs.data(), sizeof(INPUT));
    DrainEvents(100);
}

class FocusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartToolkit(); }
    void SetUp() override
    {
        window = reinterpret_cast<HWND>(WindowOpen(Number, 50, 50, 300, 260, "focus", WS_CAPTION | WS_SYSMENU));
        ASSERT_TRUE(IsWindow(window));
        first = Child(window, "BUTTON", WS_TABSTOP, 10);
        Child(window, "BUTTON", 0, 35);                        // no tab stop
        HWND disabled = Child(window, "BUTTON", WS_TABSTOP, 60); // not enabled
        EnableWindow(disabled, FALSE);
        HWND hidden = Child(window, "BUTTON", WS_TABSTOP, 85);   // not visible
        ShowWindow(hidden, SW_HIDE);
        middle = Child(window, "EDIT", WS_TABSTOP | WS_BORDER, 110);
        last = Child(window, "BUTTON", WS_TABSTOP, 135);
        if (!MakeForeground(window))
            GTEST_SKIP() << "the desktop does not make the test window active";
    }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }

    HWND window = nullptr;
    HWND first = nullptr;
    HWND middle = nullptr;
    HWND last = nullptr;
};

TEST_F(FocusTest, CycleOverTheTabStopsBothWays)
{
    struct Row {
        const char* name;
        HWND from;
        bool backward;
        HWND to;
    };
    const Row rows[] = {
        {"forward from the first", first, false, middle},
        {"forward from the middle", middle, false, last},
        {"forward from the last wraps", last, false, first},
        {"backward from the last", last, true, middle},
        {"backward from the middle", middle, true, first},
        {"backward from the first wraps", first, true, last},
        {"forward from no focus", nullptr, false, first},
        {"backward from no focus", nullptr, true, last},
        {"forward from the window itself", window, false, first},
    };
    for (const Row& row : rows) {
        SetFocus(row.from);
        ASSERT_EQ(GetFocus(), row.from) << row.name;
        FocusCycle(row.backward);
        EXPECT_EQ(GetFocus(), row.to) << row.name;
    }
}

TEST_F(FocusTest, AControlThatIsNoTabStopStaysForwardAndWrapsBackward)
{
    HWND plain = GetWindow(first, GW_HWNDNEXT);
    SetFocus(plain);
    ASSERT_EQ(GetFocus(), plain);
    FocusCycle(false);
    EXPECT_EQ(GetFocus(), plain);
    FocusCycle(true);
    EXPECT_EQ(GetFocus(), last);
}

TEST_F(FocusTest, TabAndShiftTabKeys)
{
    SetFocus(first);
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), middle);
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), last);
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), first);
    PressKey(VK_TAB, true);
    EXPECT_EQ(GetFocus(), last);
    PressKey(VK_TAB, true);
    EXPECT_EQ(GetFocus(), middle);
}

TEST_F(FocusTest, ActivationGivesTheFocusBackToTheControlThatHadIt)
{
    SetFocus(middle);
    auto other = reinterpret_cast<HWND>(WindowOpen(21, 400, 400, 100, 100, "other", 0));
    ASSERT_TRUE(MakeForeground(other));
    EXPECT_EQ(GetPropA(window, "GX_Focus"), middle);
    ASSERT_TRUE(MakeForeground(window));
    EXPECT_EQ(GetFocus(), middle);
}

class RichEditorFocusTest : public FocusTest {
protected:
    void SetUp() override
    {
        FocusTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_NE(LoadLibraryA("RICHED20.DLL"), nullptr);
        editor = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 10,
                                 160, 200, 60, window, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(IsWindow(editor));
    }

    std::string EditorText()
    {
        char text[64]{};
        GetWindowTextA(editor, text, sizeof text);
        return text;
    }

    HWND editor = nullptr;
};

TEST_F(RichEditorFocusTest, PlainTabInAWritableEditorIsTyped)
{
    SetFocus(editor);
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), editor);
    EXPECT_EQ(EditorText(), "\t");
    // Shift+Tab still moves the focus backward.
    PressKey(VK_TAB, true);
    EXPECT_EQ(GetFocus(), last);
}

TEST_F(RichEditorFocusTest, TabLeavesAReadOnlyEditor)
{
    SendMessageA(editor, EM_SETOPTIONS, ECOOP_OR, ECO_READONLY);
    SetFocus(editor);
    PressKey(VK_TAB, false);
    EXPECT_EQ(GetFocus(), first);
    EXPECT_EQ(EditorText(), "");
}

// A drop-down list combo box of the extended kind has an inner combo box
// that inherits its tab stop; Tab must leave the pair as a whole.
TEST_F(FocusTest, TabLeavesACompositeControlAsAWhole)
{
    HWND combo = CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 150,
                                 10, 120, 200, window, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(IsWindow(combo));
    HWND after = Child(window, "BUTTON", WS_TABSTOP, 200);
    SetFocus(combo);
    HWND inner = GetFocus();
    ASSERT_TRUE(inner == combo || IsChild(combo, inner));
    FocusCycle(false);
    EXPECT_EQ(GetFocus(), after);
    SetFocus(combo);
    FocusCycle(true);
    EXPECT_EQ(GetFocus(), last);
}

} // namespace
