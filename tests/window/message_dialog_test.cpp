// The requester: which windows it disables and re-enables, its owner, and
// the text as the box shows it. Each box is dismissed by a timer of the test
// that runs inside the box's own modal loop.
#include "tests/window/toolkit_session.h"

#include "window/message_dialog.h"
#include "window/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The system's texts as stored, in Windows-1251.
constexpr char ErrorTitle[] = "\xCE\xF8\xE8\xE1\xEA\xE0";
constexpr char NoPortText[] = "\xCD\xE5\xF2 \xEE\xF2\xEA\xF0\xFB\xF2\xEE\xE3\xEE \xEF\xEE\xF0\xF2\xE0";

// What the timer saw while the box was open.
struct BoxSeen {
    bool found = false;
    HWND owner = nullptr;
    std::wstring title;
    std::vector<std::wstring> texts;
    std::vector<DisabledWindow> disabled; // the list, newest first
    std::vector<HWND> watched;            // windows whose state is recorded
    std::vector<bool> watchedEnabled;
};

BoxSeen seen;

std::wstring WideTextOf(HWND window)
{
    wchar_t text[256]{};
    GetWindowTextW(window, text, 256);
    return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char className[16]{};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM)
{
    seen.texts.push_back(WideTextOf(child));
    return TRUE;
}

void CALLBACK ObserveAndDismiss(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    KillTimer(nullptr, timer);
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.title = WideTextOf(box);
    EnumChildWindows(box, CollectText, 0);
    for (ListBlock* block = DisabledWindowList; block; block = block->older)
        seen.disabled.push_back(*static_cast<DisabledWindow*>(BlockListRecord(block)));
    for (HWND window : seen.watched)
        seen.watchedEnabled.push_back(IsWindowEnabled(window) != FALSE);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::int32_t ShowAndDismiss(const char* title, const char* text, std::uint32_t flags)
{
    SetTimer(nullptr, 0, 100, ObserveAndDismiss);
    return MessageDialog(title, text, flags);
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& wanted)
{
    for (const std::wstring& text : texts)
        if (text.find(wanted) != std::wstring::npos)
            return true;
    return false;
}

class MessageDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartToolkit(); }
    void SetUp() override { seen = {}; }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }
};

TEST_F(MessageDialogTest, InFrontTheWindowOwnsTheBoxAndNothingIsListed)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(30, 100, 100, 300, 200, "front", WINDOW_FIXED_CENTERED));
    ASSERT_TRUE(IsWindow(window));
    if (!MakeForeground(window))
        GTEST_SKIP() << "the desktop does not make the test window active";
    seen.watched = {window};

    EXPECT_EQ(ShowAndDismiss(ErrorTitle, NoPortText, MB_ICONERROR), IDOK);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, window);
    EXPECT_TRUE(seen.disabled.empty());
    // Disabled by the box itself while it is open.
    EXPECT_EQ(seen.watchedEnabled, std::vector<bool>({false}));
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_EQ(DisabledWindowList, nullptr);
}

TEST_F(MessageDialogTest, RussianTextReachesTheBoxWhateverTheCodePage)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(31, 100, 100, 300, 200, "front", WINDOW_FIXED_CENTERED));
    ASSERT_TRUE(IsWindow(window));
    MakeForeground(window);
    EXPECT_EQ(ShowAndDismiss(ErrorTitle, NoPortText, MB_ICONERROR), IDOK);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, L"Ошибка");
    EXPECT_TRUE(Contains(seen.texts, L"Нет открытого порта"));
}

TEST_F(MessageDialogTest, NullTextsShowAnEmptyBox)
{
    EXPECT_EQ(ShowAndDismiss(nullptr, nullptr, MB_OK), IDOK);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, L"");
}

// Runs the helper program that takes the foreground, and ends it again.
class ForegroundHolder {
public:
    ForegroundHolder()
    {
        char path[MAX_PATH]{};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string program(path);
        program = program.substr(0, program.find_last_of("\\/") + 1) + "foreground_holder.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process))
            CloseHandle(process.hThread);
    }
    ~ForegroundHolder()
    {
        if (!process.hProcess)
            return;
        if (HWND window = Window())
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
    }
    ForegroundHolder(const ForegroundHolder&) = delete;
    ForegroundHolder& operator=(const ForegroundHolder&) = delete;

    static HWND Window() { return FindWindowA("KorvaneForegroundHolder", nullptr); }

    // Waits until the helper's window is the foreground window.
    bool InFront() const
    {
        if (!process.hProcess)
            return false;
        for (int attempt = 0; attempt < 100; ++attempt) {
            HWND window = Window();
            if (window && GetForegroundWindow() == window)
                return true;
            if (window)
                SetForegroundWindow(window);
            DrainEvents(50);
        }
        return false;
    }

private:
    PROCESS_INFORMATION process{};
};

TEST_F(MessageDialogTest, BehindAnotherProgramEveryWindowOfTheThreadIsDisabled)
{
    auto first = reinterpret_cast<HWND>(WindowOpen(32, 50, 50, 200, 100, "first", 0));
    auto second = reinterpret_cast<HWND>(WindowOpen(33, 300, 50, 200, 100, "second", 0));
    auto alreadyDisabled = reinterpret_cast<HWND>(WindowOpen(34, 50, 300, 200, 100, "disabled", 0));
    auto hidden = reinterpret_cast<HWND>(WindowOpen(35, 300, 300, 200, 100, "hidden", 0x10000000));
    EnableWindow(alreadyDisabled, FALSE);
    ForegroundHolder holder;
    if (!holder.InFront())
        GTEST_SKIP() << "the second program's window did not come to the foreground";
    seen.watched = {first, second, alreadyDisabled, hidden};

    EXPECT_EQ(ShowAndDismiss(ErrorTitle, NoPortText, MB_ICONERROR), IDOK);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(seen.watchedEnabled, std::vector<bool>({false, false, false, true}));
    std::vector<HWND> listed;
    for (const DisabledWindow& entry : seen.disabled) {
        EXPECT_EQ(entry.threadId, GetCurrentThreadId());
        listed.push_back(entry.window);
    }
    std::sort(listed.begin(), listed.end());
    std::vector<HWND> expected{first, second};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    EXPECT_TRUE(IsWindowEnabled(first));
    EXPECT_TRUE(IsWindowEnabled(second));
    EXPECT_FALSE(IsWindowEnabled(alreadyDisabled));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_EQ(DisabledWindowList, nullptr);
}

TEST_F(MessageDialogTest, EntriesOfOtherThreadsStay)
{
    auto window = reinterpret_cast<HWND>(WindowOpen(36, 50, 50, 200, 100, "mine", 0));
    ASSERT_TRUE(IsWindow(window));
    MakeForeground(window);
    auto* foreign = static_cast<DisabledWindow*>(
        BlockListPush(&DisabledWindowList, BlockListLinkSize + sizeof(DisabledWindow)));
    ASSERT_NE(foreign, nullptr);
    foreign->threadId = GetCurrentThreadId() + 1;
    foreign->window = window;

    EXPECT_EQ(ShowAndDismiss(ErrorTitle, NoPortText, MB_ICONERROR), IDOK);
    ASSERT_EQ(DisabledWindowList, BlockListBlockOf(foreign));
    EXPECT_EQ(foreign->threadId, GetCurrentThreadId() + 1);
    BlockListRemove(&DisabledWindowList, foreign);
}

} // namespace
