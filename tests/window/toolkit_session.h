#pragma once
// What the window tests share: the layers up to the window toolkit started
// once per process, and the events a stretch of waiting produced, as data to
// compare. The gadget tests that look at events use the latter too.

#include "base/object_number.h"

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

// The main heap and the window layer's start steps, once per process.
void StartToolkit();

struct Event {
    std::int32_t code;
    ObjectNumber object;
    ObjectNumber window;
    std::int32_t kind;
    bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& event);

// Waits for events until none arrives for quietMilliseconds, and returns
// what came, in order. Bounded, so that a window that never stops producing
// messages fails the test instead of hanging it.
std::vector<Event> DrainEvents(std::int32_t quietMilliseconds = 100);

// Only the events with one of the codes.
std::vector<Event> EventsWithCodes(const std::vector<Event>& events, std::initializer_list<std::int32_t> codes);

// Brings the window to the foreground and waits until it is the active
// window; false when the desktop would not.
bool MakeForeground(HWND window);
