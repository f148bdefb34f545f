// The event wait against a real window: the sequences of events that window
// messages produce, the queue's handling of repeats, and controls'
// notifications.
#include "tests/window/toolkit_session.h"

#include "window/event.h"
#include "window/window.h"

#include <gtest/gtest.h>

namespace {

constexpr ObjectNumber Number = 10;

class EventTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartToolkit(); }
    void SetUp() override
    {
        window = reinterpret_cast<HWND>(WindowOpen(Number, 100, 100, 300, 200, "events", WS_OVERLAPPEDWINDOW));
        ASSERT_TRUE(IsWindow(window));
        DrainEvents();
    }
    void TearDown() override
    {
        WindowCloseAll();
        DrainEvents(10);
    }

    HWND window = nullptr;
};

TEST_F(EventTest, OpeningAWindowQueuesItsEventsForTheFirstWaits)
{
    auto second = reinterpret_cast<HWND>(WindowOpen(11, 10, 10, 100, 100, "second", 0));
    ASSERT_TRUE(IsWindow(second));
    const std::vector<Event> events = DrainEvents();
    const std::vector<Event> activations = EventsWithCodes(events, {EV_ACTIVATE});
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(activations.front(), (Event{EV_ACTIVATE, 0, 11, 0}));
}

TEST_F(EventTest, PostedCloseComesAsTheRawMessageThenAsTheCloseEvent)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(EventWaitTimeout(1000), WM_CLOSE);
    ASSERT_EQ(EventWaitTimeout(1000), EV_CLOSE);
    EXPECT_EQ(EventObject(), Number);
    EXPECT_EQ(EventWindow(), Number);
    EXPECT_EQ(EventKind(), 0);
    // Closing is the application's decision: the window is still there.
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(EventTest, CloseFromTheSystemMenuComesAfterTheMessageThatSentIt)
{
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const std::vector<Event> events = DrainEvents();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].code, WM_SYSCOMMAND);
    EXPECT_EQ(events[1], (Event{EV_CLOSE, Number, Number, 0}));
    EXPECT_EQ(EventsWithCodes(events, {EV_CLOSE}).size(), 1u);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(EventTest, CloseSentOutsideAWaitIsQueued)
{
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(EventWaitTimeout(0), EV_CLOSE);
    EXPECT_EQ(EventObject(), Number);
}

TEST_F(EventTest, RepeatedMovesWhileBusyGiveOneMoveEvent)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    for (int step = 1; step <= 5; ++step)
        MoveWindow(window, 100 + 10 * step, 100 + 5 * step, frame.right - frame.left, frame.bottom - frame.top,
                   FALSE);
    const std::vector<Event> moves = EventsWithCodes(DrainEvents(), {EV_MOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], (Event{EV_MOVE, Number, Number, 0}));
}

TEST_F(EventTest, MinimiseRestoreMaximiseSequences)
{
    const auto sizeEvents = [] {
        return EventsWithCodes(DrainEvents(), {EV_MINIMIZE, EV_MAXIMIZE, EV_RESTORE, EV_SIZE});
    };
    const Event minimize{EV_MINIMIZE, 0, Number, 0};
    const Event maximize{EV_MAXIMIZE, 0, Number, 0};
    const Event restore{EV_RESTORE, 0, Number, 0};
    const Event size{EV_SIZE, 0, Number, 0};

    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(sizeEvents(), std::vector<Event>({minimize}));
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(sizeEvents(), std::vector<Event>({restore, size}));
    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_EQ(sizeEvents(), std::vector<Event>({maximize, size}));
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(sizeEvents(), std::vector<Event>({restore, size}));
    // A plain resize of a normal window is a size event only.
    SetWindowPos(window, nullptr, 0, 0, 333, 222, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(sizeEvents(), std::vector<Event>({size}));
}

TEST_F(EventTest, LookingWithNothingWaitingLeavesThePublishedEvent)
{
    EventPost(EV_GADGET, 42, Number, 7);
    ASSERT_EQ(EventWaitTimeout(0), EV_GADGET);
    DrainEvents();
    EventPost(EV_GADGET, 42, Number, 7);
    ASSERT_EQ(EventWaitTimeout(0), EV_GADGET);

    const DWORD before = GetTickCount();
    EXPECT_EQ(EventWaitTimeout(0), 0);
    EXPECT_LT(GetTickCount() - before, 500u);
    EXPECT_EQ(EventObject(), 42);
    EXPECT_EQ(EventKind(), 7);
    EXPECT_EQ(EventWindow(), Number);
}

TEST_F(EventTest, WaitingWithALimitReturnsNothingAfterIt)
{
    const DWORD before = GetTickCount();
    EXPECT_EQ(EventWaitTimeout(150), 0);
    EXPECT_GE(GetTickCount() - before, 100u);
}

TEST_F(EventTest, TheQueueDropsOnlyARepeatOfItsLastEvent)
{
    EventPost(EV_GADGET, 1, Number, 0);
    EventPost(EV_GADGET, 1, Number, 0); // dropped: same as the last
    EventPost(EV_GADGET, 1, Number, 1); // another kind
    EventPost(EV_GADGET, 1, Number, 0); // the same as an earlier one, but not the last
    EventPost(EV_GADGET, 2, Number, 0);
    EventPost(EV_GADGET, 2, 3, 0); // another window
    std::vector<Event> taken;
    for (int i = 0; i < 5; ++i) {
        const std::int32_t code = EventWaitTimeout(0);
        taken.push_back({code, EventObject(), EventWindow(), EventKind()});
    }
    const std::vector<Event> expected = {
        {EV_GADGET, 1, Number, 0}, {EV_GADGET, 1, Number, 1}, {EV_GADGET, 1, Number, 0},
        {EV_GADGET, 2, Number, 0}, {EV_GADGET, 2, 3, 0},
    };
    EXPECT_EQ(taken, expected);

    // Once taken, the last event may be queued again.
    EventPost(EV_GADGET, 2, 3, 0);
    EXPECT_EQ(EventWaitTimeout(0), EV_GADGET);
}

TEST_F(EventTest, ManyQueuedEventsComeOutInOrder)
{
    // More than one chunk of the node pool.
    constexpr int Count = 1000;
    for (int i = 0; i < Count; ++i)
        EventPost(EV_GADGET, i, Number, 0);
    for (int i = 0; i < Count; ++i) {
        ASSERT_EQ(EventWaitTimeout(0), EV_GADGET);
        ASSERT_EQ(EventObject(), i);
    }
}

TEST_F(EventTest, APlainControlsNotificationNamesItsIdentifier)
{
    HWND list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 40, 100, 200,
                                window, reinterpret_cast<HMENU>(23), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(IsWindow(list));
    DrainEvents();
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(23, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(EventWaitTimeout(1000), EV_GADGET);
    EXPECT_EQ(EventObject(), 23);
    EXPECT_EQ(EventKind(), CBN_SELCHANGE);
}

// A child that answers WM_APP with two notifications, as a drop-down list
// sends its selection change and its close-up for one pick.
LRESULT CALLBACK NotifyTwice(HWND child, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_APP)
        return DefWindowProcW(child, message, wParam, lParam);
    for (const WORD code : {CBN_SELCHANGE, CBN_CLOSEUP})
        SendMessageW(GetParent(child), WM_COMMAND, MAKEWPARAM(24, code), reinterpret_cast<LPARAM>(child));
    return 0;
}

TEST_F(EventTest, EveryNotificationOfOneDispatchComesOutInOrder)
{
    WNDCLASSW childClass{};
    childClass.lpfnWndProc = NotifyTwice;
    childClass.hInstance = GetModuleHandleW(nullptr);
    childClass.lpszClassName = L"KorvaneNotifyTwice";
    RegisterClassW(&childClass);
    HWND child = CreateWindowExW(0, childClass.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, window,
                                 reinterpret_cast<HMENU>(24), childClass.hInstance, nullptr);
    ASSERT_TRUE(IsWindow(child));
    DrainEvents();
    PostMessageW(child, WM_APP, 0, 0);
    EXPECT_EQ(EventsWithCodes(DrainEvents(), {EV_GADGET}),
              (std::vector<Event>{{EV_GADGET, 24, Number, CBN_SELCHANGE}, {EV_GADGET, 24, Number, CBN_CLOSEUP}}));
}

TEST_F(EventTest, ANotificationOutsideAWaitIsDropped)
{
    HWND button = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, window,
                                  reinterpret_cast<HMENU>(5), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(EventsWithCodes(DrainEvents(), {EV_GADGET}).empty());
}

TEST_F(EventTest, FlushingDispatchesWaitingMessagesAndDropsThePendingEvent)
{
    HWND button = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, window,
                                  reinterpret_cast<HMENU>(5), GetModuleHandleA(nullptr), nullptr);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EventFlushMessages();
    // The close became a queued event; the button's notification is gone.
    const std::vector<Event> events = DrainEvents();
    EXPECT_EQ(EventsWithCodes(events, {EV_CLOSE}), std::vector<Event>({{EV_CLOSE, Number, Number, 0}}));
    EXPECT_TRUE(EventsWithCodes(events, {EV_GADGET}).empty());
}

} // namespace
