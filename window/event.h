#pragma once
// The event wait: one loop in the application pumps the thread's messages one
// at a time and gets back one event code per call. Window events travel
// through a queue (they can arise while no wait runs); gadget notifications
// raised during a dispatch travel through a single pending slot.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>

// Event codes. The first four equal the Win32 message that raises them; any
// other code below EV_GADGET is the raw number of a dispatched message that
// raised no event of its own.
constexpr std::int32_t EV_MOVE = 3;
constexpr std::int32_t EV_SIZE = 5;
constexpr std::int32_t EV_REPAINT = 15;
constexpr std::int32_t EV_CLOSE = 16;
constexpr std::int32_t EV_GADGET = 13100;
constexpr std::int32_t EV_ACTIVATE = 13104;
constexpr std::int32_t EV_MINIMIZE = 13107;
constexpr std::int32_t EV_MAXIMIZE = 13108;
constexpr std::int32_t EV_RESTORE = 13109;
// A command chosen from a window's menu bar: the object is the item's
// command identifier, the kind 0.
constexpr std::int32_t EV_MENU = 13110;

// Accelerator commands of every toolkit window: Tab and Shift+Tab.
constexpr WORD FOCUS_NEXT_COMMAND = 64001;
constexpr WORD FOCUS_PREV_COMMAND = 64002;

// Creates the event queue and its node pool; once, at start-up.
void EventQueueStart();

// Waits without a time limit for the next event and returns its code.
std::int32_t EventWait();
// -1 (or any negative value) waits without limit, 0 only looks, anything
// else waits at most that many milliseconds. 0 means nothing arrived; the published values stay as they were.
std::int32_t EventWaitTimeout(std::int32_t milliseconds);
// The object (window or gadget number) of the last event returned.
ObjectNumber EventObject();
// The kind of the last event returned; -1 when it had none.
std::int32_t EventKind();
// The window number of the last event returned; -1 when none.
ObjectNumber EventWindow();

// Queues an event, unless the queue's last event is exactly the same one.
void EventPost(std::int32_t code, ObjectNumber object, ObjectNumber window, std::int32_t kind);
// Dispatches every message already waiting, then drops the pending event.
void EventFlushMessages();

// The accelerator table to translate the window's keys with, or null.
HACCEL WindowAccelerators(HWND window);
// Moves the focus to the next (or previous) tab-stop control of the active window.
void FocusCycle(bool backward);
