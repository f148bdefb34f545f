#pragma once
// The window layer's own records, shared by its files: the window registry
// and its records, and the event state that the message handler writes and
// the event wait reads.

#include "base/object_number.h"
#include "base/registry.h"
#include "base/strings.h"

#include <windows.h>

#include <cstdint>

struct WindowRecord {
    HWND handle; // first: non-null while the window exists
    ACCEL* acceleratorEntries;
    HACCEL acceleratorTable;
    std::int32_t acceleratorCount;
    BOOL minMax; // minimised or maximised
    HICON bigIcon; // the icons at the window's DPI; destroyed at close
    HICON smallIcon;
};

// The event being assembled during a dispatch, and the last one returned.
struct EventState {
    ObjectNumber object;
    ObjectNumber window;
    std::int32_t kind;
    std::int32_t pending; // set by the message handler; 0 when none
    std::int32_t dispatching; // depth of the event wait's dispatches under way
    ObjectNumber publishedObject;
    ObjectNumber publishedWindow;
    std::int32_t publishedKind;
};

struct WindowLayerState {
    ObjectRegistry* registry;
    HINSTANCE instance;
    HICON icon;
    HCURSOR arrowCursor;
    EventState events;
};

WindowLayerState& WindowLayer();
inline EventState& Events() { return WindowLayer().events; }

// The live record of that window number, or null.
WindowRecord* WindowRecordOf(ObjectNumber number);

// Window properties.
constexpr char WindowIdProperty[] = "GX_WindowID";
constexpr char FocusProperty[] = "GX_Focus";

// One queued event; the event wait takes them first in, first out.
struct QueuedEvent {
    std::int32_t code;
    ObjectNumber object;
    ObjectNumber window;
    std::int32_t kind;
};

// Takes the oldest queued event; false when the queue is empty.
bool EventQueueTake(QueuedEvent& event);

// A name made of a prefix and a number in decimal ("WindowClass_12"), with
// room for the longest number of the word size. The string layer writes the
// digits: the C library's formatting would bring its whole floating-point
// printer into the program.
struct NumberedName {
    char text[48];
};

inline NumberedName NameWithNumber(const char* prefix, std::intptr_t number)
{
    NumberedName name{};
    char digits[LongestDecimal];
    const std::int32_t count = DecimalText(number, digits);
    std::size_t length = 0;
    while (*prefix && length + 1 < sizeof name.text)
        name.text[length++] = *prefix++;
    for (std::int32_t i = 0; i < count && length + 1 < sizeof name.text; ++i)
        name.text[length++] = digits[i];
    name.text[length] = '\0';
    return name;
}
